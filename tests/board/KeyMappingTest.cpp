#include "board/KeyMapping.h"

#include <gtest/gtest.h>

namespace {

TEST(MapKey, GivesKeyCodesAndCharacters) {
  struct Row {
    int qtKey;
    const char16_t* text;
    int keyCode;
    int keyAscii;
    const char* reason;
  };
  const Row rows[] = {
      {Qt::Key_5, u"5", 53, 53, "a digit is a key and a character"},
      {Qt::Key_0, u"0", 48, 48, "0 empties the cell"},
      {Qt::Key_9, u"9", 57, 57, "last digit"},
      {Qt::Key_A, u"a", 65, 97, "letters: upper-case key code, the typed character"},
      {Qt::Key_Z, u"Z", 90, 90, "last letter, with Shift"},
      {Qt::Key_Left, u"", 37, 0, "arrows type nothing"},
      {Qt::Key_Up, u"", 38, 0, ""},
      {Qt::Key_Right, u"", 39, 0, ""},
      {Qt::Key_Down, u"", 40, 0, ""},
      {Qt::Key_Delete, u"\x7f", 46, 0, "X reports DEL as the text of Delete: it types nothing"},
      {Qt::Key_Insert, u"", 45, 0, ""},
      {Qt::Key_Home, u"", 36, 0, ""},
      {Qt::Key_End, u"", 35, 0, ""},
      {Qt::Key_PageUp, u"", 33, 0, ""},
      {Qt::Key_PageDown, u"", 34, 0, ""},
      {Qt::Key_F1, u"", 112, 0, "first function key"},
      {Qt::Key_F12, u"", 123, 0, "last function key"},
      {Qt::Key_Backspace, u"\b", 8, 8, "Backspace types 8: undo"},
      {Qt::Key_Backspace, u"", 8, 8, "even when the platform gives no text"},
      {Qt::Key_Tab, u"\t", 9, 9, "Tab types 9: redo"},
      {Qt::Key_Backtab, u"", 9, 9, "Shift+Tab still types 9"},
      {Qt::Key_Return, u"\r", 13, 13, ""},
      {Qt::Key_Enter, u"\r", 13, 13, "keypad Enter"},
      {Qt::Key_Escape, u"\x1b", 27, 27, ""},
      {Qt::Key_Space, u" ", 32, 32, ""},
      {Qt::Key_Exclam, u"!", 0, 33, "punctuation types its character, has no key code"},
      {Qt::Key_AsciiTilde, u"~", 0, 126, "last printable character"},
      {Qt::Key_Egrave, u"è", 0, 0, "not ASCII: types nothing"},
      {Qt::Key_A, u"\x01", 65, 0, "Ctrl+A's control character types nothing"},
      {Qt::Key_Shift, u"", 0, 0, "modifiers alone are neither"},
      {Qt::Key_Alt, u"", 0, 0, ""},
      {Qt::Key_unknown, u"ab", 0, 0, "composed text of two characters types nothing"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "Qt key 0x" << std::hex << r.qtKey << ": " << r.reason);
    const RoutedKey codes = MapKey(r.qtKey, QString::fromUtf16(r.text));
    EXPECT_EQ(codes.keyCode, r.keyCode);
    EXPECT_EQ(codes.keyAscii, r.keyAscii);
  }
}

TEST(MapKey, CtrlWithADigitIsAHandExclusion) {
  struct Row {
    int qtKey;
    const char16_t* text;
    Qt::KeyboardModifiers modifiers;
    int keyCode;
    int keyAscii;
    const char* reason;
  };
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
  const Row rows[] = {
      {Qt::Key_1, u"1", ctrl, 0x101, 0, "Ctrl+1 rules out 1 and types nothing"},
      {Qt::Key_9, u"9", ctrl, 0x109, 0, "Ctrl+9, the last digit"},
      {Qt::Key_5, u"5", ctrl | Qt::KeypadModifier, 0x105, 0, "the keypad's digits count"},
      {Qt::Key_4, u"4", ctrl | Qt::ShiftModifier, 0x104, 0,
       "Ctrl+Shift: the digit row of keyboards that need Shift for digits"},
      {Qt::Key_0, u"0", ctrl, 48, 48, "Ctrl+0 is no exclusion: it is left to the board"},
      {Qt::Key_5, u"5", Qt::NoModifier, 53, 53, "without Ctrl a digit is typed"},
      {Qt::Key_5, u"5", Qt::ShiftModifier | Qt::KeypadModifier, 53, 53,
       "Shift alone changes nothing"},
      {Qt::Key_5, u"5", ctrl | Qt::AltModifier, 53, 53, "Ctrl+Alt is another key (AltGr)"},
      {Qt::Key_Exclam, u"!", ctrl | Qt::ShiftModifier, 0, 33, "the key, not the key cap, counts"},
      {Qt::Key_Left, u"", ctrl, 37, 0, "other keys keep their codes with Ctrl"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    const RoutedKey codes = MapKey(r.qtKey, QString::fromUtf16(r.text), r.modifiers);
    EXPECT_EQ(codes.keyCode, r.keyCode);
    EXPECT_EQ(codes.keyAscii, r.keyAscii);
  }
}

}  // namespace
