// ravelcrest imgdiff BASELINE NEW DIFF [--tol N]: the pixel comparison of
// clsBitmap on two image files (BMP, GIF or CBF, told by their content).
// Writes the difference image the size of the larger image in each
// direction (GIF or CBF when DIFF ends so, else a 24-bit BMP), prints the
// counters, and exits 0 within the tolerance, 1 beyond it, 2 when a file
// cannot be read or written.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <span>
#include <memory>
#include <string>

#include "Core/imaging/clsBitmap.h"
#include "platform/automation/Error.h"
#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "platform/os/Files.h"
#include "platform/os/OutputFiles.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/PictureDecoding.h"
#include "tools/Command.h"

namespace rc::tools {

namespace {

struct ImgdiffArgs {
  std::string baseline;
  std::string newImage;
  std::string diff;
  std::int32_t tol = 0;
};

// The image of a BMP, GIF or CBF file in a clsBitmap, or nullptr with the
// reason in `why` when it cannot be read.
std::unique_ptr<core::clsBitmap> loadBitmap(const std::string& path, std::string& why) {
  std::string data;
  try {
    if (platform::fileLength(path) > display::kMaxBmpFileBytes) {
      why = "the file is too large";
      return nullptr;
    }
    data = platform::readFile(path);
  } catch (const automation::AutomationError& e) {
    why = e.description();
    return nullptr;
  }
  std::optional<display::Surface> picture =
      sim::converters::decodePicture(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), &why);
  if (!picture) return nullptr;
  auto image = std::make_unique<core::clsBitmap>();
  image->SetBitmap(static_cast<std::int32_t>(display::createBitmap(std::move(*picture))));
  return image;
}

// The file content of the difference picture, in the format DIFF's name asks for.
std::string encodeDifference(const display::Surface& picture, const std::string& path) {
  std::string tail = path.substr(path.size() < 4 ? 0 : path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (tail == ".gif") return sim::converters::encodeGif(picture);
  if (tail == ".cbf") return sim::converters::packCbf(display::encodeBmp24(picture));
  return display::encodeBmp24(picture);
}

// Whether `a` and `b` name one file: the same path, or links to one file.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::absolute(a, ec).lexically_normal() == std::filesystem::absolute(b, ec).lexically_normal())
    return true;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

void runImgdiff(const ImgdiffArgs& args, CommandContext& context) {
  // The difference image would replace an input before anyone saw it.
  for (const auto& [input, role] : {std::pair{&args.baseline, "BASELINE"}, std::pair{&args.newImage, "NEW"}})
    if (sameFile(args.diff, *input))
      throw UsageError("imgdiff: the difference image " + args.diff + " is the " + role +
                       " image; name another file for DIFF");
  std::string why;
  auto baseline = loadBitmap(args.baseline, why);
  auto fresh = baseline ? loadBitmap(args.newImage, why) : nullptr;
  if (!baseline || !fresh) {
    context.err << "ravelcrest: cannot read " << (baseline ? args.newImage : args.baseline) << " as an image: " << why
                << "\n";
    context.exitCode = 2;
    return;
  }
  const std::int32_t width = std::max(baseline->Width(), fresh->Width());
  const std::int32_t height = std::max(baseline->Height(), fresh->Height());
  core::clsBitmap diff;
  diff.SetBitmap(static_cast<std::int32_t>(display::createCompatibleBitmap(0, width, height)));
  const core::clsBitmap::Comparison result = diff.paintComparison(*fresh, *baseline, args.tol);
  const display::Surface picture = display::bitmapPixels(static_cast<display::Handle>(diff.BMPSource));
  try {
    platform::output::replaceFile(args.diff, encodeDifference(picture, args.diff));
  } catch (const automation::AutomationError& e) {
    context.err << "ravelcrest: cannot write " << args.diff << ": " << e.description() << "\n";
    context.exitCode = 2;
    return;
  } catch (const std::exception& e) {
    context.err << "ravelcrest: cannot write " << args.diff << ": " << e.what() << "\n";
    context.exitCode = 2;
    return;
  }

  context.out << "unmatched pixels: " << result.counts.unmatched << "\n"
              << "colour-change pixels: " << result.counts.colourChange << "\n";
  if (fresh->Width() != baseline->Width() || fresh->Height() != baseline->Height())
    context.out << "size change: x " << fresh->Width() - baseline->Width() << ", y "
                << fresh->Height() - baseline->Height() << "\n";
  context.out << (result.verdict.warning ? "beyond" : "within") << " tolerance " << args.tol << "\n";
  context.exitCode = result.verdict.warning ? 1 : 0;
}

}  // namespace

void addImgdiffCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ImgdiffArgs>();
  CLI::App* cmd = app.add_subcommand("imgdiff", "Compare two images (BMP, GIF or CBF) pixel by pixel and write the difference image.");
  cmd->add_option("BASELINE", args->baseline, "Baseline image (BMP, GIF or CBF)")->required();
  cmd->add_option("NEW", args->newImage, "New image (BMP, GIF or CBF)")->required();
  cmd->add_option("DIFF", args->diff, "Difference image to write (GIF or CBF by its extension, else a 24-bit BMP)")->required();
  cmd->add_option("--tol", args->tol, "Differing pixels, and pixels of size change in each direction, accepted")
      ->check(CLI::Range(0, 32767));
  cmd->callback([args, &context] { runImgdiff(*args, context); });
}

}  // namespace rc::tools
