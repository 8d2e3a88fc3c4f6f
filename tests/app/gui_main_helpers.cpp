// The main of the GUI tests: one QApplication on the offscreen platform, and
// every dialog answered by the test instead of shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/dialogs.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  QApplication app(argc, argv);
  qrh::app::Dialogs::UseAnswers(true);
  return RUN_ALL_TESTS();
}
