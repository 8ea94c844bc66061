// The floor for start-up time and memory with our toolkit: a Qt main window
// with a menu bar and nothing else. scripts/bench starts it side by side with
// Numino; whatever Numino needs beyond this is the cost of the program itself.

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Finestra vuota"));
  QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("&Nuovo..."));
  file->addAction(QStringLiteral("&Apri..."));
  file->addAction(QStringLiteral("&Salva"));
  file->addSeparator();
  QAction* quit = file->addAction(QStringLiteral("&Esci"));
  QObject::connect(quit, &QAction::triggered, &app, &QApplication::quit);
  window.show();
  return app.exec();
}
