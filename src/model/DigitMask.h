#pragma once

#include <cstdint>

// Digit masks, as the exclusions and the cell views hold them: bit d-1
// stands for digit d. This header includes nothing of the model, so that
// display/ may use it too.
namespace numino {

inline constexpr std::int16_t kAllDigits = 0x1FF;  // the mask of digits 1..9

// The bit of digit 1..9.
constexpr std::int16_t DigitBit(int digit) { return static_cast<std::int16_t>(1 << (digit - 1)); }

}  // namespace numino
