#pragma once

#include <vector>

namespace numino {

// Where the board's own pixels land in an image with `scale` device pixels
// per board pixel, along one axis: Edge(x) is the device coordinate of the
// left (or top) edge of board pixel x, and Edge(length) the image's side.
//
// Every edge is a whole device pixel, so fills never blend. At a whole
// scale each board pixel is simply `scale` device pixels. At a fractional
// one, rounding each edge would make some one-pixel lines one device pixel
// wider than others; instead every cell gets the same inner layout:
//   grid line  gap  frame  three marks  content  frame  gap
// where the grid line, the frames and the border have one width, the
// second pixel of a box line is as wide as a gap, the three marks are
// equally wide, and the pitch is the scaled cell pitch, rounded. The margins
// take what is left. No edge strays more than about a device pixel from
// x * scale, which is where the mouse mapping puts it.
//
// A scale below 1 is taken as 1: the image is never smaller than the board.
class BoardScale {
 public:
  BoardScale(int length, double scale);

  int Edge(int x) const { return edges_[static_cast<std::size_t>(x)]; }
  int DeviceLength() const { return edges_.back(); }

  // The device widths of the inner layout of every cell, as described above.
  struct Cell {
    int line = 1;     // grid lines, the border, the current-cell frame
    int gap = 1;      // between a grid line and the frame
    int mark = 6;     // an exclusion mark
    int content = 1;  // the content area's last pixel, after the marks
    int pitch = 24;
  };
  static Cell CellWidths(double scale);

 private:
  std::vector<int> edges_;
};

}  // namespace numino
