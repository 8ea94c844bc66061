#pragma once

#include <cstdint>
#include <string_view>

namespace numino {

// A colour as the board stores it: with the top bit set it names a system
// colour by its low byte; otherwise it is a direct colour with red in the
// low byte, green in the second and blue in the third (255 is red, 65280
// green, 0 black).
class Colour {
 public:
  static constexpr std::uint32_t kSystemBit = 0x80000000u;
  static constexpr std::uint8_t kWindowBackground = 5;
  static constexpr std::uint8_t kButtonText = 18;

  constexpr Colour() = default;
  static constexpr Colour System(std::uint8_t index) { return Colour(kSystemBit | index); }
  static constexpr Colour Direct(std::uint32_t value) { return Colour(value & 0xFFFFFFu); }

  constexpr bool IsSystem() const { return (value_ & kSystemBit) != 0; }
  constexpr std::uint8_t SystemIndex() const { return static_cast<std::uint8_t>(value_ & 0xFFu); }
  constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(value_ & 0xFFu); }
  constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>((value_ >> 8) & 0xFFu); }
  constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>((value_ >> 16) & 0xFFu); }
  constexpr std::uint32_t Value() const { return value_; }

  friend constexpr bool operator==(Colour, Colour) = default;

 private:
  constexpr explicit Colour(std::uint32_t value) : value_(value) {}
  std::uint32_t value_ = 0;
};

// The window's client area as the board draws on it: integer pixels,
// origin top-left, x to the right, y down. What is drawn stays drawn (the
// surface is retained) until the next Clear.
//
// Every rectangle is given by two corners, and both corners belong to it:
// a box from (12, 12) to (228, 228) paints columns and rows 12 and 228.
class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;

  // Fills the whole client area with the window's own background colour
  // and puts the text position back at (0, 0).
  virtual void Clear() = 0;
  // Asks for the window's outer size, frame and menu bar included.
  virtual void SetWindowSize(int width, int height) = 0;

  virtual void SetFillColor(Colour colour) = 0;
  virtual Colour FillColor() const = 0;
  virtual void SetForeColor(Colour colour) = 0;

  // A one-pixel horizontal or vertical line in the fore colour; both end
  // points are painted. The board draws no other lines.
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  // An outlined box: a one-pixel outline in the fore colour, the interior
  // filled with the fill colour.
  virtual void Box(int x1, int y1, int x2, int y2) = 0;
  // The same with the outline in a colour of its own.
  virtual void Box(int x1, int y1, int x2, int y2, Colour outline) = 0;
  // A box whose outline and interior are both in the given colour.
  virtual void FilledBox(int x1, int y1, int x2, int y2, Colour colour) = 0;

  // Switches the window font to bold; nothing ever switches it back.
  virtual void SetFontBold() = 0;
  // A text is a single ASCII character: the board prints one digit at a time.
  // Size of a text in the current font, in (possibly fractional) pixels;
  // the height is the font's full line height.
  virtual double TextWidth(std::string_view text) const = 0;
  virtual double TextHeight(std::string_view text) const = 0;
  // Draws a text in the fore colour, on a transparent background, with the
  // top of its line at the given point.
  virtual void Print(int x, int y, std::string_view text) = 0;
};

}  // namespace numino
