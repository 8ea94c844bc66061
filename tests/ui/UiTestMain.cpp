#include <QApplication>

#include <gtest/gtest.h>

#include "ui/Application.h"

// The window tests need one QApplication for the whole program, set up as
// the program sets up its own (style, Italian texts, font, icon). They run
// on the offscreen platform unless another is asked for.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                  : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  SetUpApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
