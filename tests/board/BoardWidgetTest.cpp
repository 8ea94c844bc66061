#include "board/BoardWidget.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtMath>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "display/BoardColours.h"
#include "support/FakePlatform.h"
#include "support/QtTestSupport.h"
#include "window/frmNumino.h"

namespace {

using numino::testing::kBoardSide;
using numino::testing::ShowActive;

// A board in a window with a second widget that takes the focus, so that
// a Tab that moved the focus would be noticed. Records every signal.
class BoardWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // as the main window's
    board = new BoardWidget;
    edit = new QLineEdit;
    layout->addWidget(board);
    layout->addWidget(edit);
    QObject::connect(board, &BoardWidget::KeyDown, [this](std::int16_t code) {
      events.push_back("down " + std::to_string(code));
    });
    QObject::connect(board, &BoardWidget::KeyPress, [this](std::int16_t code) {
      events.push_back("char " + std::to_string(code));
    });
    QObject::connect(board, &BoardWidget::CopyRequested, [this] { events.push_back("copy"); });
    QObject::connect(board, &BoardWidget::PasteRequested, [this] { events.push_back("paste"); });
    QObject::connect(board, &BoardWidget::MouseUp, [this](std::int16_t button, int x, int y) {
      events.push_back("up " + std::to_string(button) + " " + std::to_string(x) + "," +
                       std::to_string(y));
    });
    QObject::connect(board, &BoardWidget::ZoomChanged, [this](qreal zoom) {
      events.push_back("zoom " + QString::number(zoom).toStdString());
    });
    ASSERT_TRUE(ShowActive(window, *board));
  }

  QWidget window;
  BoardWidget* board = nullptr;
  QLineEdit* edit = nullptr;
  std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST_F(BoardWidgetTest, KeysGiveOneKeyDownThenOneCharacter) {
  struct Row {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Events expected;
    const char* reason;
  };
  const Row rows[] = {
      {Qt::Key_7, {}, {"down 55", "char 55"}, "a digit: key code first, then the character"},
      {Qt::Key_7, Qt::KeypadModifier, {"down 55", "char 55"}, "a keypad digit types a digit"},
      {Qt::Key_Left, {}, {"down 37"}, "arrows type nothing"},
      {Qt::Key_Delete, {}, {"down 46"}, "Delete types nothing"},
      {Qt::Key_Backspace, {}, {"down 8", "char 8"}, ""},
      {Qt::Key_Tab, {}, {"down 9", "char 9"}, "Tab reaches the board, focus stays"},
      {Qt::Key_Backtab, Qt::ShiftModifier, {"down 9", "char 9"}, "so does Shift+Tab"},
      {Qt::Key_Shift, {}, {}, "a modifier alone gives nothing"},
      {Qt::Key_C, Qt::ControlModifier, {"copy"}, "Ctrl+C copies, and reaches no puzzle input"},
      {Qt::Key_V, Qt::ControlModifier, {"paste"}, "Ctrl+V pastes, and reaches no puzzle input"},
      {Qt::Key_V, {}, {"down 86", "char 118"}, "V alone is still a key like any other"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    events.clear();
    QTest::keyClick(board, r.key, r.modifiers);
    EXPECT_EQ(events, r.expected);
    EXPECT_TRUE(board->hasFocus());
  }
}

TEST_F(BoardWidgetTest, ButtonReleasesGiveButtonAndPixel) {
  struct Row {
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    QPoint at;
    std::string expected;
    const char* reason;
  };
  const Row rows[] = {
      {Qt::RightButton, {}, {100, 227}, "up 2 100,227", ""},
      {Qt::MiddleButton, {}, {40, 41}, "up 4 40,41", ""},
      {Qt::LeftButton,
       Qt::ControlModifier,
       {3, 235},
       "up 1 3,235",
       "modifiers are not passed; the margin goes through too"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    events.clear();
    QTest::mouseClick(board, r.button, r.modifiers, r.at);
    EXPECT_EQ(events, Events{r.expected});
  }
}

TEST_F(BoardWidgetTest, PressAloneGivesNothingAndPositionsAreRounded) {
  QTest::mousePress(board, Qt::LeftButton, {}, {30, 30});
  EXPECT_TRUE(events.empty());
  QTest::mouseRelease(board, Qt::LeftButton, {}, {30, 30});
  EXPECT_EQ(events, Events{"up 1 30,30"});

  // 35.6 is in column 2 once rounded, in column 1 if cut.
  events.clear();
  const QPointF at(35.6, 12.4);
  QMouseEvent release(QEvent::MouseButtonRelease, at, board->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(board, &release);
  EXPECT_EQ(events, Events{"up 1 36,12"});
}

TEST_F(BoardWidgetTest, ShowsExactlyWhatWasDrawn) {
  QImageSurface& surface = board->Surface();
  surface.Clear();
  surface.FilledBox(12, 12, 35, 35, numino::kRed);
  surface.FilledBox(100, 100, 100, 100, numino::kGreen);
  board->ShowDrawing();
  const QImage shown = board->grab().toImage();
  const QImage& drawn = surface.Image();
  ASSERT_EQ(shown.size(), drawn.size());
  // Probes in the board's pixels, read in the device pixels of both images.
  const qreal ratio = drawn.devicePixelRatio();
  const auto at = [ratio](int x, int y) { return QPoint(qFloor(x * ratio), qFloor(y * ratio)); };
  for (const QPoint p : {QPoint(12, 12), QPoint(35, 35), QPoint(36, 36), QPoint(100, 100),
                         QPoint(101, 100), QPoint(0, 0), QPoint(239, 239)}) {
    SCOPED_TRACE(testing::Message() << p.x() << "," << p.y());
    EXPECT_EQ(shown.pixelColor(at(p.x(), p.y())), drawn.pixelColor(at(p.x(), p.y())));
  }
  EXPECT_EQ(shown.pixelColor(at(20, 20)), QColor(255, 0, 0));
  EXPECT_EQ(shown.pixelColor(at(100, 100)), QColor(0, 255, 0));
}

TEST_F(BoardWidgetTest, NewScreenRatioMakesANewImageAndAsksForARedraw) {
  int redraws = 0;
  QObject::connect(board, &BoardWidget::ImageRemade, [&redraws] { ++redraws; });
  const qreal screenRatio = board->devicePixelRatioF();

  QEvent sameScreen(QEvent::ScreenChangeInternal);
  QApplication::sendEvent(board, &sameScreen);
  EXPECT_EQ(redraws, 0) << "same ratio: the image stays";

  board->Surface().SetDevicePixelRatio(screenRatio + 1);  // as if it came from another screen
  QEvent moved(QEvent::ScreenChangeInternal);
  QApplication::sendEvent(board, &moved);
  EXPECT_EQ(redraws, 1);
  EXPECT_EQ(board->Surface().Image().devicePixelRatio(), screenRatio);
}

// The offscreen screen is 800 x 800: with the line edit below it, a board
// of 3 x 240 = 720 pixels fits, one of 4 x 240 = 960 does not.
TEST_F(BoardWidgetTest, ZoomKeysStepThroughTheZoomsAndNeverReachThePuzzle) {
  struct Row {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Events expected;
    qreal zoom;
    const char* reason;
  };
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
  const Row rows[] = {
      {Qt::Key_Plus, ctrl, {"zoom 1.5"}, 1.5, "Ctrl++"},
      {Qt::Key_Equal, ctrl, {"zoom 2"}, 2, "Ctrl+= is the same key unshifted"},
      {Qt::Key_Plus, ctrl | Qt::ShiftModifier, {"zoom 2.5"}, 2.5, "Ctrl+Shift+= types +"},
      {Qt::Key_Plus, ctrl, {"zoom 3"}, 3, ""},
      {Qt::Key_Plus, ctrl, {}, 3, "at 4 the window would not fit its screen"},
      {Qt::Key_Minus, ctrl | Qt::KeypadModifier, {"zoom 2.5"}, 2.5, "keypad -"},
      {Qt::Key_Plus, ctrl | Qt::KeypadModifier, {"zoom 3"}, 3, "keypad +"},
      {Qt::Key_0, ctrl, {"zoom 1"}, 1, "Ctrl+0 goes back to 1"},
      {Qt::Key_0, ctrl, {}, 1, "already at 1: nothing changes, nothing is written"},
      {Qt::Key_Minus, ctrl, {}, 1, "nothing below 1"},
      {Qt::Key_Plus, Qt::AltModifier | ctrl, {"char 43"}, 1, "Ctrl+Alt++ is no zoom key"},
      {Qt::Key_1, ctrl, {"down 257"}, 1, "Ctrl+1 still reaches the key mapping: a hand exclusion"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    events.clear();
    QTest::keyClick(board, r.key, r.modifiers);
    EXPECT_EQ(events, r.expected);
    EXPECT_EQ(board->Zoom(), r.zoom);
    EXPECT_EQ(board->size(), QSize(kBoardSide, kBoardSide) * r.zoom);
    EXPECT_EQ(window.size(), window.sizeHint()) << "the window follows at once";
    EXPECT_EQ(board->Surface().Image().width(),
              qRound(kBoardSide * r.zoom * board->devicePixelRatioF()));
  }
}

TEST_F(BoardWidgetTest, CtrlAndTheWheelZoomANotchAStep) {
  struct Row {
    int delta;
    Qt::KeyboardModifiers modifiers;
    qreal zoom;
    const char* reason;
  };
  const Row rows[] = {
      {120, Qt::ControlModifier, 1.5, "away from the user: in"},
      {60, Qt::ControlModifier, 1.5, "half a notch does nothing yet"},
      {60, Qt::ControlModifier, 2, "the second half makes the notch"},
      {-120, Qt::ControlModifier, 1.5, "towards the user: out"},
      {240, {}, 1.5, "without Ctrl the wheel does nothing"},
      {-360, Qt::ControlModifier, 1, "three notches, but nothing below 1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    const QPointF at(50, 50);
    QWheelEvent wheel(at, board->mapToGlobal(at), QPoint(), QPoint(0, r.delta), Qt::NoButton,
                      r.modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(board, &wheel);
    EXPECT_EQ(board->Zoom(), r.zoom);
  }
  EXPECT_TRUE(std::none_of(events.begin(), events.end(),
                           [](const std::string& e) { return e.rfind("zoom", 0) != 0; }));
}

TEST_F(BoardWidgetTest, ClicksAtAZoomReachTheCoreInTheBoardsPixels) {
  QTest::keyClick(board, Qt::Key_Equal, Qt::ControlModifier);
  ASSERT_EQ(board->Zoom(), 1.5);
  events.clear();
  QTest::mouseClick(board, Qt::LeftButton, {}, {17, 18});
  QTest::mouseClick(board, Qt::RightButton, {}, {359, 341});
  EXPECT_EQ(events, (Events{"up 1 11,12", "up 2 239,227"}));
}

}  // namespace

namespace {

// WCAG 2 contrast ratio of two colours, from their relative luminance.
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto linear = [](double v) {
      return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A theme change used to leave the board in the old colours until the
// program was started again. Hand marks were drawn in black, which a dark
// theme hid; they take the ink now, black as before on the standard palette.
TEST(BoardWidgetTheme, NewPaletteRedrawsTheBoardInItsColours) {
  QApplication::setPalette(QApplication::style()->standardPalette());
  numino::testing::FakePlatform platform;
  frmNumino window(platform);
  BoardWidget& board = window.Board();
  // 5 ruled out by hand in cell (5, 5): the middle one of its 3 x 3 marks of
  // 6 pixels that start 3 pixels inside the grid lines at 108: 117..122.
  window.Schema().userExclusions[5][5] = 1 << 4;
  window.Schema().Refresh(board.Surface());
  const QColor before = numino::testing::BoardPixel(board, 24, 24);  // inside cell (1, 1)
  EXPECT_EQ(numino::testing::BoardPixel(board, 119, 120), QColor(Qt::black)) << "hand mark";

  board.setPalette(
      numino::testing::BoardPalette(QColor(30, 30, 40), QColor(230, 230, 230), QColor(60, 60, 60)));

  EXPECT_NE(before, QColor(30, 30, 40));
  EXPECT_EQ(numino::testing::BoardPixel(board, 24, 24), QColor(30, 30, 40)) << "cell background";
  EXPECT_EQ(numino::testing::BoardPixel(board, 12, 100), QColor(230, 230, 230)) << "border";
  EXPECT_EQ(numino::testing::BoardPixel(board, 5, 5), QColor(60, 60, 60)) << "margin";
  EXPECT_GE(Contrast(numino::testing::BoardPixel(board, 119, 120), QColor(30, 30, 40)), 3.0)
      << "hand mark";
}

}  // namespace
