// A window centred on its screen, whatever its size.
#include "CentreOnScreen.h"

#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(CentreOnScreen, TheWindowsCentreIsTheScreensCentre) {
  for (const QSize size : {QSize(766, 534), QSize(293, 153), QSize(1, 1), QSize(5000, 4000)}) {
    QWidget window;
    window.resize(size);
    CentreOnScreen(window);
    ASSERT_NE(window.screen(), nullptr);
    const QPoint centre = window.screen()->availableGeometry().center();
    const QPoint placed = window.geometry().center();
    EXPECT_LE((placed - centre).manhattanLength(), 1) << size.width() << " x " << size.height();
  }
}

}  // namespace
