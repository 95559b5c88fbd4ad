#include "Core/imaging/BitmapCompareCheck.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "Core/frame/JournalWriters.h"
#include "Core/imaging/ViewWindow.h"
#include "Core/imaging/clsBitmap.h"
#include "Core/interfaces/ImageComponents.h"
#include "platform/automation/Registry.h"
#include "platform/automation/Trap.h"
#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "platform/display/Input.h"
#include "platform/display/Windows.h"
#include "platform/os/Files.h"

namespace rc::core {

namespace au = rc::automation;
namespace dp = rc::display;
using au::Variant;

namespace {

constexpr std::int16_t kRan = 0;
constexpr std::int16_t kFailed = 1;
constexpr std::int16_t kFromWorkFile = 3;
constexpr std::int16_t kLastTopChild = 1;

enum class ImageFormat { Gif, Cbf, Other };

// The format a file name names by its last three characters, any case.
ImageFormat formatOf(const std::string& name) {
  std::string tail = name.substr(name.size() < 3 ? 0 : name.size() - 3);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  if (tail == "gif") return ImageFormat::Gif;
  if (tail == "cbf") return ImageFormat::Cbf;
  return ImageFormat::Other;
}

// The difference file's name with "bmp" for its last three characters; 5
// when it is shorter than three.
std::string workFileName(const std::string& diffName) {
  if (diffName.size() < 3) au::raise(au::err::InvalidCall);
  return diffName.substr(0, diffName.size() - 3) + "bmp";
}

au::ObjectRef newBitmap() { return au::createObject("VxlClasses.clsBitmap"); }

// clsBitmap.SetBitmap late-bound.
bool setBitmap(const au::ObjectRef& bitmap, std::int32_t handle, Variant maxWidth = Variant(std::int16_t{0}),
               Variant maxHeight = Variant(std::int16_t{0})) {
  return au::call(bitmap, "SetBitmap", handle, std::move(maxWidth), std::move(maxHeight)).toBool();
}

// Fills `bitmap` from a BMP file (LoadImage; its own size).
bool setBitmapFromFile(const au::ObjectRef& bitmap, const std::string& path) {
  return setBitmap(bitmap, static_cast<std::int32_t>(dp::loadImage(path)));
}

std::int32_t widthOf(const au::ObjectRef& bitmap) { return au::call(bitmap, "Width").toLong(); }
std::int32_t heightOf(const au::ObjectRef& bitmap) { return au::call(bitmap, "Height").toLong(); }

// Captures the view into `capture` as mode `param` says. False when it
// cannot: no work file in mode 3, a handle that is no window, a failed SetBitmap.
bool captureView(const au::ObjectRef& capture, std::int32_t& ViewHandle, const std::string& work, std::int16_t param) {
  if (param == kFromWorkFile) {
    if (!platform::fileExists(work)) return false;
    const bool ok = setBitmapFromFile(capture, work);
    platform::deleteFile(work);
    return ok;
  }
  if (param == kLastTopChild) GetLastTopChild(ViewHandle);
  // A handle that is no window is never captured (it may be a DC or a
  // bitmap someone else owns).
  if (!dp::isWindow(static_cast<dp::Handle>(ViewHandle))) return false;
  if (param != kLastTopChild) SizeViewWindow(ViewHandle);
  dp::Rect r;
  dp::getWindowRect(static_cast<dp::Handle>(ViewHandle), r);
  dp::setCursorPos(0, 0);
  return setBitmap(capture, ViewHandle, Variant(r.width()), Variant(r.height()));
}

// Fills `baseline` from the bitmap of `picture` selected into a device
// context of its own: what a picture holder showing it gives (the holder
// takes the picture's size), without the holder's copy of the picture.
// Nothing when the picture has no bitmap (the holder then shows it).
std::optional<bool> setBitmapFromPicture(const au::ObjectRef& baseline, const au::ObjectRef& picture) {
  if (!picture || picture->typeInfo().find("Handle").empty()) return std::nullopt;
  const auto bitmap = static_cast<dp::Handle>(au::call(picture, "Handle").toLong());
  dp::BitmapRecord size;
  if (bitmap == 0 || dp::getObject(bitmap, size) == 0 || size.bmWidth <= 0 || size.bmHeight <= 0 ||
      size.bmWidth > dp::kMaxSurfaceSide || size.bmHeight > dp::kMaxSurfaceSide)
    return std::nullopt;
  const dp::Handle dc = dp::createCompatibleDC(0);
  if (dc == 0) return std::nullopt;
  dp::selectObject(dc, bitmap);
  bool ok = false;
  try {
    ok = setBitmap(baseline, static_cast<std::int32_t>(dc), Variant(static_cast<std::int16_t>(size.bmWidth)),
                   Variant(static_cast<std::int16_t>(size.bmHeight)));
  } catch (...) {
    dp::deleteDC(dc);
    throw;
  }
  dp::deleteDC(dc);
  return ok;
}

// Fills `baseline` from the baseline file. False when its SetBitmap fails.
bool loadBaseline(const au::ObjectRef& baseline, ImageFormat format, const std::string& file, const std::string& work) {
  if (format == ImageFormat::Gif) {
    au::ObjectRef picture = LoadPicture(file);
    if (std::optional<bool> shown = setBitmapFromPicture(baseline, picture)) return *shown;
    au::ObjectRef holder = newPictureHolder();
    au::setProperty(holder, "Picture", picture);
    const std::int16_t twips = 1, pixels = 3;
    const Variant width = au::call(holder, "ScaleX", au::call(holder, "Width"), twips, pixels);
    const Variant height = au::call(holder, "ScaleX", au::call(holder, "Height"), twips, pixels);
    return setBitmap(baseline, au::call(holder, "hdc").toLong(), width, height);
  }
  if (format == ImageFormat::Cbf) {
    {
      au::ObjectRef convert = au::createObject("vxlClasses.clsGrfConvert");
      au::letProperty(convert, "InFileName", Variant(file));
      au::letProperty(convert, "OutFileName", Variant(work));
      au::call(convert, "CBFtoBMP");
    }
    return setBitmapFromFile(baseline, work);
  }
  return true;  // no baseline image: the comparison sees white
}

// CreateGIF / CreateCBF of `bitmap` into `target` through the work file.
void writeImage(const au::ObjectRef& bitmap, ImageFormat format, const std::string& work, const std::string& target) {
  if (format == ImageFormat::Other) return;
  au::call(bitmap, format == ImageFormat::Gif ? "CreateGIF" : "CreateCBF", work, target);
}

// The name of the journal block of a comparison in mode `param`.
std::string pixelBlockName(std::int16_t param) {
  return std::string(journal::kPixelCompare) + (param == kLastTopChild ? " - PP" : "");
}

void deleteIfPresent(const std::string& path) {
  if (platform::fileExists(path)) platform::deleteFile(path);
}

// Whether `capture` and `baseline` are clsBitmaps holding the same picture,
// which clsBitmap.Compare would find without a difference under any
// tolerance from 0 up (no difference image is then needed).
bool samePicture(const au::ObjectRef& capture, const au::ObjectRef& baseline, std::int16_t tol) {
  constexpr std::int32_t kMaxInteger = 32767;  // Compare's limit on a side
  const auto* a = dynamic_cast<const clsBitmap*>(capture.get());
  const auto* b = dynamic_cast<const clsBitmap*>(baseline.get());
  if (a == nullptr || b == nullptr || tol < 0) return false;
  if (a->Width() > kMaxInteger || a->Height() > kMaxInteger) return false;
  return a->Width() == b->Width() && a->Height() == b->Height() && sameColours(a->pixels(), b->pixels());
}

// Compares the capture with the existing baseline; the difference file
// when they differ.
std::int16_t compareWithBaseline(SessionContext& session, const au::ObjectRef& capture, ImageFormat format,
                                 const std::string& baselineFile, const std::string& diffFile,
                                 const std::string& work, std::int16_t tol, std::int16_t param) {
  au::ObjectRef baseline = newBitmap();
  if (!loadBaseline(baseline, format, baselineFile, work)) return kFailed;
  if (samePicture(capture, baseline, tol)) {
    deleteIfPresent(work);
    session.LastOutcome = {CheckOutcome::State::Agreed, pixelBlockName(param), "", "", ""};
    return kRan;
  }
  const std::int32_t w = std::max(widthOf(capture), widthOf(baseline));
  const std::int32_t h = std::max(heightOf(capture), heightOf(baseline));
  au::ObjectRef diff = newBitmap();
  setBitmap(diff, static_cast<std::int32_t>(dp::createCompatibleBitmap(0, w, h)), Variant(w), Variant(h));
  const bool warned =
      au::call(diff, "Compare", capture, baseline, tol, session.glbProcessID, session.MultiSession, param).toBool();
  if (warned) writeImage(diff, format, work, diffFile);
  deleteIfPresent(work);
  // The counts are in the block clsBitmap.Compare journaled.
  session.LastOutcome = {warned ? CheckOutcome::State::Differed : CheckOutcome::State::Agreed, pixelBlockName(param),
                         "", "", ""};
  return kRan;
}

// Writes the capture as the new baseline and says so in the journal. A GIF
// is written without the full-size work file where the capture can (the
// work file is deleted right after either way).
std::int16_t createBaseline(SessionContext& session, const au::ObjectRef& capture, ImageFormat format,
                            const std::string& baselineFile, const std::string& work, std::int16_t param) {
  const auto* bitmap = dynamic_cast<const clsBitmap*>(capture.get());
  if (format != ImageFormat::Gif || bitmap == nullptr || !bitmap->CreateGIFInMemory(work, baselineFile))
    writeImage(capture, format, work, baselineFile);
  JournalBlock block;
  block.Name = pixelBlockName(param);
  block.NewValue = journalNumber(0);
  block.BaseValue = journalNumber(0);
  block.Diff = journal::kBaseLineCreated;
  block.Prefix = journal::kPixelWarning;
  RecordJournalBlock(block, session.glbProcessID, session.MultiSession);
  deleteIfPresent(work);
  session.LastOutcome = {CheckOutcome::State::Created, block.Name, "", "", block.Diff};
  return kRan;
}

std::int16_t runCompare(SessionContext& session, std::int32_t& ViewHandle, const std::string& sFileNameBL,
                        const std::string& sFileNameDiff, std::int16_t tol, std::int16_t param) {
  const std::string work = workFileName(sFileNameDiff);
  if (ViewHandle == 0) return kFailed;
  au::ObjectRef capture = newBitmap();
  if (!captureView(capture, ViewHandle, work, param)) return kFailed;
  const ImageFormat format = formatOf(sFileNameBL);
  if (platform::fileExists(sFileNameBL))
    return compareWithBaseline(session, capture, format, sFileNameBL, sFileNameDiff, work, tol, param);
  return createBaseline(session, capture, format, sFileNameBL, work, param);
}

}  // namespace

std::int16_t TestBitmapCompare(SessionContext& session, std::int32_t& ViewHandle, const std::string& sFileNameBL,
                               const std::string& sFileNameDiff, std::int16_t tol, std::int16_t param) {
  std::int16_t result = kFailed;
  au::trapped([&] { result = runCompare(session, ViewHandle, sFileNameBL, sFileNameDiff, tol, param); },
              [&](const au::AutomationError&) { result = kFailed; });
  return result;
}

}  // namespace rc::core
