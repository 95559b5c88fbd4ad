// ravelcrest imgdiff BASELINE NEW DIFF [--tol N]: the pixel comparison of
// clsBitmap on two image files. Writes the difference image (a 24-bit BMP
// the size of the larger image in each direction), prints the counters, and
// exits 0 within the tolerance, 1 beyond it, 2 when a file cannot be read.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <string>

#include "Core/imaging/clsBitmap.h"
#include "platform/automation/Error.h"
#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "platform/os/Files.h"
#include "tools/Command.h"

namespace rc::tools {

namespace {

struct ImgdiffArgs {
  std::string baseline;
  std::string newImage;
  std::string diff;
  std::int32_t tol = 0;
};

// The image of a BMP file in a clsBitmap, or nullptr when it cannot be read.
std::unique_ptr<core::clsBitmap> loadBitmap(const std::string& path) {
  const display::Handle bitmap = display::loadImage(path);
  if (bitmap == 0) return nullptr;
  auto image = std::make_unique<core::clsBitmap>();
  image->SetBitmap(static_cast<std::int32_t>(bitmap));
  return image;
}

void runImgdiff(const ImgdiffArgs& args, CommandContext& context) {
  auto baseline = loadBitmap(args.baseline);
  auto fresh = loadBitmap(args.newImage);
  if (!baseline || !fresh) {
    context.err << "ravelcrest: cannot read " << (baseline ? args.newImage : args.baseline)
                << " as a BMP image\n";
    context.exitCode = 2;
    return;
  }
  const std::int32_t width = std::max(baseline->Width(), fresh->Width());
  const std::int32_t height = std::max(baseline->Height(), fresh->Height());
  core::clsBitmap diff;
  diff.SetBitmap(static_cast<std::int32_t>(display::createCompatibleBitmap(0, width, height)));
  const core::clsBitmap::Comparison result = diff.paintComparison(*fresh, *baseline, args.tol);
  const std::string picture = display::encodeBmp24(display::bitmapPixels(static_cast<display::Handle>(diff.BMPSource)));
  try {
    platform::writeFile(args.diff, picture);
  } catch (const automation::AutomationError& e) {
    context.err << "ravelcrest: cannot write " << args.diff << ": " << e.description() << "\n";
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
  CLI::App* cmd = app.add_subcommand("imgdiff", "Compare two BMP images pixel by pixel and write the difference image.");
  cmd->add_option("BASELINE", args->baseline, "Baseline image (BMP)")->required();
  cmd->add_option("NEW", args->newImage, "New image (BMP)")->required();
  cmd->add_option("DIFF", args->diff, "Difference image to write (24-bit BMP)")->required();
  cmd->add_option("--tol", args->tol, "Differing pixels, and pixels of size change in each direction, accepted")
      ->check(CLI::Range(0, 32767));
  cmd->callback([args, &context] { runImgdiff(*args, context); });
}

}  // namespace rc::tools
