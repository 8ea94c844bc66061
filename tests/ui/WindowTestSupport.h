#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "ui/BoardWidget.h"

namespace numino::testing {

// Shows a top-level widget, waits until it is the active window and gives
// the focus to the given child.
inline bool ShowActive(QWidget& window, QWidget& focus) {
  window.show();
  QApplication::setActiveWindow(&window);
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) return false;
  focus.setFocus();
  return focus.hasFocus();
}

// Runs `step` on the next modal dialog as soon as it is open, so that a
// test can look at a dialog that blocks in exec() and then close it. Gives
// up after five seconds.
inline void WhenModal(std::function<void(QWidget*)> step) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, step, tries] {
    QWidget* modal = QApplication::activeModalWidget();
    if ((!modal || !modal->isVisible()) && ++*tries < 1000) return;
    timer->stop();
    timer->deleteLater();
    if (modal) step(modal);
  });
  timer->start();
}

// The pixel at (x, y) of the board image, in the board's own pixels.
inline QColor BoardPixel(BoardWidget& board, int x, int y) {
  const QImage& image = board.Surface().Image();
  const qreal ratio = image.devicePixelRatio();
  return image.pixelColor(qRound(x * ratio), qRound(y * ratio));
}

}  // namespace numino::testing
