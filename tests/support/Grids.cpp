#include "support/Grids.h"

#include <stdexcept>

namespace numino::testing {

NuminoSchema::Grid GridFromRows(std::initializer_list<std::string_view> rows) {
  if (rows.size() != 9) throw std::invalid_argument("a grid has nine rows");
  NuminoSchema::Grid grid{};
  int r = 0;
  for (const std::string_view row : rows) {
    ++r;
    if (row.size() != 9) throw std::invalid_argument("row " + std::string(row) + ": not 9 cells");
    for (int c = 1; c <= 9; ++c) {
      const char cell = row[c - 1];
      if (cell != '.' && (cell < '0' || cell > '9')) {
        throw std::invalid_argument("row " + std::string(row) + ": not a digit or '.'");
      }
      grid[r][c] = static_cast<std::int16_t>(cell == '.' ? 0 : cell - '0');
    }
  }
  return grid;
}

std::string GridRows(const NuminoSchema::Grid& grid) {
  std::string out;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      const int value = grid[r][c];
      out += value >= 0 && value <= 9 ? static_cast<char>('0' + value) : '?';
    }
    out += '\n';
  }
  return out;
}

const NuminoSchema::Grid& SolvedGrid() {
  // Each row is the one above moved three places to the left, and one
  // more at the start of each band of three rows.
  static const NuminoSchema::Grid solved = GridFromRows({
      "123456789",
      "456789123",
      "789123456",
      "234567891",
      "567891234",
      "891234567",
      "345678912",
      "678912345",
      "912345678",
  });
  return solved;
}

bool IsPeer(int r, int c, int row, int col) {
  if (r == row && c == col) return false;
  return r == row || c == col || ((r - 1) / 3 == (row - 1) / 3 && (c - 1) / 3 == (col - 1) / 3);
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace numino::testing
