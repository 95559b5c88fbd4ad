#include "sim/host/geometry/Renderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace rc::sim::host::geometry {

namespace {

constexpr int kSubBits = 4;  // fixed-point fraction of screen coordinates
constexpr std::int64_t kSub = 1 << kSubBits;
constexpr std::int64_t kDepthRange = (1 << 24) - 1;
// How far behind the nearest face an edge may lie and still show: edges lie
// on the faces they bound, a little off after rounding.
constexpr std::int64_t kEdgeDepthSlack = kDepthRange / 256;

constexpr double kInvSqrt2 = 0.70710678118654752440;
constexpr double kInvSqrt3 = 0.57735026918962576451;
constexpr double kInvSqrt6 = 0.40824829046386301637;

// A vertex on the screen: fixed-point x, y (y down) and depth (larger is nearer).
struct ScreenPoint {
  std::int64_t x = 0, y = 0, z = 0;
};

// The largest of 1, 2 or 5 times a power of ten (pixels per model unit)
// not above `fit`: a part drawn at a round scale keeps its size on the
// screen, so a part made larger or smaller changes the picture.
double roundScale(double fit) {
  if (!std::isfinite(fit) || fit <= 0) return 1.0;
  double power = std::pow(10.0, std::floor(std::log10(fit)));
  double m = fit / power;
  double step = m >= 5 ? 5 : m >= 2 ? 2 : 1;
  return step * power;
}

// The isometric camera fitted to the points it will show.
class Camera {
 public:
  Camera(const Mesh& mesh, int width, int height) {
    double inf = std::numeric_limits<double>::infinity();
    lo_ = {inf, inf, inf};
    hi_ = {-inf, -inf, -inf};
    auto take = [&](const float* p) {
      std::array<double, 3> v = view(p);
      for (int i = 0; i < 3; ++i) {
        lo_[i] = std::min(lo_[i], v[i]);
        hi_[i] = std::max(hi_[i], v[i]);
      }
    };
    for (std::size_t i = 0; i + 2 < mesh.vertices.size(); i += 3) take(&mesh.vertices[i]);
    for (const auto& e : mesh.edges)
      for (std::size_t i = 0; i + 2 < e.size(); i += 3) take(&e[i]);
    empty_ = !(lo_[0] <= hi_[0]);
    if (empty_) return;
    double margin = std::max(2, std::min(width, height) / 20);
    double w = std::max(1.0, width - 2 * margin), h = std::max(1.0, height - 2 * margin);
    double dx = hi_[0] - lo_[0], dy = hi_[1] - lo_[1];
    scale_ = (dx > 0 || dy > 0) ? roundScale(std::min(dx > 0 ? w / dx : inf, dy > 0 ? h / dy : inf)) : 1.0;
    if (!std::isfinite(scale_) || scale_ <= 0) scale_ = 1.0;
    cx_ = (lo_[0] + hi_[0]) / 2;
    cy_ = (lo_[1] + hi_[1]) / 2;
    halfW_ = width / 2.0;
    halfH_ = height / 2.0;
    depthSpan_ = hi_[2] - lo_[2];
  }

  bool empty() const { return empty_; }

  // Right, up and towards the viewer.
  static std::array<double, 3> view(const float* p) {
    double x = p[0], y = p[1], z = p[2];
    return {(x + y) * kInvSqrt2, (-x + y + 2 * z) * kInvSqrt6, (x - y + z) * kInvSqrt3};
  }

  ScreenPoint screen(const float* p) const {
    std::array<double, 3> v = view(p);
    double sx = halfW_ + (v[0] - cx_) * scale_;
    double sy = halfH_ - (v[1] - cy_) * scale_;
    double sz = depthSpan_ > 0 ? (v[2] - lo_[2]) / depthSpan_ : 0.5;
    auto clampFixed = [](double d) { return std::clamp(d, -1e9, 1e9); };
    return {std::llround(clampFixed(sx * kSub)), std::llround(clampFixed(sy * kSub)),
            std::llround(std::clamp(sz, 0.0, 1.0) * kDepthRange)};
  }

 private:
  bool empty_ = true;
  std::array<double, 3> lo_{}, hi_{};
  double scale_ = 1, cx_ = 0, cy_ = 0, halfW_ = 0, halfH_ = 0, depthSpan_ = 0;
};

// The face colour for a facet whose view-space normal is `n`: a blue grey,
// lit by a light over the viewer's left shoulder, both sides alike.
std::uint32_t shade(const std::array<double, 3>& n) {
  constexpr double lx = -0.3, ly = 0.5, lz = 0.812403840463596;  // unit length
  double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  double d = len > 0 ? std::fabs(n[0] * lx + n[1] * ly + n[2] * lz) / len : 0;
  auto level = static_cast<std::uint32_t>(std::lround(std::clamp(d, 0.0, 1.0) * 255));
  auto channel = [level](std::uint32_t base) { return (base * (80 + 175 * level / 255)) / 255; };
  return display::rgb(static_cast<std::uint8_t>(channel(176)), static_cast<std::uint8_t>(channel(196)),
                      static_cast<std::uint8_t>(channel(222)));
}

std::int64_t edgeFn(const ScreenPoint& a, const ScreenPoint& b, std::int64_t px, std::int64_t py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

class Raster {
 public:
  explicit Raster(display::Surface& s) : s_(s), depth_(static_cast<std::size_t>(s.width()) * s.height(), -1) {}

  void triangle(ScreenPoint a, ScreenPoint b, ScreenPoint c, std::uint32_t color) {
    std::int64_t area = edgeFn(a, b, c.x, c.y);
    if (area == 0) return;
    if (area < 0) {
      std::swap(b, c);
      area = -area;
    }
    std::int64_t minX = std::max<std::int64_t>(0, (std::min({a.x, b.x, c.x})) >> kSubBits);
    std::int64_t maxX = std::min<std::int64_t>(s_.width() - 1, (std::max({a.x, b.x, c.x})) >> kSubBits);
    std::int64_t minY = std::max<std::int64_t>(0, (std::min({a.y, b.y, c.y})) >> kSubBits);
    std::int64_t maxY = std::min<std::int64_t>(s_.height() - 1, (std::max({a.y, b.y, c.y})) >> kSubBits);
    if (minX > maxX || minY > maxY) return;
    // Samples at pixel centres; each edge function steps by a constant per pixel.
    std::int64_t px0 = minX * kSub + kSub / 2, py = minY * kSub + kSub / 2;
    std::int64_t w0Row = edgeFn(b, c, px0, py), w1Row = edgeFn(c, a, px0, py), w2Row = edgeFn(a, b, px0, py);
    std::int64_t d0x = -(c.y - b.y) * kSub, d1x = -(a.y - c.y) * kSub, d2x = -(b.y - a.y) * kSub;
    std::int64_t d0y = (c.x - b.x) * kSub, d1y = (a.x - c.x) * kSub, d2y = (b.x - a.x) * kSub;
    for (std::int64_t y = minY; y <= maxY; ++y) {
      std::int64_t w0 = w0Row, w1 = w1Row, w2 = w2Row;
      std::uint32_t* row = s_.row(static_cast<int>(y));
      std::int32_t* zrow = depth_.data() + y * s_.width();
      for (std::int64_t x = minX; x <= maxX; ++x) {
        if ((w0 | w1 | w2) >= 0) {
          __int128 num = static_cast<__int128>(w0) * a.z + static_cast<__int128>(w1) * b.z + static_cast<__int128>(w2) * c.z;
          auto z = static_cast<std::int32_t>(num / area);
          if (z > zrow[x]) {
            zrow[x] = z;
            row[x] = color;
          }
        }
        w0 += d0x;
        w1 += d1x;
        w2 += d2x;
      }
      w0Row += d0y;
      w1Row += d1y;
      w2Row += d2y;
    }
  }

  // A black line through pixel centres (Bresenham), shown where it is not
  // behind a face by more than the slack.
  void line(const ScreenPoint& a, const ScreenPoint& b) {
    std::int64_t x0 = a.x >> kSubBits, y0 = a.y >> kSubBits, x1 = b.x >> kSubBits, y1 = b.y >> kSubBits;
    std::int64_t dx = std::llabs(x1 - x0), dy = -std::llabs(y1 - y0);
    std::int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    std::int64_t steps = std::max(dx, -dy), err = dx + dy;
    if (steps > 4 * (static_cast<std::int64_t>(s_.width()) + s_.height())) return;  // off the picture
    for (std::int64_t i = 0;; ++i) {
      if (x0 >= 0 && y0 >= 0 && x0 < s_.width() && y0 < s_.height()) {
        std::int64_t z = steps ? a.z + (b.z - a.z) * i / steps : a.z;
        std::size_t at = static_cast<std::size_t>(y0) * s_.width() + static_cast<std::size_t>(x0);
        if (z + kEdgeDepthSlack >= depth_[at]) s_.row(static_cast<int>(y0))[x0] = 0;
      }
      if (x0 == x1 && y0 == y1) break;
      std::int64_t e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }

 private:
  display::Surface& s_;
  std::vector<std::int32_t> depth_;
};

}  // namespace

void render(display::Surface& surface, const Mesh& mesh, std::uint32_t background) {
  surface.fill(background);
  if (surface.empty()) return;
  Camera camera(mesh, surface.width(), surface.height());
  if (camera.empty()) return;
  std::vector<ScreenPoint> points(mesh.vertices.size() / 3);
  for (std::size_t i = 0; i < points.size(); ++i) points[i] = camera.screen(&mesh.vertices[3 * i]);
  Raster raster(surface);
  std::size_t vertexCount = points.size();
  for (std::size_t t = 0; t + 2 < mesh.triangles.size(); t += 3) {
    std::uint32_t i = mesh.triangles[t], j = mesh.triangles[t + 1], k = mesh.triangles[t + 2];
    if (i >= vertexCount || j >= vertexCount || k >= vertexCount) continue;
    auto p = Camera::view(&mesh.vertices[3 * i]), q = Camera::view(&mesh.vertices[3 * j]),
         r = Camera::view(&mesh.vertices[3 * k]);
    std::array<double, 3> u{q[0] - p[0], q[1] - p[1], q[2] - p[2]}, v{r[0] - p[0], r[1] - p[1], r[2] - p[2]};
    std::array<double, 3> n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    raster.triangle(points[i], points[j], points[k], shade(n));
  }
  for (const auto& e : mesh.edges) {
    if (e.size() < 6) continue;
    ScreenPoint prev = camera.screen(&e[0]);
    for (std::size_t i = 3; i + 2 < e.size(); i += 3) {
      ScreenPoint next = camera.screen(&e[i]);
      raster.line(prev, next);
      prev = next;
    }
  }
}

void drawProjection(display::Surface& surface, const Projection& segments, int left, int top, int right, int bottom) {
  if (segments.size() < 4 || right <= left || bottom <= top) return;
  float inf = std::numeric_limits<float>::infinity();
  float x0 = inf, y0 = inf, x1 = -inf, y1 = -inf;
  for (std::size_t i = 0; i + 1 < segments.size(); i += 2) {
    x0 = std::min(x0, segments[i]);
    x1 = std::max(x1, segments[i]);
    y0 = std::min(y0, segments[i + 1]);
    y1 = std::max(y1, segments[i + 1]);
  }
  double margin = std::max(1, std::min(right - left, bottom - top) / 20);
  double w = std::max(1.0, right - left - 2 * margin), h = std::max(1.0, bottom - top - 2 * margin);
  double dx = x1 - x0, dy = y1 - y0;
  double scale = std::min(dx > 0 ? w / dx : 1e300, dy > 0 ? h / dy : 1e300);
  if (!std::isfinite(scale) || scale <= 0 || scale > 1e12) scale = 1;
  double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0;
  double mx = (left + right) / 2.0, my = (top + bottom) / 2.0;
  auto px = [&](float x) { return static_cast<int>(std::lround(std::clamp(mx + (x - cx) * scale, -1e6, 1e6))); };
  auto py = [&](float y) { return static_cast<int>(std::lround(std::clamp(my - (y - cy) * scale, -1e6, 1e6))); };
  for (std::size_t i = 0; i + 3 < segments.size(); i += 4) {
    int ax = px(segments[i]), ay = py(segments[i + 1]), bx = px(segments[i + 2]), by = py(segments[i + 3]);
    int ddx = std::abs(bx - ax), ddy = -std::abs(by - ay), sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    int err = ddx + ddy;
    for (;;) {
      if (ax >= left && ax <= right && ay >= top && ay <= bottom) surface.setPixel(ax, ay, 0);
      if (ax == bx && ay == by) break;
      int e2 = 2 * err;
      if (e2 >= ddy) {
        err += ddy;
        ax += sx;
      }
      if (e2 <= ddx) {
        err += ddx;
        ay += sy;
      }
    }
  }
}

}  // namespace rc::sim::host::geometry
