#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

#include "board/QImageSurface.h"

// The window's central widget: it owns the retained board image and shows it,
// and turns key presses and button releases into the input codes of the
// puzzle core. It never draws the board itself.
//
// At zoom 1 it is 240 x 240 pixels: the board from (12, 12) to (228, 228)
// with a 12-pixel margin all round; at zoom z it is 240 z pixels square and
// shows the same board drawn at that size. Button positions reach the core
// in the board's own pixels, whatever the zoom. It keeps the keyboard focus:
// Tab and Backtab reach it as characters and never move the focus.
class BoardWidget : public QWidget {
  Q_OBJECT

 public:
  explicit BoardWidget(QWidget* parent = nullptr);
  ~BoardWidget() override;

  QImageSurface& Surface();
  // Shows what was drawn on the surface since the last call.
  void ShowDrawing();

  // One of numino::zoom::kSteps; 1 until changed.
  qreal Zoom() const { return zoom_; }
  // Shows the board at that zoom: the widget takes its new size at once
  // and the image is made anew (ImageRemade). ZoomChanged is not emitted.
  void SetZoom(qreal zoom);
  // Whether the window would still fit in the available area of its screen
  // with the board at that zoom.
  bool Fits(qreal zoom) const;
  // The point of the board, in its own pixels, under a widget position:
  // the pixel whose middle it is at zoom 1 holds the middle of the pixel
  // clicked. At zoom 1 the position, rounded.
  static QPoint BoardPoint(QPointF position, qreal zoom);

 signals:
  // Exactly one signal per event; the window hands each of the first three
  // to ProcessInput.
  void KeyDown(std::int16_t keyCode);
  void KeyPress(std::int16_t keyAscii);
  void MouseUp(std::int16_t button, int x, int y);
  // The platform's copy and paste keys (Ctrl+C and Ctrl+V, and their
  // alternatives such as Ctrl+Insert and Shift+Insert). They act on the
  // clipboard, not on the puzzle, and never reach ProcessInput.
  void CopyRequested();
  void PasteRequested();
  // The screen's pixel ratio or the desktop's colours changed and the image
  // was made anew, blank: the board has to be drawn again.
  void ImageRemade();
  // The user zoomed with the keys (Ctrl with +, =, - or 0) or Ctrl and the
  // wheel; like copy and paste, these never reach ProcessInput.
  void ZoomChanged(qreal zoom);
  // The board took the keyboard focus: the window was activated, a dialog
  // or a menu closed.
  void FocusEntered();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void focusInEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void FollowDevicePixelRatio();
  void FollowPalette();
  // A step up (1) or down (-1) when the window fits; 0 goes back to 1.
  void StepZoom(int direction);
  // Device pixels of the image per logical pixel of the widget.
  qreal ImageToWidget() const;

  std::unique_ptr<QImageSurface> surface_;
  qreal zoom_ = 1;
  int wheelAngle_ = 0;  // what the wheel turned since its last step, in 1/8 degrees
};
