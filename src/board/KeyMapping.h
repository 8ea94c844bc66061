#pragma once

#include <QString>
#include <Qt>

#include <cstdint>

// How a Qt key press reaches the puzzle core: the virtual-key code of the
// key-down event (0 when the key has none) and the character it types
// (0 when it types none).
struct RoutedKey {
  std::int16_t keyCode = 0;
  std::int16_t keyAscii = 0;
};

// Maps from QKeyEvent::key() (never from native codes); text() only supplies
// the printable character of keys not handled by name. Of the modifiers only
// Ctrl counts, and only with a digit 1..9: that is a hand exclusion, which
// types nothing. Shift may be held too, for keyboards whose digit row needs
// it; with Alt or Meta the key is an ordinary one.
RoutedKey MapKey(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
