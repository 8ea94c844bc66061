#include "ui/KeyMapping.h"

#include <Qt>

namespace {

// Virtual-key codes of the keys that have one besides digits and letters.
struct NamedKey {
  int qtKey;
  std::int16_t keyCode;
  std::int16_t keyAscii;  // the character the key types, 0 for none
};

constexpr NamedKey kNamedKeys[] = {
    {Qt::Key_Backspace, 8, 8}, {Qt::Key_Tab, 9, 9},
    {Qt::Key_Backtab, 9, 9},  // Shift+Tab still redoes
    {Qt::Key_Return, 13, 13},  {Qt::Key_Enter, 13, 13},
    {Qt::Key_Escape, 27, 27},  {Qt::Key_PageUp, 33, 0},
    {Qt::Key_PageDown, 34, 0}, {Qt::Key_End, 35, 0},
    {Qt::Key_Home, 36, 0},     {Qt::Key_Left, 37, 0},
    {Qt::Key_Up, 38, 0},       {Qt::Key_Right, 39, 0},
    {Qt::Key_Down, 40, 0},     {Qt::Key_Insert, 45, 0},
    {Qt::Key_Delete, 46, 0},  // X reports 127 as its text: it types nothing
};

constexpr std::int16_t kFirstFunctionKeyCode = 112;  // F1; F12 is 123

// Only one printable ASCII character counts as typed; control characters
// other than the named keys' and anything outside ASCII type nothing.
std::int16_t PrintableAscii(const QString& text) {
  if (text.size() != 1) return 0;
  const char16_t c = text.front().unicode();
  return (c >= 32 && c <= 126) ? static_cast<std::int16_t>(c) : std::int16_t{0};
}

}  // namespace

InputCodes MapKey(int qtKey, const QString& text) {
  for (const NamedKey& named : kNamedKeys) {
    if (named.qtKey == qtKey) return {named.keyCode, named.keyAscii};
  }
  InputCodes codes;
  if (qtKey == Qt::Key_Space) {
    codes.keyCode = 32;
  } else if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    // Keypad digits report the same Qt keys, so they type digits as well.
    codes.keyCode = static_cast<std::int16_t>(qtKey);  // Qt::Key_0 is '0', 48
  } else if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
    codes.keyCode = static_cast<std::int16_t>(qtKey);  // Qt::Key_A is 'A', 65
  } else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) {
    codes.keyCode = static_cast<std::int16_t>(kFirstFunctionKeyCode + (qtKey - Qt::Key_F1));
  }
  codes.keyAscii = PrintableAscii(text);
  return codes;
}
