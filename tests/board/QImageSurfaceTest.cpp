// The board surface's primitives on their own: colours, exact pixel
// coverage, the area reported as painted, text and the device-pixel ratio.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <functional>

#include "board/BoardFont.h"
#include "board/QImageSurface.h"
#include "display/BoardColours.h"
#include "support/QtTestSupport.h"

namespace {

using numino::testing::kBoardSide;

using numino::Colour;

// Blue, since red is the low byte of a direct colour.
constexpr Colour kDirectBlue = Colour::Direct(0xFF0000);

// Distinct palette colours, so a mixed-up role shows.
const QRgb kBase = qRgb(250, 250, 210);
const QRgb kButtonText = qRgb(16, 32, 48);
const QRgb kWindow = qRgb(160, 160, 160);

struct Surface {
  explicit Surface(qreal ratio = 1)
      : s(QSize(kBoardSide, kBoardSide), ratio,
          numino::testing::BoardPalette(kBase, kButtonText, kWindow), BoardFont()) {
    s.Clear();
    s.TakeDirtyRect();
  }
  QRgb At(int x, int y) { return s.Image().pixel(x, y); }
  QImageSurface s;
};

TEST(QImageSurface, PaintsExactlyTheGivenPixels) {
  const QRgb kBlue = qRgb(0, 0, 255);
  const QRgb kRed = qRgb(255, 0, 0);
  struct Row {
    const char* why;
    std::function<void(QImageSurface&)> draw;
    // Over x, y 0..20. Fore and outline colours are direct ones, with red in
    // the low byte; system colour 5 is the palette's Base, 18 its
    // ButtonText, and Clear paints its Window colour.
    std::function<QRgb(int x, int y)> expected;
    QRect dirty;
  };
  const auto outline = [](int x, int y) { return x == 10 || x == 15 || y == 12 || y == 16; };
  const auto inBox = [](int x, int y) { return x >= 10 && x <= 15 && y >= 12 && y <= 16; };
  const Row rows[] = {
      {"a box includes both corners: outline in fore, interior in fill",
       [](QImageSurface& s) {
         s.SetForeColor(kDirectBlue);
         s.SetFillColor(numino::kBoardBackground);
         s.Box(10, 12, 15, 16);
       },
       [&](int x, int y) { return !inBox(x, y)    ? kWindow
                                  : outline(x, y) ? kBlue
                                                  : kBase; },
       QRect(10, 12, 6, 5)},
      {"a box with its own outline colour ignores the fore colour",
       [](QImageSurface& s) {
         s.SetForeColor(kDirectBlue);
         s.SetFillColor(numino::kBoardInk);
         s.Box(10, 12, 15, 16, numino::kRed);
       },
       [&](int x, int y) { return !inBox(x, y)    ? kWindow
                                  : outline(x, y) ? kRed
                                                  : kButtonText; },
       QRect(10, 12, 6, 5)},
      {"a filled box given by its corners backwards",
       [](QImageSurface& s) { s.FilledBox(15, 16, 10, 12, numino::kRed); },
       [&](int x, int y) { return inBox(x, y) ? kRed : kWindow; }, QRect(10, 12, 6, 5)},
      {"a vertical line includes both end points",
       [](QImageSurface& s) {
         s.SetForeColor(kDirectBlue);
         s.Line(4, 9, 4, 2);
       },
       [](int x, int y) { return x == 4 && y >= 2 && y <= 9 ? kBlue : kWindow; },
       QRect(4, 2, 1, 8)},
      {"a box reaching off the image is clipped",
       [](QImageSurface& s) { s.FilledBox(-5, -5, 2, 2, numino::kRed); },
       [](int x, int y) { return x <= 2 && y <= 2 ? kRed : kWindow; }, QRect(0, 0, 3, 3)},
      {"a box wholly off the image paints nothing",
       [](QImageSurface& s) { s.FilledBox(300, 5, 310, 8, numino::kRed); },
       [](int, int) { return kWindow; }, QRect()},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Surface surface;
    r.draw(surface.s);
    for (int y = 0; y <= 20; ++y)
      for (int x = 0; x <= 20; ++x) ASSERT_EQ(surface.At(x, y), r.expected(x, y)) << x << "," << y;
    EXPECT_EQ(surface.s.TakeDirtyRect(), r.dirty);
    EXPECT_EQ(surface.s.TakeDirtyRect(), QRect()) << "taking the area forgets it";
  }
}

// The pixels of the image that differ from the background colour.
QRect InkBounds(const QImage& image, QRgb background, int* darkness = nullptr) {
  QRect ink;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (p == background) continue;
      ink |= QRect(x, y, 1, 1);
      if (darkness) *darkness += 255 - qGray(p);
    }
  }
  return ink;
}

TEST(QImageSurface, TextIsTransparentAndWithinThePaintedArea) {
  Surface surface;
  surface.s.FilledBox(0, 0, 239, 239, numino::kGreen);
  surface.s.TakeDirtyRect();
  surface.s.SetForeColor(numino::kBoardInk);
  surface.s.Print(100, 50, "8");
  const QRect dirty = surface.s.TakeDirtyRect();
  const QRect ink = InkBounds(surface.s.Image(), qRgb(0, 255, 0));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(dirty.contains(ink));
  // The line's top is at y: the glyph lies between it and its bottom.
  EXPECT_GE(ink.top(), 50);
  EXPECT_LT(ink.bottom(), 50 + surface.s.TextHeight("8"));
  EXPECT_GE(ink.left(), 100 - 1);
  // The background around the glyph stays.
  EXPECT_EQ(surface.At(100, 50), qRgb(0, 255, 0));
}

TEST(QImageSurface, BoldPrintsHeavierForGood) {
  Surface regular, bold;
  bold.s.SetFontBold();
  bold.s.Print(10, 10, "8");
  bold.s.Clear();  // clearing keeps the font
  for (Surface* s : {&regular, &bold}) {
    s->s.SetForeColor(numino::kBoardInk);
    s->s.Print(10, 10, "8");
  }
  int regularInk = 0, boldInk = 0;
  InkBounds(regular.s.Image(), kWindow, &regularInk);
  InkBounds(bold.s.Image(), kWindow, &boldInk);
  EXPECT_GT(boldInk, regularInk * 5 / 4);
  EXPECT_GE(bold.s.TextWidth("8"), regular.s.TextWidth("8"));
}

TEST(QImageSurface, ImageHandedOutIsNotPaintedLater) {
  // The window may keep the image it was given; later drawing, text
  // included, must not reach into that copy.
  Surface surface;
  surface.s.SetForeColor(numino::kBoardInk);
  surface.s.Print(10, 10, "5");
  const QImage kept = surface.s.Image();
  const QImage snapshot = kept.copy();
  surface.s.Print(40, 10, "7");
  surface.s.FilledBox(80, 10, 90, 20, numino::kRed);
  EXPECT_EQ(kept, snapshot);
  EXPECT_NE(surface.s.Image(), snapshot);
}

TEST(QImageSurface, NewRatioGivesAClearedSharperImage) {
  Surface surface;
  surface.s.FilledBox(0, 0, 20, 20, numino::kRed);
  surface.s.SetDevicePixelRatio(2);
  const QImage& image = surface.s.Image();
  EXPECT_EQ(image.size(), QSize(480, 480));
  EXPECT_EQ(image.devicePixelRatio(), 2);
  EXPECT_EQ(InkBounds(image, kWindow), QRect());
  EXPECT_EQ(surface.s.TakeDirtyRect(), QRect(0, 0, 240, 240));
  // One logical pixel is two by two device pixels.
  surface.s.FilledBox(1, 1, 1, 1, numino::kRed);
  EXPECT_EQ(InkBounds(surface.s.Image(), kWindow), QRect(2, 2, 2, 2));
  EXPECT_EQ(surface.s.TakeDirtyRect(), QRect(1, 1, 1, 1));
}

}  // namespace
