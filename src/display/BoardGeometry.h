#pragma once

#include <cstdint>

// The board's fixed pixel geometry. Nothing scales with the window, the font
// or the screen: nine rows and nine columns of 24-pixel cells whose border
// starts 12 pixels from the client area's left and top edges.
namespace numino::geometry {

inline constexpr int kBoardOrigin = 12;  // x of the left border, y of the top border
inline constexpr int kCellPitch = 24;    // distance between neighbouring grid lines
inline constexpr int kBoardEnd = kBoardOrigin + 9 * kCellPitch;  // 228: right and bottom border
inline constexpr int kFrameInset = 2;    // current-cell frame, inside the grid lines
inline constexpr int kContentInset = 3;  // repainted interior of a cell
inline constexpr int kMarkPitch = 6;     // exclusion marks: 6 x 6 squares on a 6-pixel pitch
inline constexpr int kMarkSize = 6;

// The window's outer size, frame, title bar and menu bar included.
inline constexpr int kWindowWidth = 248;
inline constexpr int kWindowHeight = 296;

// The client area the board needs: pixels 0..228 on both axes, with the
// same 12-pixel margin after the board as before it.
inline constexpr int kClientSize = kBoardEnd + kBoardOrigin;  // 240

// The y of row r's top grid line, the x of column c's left grid line.
constexpr int CellTop(int r) { return (r - 1) * kCellPitch + kBoardOrigin; }
constexpr int CellLeft(int c) { return (c - 1) * kCellPitch + kBoardOrigin; }

// The current-cell frame lies two pixels inside the cell's grid lines.
constexpr int FrameTop(int r) { return CellTop(r) + kFrameInset; }
constexpr int FrameBottom(int r) { return r * kCellPitch + kBoardOrigin - kFrameInset; }
constexpr int FrameLeft(int c) { return CellLeft(c) + kFrameInset; }
constexpr int FrameRight(int c) { return c * kCellPitch + kBoardOrigin - kFrameInset; }

// The content area, three pixels inside the grid lines: 19 x 19 pixels.
constexpr int ContentTop(int r) { return CellTop(r) + kContentInset; }
constexpr int ContentBottom(int r) { return CellTop(r) + kCellPitch - kContentInset; }
constexpr int ContentLeft(int c) { return CellLeft(c) + kContentInset; }
constexpr int ContentRight(int c) { return CellLeft(c) + kCellPitch - kContentInset; }

// Top-left corner of digit d's mark, laid out like a telephone keypad:
// 1 2 3 on top, 4 5 6 in the middle, 7 8 9 at the bottom.
constexpr int MarkLeft(int c, int d) { return ContentLeft(c) + kMarkPitch * ((d - 1) % 3); }
constexpr int MarkTop(int r, int d) { return ContentTop(r) + kMarkPitch * ((d - 1) / 3); }

}  // namespace numino::geometry
