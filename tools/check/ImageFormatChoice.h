// The format of an image baseline the run is about to create, chosen so the
// baseline holds the capture exactly: with --image-format auto (the
// default) a picture of at most 256 colours gets a GIF, any other a CBF; an
// existing baseline keeps its format. --image-format gif on a richer
// picture still makes a GIF, and the row warns about the loss.
#pragma once

#include <cstddef>
#include <string>

#include "platform/display/Surface.h"
#include "tools/check/CheckCatalog.h"

namespace rc::tools {

// The colours a GIF can hold.
inline constexpr std::size_t kGifColours = 256;

// The distinct colours of `image`, counted up to `limit` (then `limit`).
std::size_t distinctColours(const display::Surface& image, std::size_t limit = kGifColours + 1);

struct FormatChoice {
  std::string format;        // "gif" or "cbf"
  std::string note;          // what the row says when it creates the baseline
  bool lossy = false;        // a GIF that cannot hold the picture
};

// The format for the baseline image of `what` ("view", "sheet2") under
// `requested` ("auto", "gif", "cbf"). `colours` is asked only when no
// baseline exists yet.
template <typename Colours>
FormatChoice chooseImageFormat(const CheckEnv& env, const std::string& what, const std::string& requested,
                               Colours colours);

// The colours of the host's view as TestBitmapCompare captures it (the last
// child of the top-level window), counted up to kGifColours + 1; 0 when it
// cannot be captured.
std::size_t viewColours(const CheckEnv& env);

// The colours of the BMP file `path` (a saved sheet), as above.
std::size_t fileColours(const std::string& path);

// The baseline image's file name of `what` in `format`.
std::string imageBaselineName(const CheckEnv& env, const std::string& what, const std::string& format);

// Whether a baseline image of `what` exists in `format`.
bool imageBaselineExists(const CheckEnv& env, const std::string& what, const std::string& format);

template <typename Colours>
FormatChoice chooseImageFormat(const CheckEnv& env, const std::string& what, const std::string& requested,
                               Colours colours) {
  if (requested == "auto") {
    for (const char* f : {"gif", "cbf"})
      if (imageBaselineExists(env, what, f)) return {f, "", false};
  } else if (imageBaselineExists(env, what, requested)) {
    return {requested, "", false};
  }
  const std::size_t n = colours();
  const std::string counted = n > kGifColours ? "more than 256 colours" : std::to_string(n) + " colours";
  if (requested == "cbf") return {"cbf", "CBF baseline (" + counted + ")", false};
  if (requested == "gif" && n > kGifColours)
    return {"gif", "GIF baseline of a picture of " + counted + ": the GIF loses colours, so later runs of an "
                   "unchanged model may warn (--image-format auto or cbf keeps it exactly)", true};
  if (n > kGifColours) return {"cbf", "CBF baseline (" + counted + ", more than a GIF holds)", false};
  return {"gif", "GIF baseline (" + counted + ")", false};
}

}  // namespace rc::tools
