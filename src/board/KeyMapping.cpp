#include "board/KeyMapping.h"

#include <Qt>

#include "input/InputCodes.h"

namespace {

using namespace numino::input;

// Virtual-key codes of the keys that have one besides digits and letters.
struct NamedKey {
  int qtKey;
  std::int16_t keyCode;
  std::int16_t keyAscii;  // the character the key types, 0 for none
};

constexpr NamedKey kNamedKeys[] = {
    {Qt::Key_Backspace, kCharBackspace, kCharBackspace},
    {Qt::Key_Tab, kCharTab, kCharTab},
    {Qt::Key_Backtab, kCharTab, kCharTab},  // Shift+Tab still redoes
    {Qt::Key_Return, kCharEnter, kCharEnter},
    {Qt::Key_Enter, kCharEnter, kCharEnter},
    {Qt::Key_Escape, kCharEscape, kCharEscape},
    {Qt::Key_PageUp, kKeyPageUp, 0},
    {Qt::Key_PageDown, kKeyPageDown, 0},
    {Qt::Key_End, kKeyEnd, 0},
    {Qt::Key_Home, kKeyHome, 0},
    {Qt::Key_Left, kKeyLeft, 0},
    {Qt::Key_Up, kKeyUp, 0},
    {Qt::Key_Right, kKeyRight, 0},
    {Qt::Key_Down, kKeyDown, 0},
    {Qt::Key_Insert, kKeyInsert, 0},
    {Qt::Key_Delete, kKeyDelete, 0},  // X reports 127 as its text: it types nothing
};

// Only one printable ASCII character counts as typed; control characters
// other than the named keys' and anything outside ASCII type nothing.
std::int16_t PrintableAscii(const QString& text) {
  if (text.size() != 1) return 0;
  const char16_t c = text.front().unicode();
  return (c >= 32 && c <= 126) ? static_cast<std::int16_t>(c) : std::int16_t{0};
}

}  // namespace

RoutedKey MapKey(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers) {
  const bool ctrlOnly =
      (modifiers & Qt::ControlModifier) && !(modifiers & (Qt::AltModifier | Qt::MetaModifier));
  // Ctrl+0 is not among them: it is left to the board widget.
  if (ctrlOnly && qtKey >= Qt::Key_1 && qtKey <= Qt::Key_9) {
    return {HandExclusionKey(qtKey - Qt::Key_0), 0};
  }
  for (const NamedKey& named : kNamedKeys) {
    if (named.qtKey == qtKey) return {named.keyCode, named.keyAscii};
  }
  RoutedKey key;
  if (qtKey == Qt::Key_Space) {
    key.keyCode = kKeySpace;
  } else if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    // Keypad digits report the same Qt keys, so they type digits as well.
    key.keyCode = static_cast<std::int16_t>(qtKey);  // Qt::Key_0 is '0', 48
  } else if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
    key.keyCode = static_cast<std::int16_t>(qtKey);  // Qt::Key_A is 'A', 65
  } else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) {
    key.keyCode = static_cast<std::int16_t>(kKeyF1 + (qtKey - Qt::Key_F1));
  }
  key.keyAscii = PrintableAscii(text);
  return key;
}
