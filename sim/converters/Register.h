// Registers the image components by ProgID, as installing them would.
#pragma once

namespace rc::sim::converters {

// "ActiveCBF.TCBF", "XGIF1", "XJPG1", "StdPictures.PictureBox",
// "StdPictures.Functions". Idempotent.
void registerComponents();

}  // namespace rc::sim::converters
