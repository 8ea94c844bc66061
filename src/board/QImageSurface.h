#pragma once

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QSize>

#include <functional>

#include "display/DrawingSurface.h"

// The board's retained drawing surface: a QImage in device pixels, drawn in
// logical pixels (the board's own), so the board keeps its pixel geometry at
// any scale: the screen's pixel ratio times the zoom. The window only copies
// the image to the screen in paintEvent.
//
// System colour 5 is the palette's Base role, 18 its ButtonText role (the
// board uses no other); Clear paints the Window role. Lines and boxes are
// fills with both corners included, written straight into the image on whole
// device pixels (see BoardScale), so they stay crisp at a fractional scale
// too; text is drawn from the font at the scaled size, antialiased.
class QImageSurface : public numino::DrawingSurface {
 public:
  QImageSurface(QSize logicalSize, qreal devicePixelRatio, const QPalette& palette,
                const QFont& font);
  ~QImageSurface() override;
  QImageSurface(const QImageSurface&) = delete;
  QImageSurface& operator=(const QImageSurface&) = delete;

  // The picture, with every drawing call so far applied.
  const QImage& Image();
  // The logical area painted since the last call, then forgets it.
  QRect TakeDirtyRect();
  // Makes a new, cleared image at another scale (device pixels per logical
  // pixel: another screen, or another zoom); the caller redraws.
  void SetDevicePixelRatio(qreal ratio);
  // The scale last asked for.
  qreal Scale() const;
  // The device pixels of the image that show the given logical area.
  QRect DeviceRect(const QRect& logical) const;
  // Takes the colours of a new palette (the desktop's theme changed) and
  // makes a new, cleared image for the caller to redraw. Returns false, and
  // keeps the image, when the colours the board uses are the same.
  bool SetPalette(const QPalette& palette);
  // Called with the outer window size that Refresh asks for.
  std::function<void(int width, int height)> onWindowSize;

  void Clear() override;
  void SetWindowSize(int width, int height) override;
  void SetFillColor(numino::Colour colour) override;
  numino::Colour FillColor() const override;
  void SetForeColor(numino::Colour colour) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void Box(int x1, int y1, int x2, int y2) override;
  void Box(int x1, int y1, int x2, int y2, numino::Colour outline) override;
  void FilledBox(int x1, int y1, int x2, int y2, numino::Colour colour) override;
  void SetFontBold() override;
  double TextWidth(std::string_view text) const override;
  double TextHeight(std::string_view text) const override;
  void Print(int x, int y, std::string_view text) override;

 private:
  struct State;
  State* d_;  // owned; keeps QPainter and QFontMetricsF out of this header
};
