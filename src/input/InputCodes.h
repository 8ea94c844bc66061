#pragma once

#include <cstdint>

// The codes that reach ProcessInput: typed characters by their character
// code, pressed keys by their virtual-key code, released mouse buttons as
// bits. The window translates the toolkit's events into these.
//
// A key that types a control character (Backspace, Tab, Enter, Escape) has
// that character's code as its key code too, so one constant serves both.
namespace numino::input {

inline constexpr std::int16_t kCharBackspace = 8;  // undo
inline constexpr std::int16_t kCharTab = 9;        // redo
inline constexpr std::int16_t kCharEnter = 13;
inline constexpr std::int16_t kCharEscape = 27;
inline constexpr std::int16_t kCharZero = 48;  // '0' empties the cell
inline constexpr std::int16_t kCharNine = 57;

inline constexpr std::int16_t kKeySpace = 32;
inline constexpr std::int16_t kKeyPageUp = 33;
inline constexpr std::int16_t kKeyPageDown = 34;
inline constexpr std::int16_t kKeyEnd = 35;
inline constexpr std::int16_t kKeyHome = 36;
inline constexpr std::int16_t kKeyLeft = 37;
inline constexpr std::int16_t kKeyUp = 38;
inline constexpr std::int16_t kKeyRight = 39;
inline constexpr std::int16_t kKeyDown = 40;
inline constexpr std::int16_t kKeyInsert = 45;
inline constexpr std::int16_t kKeyDelete = 46;
inline constexpr std::int16_t kKeyF1 = 112;  // F2..F12 follow on: F12 is 123

// Ctrl with a digit key 1..9 (with or without Shift, main row or keypad):
// rules that digit out by hand in the current cell, or admits it again.
// Platform key codes stop at 254, so these can mean nothing else; digit d
// has the code kKeyHandExclusion + d.
inline constexpr std::int16_t kKeyHandExclusion = 0x100;
constexpr std::int16_t HandExclusionKey(int digit) {
  return static_cast<std::int16_t>(kKeyHandExclusion + digit);
}

inline constexpr std::int16_t kButtonLeft = 1;
inline constexpr std::int16_t kButtonRight = 2;
inline constexpr std::int16_t kButtonMiddle = 4;

}  // namespace numino::input
