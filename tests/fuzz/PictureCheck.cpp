#include "PictureCheck.h"

namespace numino::fuzz {

using testing::RasterSurface;

bool SamePicture(const RasterSurface& a, const RasterSurface& b) {
  const auto look = [](const RasterSurface& surface, int x, int y) {
    return surface.IsInk(x, y) ? RasterSurface::kInk : surface.Pixel(x, y);
  };
  for (int y = 0; y < RasterSurface::kSize; ++y) {
    for (int x = 0; x < RasterSurface::kSize; ++x) {
      if (look(a, x, y) != look(b, x, y)) return false;
    }
  }
  return true;
}

}  // namespace numino::fuzz
