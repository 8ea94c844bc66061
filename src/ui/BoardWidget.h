#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

#include "ui/QImageSurface.h"

namespace numino {
class NuminoSchema;
}

// The window's central widget: it owns the retained board image and shows it,
// and turns key presses and button releases into the input codes of the
// puzzle core. It never draws the board itself.
//
// It is 240 x 240 pixels: the board from (12, 12) to (228, 228) with a
// 12-pixel margin all round. It keeps the keyboard focus: Tab and Backtab
// reach it as characters and never move the focus.
class BoardWidget : public QWidget {
  Q_OBJECT

 public:
  explicit BoardWidget(QWidget* parent = nullptr);
  ~BoardWidget() override;

  QImageSurface& Surface();
  // Shows what was drawn on the surface since the last call.
  void ShowDrawing();
  // The puzzle on the board, which its accessible table reads out; the
  // window sets it, nullptr for none.
  void SetSchema(const numino::NuminoSchema* schema) { schema_ = schema; }
  const numino::NuminoSchema* Schema() const { return schema_; }

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

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool event(QEvent* event) override;

 private:
  void FollowDevicePixelRatio();
  void FollowPalette();

  std::unique_ptr<QImageSurface> surface_;
  const numino::NuminoSchema* schema_ = nullptr;
};
