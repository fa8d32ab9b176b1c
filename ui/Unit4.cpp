#include "ui/Unit4.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "core/calc_windows.h"
#include "core/number_text.h"
#include "ui/accessible.h"
#include "ui/adding.h"
#include "ui/colors.h"
#include "ui/widgets.h"

TForm4::TForm4(AppContext& context)
    : TForm(context, QStringLiteral("TForm4"), QStringLiteral("Квадратные уравнения"), 388, 168) {
  move(363, 310);
  const QFont bold = SansFont(11, true);
  const QFont big = SansFont(13, true);

  Bevel1 = MakeBevel(this, 8, 0, 377, 105);
  Label7 = MakeFixedLabel(this, QStringLiteral(" Квадратные уравнения типа ax2+bx+c=0"), 80, 8, 246,
                          13, bold);
  Label4 = MakeFixedLabel(this, QStringLiteral("a="), 88, 32, 18, 16, big);
  Edit1 = Place(new TEdit(this), 112, 32, 41, 21);
  Label5 = MakeFixedLabel(this, QStringLiteral("b="), 168, 32, 18, 16, big);
  Edit2 = Place(new TEdit(this), 192, 32, 41, 21);
  Label6 = MakeFixedLabel(this, QStringLiteral("c="), 256, 32, 17, 16, big);
  Edit3 = Place(new TEdit(this), 280, 32, 49, 21);
  Button1 = Place(new QPushButton(QStringLiteral("Сосчитать"), this), 32, 64, 217, 25);
  Button2 = Place(new QPushButton(QStringLiteral("Новое уравнение"), this), 256, 64, 113, 25);
  // The result lines grow with their text, up to the window's right edge.
  Label1 = new TLine(this, QString(), 0, 104, big, width());
  Label2 = new TLine(this, QString(), 8, 129, big, width());
  Label3 = new TLine(this, QString(), 8, 152, big, width());

  for (TEdit* edit : {Edit1, Edit2, Edit3}) {
    edit->setFont(bold);
    edit->SetKeyFilter(Filter(DecimalKeyFilter));
  }
  Button1->setFont(bold);
  Button2->setFont(bold);

  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Edit3);
  setTabOrder(Edit3, Button1);
  setTabOrder(Button1, Button2);

  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });
  Connect(Button2, &QPushButton::clicked, [this] { Button2Click(); });
  for (QPushButton* button : {Button1, Button2}) ClickOnEnter(button);
  OnFocusEnter(Button1, Handler([this] { Button1Enter(); }));

  // Screen readers: each field by its caption; the equation's form describes them.
  for (auto [label, field] : {std::pair{Label4, Edit1}, {Label5, Edit2}, {Label6, Edit3}}) {
    NameByLabel(label, field);
    field->setAccessibleDescription(Label7->text().trimmed());
  }
}

void TForm4::Button1Click() {
  TLine* const lines[] = {Label1, Label2, Label3};
  SolveQuadratic(Edit1->text().toStdString(), Edit2->text().toStdString(),
                 Edit3->text().toStdString(),
                 [&lines](QuadraticLine line, const std::string& text) {
                   lines[static_cast<int>(line) - 1]->SetLine(QString::fromStdString(text));
                 });
}

void TForm4::Button1Enter() {
  Button1Click();
}

void TForm4::Button2Click() {
  Edit1->clear();
  Edit2->clear();
  Edit3->clear();
  Label2->SetLine(QString());
  Label1->SetLine(QString());
  Label3->SetLine(QString());
}

void TForm4::FormShow() {
  const TForm1* main = context_.windows.Form1;
  const uint32_t field = FieldColour(main->Edit1);
  for (TEdit* edit : {Edit1, Edit2, Edit3}) SetFieldColour(edit, field);
  SetWindowColour(this, WindowColour(main));
  Edit1->setFocus();
}

void TForm4::FormClose() {
  Edit1->clear();
  Edit2->clear();
  Edit3->clear();
  Label1->SetLine(QString());
  Label2->SetLine(QString());
  Label3->SetLine(QString());
}
