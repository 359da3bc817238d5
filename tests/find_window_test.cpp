// View, Find... in the main window on Qt's offscreen platform: its live
// list, and what choosing a junction does to the view, the read-out boxes
// and the start point.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "map/map_store.h"
#include "tests/modal_script.h"
#include "tests/test_files.h"
#include "tests/view_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_transform.h"
#include "view/map_view.h"
#include "view/map_zoom.h"

namespace {

// Chooses View, Find..., types text into the dialog's box and returns the
// rows listed; presses the button captioned button (none: Cancel) after
// moving to the row with the Down key in the box.
std::vector<std::string> Find(const std::string& text, const std::string& button = "", int row = 0) {
  std::vector<std::string> rows;
  RunWithModalSteps([] { fMain->Find1->Action()->trigger(); }, {[&](QWidget* modal) {
                      auto* box = modal->findChild<QLineEdit*>("findText");
                      auto* list = modal->findChild<QListWidget*>("findList");
                      box->setText(QString::fromStdString(text));
                      for (int i = 0; i < list->count(); ++i)
                        rows.push_back(list->item(i)->text().toStdString());
                      for (int i = 0; i < row; ++i) QTest::keyClick(box, Qt::Key_Down);
                      for (auto* b : modal->findChildren<QPushButton*>())
                        if (b->text().toStdString() == button) return b->click();
                      qobject_cast<QDialog*>(modal)->reject();
                    }});
  return rows;
}

// Code, Index, Length.
std::vector<std::string> JunctionBoxes() {
  return {fMain->EditCode->Text(), fMain->EditIndex->Text(), fMain->EditL->Text()};
}

using FindTest = ViewTest;

TEST_F(FindTest, ListsAtMostTwoHundredMatchesAsTheTextIsTyped) {
  LayerTexts many;
  for (int i = 1; i <= 250; ++i) {
    many.mMif += "Point " + std::to_string(i) + " " + std::to_string(i % 7) + "\n";
    many.mMid += std::to_string(i) + ",\"Stop " + std::to_string(i) + "\"\n";
  }
  TempDir dir;
  fMain->OpenGivenMap(WriteLayers(dir, many));
  WaitForMapWork();
  const std::vector<std::string> all = Find("sTOP");
  ASSERT_EQ(all.size(), 200u);
  EXPECT_EQ(all.front(), "1: Stop 1");
  EXPECT_EQ(all.back(), "200: Stop 200");
  EXPECT_EQ(Find("stop 24").size(), 11u);  // 24 and 240 to 249
  EXPECT_TRUE(Find("\"").empty());         // the quotes around a name are no part of it
}

// Show centres the view on the junction at zoom level 4 or closer and makes
// it the current point with the route to it from the start; the pointer's
// X and Y and its mark stay. Start here also makes it the start point.
TEST_F(FindTest, ChoosingAJunctionShowsItAsThePointerWould) {
  LayerTexts town = ExampleTown();
  town.mMid = "1,\"Gate\"\n2,Mill\n3,\"Ford & MILL\"\n";
  TempDir dir;
  fMain->OpenGivenMap(WriteLayers(dir, town));
  WaitForMapWork();
  fMain->ImageMMouseMove(fMain->ImageM, 0, 31, 50);  // onto point 0, the start
  fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, 31, 50);
  const std::string x = fMain->EditX->Text(), y = fMain->EditY->Text();
  fMain->EditTime->SetText("");

  EXPECT_EQ(Find("ford", "Show"), std::vector<std::string>{"3: Ford & MILL"});
  EXPECT_EQ(std::make_tuple(View().zoomLevel, View().zoomCenterX, View().zoomCenterNegY),
            std::make_tuple(4, 300.0, -400.0));
  EXPECT_EQ(std::make_pair(startPoint, currentPoint), std::make_pair(0, 2));
  EXPECT_EQ(JunctionBoxes(), (std::vector<std::string>{"3", "2", "3"}));
  EXPECT_NE(fMain->EditTime->Text(), "");
  EXPECT_EQ(std::make_tuple(fMain->EditX->Text(), fMain->EditY->Text(), View().pointerX, View().pointerY),
            std::make_tuple(x, y, 31, 50));
  // Redrawn, with the junction's blue mark in the middle of the image.
  EXPECT_EQ(ImagePixel(ZoomedPixelX(View(), 300), ZoomedPixelY(View(), 400)), clBlue);
  EXPECT_LE(std::abs(ZoomedPixelX(View(), 300) - fMain->ImageM->Width() / 2), 1);
  EXPECT_LE(std::abs(ZoomedPixelY(View(), 400) - fMain->ImageM->Height() / 2), 1);

  ASSERT_TRUE(ZoomAround(View(), 3, 0, 0));
  Find("mill", "Start here", 1);   // the second row: Ford & MILL
  EXPECT_EQ(View().zoomLevel, 7);  // a closer view keeps its level
  EXPECT_EQ(std::make_pair(startPoint, currentPoint), std::make_pair(2, 2));
  Find("gate", "Show");
  EXPECT_EQ(JunctionBoxes(), (std::vector<std::string>{"1", "0", "3"}));  // from the new start
  Find("mill");                                                           // cancelled
  EXPECT_EQ(currentPoint, 0);
  fMain->Close1->Action()->trigger();
  EXPECT_FALSE(fMain->Find1->Enabled());
}

}  // namespace
