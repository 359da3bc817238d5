#include "toolkit/find_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Lets the arrow and page keys pressed in the text box move the selection in
// the list, so that an entry can be chosen without leaving the box.
class ListKeys : public QObject {
 public:
  explicit ListKeys(QListWidget* list) : QObject(list), list_(list) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        QApplication::sendEvent(list_, event);
        return true;
      default:
        return false;
    }
  }

 private:
  QListWidget* list_;
};

// The dialog's widgets, named so that tests can find them.
struct FindWidgets {
  QLineEdit* text;
  QListWidget* list;
  QPushButton* buttons[2];
};

FindWidgets LayOutFindDialog(QDialog& dialog, const std::string (&captions)[2]) {
  auto* layout = new QVBoxLayout(&dialog);
  FindWidgets w{};
  w.text = new QLineEdit(&dialog);
  w.text->setObjectName("findText");
  w.list = new QListWidget(&dialog);
  w.list->setObjectName("findList");
  w.list->setUniformItemSizes(true);  // a full list lays out without measuring every entry
  w.text->installEventFilter(new ListKeys(w.list));
  auto* box = new QDialogButtonBox(&dialog);
  for (int i = 0; i < 2; ++i) {
    w.buttons[i] = box->addButton(QString::fromStdString(captions[i]), QDialogButtonBox::AcceptRole);
    w.buttons[i]->setObjectName(i == 0 ? "findFirstButton" : "findSecondButton");
  }
  w.buttons[0]->setDefault(true);
  box->addButton(QDialogButtonBox::Cancel);
  QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(w.text);
  layout->addWidget(w.list);
  layout->addWidget(box);
  dialog.resize(360, 420);
  return w;
}

}  // namespace

TFindDialog::TFindDialog(TComponent* owner) : TComponent(owner) {}

void TFindDialog::Buttons(const std::string& first, const std::string& second) {
  buttons_[0] = first;
  buttons_[1] = second;
}

int TFindDialog::Execute() {
  auto* owner = dynamic_cast<TControl*>(Owner());
  QDialog dialog(owner ? owner->Widget()->window() : QApplication::activeWindow());
  dialog.setWindowTitle(QString::fromStdString(caption_));
  const FindWidgets w = LayOutFindDialog(dialog, buttons_);
  w.text->setText(QString::fromStdString(text_));

  const auto search = [this, &w](const QString& text) {
    w.list->clear();
    if (OnSearch)
      for (const std::string& entry : OnSearch(text.toStdString()))
        w.list->addItem(QString::fromStdString(entry));
    w.list->setCurrentRow(w.list->count() > 0 ? 0 : -1);
  };
  const auto enableButtons = [&w] {
    for (QPushButton* button : w.buttons) button->setEnabled(w.list->currentRow() >= 0);
  };
  QObject::connect(w.text, &QLineEdit::textChanged, search);
  QObject::connect(w.list, &QListWidget::currentRowChanged, enableButtons);
  int chosen = 0;
  for (int i = 0; i < 2; ++i) {
    QObject::connect(w.buttons[i], &QPushButton::clicked, [&dialog, &chosen, i] {
      chosen = i + 1;
      dialog.accept();
    });
  }
  QObject::connect(w.list, &QListWidget::itemActivated, w.buttons[0], &QPushButton::click);

  search(w.text->text());
  enableButtons();
  const bool accepted = dialog.exec() == QDialog::Accepted;
  text_ = w.text->text().toStdString();
  itemIndex_ = accepted && chosen > 0 ? w.list->currentRow() : -1;
  return itemIndex_ >= 0 ? chosen : 0;
}
