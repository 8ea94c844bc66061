#include "document/NmoFormat.h"

namespace numino::nmo {

std::string Format(const NuminoSchema::Grid& cells) {
  std::string text;
  text.reserve(kFileSize);
  for (int row = 1; row <= 9; ++row) {
    for (int col = 1; col <= 9; ++col) text += std::to_string(cells[row][col]);
    text += "\r\n";
  }
  return text;
}

namespace {

// The start of the file was read, but the grid does not end within it.
constexpr const char* kTooLarge = "il file è troppo grande per essere un documento NMO";

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::variant<NuminoSchema::Grid, ParseError> Parse(std::string_view bytes, bool wholeFile) {
  // Editors that save text as UTF-8 may put this mark in front of it.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  NuminoSchema::Grid cells{};
  // Only a whole file may end before its first row; the start of a longer
  // one leaves the rows unknown.
  if (bytes.empty() && !wholeFile) {
    return ParseError{kTooLarge};
  }
  std::size_t pos = 0;
  for (int row = 1; row <= 9 && pos < bytes.size(); ++row) {
    for (int col = 1; col <= 9; ++col, ++pos) {
      if (pos >= bytes.size() && !wholeFile) {
        return ParseError{kTooLarge};
      }
      if (pos >= bytes.size() || IsLineEnd(bytes[pos])) {
        return ParseError{"la riga " + std::to_string(row) + " ha meno di nove cifre"};
      }
      const char c = bytes[pos];
      if (c < '0' || c > '9') {
        return ParseError{"la riga " + std::to_string(row) + " contiene un carattere che non è " +
                          "una cifra (colonna " + std::to_string(col) + ")"};
      }
      cells[row][col] = static_cast<std::int16_t>(c - '0');
    }
    if (row == 9) break;
    // Whatever follows the ninth character up to the line end is ignored.
    const std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      if (!wholeFile) return ParseError{kTooLarge};
      break;
    }
    pos = end + 1;
    if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') ++pos;
    if (pos >= bytes.size() && !wholeFile) {
      return ParseError{kTooLarge};
    }
  }
  return cells;
}

}  // namespace numino::nmo
