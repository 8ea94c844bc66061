#include "support/RasterSurface.h"

#include <algorithm>
#include <utility>

namespace numino::testing {

RasterSurface::RasterSurface() : pixels_(kSize * kSize, kGrey) {}

void RasterSurface::Clear() { std::fill(pixels_.begin(), pixels_.end(), kGrey); }

void RasterSurface::SetWindowSize(int width, int height) {
  windowWidth = width;
  windowHeight = height;
}

std::uint32_t RasterSurface::Resolve(Colour colour) const {
  if (colour.IsSystem()) {
    return colour.SystemIndex() == Colour::kButtonText ? kBlack : kWhite;
  }
  return (std::uint32_t{colour.Red()} << 16) | (std::uint32_t{colour.Green()} << 8) | colour.Blue();
}

void RasterSurface::Check(int x1, int y1, int x2, int y2) {
  const auto inside = [](int v) { return v >= 0 && v < kSize; };
  if (!inside(x1) || !inside(y1) || !inside(x2) || !inside(y2)) ++strayCalls;
}

void RasterSurface::Fill(int x1, int y1, int x2, int y2, std::uint32_t rgb) {
  Check(x1, y1, x2, y2);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, kSize - 1);
  y2 = std::min(y2, kSize - 1);
  for (int y = y1; y <= y2; ++y) {
    for (int x = x1; x <= x2; ++x) pixels_[y * kSize + x] = rgb;
  }
}

void RasterSurface::Line(int x1, int y1, int x2, int y2) {
  // The board only draws horizontal and vertical lines.
  Fill(x1, y1, x2, y2, Resolve(fore_));
}

void RasterSurface::Box(int x1, int y1, int x2, int y2) { Box(x1, y1, x2, y2, fore_); }

void RasterSurface::Box(int x1, int y1, int x2, int y2, Colour outline) {
  ++fillCount;
  const std::uint32_t rgb = Resolve(outline);
  Fill(x1, y1, x2, y2, rgb);
  Fill(x1 + 1, y1 + 1, x2 - 1, y2 - 1, Resolve(fill_));
}

void RasterSurface::FilledBox(int x1, int y1, int x2, int y2, Colour colour) {
  ++fillCount;
  Fill(x1, y1, x2, y2, Resolve(colour));
}

double RasterSurface::TextWidth(std::string_view text) const {
  return textWidth.value_or(double(text.size()) * (bold_ ? 10 : 9));
}

double RasterSurface::TextHeight(std::string_view) const { return textHeight.value_or(18); }

void RasterSurface::Print(int x, int y, std::string_view text) {
  ++printCount;
  Check(x, y, x, y);
  if (logPrints) {
    printed.push_back(std::to_string(x) + "," + std::to_string(y) + ":" + std::string(text));
  }
  const int width = static_cast<int>(TextWidth(text));
  for (int py = y + 2; py <= y + 18 - 3; ++py) {
    for (int px = x + 2; px <= x + width - 3; ++px) {
      if (px < 0 || py < 0 || px >= kSize || py >= kSize) continue;
      std::uint32_t& pixel = pixels_[py * kSize + px];
      const std::uint32_t count = (pixel & kInk) != 0 ? (pixel & 0xFF) + 1 : 1;
      pixel = kInk | (bold_ ? kBoldInk : 0) | std::min<std::uint32_t>(count, 0xFF);
    }
  }
}

bool RasterSurface::SamePicture(const RasterSurface& other) const {
  const auto look = [](std::uint32_t pixel) { return (pixel & kInk) != 0 ? kInk : pixel; };
  for (std::size_t i = 0; i < pixels_.size(); ++i) {
    if (look(pixels_[i]) != look(other.pixels_[i])) return false;
  }
  return true;
}

}  // namespace numino::testing
