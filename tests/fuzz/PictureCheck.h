#pragma once

#include "support/RasterSurface.h"

namespace numino::fuzz {

// Whether two surfaces show the same picture, leaving out how many times a
// digit was printed over itself: repaints and a full redraw differ there by
// design. The build compiles it without the sanitizers, since it reads two
// whole surfaces after every input and checks nothing of the core.
bool SamePicture(const testing::RasterSurface& a, const testing::RasterSurface& b);

}  // namespace numino::fuzz
