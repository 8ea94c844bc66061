// What each key, typed character and mouse button does to the puzzle.

#include "input/InputCodes.h"
#include "model/NuminoSchema.h"

namespace numino {

// A key that produces a character arrives twice, once as a key code and once
// as a character; only one of the two means anything here, so every key acts
// once. Nothing is ever refused with a message.
void NuminoSchema::ProcessInput(DrawingSurface& frm, std::int16_t KeyAscii, std::int16_t KeyCode,
                                std::int16_t Button, std::int32_t x, std::int32_t y) {
  using namespace input;
  const std::int16_t R = currentRow;
  const std::int16_t C = currentCol;

  if (KeyAscii != 0) {
    if (KeyAscii >= kCharZero && KeyAscii <= kCharNine) {
      // Typing never consults the exclusions: a clash is stored like any
      // digit and reported only once the grid is full.
      if (R > 0 && C > 0) SetBuffer(R, C, static_cast<std::int16_t>(KeyAscii - kCharZero), false);
      SetCurrentCell(frm, R, C);
      CheckFinish();
    } else if (KeyAscii == kCharBackspace) {
      UndoStep(frm);
    } else if (KeyAscii == kCharTab) {
      RedoStep(frm);
    }
    return;
  }

  if (KeyCode != 0) {
    // The arrows stop at the edges of the grid.
    switch (KeyCode) {
      case kKeyLeft:
        if (C > 1) SetCurrentCell(frm, R, static_cast<std::int16_t>(C - 1));
        break;
      case kKeyUp:
        if (R > 1) SetCurrentCell(frm, static_cast<std::int16_t>(R - 1), C);
        break;
      case kKeyRight:
        if (C < kSize) SetCurrentCell(frm, R, static_cast<std::int16_t>(C + 1));
        break;
      case kKeyDown:
        if (R < kSize) SetCurrentCell(frm, static_cast<std::int16_t>(R + 1), C);
        break;
      case kKeyDelete:
        SetBuffer(R, C, 0, false);
        SetCurrentCell(frm, R, C);
        break;
      default:
        // A mark is drawn only in an empty cell, so a full cell takes no
        // hand exclusion from the keyboard: the change could not be seen.
        if (KeyCode > HandExclusionKey(0) && KeyCode <= HandExclusionKey(kSize) && R > 0 && C > 0 &&
            GetBuffer(R, C) == 0) {
          ToggleUserExclusion(R, C, static_cast<std::int16_t>(KeyCode - kKeyHandExclusion));
          DisplayNumber(frm, R, C);
        }
        break;
    }
    return;
  }

  if ((Button & kButtonLeft) != 0) {
    const std::int16_t r = MapY(y);
    const std::int16_t c = MapX(x);
    if (r >= 1 && c >= 1) SetCurrentCell(frm, r, c);
  } else if ((Button & kButtonRight) != 0) {
    // Rules out, in the clicked cell, the digit of the current cell.
    const std::int16_t v = GetBuffer(R, C);
    if (v == 0) return;
    const std::int16_t r = MapY(y);
    const std::int16_t c = MapX(x);
    if (r >= 1 && c >= 1) {
      ToggleUserExclusion(r, c, v);
      DisplayNumber(frm, r, c);
    }
  }
}

}  // namespace numino
