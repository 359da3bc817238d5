#include "toolkit/list_box.h"

#include <QListWidget>

#include "toolkit/event_dispatch.h"

namespace {

QListWidget* ListOf(const TListBox& box) { return static_cast<QListWidget*>(box.Widget()); }

}  // namespace

TListBox::TListBox(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent, new QListWidget(ClientWidgetOf(parent))) {
  QListWidget* list = ListOf(*this);
  list->setUniformItemSizes(true);
  QObject::connect(list, &QListWidget::itemDoubleClicked, list, [this](QListWidgetItem*) {
    if (OnDblClick) DispatchEvent([this] { OnDblClick(this); });
  });
}

void TListBox::Items(const std::vector<std::string>& lines) {
  QListWidget* list = ListOf(*this);
  list->clear();
  for (const std::string& line : lines) list->addItem(QString::fromStdString(line));
}

int TListBox::Count() const { return ListOf(*this)->count(); }

std::string TListBox::Item(int index) const { return ListOf(*this)->item(index)->text().toStdString(); }

int TListBox::ItemIndex() const { return ListOf(*this)->currentRow(); }

void TListBox::ItemIndex(int index) { ListOf(*this)->setCurrentRow(index); }
