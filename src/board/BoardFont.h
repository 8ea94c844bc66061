#pragma once

#include <QFont>

// The window font, which every digit on the board is printed in: Arial at
// 16 pixels (12 points on a 96-dpi screen), asked for in pixels so that it does
// not change with the screen's dpi. On Debian, Liberation Sans (same metrics)
// stands in for Arial.
inline QFont BoardFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(16);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::SansSerif);
  // Glyph shapes must not change with the screen's scale.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}
