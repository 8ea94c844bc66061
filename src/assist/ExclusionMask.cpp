// The digits a cell cannot take: those of its peers, and those ruled out by hand.

#include "model/NuminoSchema.h"

namespace numino {

// Each cell has 20 peers: 8 in its row, 8 in its column, and the 4 cells of
// its box not already counted. The box pass reads those 4 a second time,
// which the OR makes harmless. The cell's own value never enters its mask.
std::int16_t NuminoSchema::GetExclusionMask(std::int16_t row, std::int16_t col) const {
  int mask = 0;
  const auto add = [&](std::int16_t r, std::int16_t c) {
    const std::int16_t v = GetBuffer(r, c);
    if (v > 0) mask |= DigitBit(v);
  };
  for (std::int16_t r = 1; r <= kSize; ++r) {
    if (r != row) add(r, col);
  }
  for (std::int16_t c = 1; c <= kSize; ++c) {
    if (c != col) add(row, c);
  }
  const std::int16_t r0 = static_cast<std::int16_t>((row - 1) / 3 * 3 + 1);
  const std::int16_t c0 = static_cast<std::int16_t>((col - 1) / 3 * 3 + 1);
  for (std::int16_t r = r0; r <= r0 + 2; ++r) {
    for (std::int16_t c = c0; c <= c0 + 2; ++c) {
      if (r != row || c != col) add(r, c);
    }
  }
  return static_cast<std::int16_t>(mask);
}

// The flip looks neither at the cell's value nor at its peers: a digit can be
// ruled out in a cell that holds a digit, or where a peer already excludes it.
// Hand-made exclusions are not part of the saved document, so the document
// does not become modified.
void NuminoSchema::ToggleUserExclusion(std::int16_t row, std::int16_t col, std::int16_t currval) {
  std::int16_t& mask = userExclusions[row][col];
  const std::int16_t before = mask;
  mask = static_cast<std::int16_t>(mask ^ DigitBit(currval));
  PushHistory({row, col, EncodeMask(before), EncodeMask(mask)});
}

}  // namespace numino
