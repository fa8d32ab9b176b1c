#include "ui/windows/Unit5.h"

#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

#include "core/calc_windows.h"
#include "core/key_filters.h"
#include "ui/base/button_rules.h"
#include "ui/base/colors.h"

namespace {

constexpr int kItemHeight = 13;

// List rows of a fixed height.
class FixedHeightItems : public QStyledItemDelegate {
 public:
  FixedHeightItems(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
  }

 private:
  int height_;
};

}  // namespace

TForm5::TForm5(AppContext& context) : SecondaryWindow(context) {
  MakeForm<Ui::TForm5>(*this);
  AnnounceResults({Label1});
  ListBox1->setItemDelegate(new FixedHeightItems(kItemHeight, ListBox1));
  SetFieldColour(ListBox1, kButtonShadow);

  Edit1->SetKeyFilter(Filter(DecimalKeyFilter));
  Connect(Edit1, &InputField::Clicked, [this] { Edit1Click(); });
  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });
  Connect(Button2, &QPushButton::clicked, [this] { Button2Click(); });
  Connect(Button3, &QPushButton::clicked, [this] { Button3Click(); });
  Connect(Button4, &QPushButton::clicked, [this] { Button4Click(); });
  for (QPushButton* button : {Button1, Button2, Button3, Button4}) PressOnEnter(button);
  OnFocusEnter(ListBox1, Handler([this] { ListBox1Enter(); }));
}

void TForm5::Button3Click() {
  ListBox1->addItem(QString::fromStdString(MeanItem(Edit1->text().toStdString())));
  Button1->setEnabled(true);
  Button2->setEnabled(true);
  Button4->setEnabled(true);
  Edit1->setFocus();
}

void TForm5::Button1Click() {
  std::vector<std::string> items;
  for (int i = 0; i < ListBox1->count(); ++i)
    items.push_back(ListBox1->item(i)->text().toStdString());
  Label1->SetLine(QString::fromStdString(MeanLine(items)));
}

void TForm5::Button2Click() {
  const int row = ListBox1->currentRow();
  if (row >= 0) delete ListBox1->takeItem(row);
}

void TForm5::Button4Click() {
  ListBox1->clear();
  Disable(Button1);
  Disable(Button2);
  Disable(Button4);
  Label1->SetLine(QString());
}

// The ordinary click of "Сосчитать", which runs also while the button is disabled.
void TForm5::ListBox1Enter() {
  Button1Click();
}

void TForm5::Edit1Click() {
  Edit1->clear();
}

void TForm5::Disable(QPushButton* button) {
  // Qt would hand the focus of a disabled control to the next one, which could be the list and
  // run the mean; the focus rests on the window instead.
  if (focusWidget() == button) button->clearFocus();
  button->setEnabled(false);
}

void TForm5::FormShow() {
  const MainWindowLink& main = *context_.windows.main;
  SetFieldColour(Edit1, main.FieldColour());
  SetWindowColour(this, main.WindowColour());
  Edit1->setFocus();
}

void TForm5::FormClose() {
  Edit1->Write(QString());
  Label1->SetLine(QString());
  ListBox1->clear();
  Disable(Button1);
  Disable(Button4);
  Disable(Button2);
}
