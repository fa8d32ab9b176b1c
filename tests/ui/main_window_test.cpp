// The main window: its controls, menu, wiring of every command, key filters, sliders, status-bar
// tips, the settings read at start-up and written at close. Headless, with a recorder in place
// of message boxes, beep, dialogs and the shell.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/qt_desktop.h"
#include "core/number_text.h"
#include "tests/support/cases.h"
#include "tests/support/modal_watchdog.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/test_program.h"
#include "ui/base/colors.h"
#include "ui/controls/input_field.h"
#include "ui/controls/model_slider.h"
#include "ui/controls/month_calendar.h"
#include "ui/controls/picture_box.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

namespace {

using Event = RecordingDesktop::Event;
using Focus = CalculatorModel::Focus;

const QString kWelcome = QStringLiteral("Добро пожаловать в программу \"Tallymate\"");
const QString kEditTip =
    QStringLiteral("Двойной щелчок по данному полю позволяет ввести новые значения");
const std::string kOnlyNumbers = "Вводите только числа!";

// The whole program, started the way the program starts, its main window active.
class Program : public TestProgram {
 public:
  explicit Program(const std::string& ini = {}) : TestProgram(ini) {
    f().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&f()));
  }

  TForm1& f() const { return main(); }

  QTemporaryDir& dir = folder;
};

// A start with the default slider range, so that positions can move.
const std::string kWideRange = "[Trackbar]\r\nmin=0\r\nmax=200\r\n";

std::string S(const QString& text) {
  return text.toStdString();
}

void SetTexts(TForm1& f, const char* first, const char* second, const char* answer) {
  f.Edit1->setText(QString::fromUtf8(first));
  f.Edit2->setText(QString::fromUtf8(second));
  f.Edit3->setText(QString::fromUtf8(answer));
}

void MoveMouseOver(QWidget* widget) {
  const QPointF at(2, 2);
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

void FireTipTimer(TForm1& f) {
  ASSERT_TRUE(f.Timer1->isActive());
  QMetaObject::invokeMethod(f.Timer1, "timeout");
}

// ---- the window and its controls ---------------------------------------------------------

TEST(MainWindowFrame, WindowFrameAndClientArea) {
  Program p;
  TForm1& f = p.f();
  EXPECT_EQ(f.objectName(), QStringLiteral("TForm1"));
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Tallymate 3.1"));
  // 601 x 347 below the menu bar, the 19-pixel status bar inside it.
  EXPECT_EQ(f.centralWidget()->geometry().top(), f.menuBar()->geometry().bottom() + 1);
  EXPECT_EQ(f.centralWidget()->width(), 601);
  EXPECT_EQ(f.StatusBar1->height(), 19);
  EXPECT_EQ(f.centralWidget()->height() + f.StatusBar1->height(), 347);
  EXPECT_EQ(f.height(), f.menuBar()->height() + 347);
  EXPECT_EQ(f.minimumSize(), f.maximumSize());
  EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST(MainWindowFrame, Label10KeepsItsOwnBackground) {
  Program p;
  TForm1& f = p.f();
  EXPECT_EQ(WindowColour(f.Label10), kButtonShadow);
  SetWindowColour(&f, 0x0000FF);
  // The button-shadow colour is the desktop palette's dark shade.
  EXPECT_EQ(f.Label10->palette().color(QPalette::Window),
            QApplication::palette().color(QPalette::Dark));
  // The menu bar keeps the desktop's colour too.
  EXPECT_EQ(f.menuBar()->palette().color(QPalette::Window),
            QApplication::palette().color(QPalette::Window));
}

// ---- calculator commands --------------------------------------------------------------

struct CommandCase {
  const char* name;
  std::function<void(TForm1&)> press;
  const char *first, *second, *answer;  // before
  const char *first_after, *second_after, *answer_after;
  Focus focus;
};

std::function<void(TForm1&)> Click(QPushButton* TForm1::*button) {
  return [button](TForm1& f) { (f.*button)->click(); };
}

TEST(MainWindowCommands, WriteTheirFieldsAndFocus) {
  const CommandCase kCases[] = {
      {"Add", Click(&TForm1::Button1), "1,5", "2", "", "1,5", "2", "3,5", Focus::kFirst},
      {"Subtract", Click(&TForm1::Button2), "5", "7,5", "x", "5", "7,5", "-2,5", Focus::kFirst},
      {"Multiply", Click(&TForm1::Button4), "123456789", "987654321", "", "123456789", "987654321",
       "1,21932631112635E17", Focus::kFirst},
      {"Divide", Click(&TForm1::Button5), "10", "4", "", "10", "4", "2,5", Focus::kFirst},
      {"Percent", Click(&TForm1::Button12), "1", "2", "12,5", "1", "2", "0,125", Focus::kFirst},
      {"Square", Click(&TForm1::Button13), "", "", "-3", "", "", "9", Focus::kFirst},
      {"Round", Click(&TForm1::Button10), "", "", "2,5", "", "", "2", Focus::kFirst},
      {"Pi", Click(&TForm1::Button7), "7", "8", "9", "3,14159265358979", "8", "9", Focus::kSecond},
      {"FirstToSecond", Click(&TForm1::Button8), "7", "8", "9", "", "7", "9", Focus::kFirst},
      {"SecondToFirst", Click(&TForm1::Button9), "7", "8", "9", "8", "", "9", Focus::kSecond},
      {"AnswerToFirst", Click(&TForm1::Button3), "7", "8", "9", "9", "8", "", Focus::kSecond},
      {"Swap", Click(&TForm1::Button11), "7", "-", "9", "-", "7", "9", Focus::kUnchanged},
      {"ClearButton", Click(&TForm1::Button6), "7", "8", "9", "", "", "", Focus::kFirst},
      {"ClearMenu", [](TForm1& f) { f.N18->trigger(); }, "7", "8", "9", "", "", "", Focus::kFirst},
      {"ClearShortcut", [](TForm1& f) { QTest::keyClick(&f, Qt::Key_F, Qt::ControlModifier); }, "7",
       "8", "9", "", "", "", Focus::kFirst},
      {"EmptyOperandDoesNothing", Click(&TForm1::Button1), "", "2", "5", "", "2", "5",
       Focus::kUnchanged}};
  ForEachCase(kCases, [](const CommandCase& c) {
    Program p(kWideRange);
    TForm1& f = p.f();
    SetTexts(f, c.first, c.second, c.answer);
    // The focus starts on a button, so that "unchanged" is visible.
    f.Button11->setFocus(Qt::TabFocusReason);
    c.press(f);
    EXPECT_EQ(S(f.Edit1->text()), c.first_after);
    EXPECT_EQ(S(f.Edit2->text()), c.second_after);
    EXPECT_EQ(S(f.Edit3->text()), c.answer_after);
    QWidget* expected = c.focus == Focus::kFirst    ? static_cast<QWidget*>(f.Edit1)
                        : c.focus == Focus::kSecond ? static_cast<QWidget*>(f.Edit2)
                                                    : static_cast<QWidget*>(f.Button11);
    EXPECT_EQ(QApplication::focusWidget(), expected);
    // A field focused by a command has its whole text selected.
    if (auto* field = qobject_cast<QLineEdit*>(expected)) {
      EXPECT_EQ(field->selectedText(), field->text());
    }
    EXPECT_TRUE(p.desktop.Texts(Event::Error).empty());
  });
}

TEST(MainWindowCommands, DoubleClickEmptiesTheClickedFieldOnly) {
  Program p;
  TForm1& f = p.f();
  for (InputField* field : {f.Edit1, f.Edit2, f.Edit3}) {
    SetTexts(f, "7", "8", "9");
    QTest::mouseDClick(field, Qt::LeftButton);
    EXPECT_TRUE(field->text().isEmpty()) << S(field->objectName());
    const int kept = (f.Edit1->text() == "7") + (f.Edit2->text() == "8") + (f.Edit3->text() == "9");
    EXPECT_EQ(kept, 2) << S(field->objectName());
    // The mouse gave the field the focus; the command leaves it there.
    EXPECT_EQ(QApplication::focusWidget(), field);
  }
  // A double click of the middle button is two pastes, not the command.
  SetTexts(f, "7", "8", "9");
  QTest::mouseDClick(f.Edit1, Qt::MiddleButton);
  EXPECT_FALSE(f.Edit1->text().isEmpty());
}

struct FailureCase {
  const char* name;
  QPushButton* TForm1::*button;
  const char *first, *second, *answer;
  Event expected;
};

TEST(MainWindowCommands, ReachTheOneReporterAndChangeNothing) {
  const FailureCase kCases[] = {{"LoneMinus",
                                 &TForm1::Button1,
                                 "-",
                                 "1",
                                 "old",
                                 {Event::Error, "'-' is not a valid floating point value."}},
                                {"DivideByZeroText",
                                 &TForm1::Button5,
                                 "1",
                                 "0",
                                 "old",
                                 {Event::Information, "На ноль делить нельзя!"}},
                                {"DivideByOtherZero",
                                 &TForm1::Button5,
                                 "1",
                                 "0,0",
                                 "old",
                                 {Event::Error, "Floating point division by zero."}},
                                {"RoundEmpty",
                                 &TForm1::Button10,
                                 "1",
                                 "2",
                                 "",
                                 {Event::Information, "Невозможно округлить результат!"}}};
  ForEachCase(kCases, [](const FailureCase& c) {
    Program p;
    TForm1& f = p.f();
    SetTexts(f, c.first, c.second, c.answer);
    f.Button11->setFocus(Qt::TabFocusReason);
    p.desktop.Clear();
    (f.*c.button)->click();
    EXPECT_EQ(p.desktop.events, std::vector<Event>{c.expected});
    EXPECT_EQ(S(f.Edit1->text()), c.first);
    EXPECT_EQ(S(f.Edit2->text()), c.second);
    EXPECT_EQ(S(f.Edit3->text()), c.answer);
    // A failure moves no focus; the divide-by-"0" message does (to the first field).
    if (c.expected.kind == Event::Error) {
      EXPECT_EQ(QApplication::focusWidget(), f.Button11);
    }
  });
}

// ---- key filters --------------------------------------------------------------------------

TEST(MainWindowKeys, OperandFieldsTakeNumbersOnly) {
  Program p;
  TForm1& f = p.f();
  for (InputField* field : {f.Edit1, f.Edit2}) {
    field->setFocus(Qt::TabFocusReason);
    p.desktop.Clear();
    QTest::keyClicks(field, QStringLiteral("-1.5"));
    EXPECT_EQ(S(field->text()), "-1,5");
    EXPECT_TRUE(p.desktop.events.empty());
    QTest::keyClick(field, Qt::Key_A);
    EXPECT_EQ(S(field->text()), "-1,5");
    EXPECT_EQ(p.desktop.events,
              (std::vector<Event>{{Event::Beep, ""}, {Event::Information, kOnlyNumbers}}));
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(S(field->text()), "-1,");
  }
}

TEST(MainWindowKeys, CopyPasteCutAndUndoAreRefusedLikeLetters) {
  Program p;
  TForm1& f = p.f();
  QApplication::clipboard()->setText(QStringLiteral("999"));
  const Qt::Key keys[] = {Qt::Key_V, Qt::Key_C, Qt::Key_X, Qt::Key_Z};
  for (Qt::Key key : keys) {
    f.Edit1->setText(QStringLiteral("12"));
    f.Edit1->setFocus(Qt::TabFocusReason);
    f.Edit1->selectAll();
    p.desktop.Clear();
    QTest::keyClick(f.Edit1, key, Qt::ControlModifier);
    EXPECT_EQ(S(f.Edit1->text()), "12") << key;
    EXPECT_EQ(p.desktop.events,
              (std::vector<Event>{{Event::Beep, ""}, {Event::Information, kOnlyNumbers}}))
        << key;
  }
  EXPECT_EQ(S(QApplication::clipboard()->text()), "999");
}

// Characters an input method composes are typed characters: each passes the filter.
TEST(MainWindowKeys, InputMethodTextPassesTheFilter) {
  Program p;
  TForm1& f = p.f();
  struct Case {
    const char* commit;
    const char* text;
    size_t refused;
  };
  const Case cases[] = {{"a", "12", 1}, {"é", "12", 1}, {"3.", "123,", 0}, {"4x5", "1245", 1}};
  for (const Case& c : cases) {
    f.Edit1->setText(QStringLiteral("12"));
    f.Edit1->setFocus(Qt::TabFocusReason);
    f.Edit1->end(false);
    p.desktop.Clear();
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8(c.commit));
    QCoreApplication::sendEvent(f.Edit1, &commit);
    EXPECT_EQ(S(f.Edit1->text()), c.text) << c.commit;
    EXPECT_EQ(p.desktop.Texts(Event::Information),
              std::vector<std::string>(c.refused, kOnlyNumbers))
        << c.commit;
    EXPECT_EQ(p.desktop.Texts(Event::Beep).size(), c.refused) << c.commit;
  }
}

TEST(MainWindowKeys, AnswerFieldIsReadOnlyAndUnfiltered) {
  Program p;
  TForm1& f = p.f();
  f.Edit3->setText(QStringLiteral("5"));
  f.Edit3->setFocus(Qt::TabFocusReason);
  p.desktop.Clear();
  QTest::keyClicks(f.Edit3, QStringLiteral("a1"));
  EXPECT_EQ(S(f.Edit3->text()), "5");
  EXPECT_TRUE(p.desktop.events.empty());
}

// A refused key's message box, or a menu opened over the field, has the focus for a while;
// when it comes back the user types on at the caret instead of over the whole text.
TEST(MainWindowKeys, TypingGoesOnAtTheCaretAfterAMessageBoxOrAMenu) {
  AllowDialogs box_on_purpose;
  Program p;
  TForm1& f = p.f();
  const std::pair<const char*, std::function<void()>> interruptions[] = {
      {"message box",
       [] {
         QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallymate 3.1"),
                         QString::fromStdString(kOnlyNumbers), QMessageBox::Ok);
         QTimer::singleShot(0, &box, &QMessageBox::accept);
         box.exec();
       }},
      {"menu",
       [&f] {
         f.N4->popup(QPoint(10, 10));
         f.N4->hide();
       }},
  };
  for (const auto& [name, interrupt] : interruptions) {
    f.Edit1->setText(QStringLiteral("12"));
    f.Edit1->setFocus(Qt::TabFocusReason);
    f.Edit1->setCursorPosition(1);
    interrupt();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f)) << name;
    ASSERT_EQ(QApplication::focusWidget(), f.Edit1) << name;
    EXPECT_TRUE(f.Edit1->selectedText().isEmpty()) << name;
    QTest::keyClick(f.Edit1, Qt::Key_3);
    EXPECT_EQ(S(f.Edit1->text()), "132") << name;
  }
}

// A window shown again is entered afresh, also when it was hidden while another window was
// active.
TEST(MainWindowKeys, FieldOfAWindowShownAgainSelectsItsText) {
  QWidget first;
  auto* field = new InputField(&first);
  QWidget second;
  first.show();
  first.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
  field->setText(QStringLiteral("345"));
  field->setFocus(Qt::MouseFocusReason);
  field->setCursorPosition(1);
  second.show();
  second.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
  first.hide();
  first.show();
  first.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
  ASSERT_EQ(QApplication::focusWidget(), field);
  EXPECT_EQ(S(field->selectedText()), "345");
}

TEST(MainWindowKeys, KeyboardFocusSelectsTheWholeField) {
  Program p;
  TForm1& f = p.f();
  f.Edit2->setText(QStringLiteral("345"));
  f.Edit1->setFocus(Qt::TabFocusReason);
  QTest::keyClick(f.Edit1, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), f.Edit2);
  EXPECT_EQ(S(f.Edit2->selectedText()), "345");
}

// ---- menu commands, shortcuts and other windows ---------------------------------------

struct OpenCase {
  const char* name;
  std::function<void(TForm1&)> act;
  const char* target;
};

TEST(MainWindowMenu, GoToTheShell) {
  const OpenCase kCases[] = {
      {"HelpShortcut", [](TForm1& f) { QTest::keyClick(f.Edit1, Qt::Key_F1); }, "help.txt"},
      {"HelpMenu", [](TForm1& f) { f.N14->trigger(); }, "help.txt"},
      {"Licence", [](TForm1& f) { f.dsfg1->trigger(); }, "Licence.txt"},
      {"WebsiteMenu", [](TForm1& f) { f.N16->trigger(); }, "http://www.tallymate.example"},
      {"WebsiteLabel", [](TForm1& f) { QTest::mouseClick(f.Label3, Qt::LeftButton); },
       "http://www.tallymate.example/"}};
  ForEachCase(kCases, [](const OpenCase& c) {
    Program p;
    p.desktop.Clear();
    c.act(p.f());
    EXPECT_EQ(p.desktop.events, (std::vector<Event>{{Event::ShellOpen, c.target}}));
  });
}

TEST(MainWindowMenu, ShortcutsShowTheModelessWindowsOnce) {
  Program p;
  TForm1& f = p.f();
  const WindowSet& w = p.windows();
  const std::pair<Qt::Key, QWidget*> cases[] = {
      {Qt::Key_D, w.Form3}, {Qt::Key_K, w.Form4}, {Qt::Key_R, w.Form5}, {Qt::Key_E, w.Form6}};
  for (const auto& [key, window] : cases) {
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
    EXPECT_TRUE(window->isVisible()) << S(window->objectName());
  }
  // The menu item does the same as the shortcut.
  w.Form3->hide();
  f.N6->trigger();
  EXPECT_TRUE(w.Form3->isVisible());
}

TEST(MainWindowMenu, ShortcutsActWhileAModelessWindowIsActive) {
  Program p;
  TForm1& f = p.f();
  TForm3* powers = p.windows().Form3;
  f.N6->trigger();
  powers->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(powers));
  p.desktop.Clear();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  EXPECT_EQ(p.desktop.Texts(Event::ShellOpen), std::vector<std::string>{"help.txt"});
  // Ctrl+Q from there ends the program: the main window closes.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(f.isVisible());
}

TEST(MainWindowMenu, AboutIsModalAndBlocksTheShortcuts) {
  Program p;
  TForm1& f = p.f();
  TForm2* about = p.windows().Form2;
  bool was_modal = false;
  bool was_active = false;
  p.desktop.Clear();
  QTimer::singleShot(0, about, [&] {
    was_modal = about->isVisible() && about->isModal();
    was_active = QTest::qWaitForWindowActive(about);
    QTest::keyClick(about, Qt::Key_F1);
    QTest::keyClick(about, Qt::Key_F, Qt::ControlModifier);
    about->hide();
  });
  f.Edit1->setText(QStringLiteral("7"));
  f.N7->trigger();
  EXPECT_TRUE(was_modal);
  EXPECT_TRUE(was_active);
  EXPECT_TRUE(p.desktop.Texts(Event::ShellOpen).empty());
  EXPECT_EQ(S(f.Edit1->text()), "7");
}

TEST(MainWindowMenu, ColourAndPictureCommandsAreWired) {
  Program p;
  TForm1& f = p.f();
  const std::pair<std::function<void()>, Event::Kind> cases[] = {
      {[&] { f.N10->trigger(); }, Event::PickColour},
      {[&] { f.N11->trigger(); }, Event::PickColour},
      {[&] { f.N12->trigger(); }, Event::PickColour},
      {[&] { QTest::keyClick(f.Edit1, Qt::Key_I, Qt::ControlModifier); }, Event::PickPictureFile},
      {[&] { QTest::mouseClick(f.Image1, Qt::LeftButton); }, Event::PickPictureFile},
  };
  for (const auto& [act, kind] : cases) {
    p.desktop.Clear();
    act();
    ASSERT_EQ(p.desktop.events.size(), 1u);
    EXPECT_EQ(p.desktop.events[0].kind, kind);
  }
  // F4: the default range and labels.
  QTest::keyClick(f.Edit1, Qt::Key_F4);
  EXPECT_EQ(S(f.Label12->text()), "0");
  EXPECT_EQ(S(f.Label13->text()), "200");
  EXPECT_EQ(f.TrackBar1->maximum(), 200);
  EXPECT_EQ(f.TrackBar1->minimum(), 0);
}

// The picture dialog lists its three choices by their names alone, the first one chosen.
TEST(MainWindowMenu, PictureDialogOffersItsThreeChoicesByName) {
  AllowDialogs dialog_on_purpose;
  QtDesktop desktop;
  std::vector<std::string> shown;
  std::string current;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    for (int i = 0; i < types->count(); ++i) shown.push_back(S(types->itemText(i)));
    current = S(types->currentText());
    dialog->reject();
  });
  EXPECT_EQ(desktop.PickPictureFile(), std::nullopt);
  EXPECT_EQ(shown, (std::vector<std::string>{"Изображения", "Картинки", "PNG файл"}));
  EXPECT_EQ(current, "Изображения");
}

TEST(MainWindowMenu, PictureDialogRemembersTheLastChoice) {
  AllowDialogs dialog_on_purpose;
  QtDesktop desktop;
  QTemporaryDir dir;
  const QString picture = dir.filePath(QStringLiteral("sky.png"));
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(2);  // a name with a blank in it
    dialog->selectFile(picture);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  EXPECT_EQ(desktop.PickPictureFile(), picture.toStdString());
  std::string current;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    current = S(dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText());
    dialog->reject();
  });
  EXPECT_EQ(desktop.PickPictureFile(), std::nullopt);
  EXPECT_EQ(current, "PNG файл");
}

// ---- sliders --------------------------------------------------------------------------

TEST(MainWindowSliders, KeysStepAndAlwaysWriteThePosition) {
  Program p(kWideRange);
  TForm1& f = p.f();
  f.TrackBar1->setFocus(Qt::TabFocusReason);
  struct Step {
    Qt::Key key;
    const char* field;
  };
  const Step steps[] = {
      {Qt::Key_Left, "0"},  // already at the minimum: still reported
      {Qt::Key_Right, "1"}, {Qt::Key_Down, "2"},  {Qt::Key_PageDown, "4"},   {Qt::Key_PageUp, "2"},
      {Qt::Key_Up, "1"},    {Qt::Key_End, "200"}, {Qt::Key_PageDown, "200"}, {Qt::Key_Home, "0"},
  };
  for (const Step& s : steps) {
    f.Edit1->setText(QStringLiteral("typed"));
    QTest::keyClick(f.TrackBar1, s.key);
    EXPECT_EQ(S(f.Edit1->text()), s.field) << s.key;
    EXPECT_EQ(f.TrackBar1->value(), f.Slider1().Position());
  }
  EXPECT_EQ(QApplication::focusWidget(), f.TrackBar1);
  EXPECT_EQ(S(f.Edit2->text()), "");
}

TEST(MainWindowSliders, ClickOnTheTrackMovesAPageTowardsIt) {
  Program p(kWideRange);
  TForm1& f = p.f();
  ModelSlider* bar = f.TrackBar2;
  const int y = bar->height() / 2;
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, y));
  EXPECT_EQ(S(f.Edit2->text()), "2");
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, y));
  EXPECT_EQ(S(f.Edit2->text()), "4");
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, y));
  EXPECT_EQ(S(f.Edit2->text()), "2");
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, y));
  EXPECT_EQ(S(f.Edit2->text()), "0");
  f.Edit2->setText(QStringLiteral("typed"));
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, y));
  // At the minimum the thumb covers the track's end: taking hold of it and letting go still
  // writes the position.
  EXPECT_EQ(S(f.Edit2->text()), "0");
  EXPECT_EQ(S(f.Edit1->text()), "");
}

QRect HandleRect(ModelSlider* bar) {
  QStyleOptionSlider o;
  o.initFrom(bar);
  o.orientation = Qt::Horizontal;
  o.minimum = bar->minimum();
  o.maximum = bar->maximum();
  o.sliderPosition = bar->sliderPosition();
  o.sliderValue = bar->value();
  o.tickPosition = bar->tickPosition();
  o.subControls = QStyle::SC_All;
  return bar->style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderHandle, bar);
}

TEST(MainWindowSliders, DragReportsEveryStepAndTheRelease) {
  Program p(kWideRange);
  TForm1& f = p.f();
  ModelSlider* bar = f.TrackBar1;
  const QRect handle = HandleRect(bar);
  const QPoint grab = handle.center();
  QTest::mousePress(bar, Qt::LeftButton, {}, grab);
  f.Edit1->setText(QStringLiteral("typed"));
  // A drag step that does not move the thumb is still reported.
  QMouseEvent still(QEvent::MouseMove, grab, bar->mapToGlobal(grab), Qt::NoButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &still);
  EXPECT_EQ(S(f.Edit1->text()), "0");
  const QPoint end(bar->width() + 50, grab.y());
  QMouseEvent far(QEvent::MouseMove, end, bar->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &far);
  EXPECT_EQ(S(f.Edit1->text()), "200");
  f.Edit1->setText(QStringLiteral("typed"));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, end);
  EXPECT_EQ(S(f.Edit1->text()), "200");
  EXPECT_FALSE(bar->isSliderDown());
}

TEST(MainWindowSliders, SingleValueRangeStillWritesOnTouch) {
  Program p;  // no settings file: both sliders 100..100
  TForm1& f = p.f();
  QTest::mouseClick(f.TrackBar1, Qt::LeftButton, {}, f.TrackBar1->rect().center());
  EXPECT_EQ(S(f.Edit1->text()), "100");
  f.TrackBar2->setFocus(Qt::TabFocusReason);
  QTest::keyClick(f.TrackBar2, Qt::Key_Right);
  EXPECT_EQ(S(f.Edit2->text()), "100");
}

TEST(MainWindowSliders, FullThirtyTwoBitRangeWorks) {
  Program p("[Trackbar]\r\nmin=-2147483648\r\nmax=2147483647\r\n");
  TForm1& f = p.f();
  EXPECT_EQ(S(f.Label12->text()), "-2147483648");
  EXPECT_EQ(S(f.Label13->text()), "2147483647");
  EXPECT_EQ(f.TrackBar1->ShownTicks(), (std::vector<int32_t>{INT32_MIN, INT32_MAX}));
  f.TrackBar1->AddTick(5);
  EXPECT_EQ(f.TrackBar1->ShownTicks(), (std::vector<int32_t>{INT32_MIN, 5, INT32_MAX}));
  f.TrackBar1->setFocus(Qt::TabFocusReason);
  QTest::keyClick(f.TrackBar1, Qt::Key_End);
  EXPECT_EQ(S(f.Edit1->text()), "2147483647");
  QTest::keyClick(f.TrackBar1, Qt::Key_PageDown);
  EXPECT_EQ(S(f.Edit1->text()), "2147483647");
  QTest::keyClick(f.TrackBar1, Qt::Key_Home);
  QTest::keyClick(f.TrackBar1, Qt::Key_PageUp);
  EXPECT_EQ(S(f.Edit1->text()), "-2147483648");
  QTest::mouseClick(f.TrackBar1, Qt::LeftButton, {}, QPoint(f.TrackBar1->width() - 3, 8));
  EXPECT_EQ(S(f.Edit1->text()), "-2147483646");
  // Painting a huge range must not loop over its positions.
  EXPECT_FALSE(f.TrackBar1->grab().isNull());
}

TEST(MainWindowSliders, TickMarks) {
  SliderModel model(0, 10000, 0);
  ModelSlider bar;
  bar.Bind(model);
  EXPECT_EQ(bar.ShownTicks().size(), 10001u);  // every whole number
  model.SetMaximum(20000);
  EXPECT_EQ(bar.ShownTicks(), (std::vector<int32_t>{0, 20000}));
  bar.AddTick(20001);  // outside the range: none added
  bar.AddTick(-1);
  bar.AddTick(7);
  bar.AddTick(7);
  EXPECT_EQ(bar.ShownTicks(), (std::vector<int32_t>{0, 7, 20000}));
  // An added mark shows only while its position lies inside the range.
  model.SetMinimum(8);
  EXPECT_EQ(bar.ShownTicks(), (std::vector<int32_t>{8, 20000}));
  model.SetMinimum(0);
  EXPECT_EQ(bar.ShownTicks(), (std::vector<int32_t>{0, 7, 20000}));
  bar.resize(369, 17);
  EXPECT_FALSE(bar.grab().isNull());
}

// A tick mark stands at the pixel nearest to its position's place along the track: with a
// range of 3 over a span that is no multiple of 3, truncating would put some marks one pixel off.
TEST(MainWindowSliders, TickMarksAtTheNearestPixel) {
  for (const int32_t range : {3, 7, 11}) {
    SliderModel model(0, range, 0);
    ModelSlider bar;
    bar.Bind(model);
    bar.resize(369, 17);
    QStyleOptionSlider o;
    o.initFrom(&bar);
    o.orientation = Qt::Horizontal;
    o.minimum = 0;
    o.maximum = range;
    o.tickPosition = bar.tickPosition();
    o.subControls = QStyle::SC_All;
    const QRect groove =
        bar.style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderGroove, &bar);
    const QRect handle =
        bar.style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderHandle, &bar);
    const int span = groove.width() - handle.width();
    std::vector<int> expected;
    for (int v = 0; v <= range; ++v)
      expected.push_back(groove.x() + handle.width() / 2 +
                         static_cast<int>(std::lround(double(v) * span / range)));
    // The marks are drawn in the text colour just below the thumb.
    const QImage image = bar.grab().toImage();
    const QColor ink = bar.palette().color(QPalette::WindowText);
    std::vector<int> drawn;
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, handle.bottom() + 1) == ink) drawn.push_back(x);
    EXPECT_EQ(drawn, expected) << "range 0.." << range << ", span " << span;
  }
}

TEST(MainWindowSliders, RangeChangedThroughTheModelShowsAtOnce) {
  // Whoever changes a model's range, the slider on the screen follows without being told.
  Program p(kWideRange);
  TForm1& f = p.f();
  f.Slider1().SetMaximum(500);
  f.Slider1().SetMinimum(300);
  EXPECT_EQ(f.TrackBar1->minimum(), 300);
  EXPECT_EQ(f.TrackBar1->maximum(), 500);
  EXPECT_EQ(f.TrackBar1->value(), 300);
  EXPECT_EQ(S(f.Edit1->text()), "300");  // the clamp moved the position
}

// The slider alone with its models, no window: whoever changes the model, the slider shows it at
// once; each interaction reaches the model, also one through the accessible value, and the model
// decides what the slider shows.
TEST(MainWindowSliders, FollowsTheModelItIsBoundTo) {
  SliderModel model(0, 50, 0);
  SliderModel other(-5, 5, -5);
  ModelSlider bar;
  bar.Bind(model);
  model.UserMovement(20);
  EXPECT_EQ(bar.value(), 20);
  model.SetMaximum(10);
  EXPECT_EQ(bar.maximum(), 10);
  EXPECT_EQ(bar.value(), 10);

  bar.Bind(other);
  EXPECT_EQ(bar.minimum(), -5);
  EXPECT_EQ(bar.value(), -5);
  model.UserMovement(3);  // no longer shown
  EXPECT_EQ(bar.maximum(), 5);
  EXPECT_EQ(bar.value(), -5);

  QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(&bar)->valueInterface();
  ASSERT_NE(value, nullptr);
  value->setCurrentValue(4);
  EXPECT_EQ(other.Position(), 4);
  EXPECT_EQ(bar.value(), 4);
  bar.SetReporter([](int32_t) {});  // a report that goes nowhere moves nothing
  value->setCurrentValue(-2);
  EXPECT_EQ(bar.value(), 4);
}

// ---- start-up read and apply ----------------------------------------------------------

struct StartCase {
  const char* name;
  std::string ini;
  int32_t min1, max1, pos1, min2, max2;
  const char *label12, *label13;
  uint32_t window, field, calendar;
  bool tips;
};

constexpr uint32_t k100 = 100;

TEST(MainWindowStartUp, AppliesTheSettingsFile) {
  const StartCase kCases[] = {
      {"MissingFile", "", 100, 100, 100, 100, 100, "100", "100", k100, k100, k100, false},
      {"TenToFifty", "[Trackbar]\r\nmin=10\r\nmax=50\r\n", 10, 50, 10, 10, 50, "10", "50", k100,
       k100, k100, false},
      {"AboveTheDefaultMaximum", "[Trackbar]\r\nmin=300\r\nmax=500\r\n", 0, 500, 0, 0, 500, "0",
       "500", k100, k100, k100, false},
      {"Negative", "[Trackbar]\r\nmin=-50\r\nmax=-10\r\n", -50, -10, -10, -50, -10, "-50", "-10",
       k100, k100, k100, false},
      {"NamesInAnyCase", "[COLOR]\r\nformcolor=255\r\n[var]\r\nc=2\r\n", 100, 100, 100, 100, 100,
       "100", "100", 255, k100, k100, true},
      {"Hexadecimal",
       "[Color]\r\nFormColor=0xFF000010\r\nEdit=16777215\r\n[Trackbar]\r\nmin=0\r\n"
       "max=0x1F\r\n[Calendar]\r\ncolor=8421376\r\n[var]\r\nc=1\r\n",
       0, 31, 0, 0, 31, "0", "31", kButtonShadow, kWhite, kTeal, true},
      {"Malformed", "[Trackbar]\r\nmin=abc\r\nmax=\r\n[var]\r\nc=\r\n", 100, 100, 100, 100, 100,
       "100", "100", k100, k100, k100, false}};
  ForEachCase(kCases, [](const StartCase& c) {
    Program p(c.ini);
    TForm1& f = p.f();
    EXPECT_EQ(f.Slider1().Minimum(), c.min1);
    EXPECT_EQ(f.Slider1().Maximum(), c.max1);
    EXPECT_EQ(f.Slider1().Position(), c.pos1);
    EXPECT_EQ(f.Slider2().Minimum(), c.min2);
    EXPECT_EQ(f.Slider2().Maximum(), c.max2);
    EXPECT_EQ(f.TrackBar1->minimum(), c.min1);
    EXPECT_EQ(f.TrackBar1->maximum(), c.max1);
    EXPECT_EQ(f.TrackBar2->maximum(), c.max2);
    EXPECT_EQ(S(f.Label12->text()), c.label12);
    EXPECT_EQ(S(f.Label13->text()), c.label13);
    EXPECT_EQ(WindowColour(&f), c.window);
    EXPECT_EQ(FieldColour(f.Edit1), c.field);
    EXPECT_EQ(FieldColour(f.Edit2), c.field);
    EXPECT_EQ(FieldColour(f.Edit3), c.field);
    EXPECT_EQ(f.MonthCalendar1->Colour(MonthCalendar::kMonthBackground), c.calendar);
    // The operand fields end empty whatever the sliders wrote into them.
    EXPECT_TRUE(f.Edit1->text().isEmpty());
    EXPECT_TRUE(f.Edit2->text().isEmpty());
    // Tips off switches eight tool tips, the simple mode and the picture's tool tip.
    for (QWidget* control : {static_cast<QWidget*>(f.Button8), static_cast<QWidget*>(f.Button11),
                             static_cast<QWidget*>(f.Button9), static_cast<QWidget*>(f.Button3),
                             static_cast<QWidget*>(f.Button13), static_cast<QWidget*>(f.Button10),
                             static_cast<QWidget*>(f.TrackBar1), static_cast<QWidget*>(f.TrackBar2),
                             static_cast<QWidget*>(f.Image1)})
      EXPECT_EQ(TForm1::ToolTipOn(control), c.tips) << S(control->objectName());
    EXPECT_EQ(f.SimpleMode(), c.tips);
    // Start-up touches nothing on disk.
    EXPECT_EQ(p.ReadFile(), c.ini.empty() ? "<missing>" : c.ini);
  });
}

TEST(MainWindowStartUp, WelcomeTipFocusAndToday) {
  Program p("[var]\r\nc=1\r\n");
  TForm1& f = p.f();
  EXPECT_EQ(f.TipText(), kWelcome);
  EXPECT_TRUE(f.Timer1->isActive());
  EXPECT_EQ(QApplication::focusWidget(), f.Edit1);
  EXPECT_EQ(f.MonthCalendar1->selectedDate(), QDate::currentDate());
  EXPECT_TRUE(p.desktop.events.empty());
}

// What the program writes into a field or clears is no step for the user to undo: right after
// start, after a new slider range and in a calculation window opened again, undo has nothing.
TEST(MainWindowStartUp, NoUndoStepTheUserDidNotMake) {
  Program p(kWideRange);
  TForm1& f = p.f();
  const auto nothing_to_undo = [](const std::vector<QLineEdit*>& fields, const std::string& when) {
    for (QLineEdit* field : fields)
      EXPECT_FALSE(field->isUndoAvailable()) << field->objectName().toStdString() << " " << when;
  };
  nothing_to_undo({f.Edit1, f.Edit2, f.Edit3}, "after start");
  QTest::keyClick(&f, Qt::Key_F4);
  nothing_to_undo({f.Edit1, f.Edit2}, "after F4");
  // Each calculation window closed with text in its input fields, which its close empties.
  const WindowSet& w = p.windows();
  const std::pair<SecondaryWindow*, std::vector<QLineEdit*>> windows[] = {
      {w.Form3, {w.Form3->Edit1}},
      {w.Form4, {w.Form4->Edit1, w.Form4->Edit2, w.Form4->Edit3}},
      {w.Form5, {w.Form5->Edit1}},
  };
  for (const auto& [window, fields] : windows) {
    window->ShowForm();
    for (QLineEdit* field : fields) field->insert("7");
    window->close();
    window->ShowForm();
    nothing_to_undo(fields, "after closing " + window->windowTitle().toStdString());
    window->hide();
  }
}

TEST(MainWindowStartUp, CentredOnTheWorkArea) {
  Program p;
  const QRect area = p.f().screen()->availableGeometry();
  const QRect frame = p.f().frameGeometry();
  EXPECT_LE(std::abs(frame.center().x() - area.center().x()), 1);
  EXPECT_LE(std::abs(frame.center().y() - area.center().y()), 1);
}

TEST(MainWindowStartUp, EdgesSnapToTheWorkArea) {
  Program p;
  TForm1& f = p.f();
  const QRect area = f.screen()->availableGeometry();
  // A window's position is that of its frame.
  auto place = [&](int left, int top) {
    f.move(left, top);
    QCoreApplication::processEvents();
  };
  place(area.left() + 9, area.top() + 40);
  EXPECT_EQ(f.frameGeometry().left(), area.left());
  EXPECT_EQ(f.frameGeometry().top(), area.top() + 40);
  place(area.left() + 40, area.top() + 10);
  EXPECT_EQ(f.frameGeometry().left(), area.left() + 40);
  EXPECT_EQ(f.frameGeometry().top(), area.top() + 10);
  const QSize size = f.frameGeometry().size();
  place(area.right() - size.width() + 1 + 7, area.bottom() - size.height() + 1 - 3);
  EXPECT_EQ(f.frameGeometry().right(), area.right());
  EXPECT_EQ(f.frameGeometry().bottom(), area.bottom());
}

// ---- close write ------------------------------------------------------------------------

TEST(MainWindowClose, WritesTheFiveKeysAndEnds) {
  Program p;
  TForm1& f = p.f();
  int closed = 0;
  QObject::connect(&f, &TForm1::Closed, [&] { ++closed; });
  QTest::keyClick(f.Edit1, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(p.ReadFile(),
            "[Color]\r\nFormColor=100\r\nEdit=100\r\n[Trackbar]\r\nmax=100\r\nmin=100\r\n"
            "[Calendar]\r\ncolor=100\r\n");
}

TEST(MainWindowClose, WritesTheCurrentValuesAndKeepsOtherLines) {
  Program p("[var]\r\nc=1\r\n[Mine]\r\nx=y\r\n");
  TForm1& f = p.f();
  QTest::keyClick(f.Edit1, Qt::Key_F4);  // defaults: button shadow, white, teal, 0..200
  f.N2->trigger();
  EXPECT_EQ(p.ReadFile(),
            "[var]\r\nc=1\r\n[Mine]\r\nx=y\r\n[Color]\r\nFormColor=-16777200\r\nEdit=16777215\r\n"
            "[Trackbar]\r\nmax=200\r\nmin=0\r\n[Calendar]\r\ncolor=8421376\r\n");
}

TEST(MainWindowClose, FailedWriteKeepsTheWindowOpenAndTheNextCloseRetries) {
  Program p;
  TForm1& f = p.f();
  int closed = 0;
  QObject::connect(&f, &TForm1::Closed, [&] { ++closed; });
  // A directory where the file belongs: no write can succeed, not even as root.
  ASSERT_TRUE(QDir().mkdir(p.path));
  p.desktop.Clear();
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(p.desktop.events,
            (std::vector<Event>{{Event::Error, "Unable to write to " + S(p.path) + "."}}));
  // The window still works.
  SetTexts(f, "1", "2", "");
  f.Button1->click();
  EXPECT_EQ(S(f.Edit3->text()), "3");

  ASSERT_TRUE(QDir().rmdir(p.path));
  EXPECT_TRUE(f.close());
  EXPECT_EQ(closed, 1);
  EXPECT_NE(p.ReadFile().find("[Calendar]\r\ncolor=100\r\n"), std::string::npos);
}

// ---- tips -------------------------------------------------------------------------------

struct TipCase {
  const char* name;
  std::function<void(TForm1&)> act;
  const char* tip;
};

void OpenMenu(QMenu* menu) {
  menu->popup(QPoint(10, 10));
  menu->hide();
}

TEST(MainWindowTips, EachSourceSetsItsTextAndArmsTheTimer) {
  const TipCase kCases[] = {
      {"Image1", [](TForm1& f) { MoveMouseOver(f.Image1); }, "Щёлкните, чтобы изменить картинку "},
      {"Edit1", [](TForm1& f) { MoveMouseOver(f.Edit1); },
       "Двойной щелчок по данному полю позволяет ввести новые значения"},
      {"Edit2", [](TForm1& f) { MoveMouseOver(f.Edit2); },
       "Двойной щелчок по данному полю позволяет ввести новые значения"},
      {"Button10", [](TForm1& f) { MoveMouseOver(f.Button10); }, "Округляет полученный результат"},
      {"Label3", [](TForm1& f) { MoveMouseOver(f.Label3); }, "Посетите сайт автора программы"},
      {"StatusBar1", [](TForm1& f) { MoveMouseOver(f.StatusBar1); },
       "Для получения справки о программе нужно нажимать \"F1\""},
      {"N9", [](TForm1& f) { OpenMenu(f.N9); }, "Позволяет выбрать цвет!"},
      {"N4", [](TForm1& f) { OpenMenu(f.N4); }, "Здесь можно произвести дополнительные расчёты"},
      {"N5", [](TForm1& f) { OpenMenu(f.N5); }, "Справочная информация об этой программе"}};
  ForEachCase(kCases, [](const TipCase& c) {
    Program p;
    TForm1& f = p.f();
    FireTipTimer(f);
    ASSERT_TRUE(f.TipText().isEmpty());
    ASSERT_FALSE(f.Timer1->isActive());
    c.act(f);
    EXPECT_EQ(S(f.TipText()), c.tip);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 1500);
    EXPECT_TRUE(f.Timer1->isSingleShot());
    // Arming an armed timer does nothing: the tip still goes 1500 ms after the first one. (Qt
    // may move a timer of this length by up to 5 %, 75 ms, either way.)
    QTest::qWait(250);
    c.act(f);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_LT(f.Timer1->remainingTime(), 1500 - 125);
  });
}

TEST(MainWindowTips, OneExpiryWipesTheLastTipOfASeries) {
  Program p;
  TForm1& f = p.f();
  ASSERT_EQ(f.TipText(), kWelcome);
  MoveMouseOver(f.Image1);
  MoveMouseOver(f.Button10);
  EXPECT_EQ(S(f.TipText()), "Округляет полученный результат");
  FireTipTimer(f);
  EXPECT_TRUE(f.TipText().isEmpty());
  EXPECT_FALSE(f.Timer1->isActive());
  // The next tip arms the timer anew.
  MoveMouseOver(f.Edit1);
  EXPECT_EQ(f.TipText(), kEditTip);
  EXPECT_TRUE(f.Timer1->isActive());
}

// The mouse over the status bar is over its text or its panel most of the time; either way
// it is over the bar.
TEST(MainWindowTips, StatusBarTipAlsoOverItsTextAndPanel) {
  Program p("[var]\r\nc=1\r\n");
  TForm1& f = p.f();
  for (const bool simple : {true, false}) {
    f.SetSimpleMode(simple);
    QWidget* part = simple ? f.StatusBar1->findChild<QWidget*>(QStringLiteral("SimpleText"))
                           : f.StatusBar1->findChild<QWidget*>(QStringLiteral("Panel0"));
    ASSERT_NE(part, nullptr);
    ASSERT_TRUE(part->isVisible());
    FireTipTimer(f);
    const QPoint centre = part->geometry().center();
    QTest::mouseMove(f.StatusBar1, centre);
    QTest::mouseMove(f.StatusBar1, centre + QPoint(1, 0));
    EXPECT_EQ(S(f.TipText()), "Для получения справки о программе нужно нажимать \"F1\"") << simple;
  }
}

std::vector<QLabel*> VisibleStatusLabels(TForm1& f) {
  std::vector<QLabel*> out;
  for (QLabel* label : f.StatusBar1->findChildren<QLabel*>())
    if (label->isVisible()) out.push_back(label);
  return out;
}

TEST(MainWindowTips, SimpleModeShowsTheTipAndOffShowsAnEmptyPanel) {
  Program p("[var]\r\nc=1\r\n");
  TForm1& f = p.f();
  ASSERT_TRUE(f.SimpleMode());
  std::vector<QLabel*> shown = VisibleStatusLabels(f);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]->text(), kWelcome);

  f.SetSimpleMode(false);
  MoveMouseOver(f.Edit1);
  EXPECT_EQ(f.TipText(), kEditTip);  // still set, but not on show
  shown = VisibleStatusLabels(f);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]->width(), 50);
  EXPECT_TRUE(shown[0]->text().isEmpty());

  f.SetSimpleMode(true);
  shown = VisibleStatusLabels(f);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]->text(), kEditTip);
}

TEST(MainWindowTips, SwitchedOffToolTipKeepsItsTextButDoesNotShow) {
  Program p("[var]\r\nc=1\r\n");
  TForm1& f = p.f();
  // What the tool tip shows after a request over the control; a refused request leaves the
  // previous tip standing.
  auto request = [&](QWidget* w) {
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &help);
    return S(QToolTip::text());
  };
  const std::string square = "Возводит в квадрат ответ действия";
  const std::string move = "Перенос содержимого из первой строки ввода во вторую ";
  EXPECT_EQ(request(f.Button8), move);
  EXPECT_EQ(request(f.Button13), square);
  EXPECT_EQ(request(f.Button8), move);
  TForm1::SetToolTipOn(f.Button13, false);
  EXPECT_FALSE(TForm1::ToolTipOn(f.Button13));
  EXPECT_EQ(S(f.Button13->toolTip()), square);
  EXPECT_EQ(request(f.Button13), move);
  TForm1::SetToolTipOn(f.Button13, true);
  EXPECT_EQ(request(f.Button13), square);
  QToolTip::hideText();
}

// ---- regional settings ----------------------------------------------------------------

TEST(MainWindowLocale, LocaleChangeTakesTheRegionalSeparatorAgain) {
  Program p;
  SetDecimalSeparator('#');
  QEvent change(QEvent::LocaleChange);
  QApplication::sendEvent(&p.f(), &change);
  const QString point = QLocale::system().decimalPoint();
  const char expected =
      point.size() == 1 && point[0].unicode() < 0x7F ? static_cast<char>(point[0].unicode()) : '.';
  EXPECT_EQ(DecimalSeparator(), expected);
  SetDecimalSeparator(',');
}

}  // namespace
