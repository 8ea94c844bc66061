#include "window/frmNumino.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include "board/ZoomMemory.h"
#include "support/FakePlatform.h"
#include "support/QtTestSupport.h"

namespace {

using numino::testing::BoardPixel;
using numino::testing::FakePlatform;
using numino::testing::kBoardSide;
using numino::testing::ShowActive;

TEST(frmNuminoStart, TitleIsProgramNameAndUntitled) {
  FakePlatform platform;
  frmNumino named(platform, QStringLiteral("Numino"));
  EXPECT_EQ(named.windowTitle(), QStringLiteral("Numino - (Senza nome)"));
  // Without a name given, the executable's name without its folder.
  frmNumino own(platform);
  EXPECT_EQ(own.windowTitle(), QStringLiteral("numino_ui_tests - (Senza nome)"));
}

TEST(frmNuminoStart, BoardIsDrawnBeforeTheWindowIsShown) {
  FakePlatform platform;
  frmNumino window(platform, QStringLiteral("Numino"));
  ASSERT_FALSE(window.isVisible());
  BoardWidget& board = window.Board();
  const QColor ink = board.palette().color(QPalette::ButtonText);
  const QColor paper = board.palette().color(QPalette::Base);
  EXPECT_EQ(BoardPixel(board, 84, 50), ink) << "box line, first pixel";
  EXPECT_EQ(BoardPixel(board, 85, 50), ink) << "box line, second pixel";
  EXPECT_EQ(BoardPixel(board, 86, 50), paper);
  EXPECT_EQ(BoardPixel(board, 12, 100), ink) << "left border";
  EXPECT_EQ(BoardPixel(board, 20, 14), ink) << "current-cell frame in row 1, column 1";
  EXPECT_EQ(BoardPixel(board, 20, 38), paper) << "no frame in row 2";
}

TEST(frmNuminoStart, IconIsTheNineSquares) {
  FakePlatform platform;
  frmNumino window(platform, QStringLiteral("Numino"));
  const QImage icon = window.windowIcon().pixmap(QSize(32, 32), 1.0).toImage();
  ASSERT_EQ(icon.size(), QSize(32, 32));
  struct Probe {
    int x, y;
    QColor colour;
    const char* what;
  };
  const Probe probes[] = {
      {0, 0, Qt::black, "corner"},
      {31, 31, Qt::black, "corner"},
      {2, 2, Qt::green, "top-left square"},
      {9, 9, Qt::green, "top-left square"},
      {10, 5, Qt::black, "line between"},
      {12, 2, Qt::white, "top-middle square"},
      {19, 9, Qt::white, "top-middle square"},
      {22, 22, Qt::red, "bottom-right square"},
      {29, 29, Qt::red, "bottom-right square"},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << p.what << " at " << p.x << "," << p.y);
    EXPECT_EQ(icon.pixelColor(p.x, p.y), p.colour);
  }
}

TEST(frmNuminoMenus, CaptionsNamesAndOrder) {
  FakePlatform platform;
  frmNumino window(platform, QStringLiteral("Numino"));
  const QList<QAction*> bar = window.menuBar()->actions();
  ASSERT_EQ(bar.size(), 2);
  struct Item {
    const char* name;
    const char* caption;
  };
  const struct {
    const char* name;
    const char* caption;
    std::vector<Item> items;
  } menus[] = {
      {"mnuFile",
       "&File",
       {{"mnuNuovo", "&Nuovo..."},
        {"mnuApri", "&Apri..."},
        {"mnuSalva", "&Salva"},
        {"mnuSalvaConNome", "Salva con &nome..."},
        {"mnuSeparator1", ""},
        {"mnuEsci", "&Esci"}}},
      {"mnuHelp", "&?", {{"mnuInfo", "Informazioni su Numino"}}},
  };
  for (int m = 0; m < 2; ++m) {
    SCOPED_TRACE(menus[m].name);
    QMenu* menu = bar[m]->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QString::fromLatin1(menus[m].name));
    EXPECT_EQ(bar[m]->text(), QString::fromUtf8(menus[m].caption));
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(menus[m].items.size()));
    for (qsizetype i = 0; i < actions.size(); ++i) {
      const Item& item = menus[m].items[static_cast<std::size_t>(i)];
      SCOPED_TRACE(item.name);
      EXPECT_EQ(actions[i]->objectName(), QString::fromLatin1(item.name));
      EXPECT_EQ(actions[i]->isSeparator(), *item.caption == '\0');
      if (!actions[i]->isSeparator()) {
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(item.caption));
      }
      EXPECT_TRUE(actions[i]->shortcut().isEmpty());
      EXPECT_TRUE(actions[i]->isEnabled());
      EXPECT_FALSE(actions[i]->isCheckable());
    }
  }
}

TEST(frmNuminoWindow, CannotBeResized) {
  FakePlatform platform;
  frmNumino window(platform, QStringLiteral("Numino"));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_EQ(window.Board().size(), QSize(kBoardSide, kBoardSide));
  EXPECT_EQ(window.Board().geometry().top(), window.menuBar()->geometry().bottom() + 1)
      << "the board starts right below the menu bar";
}

// The window shown and active, with a second widget that takes the focus so
// that a Tab moving the focus away from the board would be noticed.
class frmNuminoInput : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* edit = new QLineEdit(&window);
    edit->move(0, 0);
    ASSERT_TRUE(ShowActive(window, board));
  }

  FakePlatform platform;
  frmNumino window{platform, QStringLiteral("Numino")};
  BoardWidget& board = window.Board();
  numino::NuminoSchema& schema = window.Schema();
};

TEST_F(frmNuminoInput, DigitKeyChangesTheCellOnce) {
  QTest::keyClick(&board, Qt::Key_7);
  EXPECT_EQ(schema.cellValues[1][1], 7);
  EXPECT_EQ(schema.history.size(), 1u) << "key-down and character together make one change";
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Numino - (Senza nome)"))
      << "typing never changes the title";
}

TEST_F(frmNuminoInput, EditingKeysReachTheModel) {
  struct Step {
    Qt::Key key;
    int row, col;         // the current cell afterwards
    int value;            // the value of cell (1, 2) afterwards
    std::size_t applied;  // history records applied afterwards
    const char* what;
  };
  const Step steps[] = {
      {Qt::Key_Right, 1, 2, 0, 0, "right arrow"},
      {Qt::Key_4, 1, 2, 4, 1, "type 4"},
      {Qt::Key_Down, 2, 2, 4, 1, "down arrow"},
      {Qt::Key_Up, 1, 2, 4, 1, "up arrow"},
      {Qt::Key_Delete, 1, 2, 0, 2, "Delete empties"},
      {Qt::Key_Backspace, 1, 2, 4, 1, "Backspace undoes the Delete"},
      {Qt::Key_Tab, 1, 2, 0, 2, "Tab redoes it, the focus stays"},
      {Qt::Key_Left, 1, 1, 0, 2, "left arrow"},
      {Qt::Key_Left, 1, 1, 0, 2, "stops at the edge"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    QTest::keyClick(&board, s.key);
    EXPECT_EQ(schema.currentRow, s.row);
    EXPECT_EQ(schema.currentCol, s.col);
    EXPECT_EQ(schema.cellValues[1][2], s.value);
    EXPECT_EQ(schema.historyPos + 1, static_cast<std::ptrdiff_t>(s.applied));
    EXPECT_TRUE(board.hasFocus());
  }
}

TEST_F(frmNuminoInput, ClicksSelectAndRuleOut) {
  // Cell (3, 5) spans x 108..131 and y 60..83.
  QTest::mouseClick(&board, Qt::LeftButton, {}, QPoint(110, 70));
  EXPECT_EQ(schema.currentRow, 3);
  EXPECT_EQ(schema.currentCol, 5);
  QTest::keyClick(&board, Qt::Key_6);

  // A right click rules the current cell's 6 out of the clicked cell (9, 9).
  QTest::mouseClick(&board, Qt::RightButton, {}, QPoint(227, 227));
  EXPECT_EQ(schema.userExclusions[9][9], 1 << 5);
  EXPECT_EQ(schema.currentRow, 3) << "a right click does not move the current cell";

  QTest::mouseClick(&board, Qt::LeftButton, {}, QPoint(228, 100));
  EXPECT_EQ(schema.currentCol, 5) << "right of the board: no cell";
  QTest::mouseClick(&board, Qt::LeftButton, {}, QPoint(12, 12));
  EXPECT_EQ(schema.currentRow, 1);
  EXPECT_EQ(schema.currentCol, 1);
}

TEST_F(frmNuminoInput, AltAloneLeavesTheFocusOnTheBoard) {
  QTest::keyPress(&board, Qt::Key_Alt, Qt::AltModifier);
  QTest::keyRelease(&board, Qt::Key_Alt, Qt::NoModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
  EXPECT_TRUE(board.hasFocus());
  EXPECT_EQ(schema.cellValues[1][1], 3);
}

TEST_F(frmNuminoInput, AltWithAccessKeyOpensTheMenu) {
  auto* file = window.findChild<QMenu*>(QStringLiteral("mnuFile"));
  ASSERT_NE(file, nullptr);
  QTest::keyClick(&board, Qt::Key_F, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([file] { return file->isVisible(); }, 2000));
  file->close();
  EXPECT_EQ(schema.history.size(), 0u);
}

}  // namespace

namespace {

// The zoom kept between runs: what a start makes of the file, and that only
// zooming writes it. The offscreen screen is 800 x 800: with the menu bar a
// board of 3 x 240 pixels fits, one of 4 x 240 does not.
TEST(frmNuminoZoom, StartsAtTheRememberedZoomThatFits) {
  struct Row {
    const char* file;  // nullptr: none
    qreal zoom;
    const char* why;
  };
  const Row rows[] = {
      {nullptr, 1, "no file: zoom 1, and no file made"},
      {"[Board]\nzoom=2\n", 2, "as remembered"},
      {"[Board]\nzoom=2.5\n", 2.5, ""},
      {"[Board]\nzoom=4\n", 3, "too large for the screen: the largest that fits"},
      {"[Board]\nzoom=1e300\n", 3, ""},
      {"[Board]\nzoom=1.7\n", 1.5, "between steps: the step below"},
      {"[Board]\nzoom=grande\n", 1, "no number"},
      {"[Board]\nzoom=-2\n", 1, "no zoom"},
      {"[Board]\nzoom=nan\n", 1, ""},
      {"\x01\xff\xfe[[[=\n\0\0", 1, "no INI file"},
  };
  const QString path = ZoomMemoryPath();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    QFile::remove(path);
    if (r.file) {
      ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
      numino::testing::Put(path.toStdString(), r.file);
    }
    FakePlatform platform;
    frmNumino window(platform, QStringLiteral("Numino"));
    EXPECT_EQ(window.Board().Zoom(), r.zoom);
    EXPECT_EQ(window.Board().size(), QSize(kBoardSide, kBoardSide) * r.zoom)
        << "before it is first shown";
    EXPECT_EQ(window.Board().Surface().Image().width(), qRound(kBoardSide * r.zoom));
    EXPECT_EQ(QFileInfo::exists(path), r.file != nullptr) << "a start writes nothing";
  }
}

TEST(frmNuminoZoom, ZoomingWritesTheFileAndTheNextStartFollows) {
  const QString path = ZoomMemoryPath();
  QFile::remove(path);
  {
    FakePlatform platform;
    frmNumino window(platform, QStringLiteral("Numino"));
    ASSERT_TRUE(ShowActive(window, window.Board()));
    QTest::keyClick(&window.Board(), Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(&window.Board(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(RecallZoom(), 2);
    EXPECT_EQ(window.size(), QSize(480, 480 + window.menuBar()->height()));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
    EXPECT_EQ(BoardPixel(window.Board(), 85, 50), QColor(Qt::black)) << "redrawn at 2";
  }
  FakePlatform platform;
  frmNumino window(platform, QStringLiteral("Numino"));
  EXPECT_EQ(window.Board().Zoom(), 2);
  // A damaged file is replaced when the user zooms again.
  numino::testing::Put(path.toStdString(), "\x01\xff[[=");
  QTest::keyClick(&window.Board(), Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(RecallZoom(), 1.5);
}

}  // namespace
