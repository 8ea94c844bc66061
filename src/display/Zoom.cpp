#include "display/Zoom.h"

#include <algorithm>
#include <cmath>

namespace numino::zoom {

double Next(double current, int direction) {
  const auto at = std::find(kSteps.begin(), kSteps.end(), current);
  if (at == kSteps.end() || direction == 0) return current;
  if (direction > 0) return at + 1 == kSteps.end() ? current : *(at + 1);
  return at == kSteps.begin() ? current : *(at - 1);
}

double Remembered(double value, const std::function<bool(double)>& fits) {
  if (!(value >= 1)) return 1;  // also NaN
  for (auto step = kSteps.rbegin(); step != kSteps.rend(); ++step) {
    if (*step <= value && (*step == 1 || fits(*step))) return *step;
  }
  return 1;
}

}  // namespace numino::zoom
