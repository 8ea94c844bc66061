#include "document/PastedGrid.h"

#include "document/NmoFormat.h"

namespace numino {

namespace {

// Layout around the cells: white space and what grids are drawn with.
bool IsSkipped(char c) { return std::string_view(" \t\r\n|+-").find(c) != std::string_view::npos; }

}  // namespace

std::optional<NuminoSchema::Grid> ParsePastedGrid(std::string_view text) {
  if (text.size() > kPasteLimit) return std::nullopt;
  NuminoSchema::Grid cells{};
  int count = 0;  // cells read so far; cell n lies at row n / 9 + 1, col n % 9 + 1
  for (const char c : text) {
    if (IsSkipped(c)) continue;
    const bool digit = c >= '0' && c <= '9';
    if ((!digit && c != '.') || count == 81) return std::nullopt;
    cells[count / 9 + 1][count % 9 + 1] = static_cast<std::int16_t>(digit ? c - '0' : 0);
    ++count;
  }
  if (count != 81) return std::nullopt;
  return cells;
}

std::string FormatCopiedGrid(const NuminoSchema::Grid& cells) {
  std::string text = nmo::Format(cells);
  std::erase(text, '\r');
  return text;
}

}  // namespace numino
