#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/Application.h"
#include "board/ZoomMemory.h"

namespace {

// A test that zooms (even by a stray key) leaves no zoom for the next test
// to start with.
class ForgetZoom : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override { QFile::remove(ZoomMemoryPath()); }
};

}  // namespace

// The window tests need one QApplication for the whole program, set up as
// the program sets up its own (style, Italian texts, font, icon). They run
// on the offscreen platform unless another is asked for, with a configuration
// folder of their own, so that what they remember (the zoom) comes from no
// earlier run and reaches no user's folder.
int main(int argc, char** argv) {
  const QTemporaryDir config;
  if (!config.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                  : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  SetUpApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetZoom);
  return RUN_ALL_TESTS();
}
