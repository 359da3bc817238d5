#pragma once

#include <gtest/gtest.h>

// A test with the program's main window created as the program creates it
// (not shown) in fMain, an empty map store and the whole-map view; the
// window and the map are gone afterwards.
struct MapView;

// The main window's view of the map.
MapView& View();

// Lets the window's event loop run until the work on the map (a load, a
// rebuild) has ended and the window has taken it over, message boxes and all.
void WaitForMapWork();

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
