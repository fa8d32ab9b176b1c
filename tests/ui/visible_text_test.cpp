// What the user reads, headless: every caption, label and button text of the six windows is
// whole (inside its control, inside its window, not under another control) in every state that
// writes texts, and a field that a command writes shows the beginning of its text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/application_windows.h"
#include "core/number_text.h"
#include "tests/support/cases.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/test_program.h"
#include "ui/controls/spin_field.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

namespace {

// Where a control's text is drawn, in its window's coordinates, or an empty rectangle for a
// control without text.
QRect TextRect(const QWidget* control) {
  const QWidget* window = control->window();
  QString text;
  QRect room;
  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
  if (const auto* label = qobject_cast<const QLabel*>(control)) {
    text = label->text();
    room = label->contentsRect();
    alignment = label->alignment();
  } else if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
    QStyleOptionButton option;
    option.initFrom(box);
    text = box->text();
    room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
  } else if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    text = button->text();
    room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    alignment = Qt::AlignCenter;
  }
  if (text.isEmpty()) return {};
  const QFontMetrics metrics(control->font());
  const QSize size(metrics.horizontalAdvance(text), metrics.height());
  QRect drawn = QStyle::alignedRect(control->layoutDirection(), alignment, size, room);
  // Centred text wider than its room runs over both edges: measure it against the room.
  if (size.width() > room.width()) drawn = QRect(room.topLeft(), size);
  return drawn.translated(control->mapTo(window, QPoint(0, 0)));
}

// The room a control's text must stay in: its own rectangle, for a label (its text may not
// reach past it) that is the contents rectangle.
QRect OwnRect(const QWidget* control) {
  return QRect(control->mapTo(control->window(), QPoint(0, 0)), control->size());
}

// A plain frame is a bevel: it draws a line and covers nothing.
bool Covers(const QWidget* w) {
  return w->metaObject() != &QFrame::staticMetaObject;
}

// Every visible text of `window` is whole; failures name the control and the text.
void ExpectWhole(const QWidget* window, const char* when) {
  const QRect inside = window->rect();
  const QList<QWidget*> controls = window->findChildren<QWidget*>();
  for (const QWidget* control : controls) {
    if (!control->isVisibleTo(window)) continue;
    const QRect text = TextRect(control);
    if (text.isEmpty()) continue;
    const QString name = control->objectName().isEmpty()
                             ? QString::fromLatin1(control->metaObject()->className())
                             : control->objectName();
    const std::string what = std::string(when) + ": " + window->objectName().toStdString() + "." +
                             name.toStdString() + " \"" +
                             (qobject_cast<const QLabel*>(control)
                                  ? qobject_cast<const QLabel*>(control)->text()
                                  : qobject_cast<const QAbstractButton*>(control)->text())
                                 .toStdString() +
                             "\"";
    EXPECT_TRUE(OwnRect(control).contains(text))
        << what << " is cut by its control: text " << text.width() << " px at "
        << text.x() - OwnRect(control).x() << ", control " << control->width() << " px";
    EXPECT_TRUE(inside.contains(text)) << what << " is cut by the window's edge";
    // Controls made after it lie above it.
    const QWidget* parent = control->parentWidget();
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(control)) + 1; i < siblings.size();
         ++i) {
      const auto* above = qobject_cast<const QWidget*>(siblings[i]);
      if (above == nullptr || !above->isVisibleTo(window) || !Covers(above)) continue;
      EXPECT_FALSE(OwnRect(above).intersects(text))
          << what << " lies under " << above->objectName().toStdString();
    }
  }
}

class VisibleText : public ::testing::Test {
 protected:
  void Start(const std::string& settings = {}) {
    program_ = std::make_unique<TestProgram>(settings);
    desktop_ = &program_->desktop;
  }

  TForm1& Main() { return program_->main(); }
  WindowSet& Windows() { return program_->windows(); }

  // Every window, the hidden ones shown for the look.
  void ExpectAllWhole(const char* when) {
    ExpectWhole(&Main(), when);
    const QList<QWidget*> others = {Windows().Form2, Windows().Form3, Windows().Form4,
                                    Windows().Form5, Windows().Form6};
    for (QWidget* form : others) {
      // A hidden window is laid out when first shown.
      form->ensurePolished();
      ExpectWhole(form, when);
    }
  }

  std::unique_ptr<TestProgram> program_;
  RecordingDesktop* desktop_ = nullptr;
};

// The windows name the families they were drawn with; every text is shown in an installed
// family standing in for them, at one of the four heights the windows use.
TEST_F(VisibleText, EveryFontIsAnInstalledStandIn) {
  Start();
  const QList<QWidget*> windows = {&Main(),         Windows().Form2, Windows().Form3,
                                   Windows().Form4, Windows().Form5, Windows().Form6};
  for (QWidget* window : windows) {
    window->ensurePolished();
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (const QWidget* w : widgets) {
      if (!w->testAttribute(Qt::WA_SetFont)) continue;
      const QFont font = w->font();
      const std::string name = w->objectName().toStdString();
      EXPECT_TRUE(font.family() == QStringLiteral("Liberation Sans") ||
                  font.family() == QStringLiteral("Fantasque Sans Mono"))
          << name << ": " << font.family().toStdString();
      // The family has every letter of the text: none is drawn in a fallback family (the
      // Cyrillic of a Russian line among Latin words, say).
      QString text;
      if (const auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
      if (const auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
      const QFontMetrics metrics(font);
      for (const uint ch : text.toUcs4()) {
        if (QChar::isSpace(ch)) continue;
        EXPECT_TRUE(metrics.inFontUcs4(ch))
            << name << ": " << font.family().toStdString() << " lacks U+" << std::hex << ch;
      }
      EXPECT_TRUE(font.pixelSize() == 11 || font.pixelSize() == 13 || font.pixelSize() == 16 ||
                  font.pixelSize() == 19)
          << name << ": " << font.pixelSize() << " px";
    }
  }
}

// A range label narrows its font for a long value and takes its whole font back for a short one.
TEST_F(VisibleText, RangeLabelTakesItsWholeFontBackForAShortValue) {
  Start("[Trackbar]\r\nmin=-2147483648\r\nmax=2147483647\r\n");
  TForm1& f = Main();
  // Label14 shows the same font, never narrowed.
  const int whole = f.Label14->font().stretch();
  ASSERT_EQ(f.Label13->text(), QStringLiteral("2147483647"));
  EXPECT_LT(f.Label13->font().stretch(), whole);
  f.N19->trigger();  // the default settings: 0 to 200
  ASSERT_EQ(f.Label13->text(), QStringLiteral("200"));
  EXPECT_EQ(f.Label13->font().stretch(), whole);
  EXPECT_EQ(f.Label13->font(), f.Label14->font());
}

TEST_F(VisibleText, WholeAtStartUpWithDefaultRange) {
  Start();
  ExpectAllWhole("start-up");
  EXPECT_EQ(Main().Label12->text(), QStringLiteral("100"));
}

TEST_F(VisibleText, WholeAtStartUpWithTheWidestStoredRange) {
  Start("[Trackbar]\r\nmin=-2147483648\r\nmax=2147483647\r\n");
  EXPECT_EQ(Main().Label12->text(), QStringLiteral("-2147483648"));
  EXPECT_EQ(Main().Label13->text(), QStringLiteral("2147483647"));
  ExpectWhole(&Main(), "start-up, widest range");
}

TEST_F(VisibleText, WholeAfterDefaultSettings) {
  Start("[Trackbar]\r\nmin=-2147483648\r\nmax=2147483647\r\n");
  Main().N19Click();
  EXPECT_EQ(Main().Label13->text(), QStringLiteral("200"));
  ExpectAllWhole("F4");
}

TEST_F(VisibleText, WholeAfterTheSettingsWindowTakesElevenCharacterValues) {
  Start();
  TForm6* settings = Windows().Form6;
  settings->ShowForm();
  settings->Edit1->setText(QStringLiteral("-2147483648"));
  settings->Edit2->setText(QStringLiteral("-2147483647"));
  QTest::mouseClick(settings->Button1, Qt::LeftButton);
  EXPECT_TRUE(desktop_->events.empty());
  EXPECT_EQ(Main().Label12->text(), QStringLiteral("-2147483648"));
  EXPECT_EQ(Main().Label13->text(), QStringLiteral("-2147483647"));
  ExpectWhole(&Main(), "settings OK");
  // A narrowed label shows no more than the value: it does not reach into the picture.
  EXPECT_LE(Main().Label13->geometry().right(), Main().Image1->geometry().left());
}

// The result lines at their longest: a discriminant and a mean of 20 and 22 characters.
TEST_F(VisibleText, WholeWithTheLongestResultLines) {
  Start();
  TForm4* quadratic = Windows().Form4;
  quadratic->ShowForm();
  quadratic->Edit1->setText(QStringLiteral("-3"));
  quadratic->Edit2->setText(QStringLiteral("1,11111111111111E100"));
  quadratic->Edit3->setText(QStringLiteral("7"));
  quadratic->Button1Click();
  EXPECT_TRUE(desktop_->events.empty());
  EXPECT_EQ(quadratic->Label1->text(),
            QStringLiteral("D>0, Уравнение имеет два корня, дискриминант=1,23456790123457E200"));
  ExpectWhole(quadratic, "discriminant");

  quadratic->Edit1->setText(QStringLiteral("1"));
  quadratic->Edit2->setText(QStringLiteral("0"));
  quadratic->Edit3->setText(QStringLiteral("3,33333333333333E300"));
  quadratic->Button1Click();
  EXPECT_TRUE(quadratic->Label1->text().startsWith(QStringLiteral("D<0, ")));
  ExpectWhole(quadratic, "negative discriminant");

  TForm5* mean = Windows().Form5;
  mean->ShowForm();
  mean->Edit1->setText(QStringLiteral("-1,23456789012345E-300"));
  mean->Button3Click();
  mean->Button1Click();
  EXPECT_EQ(mean->Label1->text(), QStringLiteral("Среднее арифметическое=-1,23456789012345E-300"));
  ExpectWhole(mean, "mean");
  // The worked example of the mean window.
  mean->Button4Click();
  for (const char* item : {"1", "2", "4"}) {
    mean->Edit1->setText(QString::fromLatin1(item));
    mean->Button3Click();
  }
  mean->Button1Click();
  EXPECT_EQ(mean->Label1->text(), QStringLiteral("Среднее арифметическое=2,33333333333333"));
  ExpectWhole(mean, "mean of 1, 2, 4");
  // A short line after a narrowed one is drawn in the full font again.
  EXPECT_EQ(mean->Label1->font().stretch(), mean->Label2->font().stretch());
}

// The settings window's check box answers a click on the right part of its caption too: at its
// left, its middle and its right end.
TEST_F(VisibleText, CheckBoxAnswersAClickAnywhereOnIt) {
  Start();
  TForm6* settings = Windows().Form6;
  settings->ShowForm();
  QCheckBox* box = settings->CheckBox1;
  for (const int x : {5, box->width() / 2, box->width() - 6}) {
    const bool before = box->isChecked();
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(x, 8));
    EXPECT_NE(box->isChecked(), before) << "click at x=" << x;
  }
}

// ---- fields written by commands show their beginning ----------------------------------------

struct WrittenField {
  const char* name;
  void (*act)(WindowSet&);
  QLineEdit* (*field)(WindowSet&);
  const char* text;  // what the field then holds, wider than the field
};

void Multiply(WindowSet& w) {
  w.Form1->Edit1->setText(QStringLiteral("-123456789,123"));
  w.Form1->Edit2->setText(QStringLiteral("9,87654321E-300"));
  w.Form1->Button4->click();
}

void MoveAnswerToFirst(WindowSet& w) {
  w.Form1->Edit1->setText(QStringLiteral("-1"));
  w.Form1->Edit2->setText(QStringLiteral("3000000"));
  w.Form1->Button5->click();
  w.Form1->Button3->click();
}

void SwapOperands(WindowSet& w) {
  w.Form1->Edit1->setText(QStringLiteral("-0,000123456789012345"));
  w.Form1->Edit2->setText(QStringLiteral("-1,23456789012345E-123"));
  w.Form1->Button11->click();
}

TEST_F(VisibleText, FieldsShowTheirBeginningAfterACommandWroteThem) {
  const WrittenField kFields[] = {
      {"ProductInTheAnswer", Multiply, [](WindowSet& w) -> QLineEdit* { return w.Form1->Edit3; },
       "-1,21932631234117E-291"},
      {"AnswerMovedToTheFirstField", MoveAnswerToFirst,
       [](WindowSet& w) -> QLineEdit* { return w.Form1->Edit1; }, "-3,33333333333333E-7"},
      {"SwappedOperand", SwapOperands, [](WindowSet& w) -> QLineEdit* { return w.Form1->Edit1; },
       "-1,23456789012345E-123"}};
  ForEachCase(kFields, [this](const WrittenField& c) {
    Start();
    c.act(Windows());
    QLineEdit* field = c.field(Windows());
    EXPECT_EQ(field->text(), QString::fromUtf8(c.text));
    EXPECT_GT(QFontMetrics(field->font()).horizontalAdvance(field->text()), field->width())
        << "the case needs a text wider than its field";
    EXPECT_EQ(field->cursorPosition(), 0);
    // The first character, the minus sign included, is drawn at the field's left.
    EXPECT_LT(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 8);
  });
}

}  // namespace
