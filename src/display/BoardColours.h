#pragma once

#include "display/DrawingSurface.h"

// The colours the board is drawn in, each named once. A direct colour is the
// number the system stores it as, with red in the low byte: read as hex it is
// blue-green-red, so 0xFF0000 is blue and red is 255.
namespace numino {

inline constexpr Colour kRed = Colour::Direct(255);      // 0x0000FF
inline constexpr Colour kGreen = Colour::Direct(65280);  // 0x00FF00

// System colours 5 (window background) and 18 (button text) follow the
// desktop's theme. The ink draws the grid lines, the frame, the digits and
// the hand marks; on the usual light theme it is black.
inline constexpr Colour kBoardBackground = Colour::System(Colour::kWindowBackground);
inline constexpr Colour kBoardInk = Colour::System(Colour::kButtonText);

inline constexpr Colour kHighlight = kGreen;  // the current digit can still go in this cell
inline constexpr Colour kPeerMark = kRed;     // a digit ruled out by the cell's peers
// A digit ruled out by hand. In the ink rather than in black, so that it
// shows on a dark theme too.
inline constexpr Colour kHandMark = kBoardInk;

}  // namespace numino
