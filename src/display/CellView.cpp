#include "display/CellView.h"

namespace numino {

namespace {

// The digits of the mask, ascending, each after a space.
void AppendDigits(std::string& out, std::int16_t mask) {
  for (int d = 1; d <= 9; ++d) {
    if ((mask & DigitBit(d)) == 0) continue;
    out += ' ';
    out += static_cast<char>('0' + d);
  }
}

}  // namespace

std::string DescribeCell(int row, int col, const CellView& view) {
  std::string out = "Riga " + std::to_string(row) + ", colonna " + std::to_string(col) + ": ";
  if (view.value != 0) return out + std::to_string(view.value);
  out += "vuota, possibili";
  const std::int16_t candidates = view.Candidates();
  if (candidates == 0) {
    out += " nessuno";
  } else {
    AppendDigits(out, candidates);
  }
  if (view.userMask != 0) {
    out += ", esclusi a mano";
    AppendDigits(out, view.userMask);
  }
  return out;
}

}  // namespace numino
