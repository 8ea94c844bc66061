#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "model/NuminoSchema.h"

namespace numino::nmo {

// A document file is nine text lines of nine digits, one line per row from
// the top, one digit per column from the left, "0" for an empty cell; every
// line ends in CR LF. A file the program writes is always 99 bytes.
inline constexpr std::size_t kFileSize = 9 * (9 + 2);

// The most the reader looks at. A document needs 99 bytes; this leaves room
// for long lines and stray text after the grid, and keeps a huge or binary
// file from being read whole.
inline constexpr std::size_t kReadLimit = 1 << 20;

std::string Format(const NuminoSchema::Grid& cells);

// Why a file is not a document, as an Italian text for the user.
struct ParseError {
  std::string reason;
};

// Skips a UTF-8 byte-order mark (EF BB BF) at the very start, then reads
// the first nine lines (CR LF, LF or CR end a line), and of each only the
// first nine characters, which must be digits. Fewer lines leave the
// remaining rows empty. `wholeFile` tells whether `bytes` is the whole file
// or only its start.
std::variant<NuminoSchema::Grid, ParseError> Parse(std::string_view bytes, bool wholeFile);

}  // namespace numino::nmo
