#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// One QApplication for the whole test run. Tests never need a display: the
// offscreen platform is used unless the environment names another.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
