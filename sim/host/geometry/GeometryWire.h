// The bytes in which a geometry reader hands its answer to the host: a
// reading runs in a process of its own and sends one message back. The
// message is read with every length checked against what is left, so a
// reader that died half way through gives a refusal, never a bad read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sim/host/geometry/GeometryData.h"

namespace rc::sim::host::geometry::wire {

// A refusal of the file, with the kernel's reason.
struct Refusal {
  std::string reason;
};

using Answer = std::variant<Refusal, Content, Projection>;

std::string encode(const Refusal& r);
std::string encode(const Content& c);
std::string encode(const Projection& p);

// The answer in `bytes`, or nullopt when they are not a whole message.
std::optional<Answer> decode(std::string_view bytes);

}  // namespace rc::sim::host::geometry::wire
