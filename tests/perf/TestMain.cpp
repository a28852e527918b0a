// GoogleTest main of the Perfomance tests: the window needs the program's
// application object, created once for every test.
#include <gtest/gtest.h>

#include <QtGlobal>

#include "Application.h"

int main(int argc, char** argv) {
  // CTest sets the offscreen platform; a run by hand without a display
  // needs it too.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
