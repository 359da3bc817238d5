// File, Open Recent and maps dropped onto the window: the list's order,
// limit and repeats, what counts as opened, and where it is kept.
#include "app/recent_maps.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/background_task.h"
#include "app/main_form.h"
#include "app/map_drop.h"
#include "map/map_store.h"
#include "tests/main_form_fixture.h"
#include "tests/modal_script.h"
#include "tests/test_files.h"
#include "toolkit/application.h"
#include "toolkit/exceptions.h"
#include "toolkit/menus.h"
#include "toolkit/settings.h"

namespace {

using Paths = std::vector<std::string>;

// The captions of Open Recent's entries as the menu shows them, in order.
Paths ShownEntries() {
  Paths shown;
  for (QAction* action : fMain->OpenRecent1->Action()->menu()->actions())
    if (action->isVisible() && !action->isSeparator() && action != fMain->ClearList1->Action())
      shown.push_back(action->text().replace(QLatin1String("&&"), QLatin1String("&")).toStdString());
  return shown;
}

QAction* Entry(int index) { return fMain->OpenRecent1->Action()->menu()->actions().at(index); }

// Drags the given URLs onto the main window and drops them there, as a file
// manager would: Qt delivers the drop to the widget that took the drag.
void Drop(const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(fMain->Widget(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(fMain->Widget(), &drop);
}

}  // namespace

// A kept list loses its empty entries, repeats and what is beyond the limit.
TEST(RecentMaps, ReadsBackAKeptListSoundly) {
  RecentMaps recent({"/a", "", "/b", "/a", "/1", "/2", "/3", "/4", "/5", "/6", "/7"});
  EXPECT_EQ(recent.Paths(), (Paths{"/a", "/b", "/1", "/2", "/3", "/4", "/5", "/6"}));
  recent.Remove(recent.Paths()[0]);  // a path of the list itself
  EXPECT_EQ(recent.Paths()[0], "/b");
}

// The settings file follows XDG_CONFIG_HOME only when it is an absolute path.
TEST(RecentMaps, SettingsFileIsInTheUsersConfigFolder) {
  const std::string kept = std::getenv("XDG_CONFIG_HOME");
  setenv("XDG_CONFIG_HOME", "/x/y", 1);
  EXPECT_EQ(SettingsFilePath(), "/x/y/ruvel/ruvel.conf");
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(SettingsFilePath(), std::string(std::getenv("HOME")) + "/.config/ruvel/ruvel.conf");
  setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
}

class OpenRecentTest : public MainFormTest {
 protected:
  // A map file of the example town, named M<base>.mif, in the test's folder.
  std::string Map(const std::string& base) { return WriteLayers(dir_, ExampleTown(), base); }

  TempDir dir_;
};

// Every successful open counts, newest first, each map once, at most 8; the
// list is in the settings file at once and a new window shows it.
TEST_F(OpenRecentTest, ListsTheMapsOpenedLastNewestFirst) {
  Paths opened;
  for (int i = 0; i < 9; ++i) {
    opened.insert(opened.begin(), Map("map" + std::to_string(i)));
    fMain->OpenGivenMap(opened.front());
    WaitForMapWork();
  }
  fMain->OpenGivenMap(opened[3]);
  WaitForMapWork();
  const Paths expected = {opened[3], opened[0], opened[1], opened[2],
                          opened[4], opened[5], opened[6], opened[7]};
  EXPECT_EQ(ShownEntries(), expected);
  EXPECT_TRUE(fMain->OpenRecent1->Enabled());
  EXPECT_EQ(ReadSettingsList("RecentMaps"), expected);
  delete fMain;
  Application->Initialize();
  Application->CreateForm(fMain);
  EXPECT_EQ(ShownEntries(), expected);

  fMain->ClearList1->Action()->trigger();
  EXPECT_EQ(ShownEntries(), Paths{});
  EXPECT_FALSE(fMain->OpenRecent1->Enabled());
  EXPECT_EQ(ReadSettingsList("RecentMaps"), Paths{});
}

// Choosing an entry opens its map; a map that is gone is taken off the list
// with a message saying so; a map that fails to load is not added.
TEST_F(OpenRecentTest, OpensAnEntryAndForgetsAVanishedMap) {
  const std::string town = Map("town"), gone = Map("gone & lost");
  fMain->OpenGivenMap(gone);
  WaitForMapWork();
  fMain->OpenGivenMap(town);
  WaitForMapWork();
  fMain->Close1->Action()->trigger();
  Entry(0)->trigger();
  WaitForMapWork();
  EXPECT_EQ(pointCount, 3);
  EXPECT_EQ(ShownEntries(), (Paths{town, gone}));
  EXPECT_TRUE(QKeySequence::mnemonic(Entry(1)->text()).isEmpty());

  std::remove(gone.c_str());
  QString shown;
  ASSERT_EQ(RunWithModalSteps([] { Entry(1)->trigger(); }, {[&shown](QWidget* modal) {
                                auto* box = qobject_cast<QMessageBox*>(modal);
                                ASSERT_NE(box, nullptr);
                                shown = box->text();
                                box->accept();
                              }}),
            1);
  EXPECT_NE(shown.toStdString().find(gone), std::string::npos);
  EXPECT_NE(shown.toStdString().find("removed from Open Recent"), std::string::npos);
  EXPECT_EQ(ShownEntries(), Paths{town});

  const std::string bad = Map("bad");
  WriteFile(bad, "Point 1.5 2\n");
  fMain->OpenGivenMap(bad);
  EXPECT_THROW(fMain->mapWork->Wait(), Exception);
  EXPECT_EQ(ReadSettingsList("RecentMaps"), Paths{town});
}

// Exactly one local regular file named M... opens; any other drop is ignored.
TEST_F(OpenRecentTest, ADroppedMapOpensAsFileOpenWould) {
  const std::string town = Map("town");
  const std::string sLayer = dir_ / "Stown.mif";
  EXPECT_EQ(DroppedMap({town}), town);
  for (const Paths& ignored :
       {Paths{sLayer}, Paths{town, town}, Paths{""}, Paths{dir_.Path() + "/M"}, Paths{}})
    EXPECT_EQ(DroppedMap(ignored), "");

  Drop({QUrl::fromLocalFile(QString::fromStdString(sLayer))});
  EXPECT_FALSE(fMain->MapBusy());
  EXPECT_EQ(pointCount, 0);
  Drop({QUrl::fromLocalFile(QString::fromStdString(town))});
  WaitForMapWork();
  EXPECT_EQ(pointCount, 3);
  EXPECT_EQ(ShownEntries(), Paths{town});
}
