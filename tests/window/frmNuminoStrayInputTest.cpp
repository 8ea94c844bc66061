// Input the puzzle has no use for must leave it alone: every key but the
// few it acts on, with any modifiers, clicks off the cells, the buttons it
// ignores, and the menu bar. Double clicks act twice, as two releases.
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/FakePlatform.h"
#include "support/ModelSnapshot.h"
#include "support/QtTestSupport.h"
#include "window/frmNumino.h"

namespace {

using numino::NuminoSchema;
using numino::testing::CellMiddle;
using numino::testing::FakePlatform;
using numino::testing::ModalScript;
using numino::testing::ModelSnapshot;
using numino::testing::ShowActive;

// The text a key types, roughly as X gives it: a Latin-1 key types its
// character, lower-case without Shift, a control character with Ctrl;
// Escape and the two Enter keys type theirs; other keys type nothing.
QString TextOf(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_Escape) return QStringLiteral("\x1b");
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return QStringLiteral("\r");
  if (key > 0xff) return {};
  QChar c(key);
  if (c.isLetter() && key < 0x80) {
    if (modifiers & Qt::ControlModifier) return QChar(key & 0x1f);
    if (!(modifiers & Qt::ShiftModifier)) c = c.toLower();
  }
  return c;
}

// The window shown and active, on a puzzle with 7 in the current cell
// (5, 5) and the 7 ruled out by hand in (9, 9). Any message box that
// comes up fails the test and is closed.
class StrayInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ShowActive(window, board));
    QTest::mouseClick(&board, Qt::LeftButton, {}, CellMiddle(5, 5));
    QTest::keyClick(&board, Qt::Key_7);
    QTest::mouseClick(&board, Qt::RightButton, {}, CellMiddle(9, 9));
    ASSERT_EQ(schema.cellValues[5][5], 7);
    ASSERT_EQ(schema.userExclusions[9][9], 1 << 6);
  }

  // Nothing changed and nothing opened; the board still has the keys.
  void ExpectNothingHappened(const ModelSnapshot& before, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(ModelSnapshot(schema) == before);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(board.hasFocus());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Numino - (Senza nome)"));
  }

  FakePlatform platform;
  frmNumino window{platform, QStringLiteral("Numino")};
  BoardWidget& board = window.Board();
  NuminoSchema& schema = window.Schema();
  ModalScript noBoxes;  // any box that comes up fails the test, and is closed
};

// Whether the key is one of the platform's copy or paste keys (Ctrl+C,
// Shift+Insert...), which act on the clipboard; compared as
// QKeyEvent::matches compares, without the keypad modifier.
bool IsClipboardKey(int key, Qt::KeyboardModifiers modifiers) {
  const QKeySequence pressed(
      QKeyCombination(modifiers & ~Qt::KeypadModifier, static_cast<Qt::Key>(key)));
  return QKeySequence::keyBindings(QKeySequence::Copy).contains(pressed) ||
         QKeySequence::keyBindings(QKeySequence::Paste).contains(pressed);
}

// Every key Qt names, with every modifier, other than the ones the puzzle
// acts on: the digits, Delete, the arrows, Backspace and Tab, and the copy
// and paste keys, tested with the clipboard. The keys go
// where the application sends them (the focus or an open menu), so that
// menu shortcuts take part. Alt with F or ? opens a menu and is left out.
// Several thousand keys: the test shows only the first that did something.
TEST_F(StrayInput, KeysThePuzzleDoesNotUseChangeNothing) {
  const std::set<int> used = {
      Qt::Key_0,  Qt::Key_1,     Qt::Key_2,    Qt::Key_3,         Qt::Key_4,      Qt::Key_5,
      Qt::Key_6,  Qt::Key_7,     Qt::Key_8,    Qt::Key_9,         Qt::Key_Delete, Qt::Key_Left,
      Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Backspace, Qt::Key_Tab,    Qt::Key_Backtab,
  };
  struct Range {
    int first, last;
  };
  const Range ranges[] = {
      {0x20, 0xff},              // Latin-1 characters
      {0x01000000, 0x0100011f},  // editing, function, modifier and media keys
      {0x01001100, 0x0100126f},  // AltGr, compose, input-method and dead keys
      {0x01010000, 0x01010004},  // Select, Yes, No, Cancel, Printer...
      {0x01020001, 0x01020006},  // Play, Sleep, Zoom, Exit...
      {0x01100000, 0x01100021},  // telephone and camera keys
  };
  const Qt::KeyboardModifiers modifierSets[] = {
      Qt::NoModifier,      Qt::ShiftModifier,
      Qt::ControlModifier, Qt::ControlModifier | Qt::ShiftModifier,
      Qt::AltModifier,     Qt::MetaModifier,
      Qt::KeypadModifier,
  };
  const ModelSnapshot before(schema);
  int pressed = 0;
  for (const Range& range : ranges) {
    for (int key = range.first; key <= range.last; ++key) {
      if (used.count(key)) continue;
      for (const Qt::KeyboardModifiers modifiers : modifierSets) {
        if (modifiers == Qt::AltModifier && (key == Qt::Key_F || key == Qt::Key_Question)) continue;
        if (IsClipboardKey(key, modifiers)) continue;
        QTest::sendKeyEvent(QTest::Click, static_cast<QWidget*>(nullptr), static_cast<Qt::Key>(key),
                            TextOf(key, modifiers), modifiers);
        ++pressed;
        if (ModelSnapshot(schema) == before && QApplication::activePopupWidget() == nullptr &&
            board.hasFocus()) {
          continue;
        }
        ExpectNothingHappened(before, QStringLiteral("key 0x%1, modifiers 0x%2")
                                          .arg(key, 0, 16)
                                          .arg(modifiers.toInt(), 0, 16)
                                          .toStdString());
        return;
      }
    }
  }
  QTest::qWait(50);  // a box opened by the last key would be seen now
  ExpectNothingHappened(before, "after all keys");
  EXPECT_GT(pressed, 3000);
}

TEST_F(StrayInput, ClicksOffTheCellsAndIgnoredButtonsChangeNothing) {
  struct Row {
    Qt::MouseButton button;
    QPoint at;
    const char* what;
  };
  const Row rows[] = {
      {Qt::LeftButton, {0, 0}, "the margin's top-left corner"},
      {Qt::RightButton, {239, 239}, "the margin's bottom-right corner"},
      {Qt::RightButton, {11, 100}, "just left of the board"},
      {Qt::RightButton, {100, 228}, "on the board's bottom line"},
      {Qt::LeftButton, {-30, 100}, "released left of the window, after a drag"},
      {Qt::RightButton, {300, 500}, "released below the window, after a drag"},
      {Qt::MiddleButton, CellMiddle(1, 1), "the middle button on a cell"},
      {Qt::BackButton, CellMiddle(1, 1), "a side button on a cell"},
      {Qt::ForwardButton, CellMiddle(9, 9), "the other side button"},
  };
  const ModelSnapshot before(schema);
  for (const Row& r : rows) {
    QTest::mousePress(&board, r.button, {}, CellMiddle(3, 3));
    QTest::mouseRelease(&board, r.button, {}, r.at);
    ExpectNothingHappened(before, r.what);
  }
}

// What a double click delivers: press, release, press, double click,
// release.
void DoubleClick(QWidget* widget, Qt::MouseButton button, QPoint at) {
  QTest::mouseClick(widget, button, {}, at);
  QTest::mousePress(widget, button, {}, at);
  QMouseEvent twice(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), button, button,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &twice);
  QTest::mouseRelease(widget, button, {}, at);
}

TEST_F(StrayInput, DoubleClicksActTwice) {
  const ModelSnapshot before(schema);
  DoubleClick(&board, Qt::RightButton, CellMiddle(8, 1));
  EXPECT_EQ(schema.userExclusions[8][1], 0) << "ruled out, then admitted again";
  EXPECT_EQ(schema.history.size(), before.records + 2);

  DoubleClick(&board, Qt::LeftButton, CellMiddle(2, 3));
  EXPECT_EQ(schema.currentRow, 2);
  EXPECT_EQ(schema.currentCol, 3);
  EXPECT_EQ(schema.history.size(), before.records + 2) << "selecting is not recorded";
}

TEST_F(StrayInput, MenuBarClicksLeaveTheKeysWithTheBoard) {
  QMenuBar* bar = window.menuBar();
  auto* file = window.findChild<QMenu*>(QStringLiteral("mnuFile"));
  const ModelSnapshot before(schema);

  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 5, bar->height() / 2));
  ExpectNothingHappened(before, "a click on the empty part of the menu bar");

  const QRect fileTitle = bar->actionGeometry(file->menuAction());
  QTest::mouseClick(bar, Qt::LeftButton, {}, fileTitle.center());
  ASSERT_TRUE(QTest::qWaitFor([file] { return file->isVisible(); }, 2000));
  QTest::keyClick(file, Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([file] { return !file->isVisible(); }, 2000));
  EXPECT_TRUE(ModelSnapshot(schema) == before) << "opening and closing a menu changes nothing";

  QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_3);
  EXPECT_EQ(schema.cellValues[5][5], 3) << "the next digit goes to the current cell";
}

}  // namespace
