// What every run sets up once: the style, Qt's Italian texts, the font and the icon.

#include "app/Application.h"

#include <QApplication>
#include <QIconEngine>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTranslator>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "accessible/BoardAccessible.h"
#include "board/BoardFont.h"
#include "board/BoardWidget.h"
#include "window/frmNumino.h"

void PreferUtf8CharacterType() {
  const char* named = std::setlocale(LC_CTYPE, "");
  const bool plain = named && (std::strcmp(named, "C") == 0 || std::strcmp(named, "POSIX") == 0);
  const bool available = plain && std::setlocale(LC_CTYPE, "C.UTF-8");
  std::setlocale(LC_CTYPE, "C");
  if (!available) return;
  // Qt reads the locale from the environment; LC_ALL outranks LC_CTYPE.
  const char* all = std::getenv("LC_ALL");
  setenv(all && *all ? "LC_ALL" : "LC_CTYPE", "C.UTF-8", 1);
}

namespace {

// Asks the style for one of its icons the first time the icon is used.
class DeferredIconEngine : public QIconEngine {
 public:
  DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap which)
      : style_(style), which_(which) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().actualSize(size, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().pixmap(size, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return Icon().availableSizes(mode, state);
  }
  bool isNull() override { return false; }
  QIconEngine* clone() const override { return new DeferredIconEngine(style_, which_); }

 private:
  const QIcon& Icon() {
    if (!loaded_) {
      icon_ = style_->standardIcon(which_);
      loaded_ = true;
    }
    return icon_;
  }

  const QStyle* style_;
  QStyle::StandardPixmap which_;
  QIcon icon_;
  bool loaded_ = false;
};

// The board's accessible table reads the schema of the window it is in.
const numino::NuminoSchema* SchemaOfWindowsBoard(QObject* object) {
  auto* board = qobject_cast<BoardWidget*>(object);
  auto* window = board ? qobject_cast<frmNumino*>(board->window()) : nullptr;
  return window ? &window->Schema() : nullptr;
}

}  // namespace

// The picture lives in a static library, whose resources are registered
// only when asked for by name. Outside any namespace, as the macro needs.
static void RegisterResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(numino);
    return true;
  }();
  (void)registered;
}

int NuminoStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const {
  if (hint == QStyle::SH_MenuBar_AltKeyNavigation) return 0;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QIcon NuminoStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                const QWidget* widget) const {
  if (standardIcon == SP_ToolBarHorizontalExtensionButton ||
      standardIcon == SP_ToolBarVerticalExtensionButton) {
    return QIcon(new DeferredIconEngine(baseStyle(), standardIcon));
  }
  return QProxyStyle::standardIcon(standardIcon, option, widget);
}

// Read by Qt's built-in PNG reader alone: guessing the format would load
// every image-format plugin, and an icon made from a file would look for
// icon-engine plugins.
QIcon NuminoIcon() {
  RegisterResources();
  QImageReader reader(QStringLiteral(":/icons/numino.png"), "png");
  reader.setAutoDetectImageFormat(false);
  return QIcon(QPixmap::fromImage(reader.read()));
}

void SetUpApplication(QApplication& app) {
  QApplication::setStyle(new NuminoStyle);  // the application owns it

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
  InstallBoardAccessibility(SchemaOfWindowsBoard);
}
