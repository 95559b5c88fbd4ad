#include "sim/host/Pictures.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "sim/host/Document.h"
#include "sim/host/geometry/GeometryDocument.h"
#include "sim/host/geometry/Renderer.h"

namespace rc::sim::host::pictures {

using display::rgb;
using display::Surface;

void paintView(Surface& surface, Document* doc) {
  if (doc && doc->geometry()) {
    std::uint32_t background = rgb(255, 255, 255);
    if (const auto& v = doc->model().view) background = rgb(v->background[0], v->background[1], v->background[2]);
    geometry::render(surface, doc->geometry()->shape().mesh, background);
    return;
  }
  if (!doc || !doc->model().view) {
    surface.fill(doc ? rgb(255, 255, 255) : kNoDocumentGrey);
    return;
  }
  const ViewPicture& view = *doc->model().view;
  surface.fill(rgb(view.background[0], view.background[1], view.background[2]));
  if (const Surface* image = doc->viewImage()) surface.draw(*image, 0, 0);
  for (const ViewRect& r : view.rects) surface.fillRect(r.x, r.y, r.w, r.h, rgb(r.color[0], r.color[1], r.color[2]));
}

namespace {

// Nearest-neighbour scaling of `src` to width x height.
Surface scaled(const Surface& src, int width, int height) {
  Surface out(width, height);
  if (src.empty()) return out;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x)
      out.setPixel(x, y, src.pixel(static_cast<int>(static_cast<long long>(x) * src.width() / out.width()),
                                   static_cast<int>(static_cast<long long>(y) * src.height() / out.height())));
  return out;
}

}  // namespace

Surface sheetPicture(Document& doc, int width, int height) {
  if (doc.type() != DocType::Drawing) {
    Surface view(1024, 768);
    paintView(view, &doc);
    return scaled(view, width, height);
  }
  Surface out(width, height, rgb(255, 255, 255));
  Sheet* sheet = doc.editor().currentSheet();
  if (!sheet || sheet->views.empty()) return out;
  // The sheet's own view gives the extent; a degenerate one falls back to
  // the box around every view.
  auto o = sheet->views.front().outline;
  double left = std::min(o[0], o[2]), right = std::max(o[0], o[2]);
  double bottom = std::min(o[1], o[3]), top = std::max(o[1], o[3]);
  if (!(right - left > 0) || !(top - bottom > 0)) {
    left = bottom = 0;
    right = top = 1e-9;
    for (const DrawingView& v : sheet->views) {
      left = std::min({left, v.outline[0], v.outline[2]});
      right = std::max({right, v.outline[0], v.outline[2]});
      bottom = std::min({bottom, v.outline[1], v.outline[3]});
      top = std::max({top, v.outline[1], v.outline[3]});
    }
  }
  auto px = [&](double x) {
    double v = (x - left) / (right - left) * (out.width() - 1);
    return static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6)));
  };
  auto py = [&](double y) {
    double v = (top - y) / (top - bottom) * (out.height() - 1);
    return static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6)));
  };
  for (std::size_t i = 1; i < sheet->views.size(); ++i) {
    const auto& v = sheet->views[i].outline;
    if (auto model = geometry::viewModel(sheet->views[i])) {
      if (const auto* segments = doc.projection(model->first, model->second)) {
        geometry::drawProjection(out, *segments, std::min(px(v[0]), px(v[2])), std::min(py(v[1]), py(v[3])),
                                 std::max(px(v[0]), px(v[2])), std::max(py(v[1]), py(v[3])));
        continue;
      }
    }
    out.frameRect(px(v[0]), py(v[3]), px(v[2]), py(v[1]), rgb(0, 0, 0));
  }
  return out;
}

}  // namespace rc::sim::host::pictures
