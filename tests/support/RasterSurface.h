#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/DrawingSurface.h"

namespace numino::testing {

// A drawing surface that paints into an array of pixels, with no toolkit:
// system colour 5 is white, 18 black, and the window background (what Clear
// paints) a grey, so the margin differs from the board.
//
// Text is modelled, not rendered: a glyph is 9 x 18 pixels (10 x 18 in bold)
// and its "ink" is the rectangle 2 pixels inside that box. An ink pixel
// records the font weight and how many prints landed on it, since printing
// antialiased text twice darkens it.
class RasterSurface : public DrawingSurface {
 public:
  static constexpr int kSize = 240;
  static constexpr std::uint32_t kWhite = 0xFFFFFF;
  static constexpr std::uint32_t kBlack = 0x000000;
  static constexpr std::uint32_t kGrey = 0xC0C0C0;
  static constexpr std::uint32_t kRed = 0xFF0000;
  static constexpr std::uint32_t kGreen = 0x00FF00;
  static constexpr std::uint32_t kInk = 0x1000000;      // ink pixels have this bit
  static constexpr std::uint32_t kBoldInk = 0x2000000;  // ...and this one in bold

  RasterSurface();

  void Clear() override;
  void SetWindowSize(int width, int height) override;
  void SetFillColor(Colour colour) override { fill_ = colour; }
  Colour FillColor() const override { return fill_; }
  void SetForeColor(Colour colour) override { fore_ = colour; }
  void Line(int x1, int y1, int x2, int y2) override;
  void Box(int x1, int y1, int x2, int y2) override;
  void Box(int x1, int y1, int x2, int y2, Colour outline) override;
  void FilledBox(int x1, int y1, int x2, int y2, Colour colour) override;
  void SetFontBold() override { bold_ = true; }
  double TextWidth(std::string_view text) const override;
  double TextHeight(std::string_view text) const override;
  void Print(int x, int y, std::string_view text) override;

  // 0xRRGGBB, or an ink value for text.
  std::uint32_t Pixel(int x, int y) const { return pixels_[y * kSize + x]; }
  bool IsInk(int x, int y) const { return (Pixel(x, y) & kInk) != 0; }
  // How many prints landed on an ink pixel (0 for any other pixel).
  int PrintCount(int x, int y) const { return IsInk(x, y) ? int(Pixel(x, y) & 0xFF) : 0; }
  bool IsBoldInk(int x, int y) const { return (Pixel(x, y) & kBoldInk) != 0; }
  bool FontBold() const { return bold_; }
  bool operator==(const RasterSurface& other) const { return pixels_ == other.pixels_; }
  // The same, leaving out how many times a digit was printed over itself and
  // in which weight: repaints and a full redraw differ there by design.
  bool SamePicture(const RasterSurface& other) const;

  // Script: the text measures a test pins down (the glyph box follows),
  // and whether to keep the log of prints, which a long run would pile up.
  std::optional<double> textWidth;
  std::optional<double> textHeight;
  bool logPrints = true;

  // The requested outer window size, and how often each primitive ran.
  int windowWidth = 0;
  int windowHeight = 0;
  int fillCount = 0;
  int printCount = 0;
  std::vector<std::string> printed;  // "x,y:text" of every print, in order
  // Calls with a corner (a print: its point) outside the surface.
  int strayCalls = 0;

 private:
  void Check(int x1, int y1, int x2, int y2);
  std::uint32_t Resolve(Colour colour) const;
  void Fill(int x1, int y1, int x2, int y2, std::uint32_t rgb);

  std::vector<std::uint32_t> pixels_;
  Colour fill_ = Colour::System(Colour::kWindowBackground);
  Colour fore_ = Colour::System(Colour::kButtonText);
  bool bold_ = false;
};

}  // namespace numino::testing
