#include "display/BoardScale.h"

#include <algorithm>
#include <cmath>

#include "display/BoardGeometry.h"

namespace numino {

namespace {

using namespace geometry;

// The inner layout of a cell, by offset from its left grid line: line 0,
// gap 1 (the second pixel of a box line), frame 2, marks 3..20, content 21,
// frame 22, gap 23.
static_assert(kFrameInset == 2 && kContentInset == 3);
static_assert(kContentInset + 3 * kMarkSize == kCellPitch - kContentInset);
static_assert(kCellPitch - kFrameInset == 22 && kCellPitch == 24);

int Round(double v) { return static_cast<int>(std::lround(v)); }

// Spreads `width` device pixels over `count` board pixels from `first`,
// edge by edge.
void Spread(std::vector<int>& edges, int first, int count, int width) {
  const int start = edges[static_cast<std::size_t>(first)];
  for (int i = 1; i <= count; ++i) {
    edges[static_cast<std::size_t>(first + i)] =
        start + Round(static_cast<double>(i) * width / count);
  }
}

}  // namespace

BoardScale::Cell BoardScale::CellWidths(double scale) {
  const double s = std::max(1.0, scale);
  Cell cell;
  cell.pitch = Round(kCellPitch * s);
  cell.line = std::max(1, Round(s));
  cell.mark = Round(kMarkSize * s);
  // Two gaps and the content pixel share what the line, the two frames and
  // the marks leave of the pitch; each needs a device pixel at least.
  int rest = cell.pitch - 3 * cell.line - 3 * cell.mark;
  while (rest < 3 && cell.mark > 1) {
    --cell.mark;
    rest += 3;
  }
  cell.gap = std::max(1, Round(rest / 3.0));
  cell.content = std::max(1, rest - 2 * cell.gap);
  cell.pitch = cell.line + 2 * cell.gap + 2 * cell.line + 3 * cell.mark + cell.content;
  return cell;
}

BoardScale::BoardScale(int length, double scale) : edges_(static_cast<std::size_t>(length) + 1) {
  const double s = std::max(1.0, scale);
  const int side = Round(length * s);
  // Too small for the board (no such surface in the program): plain rounding.
  if (length < kBoardEnd + 1) {
    for (int x = 0; x <= length; ++x) edges_[static_cast<std::size_t>(x)] = Round(x * s);
    return;
  }
  const Cell cell = CellWidths(s);
  edges_[0] = 0;
  edges_[kBoardOrigin] = Round(kBoardOrigin * s);
  Spread(edges_, 0, kBoardOrigin, edges_[kBoardOrigin]);
  for (int k = 0; k < 9; ++k) {
    const int l = kBoardOrigin + k * kCellPitch;
    auto at = [&](int offset) -> int& { return edges_[static_cast<std::size_t>(l + offset)]; };
    at(1) = at(0) + cell.line;
    at(2) = at(1) + cell.gap;
    at(3) = at(2) + cell.line;
    for (int m = 0; m < 3; ++m) {
      const int first = kContentInset + m * kMarkSize;
      Spread(edges_, l + first, kMarkSize, cell.mark);
    }
    at(22) = at(21) + cell.content;
    at(23) = at(22) + cell.line;
    at(24) = at(23) + cell.gap;
  }
  edges_[kBoardEnd + 1] = edges_[kBoardEnd] + cell.line;
  const int rest = length - (kBoardEnd + 1);
  if (rest > 0) {
    Spread(edges_, kBoardEnd + 1, rest, std::max(0, side - edges_[kBoardEnd + 1]));
  }
}

}  // namespace numino
