#include "sim/converters/Register.h"

#include <memory>

#include "platform/automation/Registry.h"
#include "sim/converters/CbfPacker.h"
#include "sim/converters/PictureBox.h"
#include "sim/converters/PictureConverter.h"
#include "sim/converters/PictureFunctions.h"

namespace rc::sim::converters {

namespace {

template <typename T>
void registerAs(std::string progId) {
  automation::registerClass(std::move(progId), T::info(), [] { return std::make_shared<T>(); });
}

}  // namespace

void registerComponents() {
  registerAs<CbfPacker>("ActiveCBF.TCBF");
  registerAs<GifConverter>("XGIF1");
  registerAs<JpegConverter>("XJPG1");
  registerAs<PictureBox>("StdPictures.PictureBox");
  registerAs<PictureFunctions>("StdPictures.Functions");
}

}  // namespace rc::sim::converters
