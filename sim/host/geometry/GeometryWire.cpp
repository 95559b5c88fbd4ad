#include "sim/host/geometry/GeometryWire.h"

#include <cstring>
#include <type_traits>

namespace rc::sim::host::geometry::wire {

namespace {

constexpr std::string_view kMagic = "RCG1";
enum Kind : std::uint8_t { kRefusal = 0, kContent = 1, kProjection = 2 };

class Out {
 public:
  explicit Out(Kind k) {
    bytes_.append(kMagic);
    put<std::uint8_t>(k);
  }
  template <typename T>
  void put(T v) {
    static_assert(std::is_trivially_copyable_v<T>);
    bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  template <typename T>
  void array(const std::vector<T>& v) {
    put<std::uint64_t>(v.size());
    bytes_.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
  }
  void text(std::string_view s) {
    put<std::uint64_t>(s.size());
    bytes_.append(s);
  }
  void shape(const Shape& s) {
    put<std::uint64_t>(s.faces.size());
    for (const FaceStats& f : s.faces) {
      put(f.edges);
      put(f.triangles);
    }
    for (double m : s.mass) put(m);
    put<std::uint8_t>(s.hasSolid ? 1 : 0);
    array(s.mesh.vertices);
    array(s.mesh.triangles);
    put<std::uint64_t>(s.mesh.edges.size());
    for (const auto& e : s.mesh.edges) array(e);
  }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class In {
 public:
  explicit In(std::string_view b) : rest_(b) {}
  bool ok() const { return ok_; }
  bool done() const { return ok_ && rest_.empty(); }

  template <typename T>
  T get() {
    T v{};
    if (!ok_ || rest_.size() < sizeof v) {
      ok_ = false;
      return v;
    }
    std::memcpy(&v, rest_.data(), sizeof v);
    rest_.remove_prefix(sizeof v);
    return v;
  }
  // A count of items of `itemSize` bytes each that the rest can hold.
  std::size_t count(std::size_t itemSize) {
    auto n = get<std::uint64_t>();
    if (!ok_ || n > rest_.size() / (itemSize ? itemSize : 1)) {
      ok_ = false;
      return 0;
    }
    return static_cast<std::size_t>(n);
  }
  template <typename T>
  std::vector<T> array() {
    std::size_t n = count(sizeof(T));
    std::vector<T> v(n);
    if (n) std::memcpy(v.data(), rest_.data(), n * sizeof(T));
    rest_.remove_prefix(n * sizeof(T));
    return v;
  }
  std::string text() {
    std::size_t n = count(1);
    std::string s(rest_.substr(0, n));
    rest_.remove_prefix(n);
    return s;
  }
  Shape shape() {
    Shape s;
    s.faces.resize(count(2 * sizeof(std::int32_t)));
    for (FaceStats& f : s.faces) {
      f.edges = get<std::int32_t>();
      f.triangles = get<std::int32_t>();
    }
    for (double& m : s.mass) m = get<double>();
    s.hasSolid = get<std::uint8_t>() != 0;
    s.mesh.vertices = array<float>();
    s.mesh.triangles = array<std::uint32_t>();
    s.mesh.edges.resize(count(sizeof(std::uint64_t)));
    for (auto& e : s.mesh.edges) e = array<float>();
    // Every index must name a vertex: the renderer trusts them.
    std::size_t vertexCount = s.mesh.vertices.size() / 3;
    if (s.mesh.vertices.size() % 3 != 0 || s.mesh.triangles.size() % 3 != 0) ok_ = false;
    for (std::uint32_t i : s.mesh.triangles)
      if (i >= vertexCount) ok_ = false;
    for (const auto& e : s.mesh.edges)
      if (e.size() % 3 != 0) ok_ = false;
    return s;
  }

 private:
  std::string_view rest_;
  bool ok_ = true;
};

}  // namespace

std::string encode(const Refusal& r) {
  Out o(kRefusal);
  o.text(r.reason);
  return o.take();
}

std::string encode(const Content& c) {
  Out o(kContent);
  o.put<std::uint8_t>(c.assembly ? 1 : 0);
  o.shape(c.whole);
  o.put<std::uint64_t>(c.components.size());
  for (const Part& p : c.components) {
    o.text(p.name);
    o.shape(p.shape);
  }
  return o.take();
}

std::string encode(const Projection& p) {
  Out o(kProjection);
  o.array(p);
  return o.take();
}

std::optional<Answer> decode(std::string_view bytes) {
  if (bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
  In in(bytes.substr(kMagic.size()));
  Answer answer;
  switch (in.get<std::uint8_t>()) {
    case kRefusal:
      answer = Refusal{in.text()};
      break;
    case kContent: {
      Content c;
      c.assembly = in.get<std::uint8_t>() != 0;
      c.whole = in.shape();
      c.components.resize(in.count(sizeof(std::uint64_t)));
      for (Part& p : c.components) {
        p.name = in.text();
        p.shape = in.shape();
      }
      answer = std::move(c);
      break;
    }
    case kProjection:
      answer = in.array<float>();
      if (std::get<Projection>(answer).size() % 4 != 0) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }
  if (!in.done()) return std::nullopt;
  return answer;
}

}  // namespace rc::sim::host::geometry::wire
