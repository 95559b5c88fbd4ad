#include "tools/check/ImageChecks.h"

#include <sys/stat.h>

#include <filesystem>
#include <span>
#include <system_error>

#include "Core/frame/JournalWriters.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/display/Bmp.h"
#include "platform/display/Windows.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/converters/PictureDecoding.h"
#include "platform/os/OutputFiles.h"
#include "sim/converters/PngCodec.h"
#include "tools/check/BaselineCandidates.h"
#include "tools/images/ImageWorkFolder.h"

namespace rc::tools {

namespace au = rc::automation;
using au::Variant;

namespace {

// A sheet's row: "TestBitmapCompare(sheet1)".
constexpr std::string_view kSheetRowPrefix = "TestBitmapCompare(";

// TestBitmapCompare's capture modes.
constexpr std::int16_t kLastTopChild = 1;
constexpr std::int16_t kFromWorkFile = 3;

// "bracket.vxlprt" -> "bracket-vxlprt": the document's name with its
// extension folded in.
std::string foldedName(const std::string& nameOnly) {
  std::string name = nameOnly;
  if (std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name[dot] = '-';
  return name;
}

// The baseline image of `what` ("view", "sheet2", ...), relative to the
// document's folder: the view's carries the document's name alone.
std::string baselineName(const CheckEnv& env, const std::string& what) {
  return foldedName(env.nameOnly) + (what == "view" ? "" : "-" + what) + "." + env.imageFormat;
}

std::string inImages(const CheckEnv& env, const std::string& name) { return platform::joinPath(env.imagesFolder, name); }

// The difference file of `what` in the results folder; the library's work
// file is the same name ending in "bmp".
std::string differenceFile(const CheckEnv& env, const std::string& what) {
  return inImages(env, what + "-diff." + env.imageFormat);
}

// The folder the library does the work of an image check in (see
// ImageWorkFolder.h), emptied for the check: the images folder when there
// is no other.
std::string startWork(const CheckEnv& env) {
  ImageWorkFolder* work = ImageWorkFolder::current();
  return work != nullptr ? work->startCheck(env.imagesFolder) : env.imagesFolder;
}

// The difference file handed to the library, in the work folder `work`;
// its work file is the same name ending in "bmp".
std::string workDifferenceFile(const CheckEnv& env, const std::string& work, const std::string& what) {
  return platform::joinPath(work, what + "-diff." + env.imageFormat);
}

// Moves the difference image the library wrote in `work` to the images
// folder (nothing when the work was done there).
void settleWork(const CheckEnv& env, const std::string& work, const std::string& what) {
  if (work != env.imagesFolder) moveWorkFile(workDifferenceFile(env, work, what), differenceFile(env, what));
}

std::string newImageFile(const CheckEnv& env, const std::string& what, const char* extension) {
  return inImages(env, what + "-new." + extension);
}

// `path` relative to the results folder when it lies in it.
std::string underResults(const CheckEnv& env, const std::string& path) {
  const std::string prefix = env.results + "/";
  return path.starts_with(prefix) ? path.substr(prefix.size()) : path;
}

// The text of a pixel-compare block for a row's note: its counts joined,
// tags taken out, runs of spaces folded to one ("Unmatched Pix: 12 ColorChange Pix: 3").
std::string pixelCountsText(const core::JournalBlock& block) {
  const std::string separator(core::journal::kPixelSeparator);
  std::string text;
  bool inTag = false;
  for (char c : block.Diff + separator + block.Units + separator + block.Extra) {
    if (c == '<') inTag = true;
    else if (c == '>') inTag = false;
    else if (!inTag && (c != ' ' || (!text.empty() && text.back() != ' '))) text += c;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Completes an image check's row: the images it shows (baseline, new,
// difference) and, when it warned, the pixel counts of its journal block.
void describeImageRow(const CheckEnv& env, const std::string& what, const std::vector<std::string>& journal,
                      CheckRow& row) {
  const std::string baseline = platform::joinPath(env.folder, baselineName(env, what));
  if (platform::fileExists(baseline)) row.images.baseline = baseline;
  for (const char* extension : {env.imageFormat.c_str(), "bmp"}) {
    const std::string fresh = newImageFile(env, what, extension);
    if (row.images.fresh.empty() && platform::fileExists(fresh)) row.images.fresh = underResults(env, fresh);
  }
  const std::string diff = differenceFile(env, what);
  if (platform::fileExists(diff)) row.images.difference = underResults(env, diff);
  // The counts of a comparison that differed; a created baseline's block
  // ("BaseLine Created") has none.
  for (const core::JournalBlock& block : core::parseJournalBlocks(journal)) {
    if (block.Name.find(core::journal::kPixelCompare) == std::string::npos) continue;
    if (block.Diff == core::journal::kBaseLineCreated) continue;
    const std::string counts = pixelCountsText(block);
    if (counts.empty()) continue;
    if (!row.detail.empty()) row.detail += "; ";
    row.detail += counts;
    // What `baseline accept` would replace, and with what.
    row.baseValue = baselineName(env, what);
    row.newValue = std::string(platform::fileName(row.images.fresh));
  }
}

// The picture of the image file `path`; nullopt with the reason in `why`.
std::optional<display::Surface> pictureOf(const std::string& path, std::string& why) {
  try {
    if (platform::fileLength(path) > display::kMaxBmpFileBytes) {
      why = "the file is too large";
      return std::nullopt;
    }
    const std::string data = platform::readFile(path);
    return sim::converters::decodeImageFile(
        std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), &why);
  } catch (const au::AutomationError& e) {
    why = e.description();
    return std::nullopt;
  }
}

// The tool's own look at a warned image check: the differing regions and the
// difference image for people (<what>-diff-human.png), and under the
// tolerant options (or a mask image beside the baseline, NAME.mask.png)
// whether the images agree after all. The library's counters stay in the
// row's message beside the tolerant ones.
bool lookAgain(const CheckEnv& env, const std::string& what, CheckRow& row) {
  const std::string baselineFile = platform::joinPath(env.folder, baselineName(env, what));
  if (row.images.fresh.empty() || !platform::fileExists(baselineFile)) return false;
  const std::string freshFile =
      row.images.fresh.starts_with("/") ? row.images.fresh : platform::joinPath(env.results, row.images.fresh);
  std::string why;
  std::optional<display::Surface> baseline = pictureOf(baselineFile, why);
  std::optional<display::Surface> fresh = baseline ? pictureOf(freshFile, why) : std::nullopt;
  if (!baseline || !fresh) return false;  // the library's verdict stands
  ImageDiffOptions options = env.imageDiff;
  if (env.imageTolerance > 0) options.maxDiffPixels = env.imageTolerance;
  const std::string maskName = foldedName(env.nameOnly) + (what == "view" ? "" : "-" + what) + ".mask.png";
  const std::string maskFile = platform::joinPath(env.folder, maskName);
  if (platform::fileExists(maskFile)) {
    options.maskImage = pictureOf(maskFile, why);
    if (!options.maskImage) throw std::runtime_error("cannot read the mask image " + maskFile + ": " + why);
    options.maskImageName = maskName;
  }
  display::Surface human;
  const ImageDiffResult result = compareImages(*baseline, *fresh, options, &human);
  const std::string humanFile = inImages(env, what + "-diff-human.png");
  platform::output::replaceFile(humanFile, sim::converters::encodePng(human));
  row.images.human = underResults(env, humanFile);
  row.images.regions = result.regions;
  row.images.width = human.width();
  row.images.height = human.height();
  if (!options.tolerant()) return false;
  row.images.comparison = options.describe();
  const std::string counted = std::to_string(result.differing) + " differing pixels under " + row.images.comparison;
  if (!result.agrees) {
    row.detail += (row.detail.empty() ? "" : "; ") + counted;
    return false;
  }
  row.detail = "agrees: " + counted + (row.detail.empty() ? "" : " (exact: " + row.detail + ")");
  return true;
}

// The host's top-level window: the capture starts from its last child.
Variant frameWindow(const CheckEnv& env) { return au::call(env.host, "SimFrameWindow"); }

// Writes `bitmap` (a clsBitmap with its picture set) to `target` in the
// baseline format, through a work file that is removed afterwards.
void writeImage(const au::ObjectRef& bitmap, const CheckEnv& env, const std::string& target) {
  const std::string work = platform::joinPath(startWork(env), std::string(platform::fileName(target)) + ".work.bmp");
  au::call(bitmap, env.imageFormat == "cbf" ? "CreateCBF" : "CreateGIF", work, target);
  if (platform::fileExists(work)) platform::deleteFile(work);
}

// Writes the view as it is now into the results folder as the "new" image
// (in the baseline's format): what `baseline accept` would make the baseline.
void saveView(const CheckEnv& env, std::int32_t view) {
  display::Rect r;
  if (!display::getWindowRect(static_cast<display::Handle>(view), r)) return;
  au::ObjectRef bitmap = au::createObject("VxlClasses.clsBitmap");
  if (!au::call(bitmap, "SetBitmap", view, r.width(), r.height()).toBool()) return;
  writeImage(bitmap, env, newImageFile(env, "view", env.imageFormat.c_str()));
}

// Copies `file` to `to` (no link at `to` is written through).
void copyFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::remove(to, ec);
  std::filesystem::copy_file(from, to, ec);
  if (ec) throw std::filesystem::filesystem_error("cannot copy the sheet image", from, to, ec);
}

// Gives `to` the content of `from` as a second name of the same file where
// both lie on one file system, a copy elsewhere (no link at `to` is written
// through). For a work file the library only reads and removes: its writers
// replace a file whole and never write into one.
void shareFile(const std::string& from, const std::string& to) {
  // A second name is only tried where it can work: the work folder on a
  // memory-backed file system and the results on a disk take a copy.
  struct stat source {}, target {};
  if (::stat(from.c_str(), &source) == 0 && ::stat(std::string(platform::folderOf(to)).c_str(), &target) == 0 &&
      source.st_dev == target.st_dev) {
    std::error_code ec;
    std::filesystem::remove(to, ec);
    std::filesystem::create_hard_link(from, to, ec);
    if (!ec) return;
  }
  copyFile(from, to);
}

// Why the baseline image of `what` cannot be compared with or created:
// "" when it reads as a picture of the format its name says, or is missing
// and could be written.
std::string unreadableBaseline(const CheckEnv& env, const std::string& what) {
  const std::string file = platform::joinPath(env.folder, baselineName(env, what));
  if (!platform::fileExists(file)) {
    // The check had to create it.
    const std::string why = baselineWriteProblem(file);
    return why.empty() ? "" : "cannot write the baseline " + file + ": " + why;
  }
  std::string why;
  try {
    if (platform::fileLength(file) > display::kMaxBmpFileBytes) {
      why = "the file is too large";
    } else {
      const std::string data = platform::readFile(file);
      // The library reads the baseline by the format its name says.
      const std::string format = env.imageFormat == "cbf" ? "CBF" : "GIF";
      if (!data.empty() && !data.starts_with(format))
        why = "not a " + format + " file";
      else if (sim::converters::decodePicture(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), &why))
        why.clear();
    }
  } catch (const au::AutomationError& e) {
    why = e.description();
  }
  return why.empty() ? "" : "cannot read the baseline image " + file + ": " + why;
}

// The parts of an image check that differ between the view and a sheet.
CheckEntry imageEntry(std::string name, std::string what, std::vector<int> types) {
  CheckEntry e;
  e.name = std::move(name);
  e.member = "TestBitmapCompare";
  e.types = std::move(types);
  e.baselineFileName = [what](const CheckEnv& env) { return baselineName(env, what); };
  e.baselineFiles = [what](const CheckEnv& env) {
    return std::vector<std::string>{platform::joinPath(env.folder, baselineName(env, what))};
  };
  e.writeCandidate = [what](const CheckEnv& env, const std::string& file, const std::string&) {
    const std::string fresh = newImageFile(env, what, env.imageFormat.c_str());
    if (platform::fileExists(fresh)) copyFile(fresh, file);
  };
  e.explainFailure = [what](const CheckEnv& env) { return unreadableBaseline(env, what); };
  e.describe = [what](const CheckEnv& env, const std::vector<std::string>& journal, CheckRow& row) {
    describeImageRow(env, what, journal, row);
  };
  e.tolerates = [what](const CheckEnv& env, CheckRow& row) { return lookAgain(env, what, row); };
  return e;
}

}  // namespace

CheckEntry viewImageCheck() {
  CheckEntry e = imageEntry("TestBitmapCompare", "view", {kPart, kAssembly, kDrawing});
  e.measures = "the host's view, pixel by pixel, against a baseline image";
  e.prepare = [](const CheckEnv& env) { platform::createFolder(env.imagesFolder); };
  e.arguments = [](const CheckEnv& env) {
    return std::vector<Variant>{frameWindow(env), platform::joinPath(env.folder, baselineName(env, "view")),
                                workDifferenceFile(env, startWork(env), "view"), env.imageTolerance, kLastTopChild};
  };
  // The new image is kept when it differs from the baseline (a difference
  // file was written): what the report shows and `baseline accept` takes.
  e.afterCall = [](const CheckEnv& env, const std::vector<Variant>& args) {
    settleWork(env, std::string(platform::folderOf(args[2].toText())), "view");
    if (platform::fileExists(differenceFile(env, "view"))) saveView(env, args[0].toLong());
  };
  return e;
}

CheckEntry sheetImagesCheck() {
  CheckEntry e;
  e.name = "GetBMPInSheets";
  e.member = "GetBMPInSheets";
  e.measures = "each sheet of the drawing, pixel by pixel, against a baseline image per sheet";
  e.types = {kDrawing};
  e.kind = ResultKind::SheetImages;
  return e;
}

std::vector<CheckEntry> sheetImageChecks(const CheckEnv& env) {
  platform::createFolder(env.imagesFolder);
  const std::string prefix = inImages(env, "sheet");
  au::call(env.app, "GetBMPInSheets", prefix);
  std::vector<CheckEntry> entries;
  for (int n = 1; platform::fileExists(prefix + std::to_string(n) + ".BMP"); ++n) {
    const std::string what = "sheet" + std::to_string(n);
    // The host's file is the new image.
    const std::string saved = prefix + std::to_string(n) + ".BMP";
    const std::string fresh = newImageFile(env, what, "bmp");
    std::filesystem::rename(saved, fresh);
    CheckEntry e = imageEntry(std::string(kSheetRowPrefix) + what + ")", what, {kDrawing});
    // The library reads (and removes) a copy of the new image as its work file.
    e.arguments = [what, fresh](const CheckEnv& env) {
      const std::string diff = workDifferenceFile(env, startWork(env), what);
      shareFile(fresh, diff.substr(0, diff.size() - 3) + "bmp");
      return std::vector<Variant>{frameWindow(env), platform::joinPath(env.folder, baselineName(env, what)), diff,
                                  env.imageTolerance, kFromWorkFile};
    };
    e.afterCall = [what](const CheckEnv& env, const std::vector<Variant>& args) {
      settleWork(env, std::string(platform::folderOf(args[2].toText())), what);
    };
    // The candidate of a sheet's baseline is its new image in the baseline's format.
    e.writeCandidate = [fresh](const CheckEnv& env, const std::string& file, const std::string&) {
      au::ObjectRef bitmap = au::createObject("VxlClasses.clsBitmap");
      if (!au::call(bitmap, "SetBitmap", static_cast<std::int32_t>(display::loadImage(fresh))).toBool()) return;
      writeImage(bitmap, env, file);
    };
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string catalogNameOf(const std::string& rowCheck) {
  if (rowCheck.starts_with(std::string(kSheetRowPrefix) + "sheet")) return sheetImagesCheck().name;
  return rowCheck;
}

}  // namespace rc::tools
