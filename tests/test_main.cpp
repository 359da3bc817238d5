#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "toolkit/settings.h"

namespace {

// Every test starts without the settings file, so that no test sees the
// recent maps of another.
class FreshSettings : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { std::remove(SettingsFilePath().c_str()); }
};

}  // namespace

// One QApplication for the whole test run. Tests never need a display: the
// offscreen platform is used unless the environment names another. The
// settings the window keeps go to a folder of the run's own, never to the
// user's.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const QTemporaryDir config;
  setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
