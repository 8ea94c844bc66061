#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "model/NuminoSchema.h"

namespace numino::testing {

// A grid written the way a player reads it: nine rows of nine cells, the
// top row first, each cell a digit or '0' or '.' when empty:
//   GridFromRows({"53..7....", "6..195...", ...})
// Throws std::invalid_argument for anything else.
NuminoSchema::Grid GridFromRows(std::initializer_list<std::string_view> rows);

// The reverse, for failure messages: nine lines of nine digits, '0' for an
// empty cell and '?' for a value that is no digit, each line ended by '\n'.
std::string GridRows(const NuminoSchema::Grid& grid);

// A correct full grid.
const NuminoSchema::Grid& SolvedGrid();

// Whether (r, c) is one of the 20 peers of (row, col): the same row, the
// same column or the same 3 x 3 box, but not the cell itself.
bool IsPeer(int r, int c, int row, int col);

std::string Repeat(const std::string& text, int times);

}  // namespace numino::testing
