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

// Before QApplication: where the environment names the plain C locale (or
// none), as in containers and scripts, the character type becomes
// C.UTF-8. Qt needs UTF-8 and makes that same switch itself, but Qt 6.8
// reports it in four lines on the error stream at every start. Any other
// locale is left to Qt.
void PreferUtf8CharacterType();

// What every run needs before the window is made: the style, Qt's Italian
// texts whatever the user's language, the board font, the icon, and the
// board's accessible table.
void SetUpApplication(QApplication& app);
