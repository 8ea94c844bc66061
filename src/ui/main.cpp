// Starts the program: the application, the platform services and the one window.

#include <QApplication>

#include "ui/Application.h"
#include "ui/QtPlatform.h"
#include "ui/frmNumino.h"

int main(int argc, char** argv) {
  // Whole-number scale factors keep the board's one-pixel lines sharp.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Numino"));
  SetUpApplication(app);

  QtPlatform platform;
  frmNumino window(platform);
  platform.SetOwner(&window);
  window.show();
  return QApplication::exec();
}
