// The three calculation windows, headless: focus walks and the commands they run, the spin
// field, the mean window's list and buttons, the show and close handlers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "tests/support/cases.h"
#include "tests/support/recording_desktop.h"
#include "ui/base/colors.h"
#include "ui/controls/input_field.h"
#include "ui/controls/spin_field.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/adding.h"

namespace {

using Event = RecordingDesktop::Event;

constexpr uint32_t kRed = 0x0000FF;  // 0x00BBGGRR
constexpr uint32_t kGreen = 0x00FF00;

// Runs what the focus changes queued (the focus-enter commands).
void Settle() {
  QCoreApplication::processEvents();
}

QWidget* Focus() {
  return QApplication::focusWidget();
}

// A key as the user presses it: to the control with the focus, or to the active window.
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = Focus() != nullptr ? Focus() : QApplication::activeWindow();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
  Settle();
}
void Tab() {
  Press(Qt::Key_Tab);
}
void BackTab() {
  Press(Qt::Key_Tab, Qt::ShiftModifier);
}
void Type(const QString& text) {
  QTest::keyClicks(Focus(), text);
}

void Click(QWidget* w, QPoint at = QPoint(), Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseClick(w, Qt::LeftButton, modifiers, at);
  Settle();
}

class CalcWindowsUi : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDecimalSeparator(',');
    ASSERT_TRUE(dir_.isValid());
    context_.settings = (dir_.path() + QStringLiteral("/Tallymate.ini")).toStdString();
    main_ = std::make_unique<TForm1>(context_);
    context_.windows.Form1 = main_.get();
    context_.windows.main = main_.get();
  }

  // Opens a window the way the main window's menu does and waits until it has the focus.
  template <typename F>
  F* Open(std::unique_ptr<F>& form) {
    if (!form) form = std::make_unique<F>(context_);
    form->ShowForm();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Settle();
    return form.get();
  }

  // Another window takes the focus and gives it back: the focus returns to the same control.
  void Reactivate(QWidget* form) {
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    Settle();
  }

  std::vector<std::string> Errors() const { return desktop_.Texts(Event::Error); }

  RecordingDesktop desktop_;
  QTemporaryDir dir_;
  AppContext context_{desktop_, {}, {}};
  std::unique_ptr<TForm1> main_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm4> form4_;
  std::unique_ptr<TForm5> form5_;
};

// ---- powers and roots ----

TEST_F(CalcWindowsUi, PowersTabWalkComputesOnTheButtonsAndReturnsToTheNumber) {
  TForm3* f = Open(form3_);
  ASSERT_EQ(Focus(), f->Edit1);
  Type("2");
  Tab();
  EXPECT_EQ(Focus(), f->SpinEdit1->Editor());
  Type("10");  // the whole text was selected on entry, so this replaces the 2
  Tab();       // onto "Возвести в степень"
  EXPECT_EQ(f->Edit2->text(), "1024");
  EXPECT_EQ(Focus(), f->Edit1);
  EXPECT_EQ(f->Edit1->selectedText(), "2");
  BackTab();  // Edit1 -> Button2: the square root
  EXPECT_EQ(f->Edit2->text(), "1,4142135623731");
  EXPECT_EQ(Focus(), f->Edit1);
  EXPECT_TRUE(desktop_.events.empty());
}

TEST_F(CalcWindowsUi, PowersFailingCommandShowsItsErrorOnceAndKeepsTheAnswer) {
  TForm3* f = Open(form3_);
  Type("4");
  BackTab();
  ASSERT_EQ(f->Edit2->text(), "2");
  Type("-4");
  BackTab();  // the square root of -4
  EXPECT_EQ(Errors(), std::vector<std::string>{"Invalid floating point operation."});
  EXPECT_EQ(Focus(), f->Button2);
  EXPECT_EQ(f->Edit2->text(), "2");
  Reactivate(f);  // the focus comes back to the button: no second run
  EXPECT_EQ(Focus(), f->Button2);
  EXPECT_EQ(Errors().size(), 1u);
  Press(Qt::Key_Space);  // the button's own click runs it again
  EXPECT_EQ(Errors().size(), 2u);
}

TEST_F(CalcWindowsUi, MousePressOnAButtonRunsItsCommandOnce) {
  TForm3* f = Open(form3_);
  Type("-");
  Click(f->Button1);
  EXPECT_EQ(Errors(), std::vector<std::string>{"'-' is not a valid floating point value."});
  EXPECT_EQ(Focus(), f->Button1);
  // A later click on the button that already has the focus is an ordinary click.
  Click(f->Button1);
  EXPECT_EQ(Errors().size(), 2u);
  f->Edit1->setText("3");
  Click(f->Button2);
  EXPECT_EQ(f->Edit2->text(), "1,73205080756888");
}

TEST_F(CalcWindowsUi, SpinFieldClampsOnlyWhenTheFocusLeaves) {
  // The number is 2: 500 leaves as 100, 2 to the power 100.
  struct Row {
    const char *text, *after_leaving, *answer;
  };
  const Row kCases[] = {{"500", "100", "1,26765060022823E30"},
                        {"0", "1", "2"},
                        {"-3", "1", "2"},
                        {"", "", "2"},
                        {"2,5", "2,5", "2"},
                        {"7", "7", "128"}};
  TForm3* f = Open(form3_);
  ForEachCase(kCases, [&](const Row& c) {
    const QString typed = QString::fromUtf8(c.text);
    f->Edit1->setText("2");
    f->SpinEdit1->setFocus(Qt::TabFocusReason);
    f->SpinEdit1->SetText(typed);
    Reactivate(f);  // switching windows does not leave the field
    EXPECT_EQ(f->SpinEdit1->Text(), typed);
    // Nor does its context menu, opened and closed again.
    QTimer::singleShot(0, [] {
      if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    });
    QContextMenuEvent menu_key(QContextMenuEvent::Keyboard, QPoint(2, 2),
                               f->SpinEdit1->Editor()->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(f->SpinEdit1->Editor(), &menu_key);
    EXPECT_EQ(f->SpinEdit1->Text(), typed);
    Tab();  // onto the power button
    EXPECT_EQ(f->SpinEdit1->Text(), c.after_leaving);
    EXPECT_EQ(f->Edit2->text(), c.answer);
  });
}

TEST_F(CalcWindowsUi, SpinFieldClampsWhenTheWindowReopensOnTheNumber) {
  TForm3* f = Open(form3_);
  f->SpinEdit1->setFocus(Qt::TabFocusReason);
  f->SpinEdit1->SetText("500");
  f->close();
  Open(form3_);
  EXPECT_EQ(Focus(), f->Edit1);
  EXPECT_EQ(f->SpinEdit1->Text(), "100");
}

TEST_F(CalcWindowsUi, SpinArrowKeysStepAndClamp) {
  struct Row {
    const char* name;
    const char* text;
    int key;
    const char* result;
  };
  const Row kCases[] = {
      {"5 Up", "5", Qt::Key_Up, "6"},          {"5 Down", "5", Qt::Key_Down, "4"},
      {"100 Up", "100", Qt::Key_Up, "100"},    {"1 Down", "1", Qt::Key_Down, "1"},
      {"empty Up", "", Qt::Key_Up, "2"},       {"abc Down", "abc", Qt::Key_Down, "1"},
      {"500 Down", "500", Qt::Key_Down, "100"}};
  TForm3* f = Open(form3_);
  f->SpinEdit1->setFocus(Qt::TabFocusReason);
  ForEachCase(kCases, [&](const Row& c) {
    f->SpinEdit1->SetText(QString::fromUtf8(c.text));
    Press(c.key);
    EXPECT_EQ(f->SpinEdit1->Text(), c.result);
  });
}

TEST_F(CalcWindowsUi, SpinKeyFilterBeepsForOtherKeysAndAllowsPaste) {
  TForm3* f = Open(form3_);
  f->SpinEdit1->setFocus(Qt::TabFocusReason);
  f->SpinEdit1->SetText("");
  Type("1a+-,.");
  Press(Qt::Key_Return);
  EXPECT_EQ(f->SpinEdit1->Text(), "1+-,");
  EXPECT_EQ(desktop_.events,
            (std::vector<Event>{{Event::Beep, ""}, {Event::Beep, ""}, {Event::Beep, ""}}));
  QApplication::clipboard()->setText("42");
  f->SpinEdit1->Editor()->selectAll();
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f->SpinEdit1->Text(), "42");
  f->SpinEdit1->Editor()->selectAll();
  Press(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(f->SpinEdit1->Text(), "");
  EXPECT_EQ(desktop_.events.size(), 3u);
}

TEST_F(CalcWindowsUi, SpinArrowButtonStepsOnReleaseAndRepeatsWhileHeld) {
  TForm3* f = Open(form3_);
  SpinField* spin = f->SpinEdit1;
  spin->SetText("10");
  QTest::mousePress(spin->UpButton(), Qt::LeftButton);
  EXPECT_EQ(Focus(), spin->Editor());
  EXPECT_EQ(spin->Text(), "10");  // nothing on the press itself
  EXPECT_TRUE(spin->RepeatTimer().isActive());
  EXPECT_EQ(spin->RepeatTimer().interval(), 400);
  spin->RepeatTick();
  EXPECT_EQ(spin->Text(), "11");
  EXPECT_EQ(spin->RepeatTimer().interval(), 100);
  spin->RepeatTick();
  QTest::mouseRelease(spin->UpButton(), Qt::LeftButton);
  EXPECT_EQ(spin->Text(), "13");  // the release over the button adds one more
  EXPECT_FALSE(spin->RepeatTimer().isActive());

  // Released away from the button, the focus coming from another field: no step, and the
  // field's text is not selected as it would be when Tab brings the focus.
  f->Edit1->setFocus(Qt::TabFocusReason);
  QTest::mousePress(spin->DownButton(), Qt::LeftButton);
  QTest::mouseRelease(spin->DownButton(), Qt::LeftButton, {}, QPoint(-20, -20));
  EXPECT_EQ(Focus(), spin->Editor());
  EXPECT_EQ(spin->Text(), "13");
  EXPECT_FALSE(spin->Editor()->hasSelectedText());
  EXPECT_FALSE(spin->RepeatTimer().isActive());

  spin->SetText("2");
  Click(spin->DownButton());
  Click(spin->DownButton());
  EXPECT_EQ(spin->Text(), "1");
}

TEST_F(CalcWindowsUi, PowersNumberFieldFiltersAndEmptiesOnDoubleClick) {
  TForm3* f = Open(form3_);
  Type("1.5a");
  EXPECT_EQ(f->Edit1->text(), "1,5");
  EXPECT_EQ(desktop_.events,
            (std::vector<Event>{{Event::Beep, ""}, {Event::Information, "Вводите только числа!"}}));
  Tab();
  Tab();
  EXPECT_EQ(f->Edit2->text(), "2,25");
  QTest::mouseDClick(f->Edit1, Qt::LeftButton);
  EXPECT_EQ(f->Edit1->text(), "");
  EXPECT_EQ(f->Edit2->text(), "2,25");
  f->Edit2->setFocus();  // the read-only answer field takes no typing
  Type("7");
  EXPECT_EQ(f->Edit2->text(), "2,25");
}

// ---- quadratic equation ----

struct Lines {
  QString l1, l2, l3;
  bool operator==(const Lines&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Lines& l) {
  return os << "[" << l.l1.toStdString() << " | " << l.l2.toStdString() << " | "
            << l.l3.toStdString() << "]";
}
Lines Read(const TForm4* f) {
  return {f->Label1->text(), f->Label2->text(), f->Label3->text()};
}

TEST_F(CalcWindowsUi, QuadraticTabbingOntoSolveSolvesAndKeepsTheFocus) {
  TForm4* f = Open(form4_);
  for (const char* coefficient : {"1", "-3", "2"}) {
    Type(coefficient);
    Tab();
  }
  const QString two = "D>0, Уравнение имеет два корня, дискриминант=";
  EXPECT_EQ(Read(f), (Lines{two + "1", "x1=2", "x2=1"}));
  EXPECT_EQ(Focus(), f->Button1);
  const int width = f->Label1->width();
  // A single root right after two empties the second line.
  f->Edit2->setText("2");
  f->Edit3->setText("1");
  Press(Qt::Key_Space);
  EXPECT_EQ(Read(f), (Lines{"D=0, Имеет один корень, дискриминант=0", " x1=-1", ""}));
  EXPECT_LT(f->Label1->width(), width);  // the lines size themselves to their text
  f->Edit3->setText("5");
  Press(Qt::Key_Space);
  EXPECT_EQ(Read(f), (Lines{"D<0, Уравнение не имеет корней, дискриминант=-16", "", ""}));
  Tab();
  EXPECT_EQ(Focus(), f->Button2);
  Tab();
  EXPECT_EQ(Focus(), f->Edit1);
  EXPECT_TRUE(desktop_.events.empty());
}

TEST_F(CalcWindowsUi, QuadraticFaultKeepsTheNewDiscriminantAboveOldRootsAndReportsOnce) {
  TForm4* f = Open(form4_);
  f->Edit1->setText("2");
  f->Edit2->setText("1");
  f->Edit3->setText("-1");
  f->Button1->click();
  f->Edit1->setText("0,0");
  f->Edit2->setText("-1");
  f->Edit3->setText("5");
  f->Edit3->setFocus();
  Tab();
  EXPECT_EQ(Read(f), (Lines{"D>0, Уравнение имеет два корня, дискриминант=1", "x1=0,5", "x2=-1"}));
  EXPECT_EQ(Errors(), std::vector<std::string>{"Floating point division by zero."});
  Reactivate(f);
  EXPECT_EQ(Focus(), f->Button1);
  EXPECT_EQ(Errors().size(), 1u);
  // The text "0" alone ends the solve quietly.
  f->Edit1->setText("0");
  f->Button1->click();
  EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(CalcWindowsUi, QuadraticNewEquationEmptiesEverything) {
  TForm4* f = Open(form4_);
  f->Edit1->setText("1");
  f->Edit2->setText("1,5");
  f->Edit3->setText("-1");
  f->Button1->click();
  ASSERT_EQ(Read(f).l2, "x1=0,5");
  f->Button2->setFocus(Qt::TabFocusReason);
  Press(Qt::Key_Space);
  EXPECT_EQ(Focus(), f->Button2);
  EXPECT_EQ(Read(f), Lines{});
  for (InputField* e : {f->Edit1, f->Edit2, f->Edit3}) EXPECT_EQ(e->text(), "");
  Tab();
  EXPECT_EQ(Focus(), f->Edit1);
  Type("2.5");
  EXPECT_EQ(f->Edit1->text(), "2,5");
}

// ---- arithmetic mean ----

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

struct Enabled {
  bool mean, remove, clear;
  bool operator==(const Enabled&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Enabled& e) {
  return os << e.mean << e.remove << e.clear;
}
Enabled States(const TForm5* f) {
  return {f->Button1->isEnabled(), f->Button2->isEnabled(), f->Button4->isEnabled()};
}

class MeanUi : public CalcWindowsUi {
 protected:
  TForm5* OpenWith(const QStringList& numbers) {
    TForm5* f = Open(form5_);
    for (const QString& n : numbers) {
      f->Edit1->setText(n);
      Click(f->Button3);
    }
    return f;
  }
  QPoint At(const TForm5* f, int row) const {
    return f->ListBox1->visualItemRect(f->ListBox1->item(row)).center();
  }
};

TEST_F(MeanUi, AddingAndMeanGiveTheMean) {
  TForm5* f = Open(form5_);
  EXPECT_EQ(States(f), (Enabled{false, false, true}));
  Type("007");
  Click(f->Button3);
  EXPECT_EQ(Focus(), f->Edit1);
  EXPECT_EQ(f->Edit1->selectedText(), "007");
  Type("1.50");  // replaces the selected text
  Click(f->Button3);
  EXPECT_EQ(Items(f->ListBox1), (QStringList{"7", "1,5"}));
  EXPECT_EQ(States(f), (Enabled{true, true, true}));
  EXPECT_EQ(f->Label1->text(), "");
  Click(f->Button1);
  EXPECT_EQ(f->Label1->text(), "Среднее арифметическое=4,25");
  EXPECT_TRUE(desktop_.events.empty());
}

TEST_F(MeanUi, EnteringTheListComputesTheMeanAndTheEmptyListReportsOnce) {
  TForm5* f = Open(form5_);
  Click(f->ListBox1->viewport(), QPoint(20, 20));
  EXPECT_EQ(Focus(), f->ListBox1);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Invalid floating point operation."});
  EXPECT_EQ(f->Label1->text(), "");
  Click(f->ListBox1->viewport(), QPoint(20, 20));  // the list keeps the focus: nothing runs
  Reactivate(f);
  EXPECT_EQ(Errors().size(), 1u);

  for (const char* n : {"1", "2", "4"}) {
    f->Edit1->setText(n);
    f->Button3->click();
  }
  BackTab();  // Edit1 -> "Сосчитать"
  EXPECT_EQ(Focus(), f->Button1);
  EXPECT_EQ(f->Label1->text(), "");  // the button itself runs nothing on entry
  BackTab();                         // -> the list
  EXPECT_EQ(Focus(), f->ListBox1);
  EXPECT_EQ(f->Label1->text(), "Среднее арифметическое=2,33333333333333");
  EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(MeanUi, DeleteRemovesOnlyTheCurrentItem) {
  TForm5* f = OpenWith({"1", "2", "3", "4"});
  Click(f->ListBox1->viewport(), At(f, 0));
  Click(f->ListBox1->viewport(), At(f, 2), Qt::ControlModifier);
  ASSERT_EQ(f->ListBox1->selectedItems().size(), 2);
  ASSERT_EQ(f->ListBox1->currentRow(), 2);
  Click(f->Button2);
  EXPECT_EQ(Items(f->ListBox1), (QStringList{"1", "2", "4"}));
  const QString mean = f->Label1->text();
  EXPECT_EQ(mean, "Среднее арифметическое=2,5");  // from entering the list: 1, 2, 3, 4
  // Deleting all items keeps the buttons and the result line as they were.
  while (f->ListBox1->count() > 0) {
    f->ListBox1->setCurrentRow(0);
    Click(f->Button2);
  }
  Click(f->Button2);  // nothing left: nothing happens
  EXPECT_EQ(States(f), (Enabled{true, true, true}));
  EXPECT_EQ(f->Label1->text(), mean);
  EXPECT_TRUE(desktop_.events.empty());
  Click(f->Button1);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Invalid floating point operation."});
  EXPECT_EQ(f->Label1->text(), mean);
}

TEST_F(MeanUi, ClearAllLeavesNoControlWithTheFocus) {
  TForm5* f = OpenWith({"5"});
  Click(f->Button1);
  ASSERT_EQ(f->Label1->text(), "Среднее арифметическое=5");
  Click(f->Button4);
  EXPECT_EQ(Items(f->ListBox1), QStringList{});
  EXPECT_EQ(States(f), (Enabled{false, false, false}));
  EXPECT_EQ(f->Label1->text(), "");
  EXPECT_EQ(f->Edit1->text(), "5");
  EXPECT_EQ(Focus(), nullptr);
  EXPECT_TRUE(desktop_.events.empty());  // the list did not receive the focus
  BackTab();
  EXPECT_EQ(Focus(), f->Button3);
  Click(f->Button3);
  Click(f->Button4);
  ASSERT_EQ(Focus(), nullptr);
  desktop_.Clear();
  Tab();
  EXPECT_EQ(Focus(), f->ListBox1);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Invalid floating point operation."});
}

TEST_F(MeanUi, FieldFiltersAndAClickEmptiesIt) {
  TForm5* f = Open(form5_);
  Type("1-2");
  Click(f->Button3);
  EXPECT_EQ(Errors(), std::vector<std::string>{"'1-2' is not a valid floating point value."});
  EXPECT_EQ(f->ListBox1->count(), 0);
  Click(f->Edit1);
  EXPECT_EQ(f->Edit1->text(), "");
  Click(f->Button3);  // empty: quietly nothing
  EXPECT_EQ(f->ListBox1->count(), 0);
  EXPECT_EQ(Errors().size(), 1u);
}

// Only a click with the left button empties the field: the middle button pastes the selection
// (where the desktop has one) into what was typed.
TEST_F(MeanUi, MiddleButtonPastesAndEmptiesNothing) {
  TForm5* f = Open(form5_);
  QClipboard* clipboard = QGuiApplication::clipboard();
  const bool selection = clipboard->supportsSelection();
  if (selection) clipboard->setText(QStringLiteral("42"), QClipboard::Selection);
  Type("1");
  QTest::mouseClick(f->Edit1, Qt::MiddleButton, {}, QPoint(f->Edit1->width() - 4, 5));
  EXPECT_EQ(f->Edit1->text(), selection ? QStringLiteral("142") : QStringLiteral("1"));
  QTest::mouseClick(f->Edit1, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(f->Edit1->text(), "");
}

// ---- every calculation window ----

// What a control shows: a field's or a line's text, a spin field's text, a list's items.
std::string Shown(const QWidget* w) {
  if (const auto* spin = qobject_cast<const SpinField*>(w)) return spin->Text().toStdString();
  if (const auto* field = qobject_cast<const QLineEdit*>(w)) return field->text().toStdString();
  if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text().toStdString();
  if (const auto* list = qobject_cast<const QListWidget*>(w))
    return Items(list).join('|').toStdString();
  ADD_FAILURE() << "no text to read in " << w->objectName().toStdString();
  return {};
}

// Each showing of a calculation window takes the main window's colours: its fields the fields'
// colour, itself the window's; its other controls keep their own. Closing it empties its fields
// and results, keeps its settings, says nothing and moves no focus to a control that would
// compute; it opens again on its first field.
TEST_F(CalcWindowsUi, ShowTakesTheMainColoursAndCloseEmptiesTheWindow) {
  form3_ = std::make_unique<TForm3>(context_);
  form4_ = std::make_unique<TForm4>(context_);
  form5_ = std::make_unique<TForm5>(context_);
  TForm3* powers = form3_.get();
  TForm4* quadratic = form4_.get();
  TForm5* mean = form5_.get();
  struct ShownCase {
    const char* name;
    SecondaryWindow* window;
    std::vector<QWidget*> fields;  // the first is where the window opens
    std::vector<std::pair<QWidget*, uint32_t>> own_colours;
    std::function<void()> fill;  // shows a result
    std::vector<QWidget*> emptied;
    std::vector<QWidget*> kept;
    std::vector<QWidget*> disabled;  // once closed
  };
  const ShownCase kCases[] = {{"powers",
                               powers,
                               {powers->Edit1, powers->Edit2},
                               {{powers->SpinEdit1->Editor(), kWhite}},
                               [&] {
                                 powers->Edit1->setText("3");
                                 powers->SpinEdit1->SetText("4");
                                 powers->Button1->click();
                                 ASSERT_EQ(powers->Edit2->text(), "81");
                               },
                               {powers->Edit1, powers->Edit2},
                               {powers->SpinEdit1},
                               {}},
                              {"quadratic",
                               quadratic,
                               {quadratic->Edit1, quadratic->Edit2, quadratic->Edit3},
                               {},
                               [&] {
                                 quadratic->Edit1->setText("1");
                                 quadratic->Edit2->setText("1,5");
                                 quadratic->Edit3->setText("-1");
                                 quadratic->Button1->click();
                                 ASSERT_EQ(Read(quadratic).l2, "x1=0,5");
                               },
                               {quadratic->Edit1, quadratic->Edit2, quadratic->Edit3,
                                quadratic->Label1, quadratic->Label2, quadratic->Label3},
                               {},
                               {}},
                              // Closing disables the focused "Очистить всё": the focus must not
                              // pass to the list, whose entry would compute the mean.
                              {"mean",
                               mean,
                               {mean->Edit1},
                               {{mean->ListBox1, kButtonShadow}},
                               [&] {
                                 for (const char* n : {"1", "2"}) {
                                   mean->Edit1->setText(n);
                                   Click(mean->Button3);
                                 }
                                 Click(mean->Button1);
                                 ASSERT_EQ(mean->Label1->text(), "Среднее арифметическое=1,5");
                                 mean->Button4->setFocus(Qt::TabFocusReason);
                               },
                               {mean->Edit1, mean->Label1, mean->ListBox1},
                               {},
                               {mean->Button1, mean->Button2, mean->Button4}}};
  ForEachCase(kCases, [&](const ShownCase& c) {
    const auto open = [&] {
      c.window->ShowForm();
      ASSERT_TRUE(QTest::qWaitForWindowActive(c.window));
      Settle();
    };
    const auto colours_are = [&](uint32_t field, uint32_t window) {
      for (QWidget* w : c.fields) EXPECT_EQ(FieldColour(w), field) << w->objectName().toStdString();
      EXPECT_EQ(WindowColour(c.window), window);
      for (const auto& [w, colour] : c.own_colours)
        EXPECT_EQ(FieldColour(w), colour) << w->objectName().toStdString();
    };
    SetFieldColour(main_->Edit1, kRed);
    SetWindowColour(main_.get(), kGreen);
    open();
    colours_are(kRed, kGreen);
    c.fill();
    std::vector<std::string> kept;
    for (QWidget* w : c.kept) kept.push_back(Shown(w));
    desktop_.Clear();
    c.window->close();
    EXPECT_FALSE(c.window->isVisible());
    for (QWidget* w : c.emptied) EXPECT_EQ(Shown(w), "") << w->objectName().toStdString();
    for (size_t i = 0; i < c.kept.size(); ++i) EXPECT_EQ(Shown(c.kept[i]), kept[i]);
    // A colour of the main window's own, not the one it had at the first showing.
    SetFieldColour(main_->Edit1, kYellow);
    SetWindowColour(main_.get(), kRed);
    open();
    colours_are(kYellow, kRed);
    for (QWidget* w : c.disabled) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(Focus(), c.fields.front());
    EXPECT_TRUE(desktop_.events.empty());
    c.window->hide();
  });
}

}  // namespace
