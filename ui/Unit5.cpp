#include "ui/Unit5.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

#include "core/calc_windows.h"
#include "core/number_text.h"
#include "ui/accessible.h"
#include "ui/adding.h"
#include "ui/colors.h"
#include "ui/widgets.h"

namespace {

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

TForm5::TForm5(AppContext& context)
    : TForm(context, QStringLiteral("TForm5"), QStringLiteral("Среднее арифметическое"), 439, 168) {
  move(504, 201);
  const QFont bold = SansFont(11, true);

  ListBox1 = Place(new QListWidget(this), 0, 0, 153, 169);
  ListBox1->setFont(bold);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox1->setItemDelegate(new FixedHeightItems(13, ListBox1));
  ListBox1->setUniformItemSizes(true);
  SetFieldColour(ListBox1, kButtonShadow);

  Label2 = MakeFixedLabel(this, QStringLiteral("Вводите постепенно символы в строку,"), 160, 8, 202,
                          13, SansFont());
  Label3 = MakeFixedLabel(this, QStringLiteral("каждый раз нажимая кнопку \"Добавить\""), 160, 32,
                          211, 13, SansFont());
  Label4 =
      MakeFixedLabel(this, QStringLiteral("Когда вы введёте весь массив, нажмите \"Сосчитать\""),
                     160, 56, 275, 13, SansFont());
  Bevel1 = MakeBevel(this, 152, 72, 289, 73);
  Button1 = Place(new QPushButton(QStringLiteral("Сосчитать"), this), 160, 80, 75, 25);
  Button3 = Place(new QPushButton(QStringLiteral("Добавить"), this), 240, 80, 75, 25);
  Button4 = Place(new QPushButton(QStringLiteral("Очистить всё"), this), 320, 80, 81, 25);
  Edit1 = Place(new TEdit(this), 160, 112, 105, 21);
  Edit1->setFont(bold);
  Button2 =
      Place(new QPushButton(QStringLiteral("Удалить выделенный символ"), this), 272, 112, 161, 25);
  // The result line grows with its text, up to the window's right edge.
  Label1 = new TLine(this, QString(), 157, 144, SansFont(13, true), width());
  Button1->setEnabled(false);
  Button2->setEnabled(false);

  // The list is the first control after the window itself, so that a Tab from a window
  // without focus lands there.
  setTabOrder(ListBox1, Button1);
  setTabOrder(Button1, Edit1);
  setTabOrder(Edit1, Button2);
  setTabOrder(Button2, Button3);
  setTabOrder(Button3, Button4);

  Edit1->SetKeyFilter(Filter(DecimalKeyFilter));
  Connect(Edit1, &TEdit::Clicked, [this] { Edit1Click(); });
  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });
  Connect(Button2, &QPushButton::clicked, [this] { Button2Click(); });
  Connect(Button3, &QPushButton::clicked, [this] { Button3Click(); });
  Connect(Button4, &QPushButton::clicked, [this] { Button4Click(); });
  for (QPushButton* button : {Button1, Button2, Button3, Button4}) ClickOnEnter(button);
  OnFocusEnter(ListBox1, Handler([this] { ListBox1Enter(); }));

  // Screen readers: the field by the instruction above it, the list by what it holds.
  NameControls({
      {Edit1, Label2->text().chopped(1), Label3->text() + QStringLiteral(". ") + Label4->text()},
      {ListBox1, QStringLiteral("Введённые числа"),
       QStringLiteral("Переход в список считает среднее арифметическое")},
  });
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
  const TForm1* main = context_.windows.Form1;
  SetFieldColour(Edit1, FieldColour(main->Edit1));
  SetWindowColour(this, WindowColour(main));
  Edit1->setFocus();
}

void TForm5::FormClose() {
  Edit1->clear();
  Label1->SetLine(QString());
  ListBox1->clear();
  Disable(Button1);
  Disable(Button4);
  Disable(Button2);
}
