#pragma once

#include <QIcon>
#include <QProxyStyle>

class QApplication;

// The desktop style with one change: pressing and releasing Alt alone does
// not move the keyboard focus to the menu bar, so the board keeps it. Alt
// with a letter still opens the menus.
class AltKeyStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
};

// The program's icon, from the picture built into the program.
QIcon NuminoIcon();

// What every run needs before the window is made: the Alt key style, Qt's
// Italian texts whatever the user's language, the board font and the icon.
void SetUpApplication(QApplication& app);
