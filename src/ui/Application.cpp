#include "ui/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTranslator>

#include "ui/BoardFont.h"

int AltKeyStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const {
  if (hint == QStyle::SH_MenuBar_AltKeyNavigation) return 0;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

// The picture lives in a static library, whose resources are registered
// only when asked for by name.
static void RegisterResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(numino);
    return true;
  }();
  (void)registered;
}

QIcon NuminoIcon() {
  RegisterResources();
  // From a pixmap, so that no icon-engine plugin is looked for.
  return QIcon(QPixmap(QStringLiteral(":/icons/numino.png"), "PNG"));
}

void SetUpApplication(QApplication& app) {
  QApplication::setStyle(new AltKeyStyle);  // the application owns it

  // The program speaks Italian; without the translation it still runs,
  // with Qt's English button texts.
  QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qtbase_it"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  } else {
    delete translator;
  }

  QApplication::setFont(BoardFont());
  QApplication::setWindowIcon(NuminoIcon());
}
