#include "app/Application.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// The menu bar's overflow arrow is read late, but must still draw.
TEST(NuminoStyle, DeferredIconsStillDraw) {
  NuminoStyle style;
  for (const QStyle::StandardPixmap which :
       {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
    SCOPED_TRACE(static_cast<int>(which));
    const QIcon icon = style.standardIcon(which);
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(QSize(16, 16)).toImage();
    ASSERT_FALSE(image.isNull());
    bool anyInk = false;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) anyInk = anyInk || image.pixelColor(x, y).alpha() > 0;
    }
    EXPECT_TRUE(anyInk);
  }
}

}  // namespace
