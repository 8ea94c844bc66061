#pragma once

#include <cstdint>

namespace numino {

// One entry of the edit history. Two kinds share the layout and are told
// apart by the sign of the value fields:
//  - a value record holds the cell's digit before and after (0..9);
//  - an exclusion record holds the bitwise complement (NOT, 16 bits) of the
//    cell's hand-made exclusion mask before and after. A mask is 0..511, so
//    its complement is -1..-512 and always negative.
// The undo step looks at the sign of oldValue, the redo step at newValue.
struct UndoRecord {
  std::int16_t row = 0;
  std::int16_t col = 0;
  std::int16_t oldValue = 0;
  std::int16_t newValue = 0;

  friend bool operator==(const UndoRecord&, const UndoRecord&) = default;
};

// The complement encoding of an exclusion mask, and its inverse.
constexpr std::int16_t EncodeMask(std::int16_t mask) { return static_cast<std::int16_t>(~mask); }
constexpr std::int16_t DecodeMask(std::int16_t stored) {
  return static_cast<std::int16_t>(~stored);
}

}  // namespace numino
