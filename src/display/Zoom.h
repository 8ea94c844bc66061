#pragma once

#include <array>
#include <cmath>
#include <functional>

// The sizes the board can be shown at, as multiples of its own pixels:
// cells of 24, 36, 48, 60, 72 and 96 pixels on a screen of ratio 1.
namespace numino::zoom {

inline constexpr std::array<double, 6> kSteps = {1, 1.5, 2, 2.5, 3, 4};

// The step after `current` going up (direction > 0) or down (< 0); current
// itself at either end, or when `current` is no step.
double Next(double current, int direction);

// What a remembered zoom gives at start-up: the largest step not above it
// that fits, or 1 when none does or the value is no zoom at all (below 1,
// not a number).
double Remembered(double value, const std::function<bool(double)>& fits);

// The board's own pixel under a position on the board shown at `zoom`,
// along one axis: the middle of the screen pixel, divided by the zoom.
inline int BoardPixel(double position, double zoom) {
  return static_cast<int>(std::floor((position + 0.5) / zoom));
}

}  // namespace numino::zoom
