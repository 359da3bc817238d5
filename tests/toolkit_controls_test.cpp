// The toolkit's window classes on Qt's offscreen platform: ownership,
// alignment, menus, the open dialog, the image's mouse events and the
// handling of exceptions that leave event handlers.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <fstream>
#include <stdexcept>

#include "tests/modal_script.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/exceptions.h"
#include "toolkit/forms.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"

namespace {

// Counts its destructions.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::vector<int>& log, int id) : TComponent(owner), log_(log), id_(id) {}
  ~Probe() override { log_.push_back(id_); }

 private:
  std::vector<int>& log_;
  int id_;
};

TEST(ComponentTest, OwnerDestroysItsComponentsNewestFirst) {
  std::vector<int> log;
  auto* owner = new Probe(nullptr, log, 0);
  new Probe(owner, log, 1);
  auto* second = new Probe(owner, log, 2);
  new Probe(second, log, 3);
  auto* early = new Probe(owner, log, 4);
  delete early;  // leaves its owner's list
  delete owner;
  // Each probe logs before its own components go: 2 before 3, the owner first.
  EXPECT_EQ(log, (std::vector<int>{4, 0, 2, 3, 1}));
}

class ToolkitFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form_ = new TForm(nullptr);
    form_->ClientWidth(300);
    form_->ClientHeight(200);
  }
  void TearDown() override { delete form_; }

  TForm* form_ = nullptr;
};

QRect BoundsOf(const TControl* c) { return QRect(c->Left(), c->Top(), c->Width(), c->Height()); }

TEST_F(ToolkitFormTest, AlignsTopControlsThenTheClientControl) {
  auto* top1 = new TPanel(form_, form_);
  auto* client = new TPanel(form_, form_);
  auto* top2 = new TPanel(form_, form_);
  auto* free = new TPanel(form_, form_);
  top1->Height(10);
  top1->Align(alTop);
  client->Align(alClient);
  top2->Height(20);
  top2->Align(alTop);
  free->SetBounds(5, 6, 7, 8);
  client->BorderStyle(bsSingle);
  auto* inner = new TImage(form_, client);
  inner->Align(alClient);

  EXPECT_EQ(BoundsOf(top1), QRect(0, 0, 300, 10));
  EXPECT_EQ(BoundsOf(top2), QRect(0, 10, 300, 20));
  EXPECT_EQ(BoundsOf(client), QRect(0, 30, 300, 170));
  EXPECT_EQ(BoundsOf(free), QRect(5, 6, 7, 8));
  EXPECT_EQ(BoundsOf(inner), QRect(0, 0, 296, 166));
  EXPECT_EQ(inner->Widget()->geometry(), QRect(2, 2, 296, 166));

  // Hidden controls keep following, so that they fit when shown again.
  client->Visible(false);
  form_->ClientWidth(400);
  form_->ClientHeight(100);
  EXPECT_EQ(BoundsOf(client), QRect(0, 30, 400, 70));
  EXPECT_EQ(BoundsOf(inner), QRect(0, 0, 396, 66));
  top1->Height(50);
  EXPECT_EQ(BoundsOf(top2), QRect(0, 50, 400, 20));
  EXPECT_EQ(BoundsOf(client), QRect(0, 70, 400, 30));
  form_->ClientHeight(40);
  EXPECT_EQ(BoundsOf(client), QRect(0, 70, 400, 0));
}

// A coordinate wider than its 65-pixel box shows its leading digits.
TEST_F(ToolkitFormTest, EditShowsANewTextFromItsBeginning) {
  auto* edit = new TEdit(form_, form_);
  edit->SetBounds(0, 0, 65, 21);
  edit->SetText("22514.750000");
  EXPECT_EQ(edit->Text(), "22514.750000");
  EXPECT_EQ(static_cast<QLineEdit*>(edit->Widget())->cursorPosition(), 0);
}

TEST_F(ToolkitFormTest, MenuCaptionsAreShownLiterally) {
  auto* item = new TMenuItem(form_);
  item->Caption("Save & Quit");
  EXPECT_TRUE(QKeySequence::mnemonic(item->Action()->text()).isEmpty());
  EXPECT_EQ(item->Action()->iconText(), "Save & Quit");
}

TEST_F(ToolkitFormTest, ChoosingAMenuItemLeavesItsCheckMarkToTheHandler) {
  auto* item = new TMenuItem(form_);
  int clicks = 0;
  TObject* sender = nullptr;
  item->OnClick = [&](TObject* s) {
    ++clicks;
    sender = s;
  };
  for (const bool checked : {true, false}) {
    item->SetChecked(checked);
    item->Action()->trigger();
    EXPECT_EQ(item->Checked(), checked);
    EXPECT_EQ(item->Action()->isChecked(), checked);
  }
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(sender, item);
  item->Enabled(false);
  item->Action()->trigger();
  EXPECT_EQ(clicks, 2);
}

TEST_F(ToolkitFormTest, ImageReportsPointerPositionsAndButtons) {
  auto* image = new TImage(form_, form_);
  image->Align(alClient);
  image->Cursor(crCross);
  EXPECT_EQ(image->Widget()->cursor().shape(), Qt::CrossCursor);
  EXPECT_TRUE(image->Widget()->hasMouseTracking());
  std::vector<std::tuple<TMouseButton, TShiftState, int, int>> downs;
  std::vector<std::tuple<TShiftState, int, int>> moves;
  image->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState shift, int x, int y) {
    EXPECT_EQ(s, image);
    downs.emplace_back(b, shift, x, y);
  };
  image->OnMouseMove = [&](TObject* s, TShiftState shift, int x, int y) {
    EXPECT_EQ(s, image);
    moves.emplace_back(shift, x, y);
  };
  const struct {
    Qt::MouseButton qt;
    TMouseButton button;
    TShiftState held;
  } buttons[] = {{Qt::LeftButton, mbLeft, ssLeft},
                 {Qt::RightButton, mbRight, ssRight},
                 {Qt::MiddleButton, mbMiddle, ssMiddle}};
  for (const auto& b : buttons) {
    downs.clear();
    moves.clear();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(31, 50), QPointF(31, 50), b.qt, b.qt,
                      Qt::ShiftModifier);
    QApplication::sendEvent(image->Widget(), &press);
    QMouseEvent drag(QEvent::MouseMove, QPointF(40, 12), QPointF(40, 12), Qt::NoButton, b.qt, Qt::NoModifier);
    QApplication::sendEvent(image->Widget(), &drag);
    EXPECT_EQ(
        downs,
        (std::vector<std::tuple<TMouseButton, TShiftState, int, int>>{{b.button, ssShift | b.held, 31, 50}}));
    EXPECT_EQ(moves, (std::vector<std::tuple<TShiftState, int, int>>{{b.held, 40, 12}}));
  }
}

// A position with a fraction (on a scaled screen) names the pixel that
// contains it: each coordinate rounded down, never to the nearest.
TEST_F(ToolkitFormTest, ImageReportsThePixelThatContainsThePointer) {
  auto* image = new TImage(form_, form_);
  image->Align(alClient);
  QPoint moved, pressed;
  image->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { moved = {x, y}; };
  image->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { pressed = {x, y}; };
  const struct {
    QPointF position;
    QPoint pixel;
  } cases[] = {
      {{10.6, 20.5}, {10, 20}}, {{10.0, 20.99}, {10, 20}}, {{-0.5, 3.2}, {-1, 3}}, {{682.75, 0.4}, {682, 0}}};
  for (const auto& c : cases) {
    QMouseEvent move(QEvent::MouseMove, c.position, c.position, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(image->Widget(), &move);
    QMouseEvent press(QEvent::MouseButtonPress, c.position, c.position, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(image->Widget(), &press);
    EXPECT_EQ(moved, c.pixel) << c.position.x() << ", " << c.position.y();
    EXPECT_EQ(pressed, c.pixel) << c.position.x() << ", " << c.position.y();
  }
}

// Exceptions of every kind that leave a handler of every kind of event are
// shown in a message box and go no further.
TEST_F(ToolkitFormTest, ExceptionsFromHandlersAreShownAndStopThere) {
  auto* item = new TMenuItem(form_);
  auto* image = new TImage(form_, form_);
  image->SetBounds(0, 0, 100, 100);
  form_->Show();
  const struct {
    const char* message;
    std::function<void()> raise;
  } kinds[] = {{"map broken", [] { throw Exception("map broken"); }},
               {"out of range", [] { throw std::out_of_range("out of range"); }},
               {"Unknown exception", [] { throw 42; }}};
  const struct {
    const char* event;
    std::function<void(const std::function<void()>&)> bind;
    std::function<void()> fire;
  } events[] = {
      {"OnClick", [&](auto raise) { item->OnClick = [raise](TObject*) { raise(); }; },
       [&] { item->Action()->trigger(); }},
      {"OnMouseMove",
       [&](auto raise) { image->OnMouseMove = [raise](TObject*, TShiftState, int, int) { raise(); }; },
       [&] {
         QMouseEvent move(QEvent::MouseMove, QPointF(3, 4), QPointF(3, 4), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
         QApplication::sendEvent(image->Widget(), &move);
       }},
      {"OnMouseDown",
       [&](auto raise) {
         image->OnMouseDown = [raise](TObject*, TMouseButton, TShiftState, int, int) { raise(); };
       },
       [&] { QTest::mouseClick(image->Widget(), Qt::LeftButton); }},
      {"OnResize", [&](auto raise) { form_->OnResize = [raise](TObject*) { raise(); }; },
       [&] {
         QResizeEvent resize(QSize(310, 220), QSize(300, 220));
         QApplication::sendEvent(form_->Widget(), &resize);
       }},
      {"OnCreate", [&](auto raise) { form_->OnCreate = [raise](TObject*) { raise(); }; },
       [&] { form_->DoCreate(); }},
      {"OnMouseWheel",
       [&](auto raise) { image->OnMouseWheel = [raise](TObject*, TShiftState, int, int, int) { raise(); }; },
       [&] {
         QWheelEvent wheel(QPointF(3, 4), QPointF(3, 4), QPoint(), QPoint(0, 120), Qt::NoButton,
                           Qt::NoModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(image->Widget(), &wheel);
       }},
      {"OnKeyDown",
       [&](auto raise) {
         form_->KeyPreview(true);
         form_->OnKeyDown = [raise](TObject*, TKey&, TShiftState) { raise(); };
       },
       [&] { QTest::keyClick(form_->Widget(), Qt::Key_Home); }},
      {"OnCloseQuery", [&](auto raise) { form_->OnCloseQuery = [raise](TObject*, bool&) { raise(); }; },
       [&] { form_->Close(); }},
  };
  for (const auto& event : events) {
    for (const auto& kind : kinds) {
      SCOPED_TRACE(std::string(event.event) + ": " + kind.message);
      event.bind(kind.raise);
      QString shown;
      EXPECT_NO_THROW(EXPECT_EQ(RunWithModalSteps(event.fire, {[&](QWidget* modal) {
                                                    auto* box = qobject_cast<QMessageBox*>(modal);
                                                    ASSERT_NE(box, nullptr);
                                                    shown = box->text();
                                                    box->accept();
                                                  }}),
                                1));
      EXPECT_EQ(shown.toStdString(), kind.message);
    }
  }
  // A close query that raised kept the window open.
  EXPECT_TRUE(form_->Widget()->isVisible());
  form_->OnCloseQuery = nullptr;
}

TEST_F(ToolkitFormTest, CloseQueryCanKeepTheFormOpen) {
  form_->Show();
  bool permit = false;
  int queries = 0;
  form_->OnCloseQuery = [&](TObject* sender, bool& canClose) {
    EXPECT_EQ(sender, form_);
    EXPECT_TRUE(canClose);
    ++queries;
    canClose = permit;
  };
  form_->Close();
  EXPECT_TRUE(form_->Widget()->isVisible());
  permit = true;
  form_->Widget()->close();  // the close box
  EXPECT_FALSE(form_->Widget()->isVisible());
  EXPECT_EQ(queries, 2);
}

class OpenDialogTest : public ToolkitFormTest {
 protected:
  void SetUp() override {
    ToolkitFormTest::SetUp();
    ASSERT_TRUE(folder_.isValid());
    for (const char* name : {"Mtown.mif", "mlow.MIF", "Mtown.mid", "Stown.mif", "README"})
      std::ofstream(folder_.filePath(name).toStdString()) << "x\n";
    dialog_ = new TOpenDialog(form_);
    dialog_->Filter("Map (*.mif)|*.mif|Any Files (*.*)|*.*");
    dialog_->Options(ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing);
  }

  // The file names the dialog lists once its folder has been read.
  static QStringList Listed(QFileDialog* dialog, int expectedCount) {
    auto* view = dialog->findChild<QListView*>("listView");
    QStringList names;
    static_cast<void>(
        QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == expectedCount; }));
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
      names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
    names.sort();
    return names;
  }

  QTemporaryDir folder_;
  TOpenDialog* dialog_ = nullptr;
};

TEST_F(OpenDialogTest, WildcardNameListsMatchingFilesIgnoringCase) {
  dialog_->FileName(folder_.path().toStdString() + "/M*.mif");
  QStringList listed, filters, allListed;
  QString selectedFilter;
  bool confirmed = true;
  RunWithModalSteps([&] { confirmed = dialog_->Execute(); }, {[&](QWidget* modal) {
                      auto* dialog = qobject_cast<QFileDialog*>(modal);
                      ASSERT_NE(dialog, nullptr);
                      EXPECT_EQ(dialog->directory().absolutePath(), folder_.path());
                      EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
                      listed = Listed(dialog, 2);
                      auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
                      for (int i = 0; i < types->count(); ++i) filters.append(types->itemText(i));
                      selectedFilter = types->currentText();
                      dialog->selectNameFilter(dialog->nameFilters().at(1));
                      allListed = Listed(dialog, 5);
                      dialog->reject();
                    }});
  EXPECT_FALSE(confirmed);
  EXPECT_EQ(listed, (QStringList{"Mtown.mif", "mlow.MIF"}));
  EXPECT_EQ(filters, (QStringList{"Map (*.mif)", "Any Files (*.*)"}));
  EXPECT_EQ(selectedFilter, "Map (*.mif)");
  EXPECT_EQ(allListed, (QStringList{"Mtown.mid", "Mtown.mif", "README", "Stown.mif", "mlow.MIF"}));
  EXPECT_EQ(dialog_->FileName(), folder_.path().toStdString() + "/M*.mif");  // kept on cancel
}

TEST_F(OpenDialogTest, ConfirmedChoiceIsTheFullPathAndTheNextStart) {
  dialog_->FileName(folder_.path().toStdString() + "/M*.mif");
  const std::string chosen = folder_.filePath("Stown.mif").toStdString();
  bool confirmed = false;
  RunWithModalSteps([&] { confirmed = dialog_->Execute(); },
                    {[&](QWidget* modal) { ConfirmFileDialog(modal, chosen); }});
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(dialog_->FileName(), chosen);
  QStringList selected;
  RunWithModalSteps([&] { confirmed = dialog_->Execute(); }, {[&](QWidget* modal) {
                      auto* dialog = qobject_cast<QFileDialog*>(modal);
                      selected = dialog->selectedFiles();
                      dialog->reject();
                    }});
  EXPECT_EQ(selected, QStringList{QString::fromStdString(chosen)});
}

}  // namespace
