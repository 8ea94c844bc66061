#include "document/NmoFormat.h"

#include "document/DocumentTexts.h"

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
    return ParseError{document::kTooLarge};
  }
  std::size_t pos = 0;
  for (int row = 1; row <= 9 && pos < bytes.size(); ++row) {
    for (int col = 1; col <= 9; ++col, ++pos) {
      if (pos >= bytes.size() && !wholeFile) {
        return ParseError{document::kTooLarge};
      }
      if (pos >= bytes.size() || IsLineEnd(bytes[pos])) {
        return ParseError{document::ShortLine(row)};
      }
      const char c = bytes[pos];
      if (c < '0' || c > '9') {
        return ParseError{document::NotADigit(row, col)};
      }
      cells[row][col] = static_cast<std::int16_t>(c - '0');
    }
    if (row == 9) break;
    // Whatever follows the ninth character up to the line end is ignored.
    const std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      if (!wholeFile) return ParseError{document::kTooLarge};
      break;
    }
    pos = end + 1;
    if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') ++pos;
    if (pos >= bytes.size() && !wholeFile) {
      return ParseError{document::kTooLarge};
    }
  }
  return cells;
}

}  // namespace numino::nmo
