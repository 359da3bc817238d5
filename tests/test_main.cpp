#include <gtest/gtest.h>

#include <QApplication>

// One QApplication for the whole test run, on the platform the environment
// names (offscreen under CTest), so that toolkit and window tests can run.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
