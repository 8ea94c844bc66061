#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/NuminoSchema.h"

namespace numino {

// The most clipboard text the program looks at. A puzzle needs 81
// characters; this leaves room for generous layout and keeps a huge
// clipboard from being read whole.
inline constexpr std::size_t kPasteLimit = 64 * 1024;

// Reads a puzzle from clipboard text (UTF-8): exactly 81 cells, row by row
// from the top, each row from the left. A cell is a digit 1 to 9, or "0" or
// "." for an empty cell. Spaces, tabs, CR, LF and the drawing characters
// "|", "+" and "-" are skipped, so a puzzle on one line, the nine lines of a
// .nmo file and a grid drawn with separators all read the same. Any other
// character, another number of cells, or text longer than kPasteLimit gives
// nothing.
std::optional<NuminoSchema::Grid> ParsePastedGrid(std::string_view text);

// The grid as copied to the clipboard: the nine lines of nine digits of a
// .nmo file ("0" for an empty cell), each ended by a single LF, as text
// tools expect.
std::string FormatCopiedGrid(const NuminoSchema::Grid& cells);

}  // namespace numino
