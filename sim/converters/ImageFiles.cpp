#include "sim/converters/ImageFiles.h"

#include <optional>
#include <span>

#include "platform/automation/Error.h"
#include "platform/display/Bmp.h"
#include "platform/os/FileBytes.h"
#include "platform/os/Files.h"
#include "platform/os/OutputFiles.h"
#include "sim/converters/PictureDecoding.h"

namespace rc::sim::converters {

namespace au = rc::automation;

namespace {

// Runs `body`; a run-time error comes out with the file named in its description.
template <typename Body>
auto namingFile(std::string_view path, std::string_view source, Body&& body) {
  try {
    return body();
  } catch (const au::AutomationError& e) {
    au::raise(e.number(), e.description() + ": " + std::string(path), std::string(source));
  }
}

}  // namespace

void raiseBadFile(int number, std::string_view what, std::string_view path, std::string_view reason,
                  std::string_view source) {
  au::raise(number, std::string(what) + ": " + std::string(path) + " (" + std::string(reason) + ")",
            std::string(source));
}

std::string readInput(std::string_view path, std::int64_t limit, std::string_view source) {
  const std::int64_t length = namingFile(path, source, [&] { return platform::fileLength(path); });
  if (length > limit) raiseBadFile(kInvalidFileFormat, "Invalid file format", path, "the file is too large", source);
  return namingFile(path, source, [&] { return platform::readFile(path); });
}

display::Surface readPicture(std::string_view path, std::string_view source, int number) {
  // A BMP file is decoded as it is read; any other is read with one read
  // into a buffer made for it, dropped once decoded.
  std::string why;
  bool tooLarge = false;
  std::optional<display::Surface> image =
      namingFile(path, source, [&] { return readPictureFile(path, false, &why, &tooLarge); });
  if (!image) {
    if (tooLarge) raiseBadFile(kInvalidFileFormat, "Invalid file format", path, why, source);
    raiseBadFile(number, number == kInvalidPicture ? "Invalid picture" : "Invalid file format", path, why, source);
  }
  return std::move(*image);
}

void writeOutput(std::string_view path, std::string_view data, std::string_view source) {
  namingFile(path, source, [&] { platform::output::replaceFile(path, data); });
}

void writeOutputFrom(std::string_view path, const platform::output::BlockProducer& produce, std::string_view source) {
  namingFile(path, source, [&] { platform::output::replaceFileFrom(path, produce); });
}

}  // namespace rc::sim::converters
