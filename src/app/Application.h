#pragma once

// What the whole application shares: its style, its icon and the set-up of every run.

#include <QIcon>
#include <QProxyStyle>

class QApplication;

// The desktop style with two changes:
// - pressing and releasing Alt alone does not move the keyboard focus to
//   the menu bar, so the board keeps it; Alt with a letter still opens the
//   menus;
// - the menu bar's overflow arrow, which the two short menus never need,
//   is read only when first drawn: reading it at start-up would load every
//   image-format plugin.
class NuminoStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
  QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;
};

// The program's icon, from the picture built into the program.
QIcon NuminoIcon();

// What every run needs before the window is made: the style, Qt's Italian
// texts whatever the user's language, the board font, the icon, and the
// board's accessible table.
void SetUpApplication(QApplication& app);
