// What a screen reader finds in the six windows through Qt's accessibility interface: every
// control that takes the focus by its Russian name, hints as descriptions, values that follow
// what the window shows, the message boxes' texts, and what the keyboard alone can do.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/qt_desktop.h"
#include "tests/support/cases.h"
#include "tests/support/modal_watchdog.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/test_program.h"
#include "ui/base/announcer.h"
#include "ui/base/focus_order.h"
#include "ui/controls/input_field.h"
#include "ui/controls/model_slider.h"
#include "ui/controls/month_calendar.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

// Readable names in the test messages.
void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace {

using Event = RecordingDesktop::Event;

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// A control as a screen reader meets it.
struct Found {
  QAccessibleInterface* iface;
  QString name;
};

// Every control of a window that can take the focus now, in the order of the accessible tree.
// The cells of a table and the items of a list are the control's contents, not controls.
void Walk(QAccessibleInterface* iface, std::vector<Found>& out) {
  for (int i = 0; i < iface->childCount(); ++i) {
    QAccessibleInterface* child = iface->child(i);
    if (child == nullptr) continue;
    const QAccessible::State state = child->state();
    if (state.invisible) continue;
    if (state.focusable) out.push_back({child, child->text(QAccessible::Name)});
    const QAccessible::Role role = child->role();
    if (role != QAccessible::Table && role != QAccessible::List) Walk(child, out);
  }
}

std::vector<Found> Focusable(QWidget* window) {
  std::vector<Found> found;
  Walk(QAccessible::queryAccessibleInterface(window), found);
  return found;
}

std::vector<QString> Sorted(std::vector<QString> names) {
  std::sort(names.begin(), names.end());
  return names;
}

QAccessibleInterface* Of(QObject* control) {
  return QAccessible::queryAccessibleInterface(control);
}

QString Name(QObject* control) {
  return Of(control)->text(QAccessible::Name);
}
QString Description(QObject* control) {
  return Of(control)->text(QAccessible::Description);
}

// The six windows, started as the program starts them; no settings file, so the tips are off
// and the sliders run from 100 to 100.
class Accessibility : public ::testing::Test, public TestProgram {
 protected:
  void SetUp() override {
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    desktop.Clear();
  }

 public:
  TForm2& about() { return *windows().Form2; }
  TForm3& powers() { return *windows().Form3; }
  TForm4& quadratic() { return *windows().Form4; }
  TForm5& mean() { return *windows().Form5; }
  TForm6& settings() { return *windows().Form6; }
};

// ---- names -------------------------------------------------------------------------------

struct WindowNames {
  const char* name;
  QWidget* (*open)(const WindowSet&);
  // Every control that takes the focus, by the words a sighted user reads for it.
  std::vector<const char*> names;
};

QWidget* Shown(SecondaryWindow& form) {
  form.ShowForm();
  return &form;
}

TEST(EveryFocusableControl, HasItsRussianName) {
  // Without a settings file both sliders run from 100 to 100. The powers window's spin field is
  // named as a whole and in its text part. The mean window's "Сосчитать" and "Удалить
  // выделенный символ" are disabled at the first opening and still take the focus once enabled:
  // a screen reader lists them either way. The About window is shown without its modal loop
  // here; its links take the focus.
  const WindowNames kWindows[] = {
      {"main",
       [](const WindowSet& w) -> QWidget* { return w.Form1; },
       {"Первое число", "Второе число", "Ответ", "Первое число, от 100 до 100",
        "Второе число, от 100 до 100", ">>>", "<<<>>>", "<<<", "<<<", "/", "*", "-", "+", "Пи", "%",
        "Очистить поля ввода", "Округлить", "Квадрат", "Календарь"}},
      {"powers",
       [](const WindowSet& w) { return Shown(*w.Form3); },
       {"Введите число или подкоренное выражение", "Степень", "Степень", "Возвести в степень",
        "Вывести из корня", "Ответ:"}},
      {"quadratic",
       [](const WindowSet& w) { return Shown(*w.Form4); },
       {"a=", "b=", "c=", "Сосчитать", "Новое уравнение"}},
      {"mean",
       [](const WindowSet& w) { return Shown(*w.Form5); },
       {"Введённые числа", "Сосчитать", "Добавить", "Очистить всё",
        "Вводите постепенно символы в строку", "Удалить выделенный символ"}},
      {"settings",
       [](const WindowSet& w) { return Shown(*w.Form6); },
       {"Min", "Max", "OK", "Выводить подсказки"}},
      {"about",
       [](const WindowSet& w) -> QWidget* {
         w.Form2->show();
         return w.Form2;
       },
       {"О программе", "E-mail: tm@tallymate.example", "WWW: http://www.tallymate.example"}}};
  ForEachCase(kWindows, [](const WindowNames& c) {
    const TestProgram program;
    program.main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&program.main()));
    QWidget* window = c.open(program.windows());
    ASSERT_TRUE(window->isVisible());
    std::vector<QString> found;
    for (const Found& control : Focusable(window)) {
      EXPECT_FALSE(control.name.trimmed().isEmpty())
          << "a focusable control without a name, role " << control.iface->role();
      found.push_back(control.name);
    }
    std::vector<QString> wanted;
    for (const char* name : c.names) wanted.push_back(Q(name));
    EXPECT_EQ(Sorted(found), Sorted(wanted));
    window->hide();
  });
}

TEST_F(Accessibility, NamedControlsWithoutFocus) {
  EXPECT_EQ(Name(main().Image1), Q("Картинка"));
  EXPECT_EQ(Of(main().Image1)->role(), QAccessible::Graphic);
  EXPECT_EQ(Name(main().StatusBar1), Q("Строка состояния"));
  EXPECT_EQ(Of(main().StatusBar1)->role(), QAccessible::StatusBar);
  EXPECT_EQ(Name(main().MonthCalendar1), Q("Календарь"));
  EXPECT_EQ(Name(about().Image1), Q("Картинка"));
  EXPECT_EQ(Of(about().Image1)->role(), QAccessible::Graphic);
  // Its text field is made when the hidden window is first laid out.
  about().ensurePolished();
  EXPECT_EQ(Name(about().Memo1), Q("О программе"));
  EXPECT_TRUE(Of(about().Memo1)->state().readOnly);
  // The answer fields are read-only, which a screen reader tells as well.
  EXPECT_TRUE(Of(main().Edit3)->state().readOnly);
  EXPECT_TRUE(Of(powers().Edit2)->state().readOnly);
  // The fields are labelled by the labels a sighted user reads.
  const auto labelled = Of(main().Edit1)->relations(QAccessible::Label);
  ASSERT_EQ(labelled.size(), 1);
  EXPECT_EQ(labelled.front().first->text(QAccessible::Name), Q("Первое число"));
}

// The hints stay the descriptions whether the tips are switched on or off.
struct Hint {
  const char* name;
  QWidget* (*of)(TForm1&);
  const char* description;
};

TEST_F(Accessibility, HintsAreDescriptionsWithTipsOnAndOff) {
  // The last two are the status-bar tips of the mouse, for the controls without a tool tip.
  const Hint kHints[] = {{"TrackBar1", [](TForm1& f) -> QWidget* { return f.TrackBar1; },
                          "Тяните за ползунок, чтобы увеличить число ввода в первую строку"},
                         {"TrackBar2", [](TForm1& f) -> QWidget* { return f.TrackBar2; },
                          "Тяните за ползунок, чтобы увеличить число ввода во вторую строку"},
                         {"Button8", [](TForm1& f) -> QWidget* { return f.Button8; },
                          "Перенос содержимого из первой строки ввода во вторую"},
                         {"Button11", [](TForm1& f) -> QWidget* { return f.Button11; },
                          "Поменять местами содержимое первой и второй строки ввода"},
                         {"Button9", [](TForm1& f) -> QWidget* { return f.Button9; },
                          "Перенести содержимое второй строки ввода в первую"},
                         {"Button3", [](TForm1& f) -> QWidget* { return f.Button3; },
                          "Перенести результат в первую строку ввода"},
                         {"Button13", [](TForm1& f) -> QWidget* { return f.Button13; },
                          "Возводит в квадрат ответ действия"},
                         {"Image1", [](TForm1& f) -> QWidget* { return f.Image1; },
                          "Щёлкните по картинке, чтобы выбрать новую"},
                         {"Edit1", [](TForm1& f) -> QWidget* { return f.Edit1; },
                          "Двойной щелчок по данному полю позволяет ввести новые значения"},
                         {"Button10", [](TForm1& f) -> QWidget* { return f.Button10; },
                          "Округляет полученный результат"}};
  // A start without a settings file switches the tips off.
  ASSERT_FALSE(TForm1::ToolTipOn(main().TrackBar1));
  ForEachCase(kHints, [this](const Hint& c) {
    QWidget* control = c.of(main());
    EXPECT_EQ(Description(control), Q(c.description));
    TForm1::SetToolTipOn(control, true);
    EXPECT_EQ(Description(control), Q(c.description));
    TForm1::SetToolTipOn(control, false);
    EXPECT_EQ(Description(control), Q(c.description));
  });
}

// ---- values follow the window ---------------------------------------------------------------

TEST_F(Accessibility, AnswerFieldValueIsItsText) {
  main().Edit1->setText(QStringLiteral("1,5"));
  main().Edit2->setText(QStringLiteral("2"));
  QTest::mouseClick(main().Button1, Qt::LeftButton);
  EXPECT_EQ(Of(main().Edit3)->text(QAccessible::Value), Q("3,5"));
  EXPECT_EQ(Name(main().Edit3), Q("Ответ"));
}

TEST_F(Accessibility, SliderValueIsItsPositionAndItsNameItsRange) {
  // F4 gives both sliders the range 0 to 200; the position stays where the clamp left it.
  QTest::keyClick(&main(), Qt::Key_F4);
  EXPECT_EQ(Name(main().TrackBar1), Q("Первое число, от 0 до 200"));
  EXPECT_EQ(Name(main().TrackBar2), Q("Второе число, от 0 до 200"));
  main().TrackBar1->setFocus();
  QTest::keyClick(main().TrackBar1, Qt::Key_Right);
  QAccessibleValueInterface* value = Of(main().TrackBar1)->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toInt(), 101);
  EXPECT_EQ(value->minimumValue().toInt(), 0);
  EXPECT_EQ(value->maximumValue().toInt(), 200);
  EXPECT_EQ(main().Edit1->text(), Q("101"));

  // The settings window's range, as the slider takes it.
  settings().ShowForm();
  settings().Edit1->setText(QStringLiteral("-5"));
  settings().Edit2->setText(QStringLiteral("50"));
  QTest::mouseClick(settings().Button1, Qt::LeftButton);
  EXPECT_EQ(Name(main().TrackBar1), Q("Первое число, от -5 до 50"));
  EXPECT_EQ(value->currentValue().toInt(), 50);
}

// The result line is what the window shows. (A reader hears it change through the window's
// notification: ResultsAreAnnouncedWhereTheyAppear.)
TEST_F(Accessibility, MeanResultLineReadsTheMean) {
  mean().ShowForm();
  for (const char* number : {"1", "2", "4"}) {
    mean().Edit1->setText(Q(number));
    QTest::mouseClick(mean().Button3, Qt::LeftButton);
  }
  QTest::mouseClick(mean().Button1, Qt::LeftButton);
  EXPECT_EQ(Name(mean().Label1), Q("Среднее арифметическое=2,33333333333333"));
  QTest::mouseClick(mean().Button4, Qt::LeftButton);
  EXPECT_EQ(Name(mean().Label1), QString());
  mean().hide();
}

// ---- message boxes ------------------------------------------------------------------------

struct BoxCase {
  const char* name;
  bool error;
  std::string text;
};

TEST(MessageBoxes, AnnounceTheirText) {
  // The long error is too wide for the box's label: shown in a wrapping view instead.
  const BoxCase kBoxes[] = {
      {"information", false, "Вводите только числа!"},
      {"error", true, "Floating point overflow."},
      {"long error", true, "'" + std::string(400, '7') + "' is not a valid floating point value."}};
  const AllowDialogs real_boxes;
  ForEachCase(kBoxes, [](const BoxCase& c) {
    QtDesktop desktop;
    QAccessible::Role role = QAccessible::NoRole;
    QString value, name;
    QTimer reader;
    reader.setInterval(20);
    QObject::connect(&reader, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      reader.stop();
      QAccessibleInterface* iface = Of(box);
      role = iface->role();
      value = iface->text(QAccessible::Value);
      name = iface->text(QAccessible::Name);
      box->accept();
    });
    reader.start();
    if (c.error)
      desktop.ShowError(c.text);
    else
      desktop.ShowInformation(c.text);
    EXPECT_EQ(role, QAccessible::AlertMessage);
    EXPECT_EQ(value, QString::fromStdString(c.text));
    EXPECT_EQ(name, Q("Tallymate 3.1"));
  });
}

// ---- the keyboard -------------------------------------------------------------------------

// A command that puts the focus into the field that has it still selects the field's whole
// text, as a focus change by the keyboard does; pressed through the accessibility interface, the
// focus never left the field.
TEST_F(Accessibility, CommandPressedThroughTheInterfaceSelectsTheFieldThatKeepsTheFocus) {
  TForm1& f = main();
  f.Edit1->setText(QStringLiteral("1,5"));
  f.Edit2->setText(QStringLiteral("2"));
  f.Edit1->setFocus(Qt::MouseFocusReason);
  f.Edit1->deselect();
  f.Edit1->setCursorPosition(1);
  ASSERT_EQ(QApplication::focusWidget(), f.Edit1);
  QAccessibleActionInterface* actions = Of(f.Button1)->actionInterface();
  ASSERT_NE(actions, nullptr);
  // The press animates a click, which comes a moment later.
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(QTest::qWaitFor([&f] { return !f.Edit3->text().isEmpty(); }, 2000));
  EXPECT_EQ(f.Edit3->text(), QStringLiteral("3,5"));
  EXPECT_EQ(QApplication::focusWidget(), f.Edit1);
  EXPECT_EQ(f.Edit1->selectedText(), f.Edit1->text());
}

TEST_F(Accessibility, F10OpensTheMenuBar) {
  ASSERT_FALSE(main().N1->isVisible());
  QTest::keyClick(main().Edit1, Qt::Key_F10);
  EXPECT_TRUE(main().N1->isVisible());
  EXPECT_EQ(QApplication::activePopupWidget(), main().N1);
  // The arrow keys walk the bar from there, and Escape leaves it.
  QTest::keyClick(main().N1, Qt::Key_Right);
  EXPECT_TRUE(main().N4->isVisible());
  QTest::keyClick(main().N4, Qt::Key_Escape);
  EXPECT_FALSE(main().N4->isVisible());
}

TEST_F(Accessibility, DeleteClearsTheAnswerAsADoubleClickDoes) {
  main().Edit3->setText(QStringLiteral("42"));
  main().Edit1->setText(QStringLiteral("7"));
  for (auto key : {Qt::Key_Delete, Qt::Key_Backspace}) {
    main().Edit3->setText(QStringLiteral("42"));
    main().Edit3->setFocus();
    QTest::keyClick(main().Edit3, key);
    EXPECT_EQ(main().Edit3->text(), QString()) << key;
  }
  EXPECT_EQ(main().Edit1->text(), Q("7"));
}

TEST_F(Accessibility, AboutWindowLinksOpenByKeyAndEscapeClosesIt) {
  bool ran_inside = false;
  QTimer::singleShot(0, &about(), [&] {
    ran_inside = true;
    about().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&about()));
    // The text has the focus first; Tab walks the e-mail link, the website link and back.
    EXPECT_EQ(QApplication::focusWidget(), about().Memo1);
    about().Memo1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(about().Memo1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), about().Label4);
    QTest::keyClick(about().Label4, Qt::Key_Return);
    QTest::keyClick(about().Label4, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), about().Label3);
    QTest::keyClick(about().Label3, Qt::Key_Space);
    QTest::keyClick(about().Label3, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), about().Memo1);
    QTest::keyClick(about().Memo1, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), about().Label3);
    QTest::keyClick(about().Label3, Qt::Key_Escape);
  });
  QTimer watchdog;  // a window that Escape did not close must not hold the test
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, &about(), [this] {
    ADD_FAILURE() << "Escape did not close the About window";
    about().hide();
  });
  watchdog.start(5000);
  about().ShowModalForm();
  EXPECT_TRUE(ran_inside);
  EXPECT_FALSE(about().isVisible());
  EXPECT_EQ(desktop.events,
            (std::vector<Event>{{Event::ShellOpen, "mailto:"},
                                {Event::ShellOpen, "http://www.tallymate.example/"}}));
}

// ---- what a screen reader hears -----------------------------------------------------------

// The events that reach the platform's screen-reader bridge, in their order.
struct Heard {
  QAccessible::Event type;
  QObject* object;
};
std::vector<Heard> heard;

void Hear(QAccessibleEvent* e) {
  heard.push_back({e->type(), e->object()});
}

// An event as Qt hands it on while a screen reader listens. The headless platform has none, so
// Qt reports nothing by itself; the tests report what Qt would, in Qt's order.
void Report(QAccessibleEvent&& e) {
  const QAccessible::UpdateHandler handler = QAccessible::installUpdateHandler(nullptr);
  QAccessible::installUpdateHandler(handler);
  handler(&e);
}

class ScreenReader : public Accessibility {
 protected:
  void SetUp() override {
    Accessibility::SetUp();
    previous_ = QAccessible::installUpdateHandler(&Hear);
    InstallFocusFirstOrder();
    heard.clear();
  }
  void TearDown() override {
    RemoveFocusFirstOrder();
    QAccessible::installUpdateHandler(previous_);
  }

  // Where the first event of this kind for the control came, or heard.size() if none came.
  static size_t First(QObject* control, QAccessible::Event type) {
    for (size_t i = 0; i < heard.size(); ++i)
      if (heard[i].object == control && heard[i].type == type) return i;
    return heard.size();
  }

 private:
  QAccessible::UpdateHandler previous_ = nullptr;
};

// A field that reports its caret as it takes the focus, as Qt's line edit does; Qt reports the
// focus itself only once the field's handler has returned.
class ReportingField : public InputField {
 public:
  using InputField::InputField;

 protected:
  void focusInEvent(QFocusEvent* e) override {
    InputField::focusInEvent(e);
    Report(QAccessibleTextCursorEvent(this, cursorPosition()));
  }
};

// A field's focus reaches the reader before the caret it sets on entry, or the reader takes the
// field as focused already and never says its name (an empty field says nothing at all).
TEST_F(ScreenReader, AFieldsFocusIsHeardBeforeItsCaret) {
  ReportingField field(main().Edit1->parentWidget());
  field.show();
  for (Qt::FocusReason reason : {Qt::TabFocusReason, Qt::BacktabFocusReason, Qt::MouseFocusReason,
                                 Qt::ActiveWindowFocusReason}) {
    main().Edit1->setFocus();
    heard.clear();
    field.setFocus(reason);
    Report(QAccessibleEvent(&field, QAccessible::Focus));
    QCoreApplication::processEvents();
    const size_t focus = First(&field, QAccessible::Focus);
    const size_t caret = First(&field, QAccessible::TextCaretMoved);
    ASSERT_LT(caret, heard.size()) << "no caret heard, reason " << reason;
    EXPECT_LT(focus, caret) << reason;
  }
  // Focus that Qt never reports (it comes back from a closed menu or box): the field reports it.
  main().Edit1->setFocus();
  heard.clear();
  field.setFocus(Qt::PopupFocusReason);
  QCoreApplication::processEvents();
  EXPECT_LT(First(&field, QAccessible::Focus), First(&field, QAccessible::TextCaretMoved));
}

// A window that becomes active is followed by its focused control, so the reader says the
// control and not only the window; while a menu is open, the control below keeps quiet.
TEST_F(ScreenReader, TheFocusedControlIsHeardAfterItsWindowAndNotUnderAMenu) {
  main().Edit2->setFocus();
  QAccessible::State active;
  active.active = true;
  Report(QAccessibleStateChangeEvent(&main(), active));
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back().object, main().Edit2);
  EXPECT_EQ(heard.back().type, QAccessible::Focus);

  QTest::keyClick(main().Edit2, Qt::Key_F10);
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  heard.clear();
  Report(QAccessibleEvent(main().Edit2, QAccessible::Focus));
  Report(QAccessibleStateChangeEvent(&main(), active));
  EXPECT_EQ(First(main().Edit2, QAccessible::Focus), heard.size());
  QApplication::activePopupWidget()->close();
}

// A result that appears away from the focus is announced, as a notification, once the command
// has ended, with the name of the field that shows it; a command that changes no result says
// nothing more.
TEST_F(ScreenReader, ResultsAreAnnouncedWhereTheyAppear) {
  const auto announced = [](QWidget& window) {
    auto* announcer = window.findChild<Announcer*>();
    EXPECT_NE(announcer, nullptr);
    EXPECT_EQ(Of(announcer)->role(), QAccessible::Notification);
    return announcer != nullptr ? Name(announcer) : QString();
  };
  main().Edit1->setText(Q("1,5"));
  main().Edit2->setText(Q("2"));
  QTest::mouseClick(main().Button1, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(announced(main()), Q("Ответ 3,5"));
  main().findChild<Announcer*>()->setAccessibleName(QString());
  QTest::mouseClick(main().Button1, Qt::LeftButton);  // the same sum again
  QCoreApplication::processEvents();
  EXPECT_EQ(announced(main()), QString());

  quadratic().ShowForm();
  // Said once the window is active: a reader drops what an inactive window says.
  ASSERT_TRUE(QTest::qWaitForWindowActive(&quadratic()));
  main().Edit2->setText(Q("3"));
  main().Button1->click();  // pressed while another window has the keyboard
  QCoreApplication::processEvents();
  EXPECT_EQ(announced(main()), QString());
  main().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !announced(main()).isEmpty(); }, 1000));
  EXPECT_EQ(announced(main()), Q("Ответ 4,5"));
  quadratic().ShowForm();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&quadratic()));
  quadratic().Edit1->setText(Q("1"));
  quadratic().Edit2->setText(Q("-3"));
  quadratic().Edit3->setText(Q("2"));
  QTest::mouseClick(quadratic().Button1, Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return !quadratic().findChild<Announcer*>()->accessibleName().isEmpty(); }, 1000));
  EXPECT_EQ(announced(quadratic()),
            Q("D>0, Уравнение имеет два корня, дискриминант=1, x1=2, x2=1"));
  quadratic().hide();
}

// A command that puts the focus back into a field has its result said after that field's focus
// (Qt's report, or the field's own where Qt sends none, as here): a reader drops what is said
// before. No reader is active here, so Qt hands the announcement itself to no handler; what the
// announcer has said when the field's focus is heard shows the order. The powers window's power,
// pressed from the spin field, returns to the number.
Announcer* result_announcer = nullptr;
QObject* focused_field = nullptr;
std::vector<QString> said_at_focus;

TEST_F(ScreenReader, AResultIsAnnouncedAfterTheFocusTheCommandGaveAField) {
  powers().ShowForm();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&powers()));
  result_announcer = powers().findChild<Announcer*>();
  ASSERT_NE(result_announcer, nullptr);
  focused_field = powers().Edit1;
  said_at_focus.clear();
  // Below the focus order, where the field's own report goes.
  RemoveFocusFirstOrder();
  QAccessible::installUpdateHandler([](QAccessibleEvent* e) {
    if (e->object() == focused_field && e->type() == QAccessible::Focus)
      said_at_focus.push_back(result_announcer->accessibleName());
  });
  InstallFocusFirstOrder();
  powers().Edit1->setText(Q("3"));
  powers().SpinEdit1->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  result_announcer->setAccessibleName(QString());
  said_at_focus.clear();
  powers().Button1->click();
  // Heard: the number's focus, then the result.
  EXPECT_TRUE(QTest::qWaitFor(
      [] { return !said_at_focus.empty() && !result_announcer->accessibleName().isEmpty(); },
      1000));
  EXPECT_EQ(said_at_focus, std::vector<QString>{QString()});
  powers().hide();
}

// The month calendar's table alone reads a week row of numbers: while it has the focus, the
// month and year are said as it takes the focus and as the month changes, and the selected day
// with its weekday as the selection moves. Set by the program while elsewhere, it says nothing.
TEST_F(ScreenReader, TheCalendarSaysItsMonthAndTheSelectedDay) {
  MonthCalendar* calendar = main().MonthCalendar1;
  auto* announcer = calendar->findChild<Announcer*>();
  ASSERT_NE(announcer, nullptr);
  auto* table = calendar->findChild<QTableView*>(Q("qt_calendar_calendarview"));
  ASSERT_NE(table, nullptr);
  const auto said = [&](const std::function<void()>& action) {
    announcer->setAccessibleName(QString());
    action();
    QCoreApplication::processEvents();
    return announcer->accessibleName();
  };
  main().Edit1->setFocus();
  EXPECT_EQ(said([&] { calendar->setSelectedDate(QDate(2026, 11, 20)); }), QString());
  EXPECT_EQ(said([&] { calendar->setSelectedDate(QDate(2026, 12, 7)); }), QString());
  // 7 December 2026 is a Monday.
  EXPECT_EQ(said([&] { table->setFocus(Qt::TabFocusReason); }),
            Q("декабрь 2026, выбрано 7 декабря 2026, понедельник"));
  EXPECT_EQ(said([&] { QTest::keyClick(table, Qt::Key_Right); }), Q("8 декабря 2026, вторник"));
  EXPECT_EQ(said([&] { QTest::keyClick(table, Qt::Key_PageDown); }),
            Q("январь 2027, 8 января 2027, пятница"));
}

// Every line edit the program shows reads whole, Qt's own (the file dialog's name field) as
// the program's fields do; one that hides what is typed keeps hiding it.
TEST_F(ScreenReader, EveryLineEditReadsItsWholeText) {
  QLineEdit name(&main());
  name.setText(Q("big.png"));
  QAccessibleTextInterface* text = Of(&name)->textInterface();
  ASSERT_NE(text, nullptr);
  int start = -1, end = -1;
  text->attributes(6, &start, &end);
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 7));
  EXPECT_EQ(text->text(start, end), Q("big.png"));

  QLineEdit secret(&main());
  secret.setEchoMode(QLineEdit::Password);
  secret.setText(Q("hidden"));
  EXPECT_NE(Of(&secret)->text(QAccessible::Value), Q("hidden"));
}

// A field's text has one run of attributes over its whole length: a reader that rebuilds the
// text from the runs reads "100", not "10". Caret, selection, positions and editing answer as the
// field shows them.
TEST_F(ScreenReader, AFieldReadsAsTheFieldShowsIt) {
  InputField* field = main().Edit1;
  field->setText(Q("100"));
  QAccessibleTextInterface* text = Of(field)->textInterface();
  ASSERT_NE(text, nullptr);
  for (int offset : {0, 1, 2}) {
    int start = -1, end = -1;
    text->attributes(offset, &start, &end);
    EXPECT_EQ(start, 0) << offset;
    EXPECT_EQ(end, 3) << offset;
  }
  EXPECT_EQ(text->text(0, text->characterCount()), Q("100"));
  text->setSelection(0, 1, 3);
  EXPECT_EQ(field->selectedText(), Q("00"));
  int start = -1, end = -1;
  text->selection(0, &start, &end);
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(1, 3));
  // Each character's rectangle lies inside the field, left to right, and points back to it.
  int previous = -1;
  for (int offset : {0, 1, 2}) {
    const QRect r = text->characterRect(offset);
    EXPECT_TRUE(QRect(field->mapToGlobal(QPoint(0, 0)), field->size()).contains(r)) << offset;
    EXPECT_GT(r.left(), previous) << offset;
    previous = r.left();
    EXPECT_EQ(text->offsetAtPoint(r.center() - QPoint(r.width() / 4, 0)), offset);
  }
  // A reader asks for pieces of the text, from `start` up to but not including `end`.
  field->setText(Q("12345"));
  struct Piece {
    int start, end;
    const char* text;
  };
  const Piece kPieces[] = {{1, 3, "23"}, {0, 5, "12345"}, {4, 5, "5"}, {2, 2, ""}, {0, 1, "1"}};
  ForEachCase(kPieces,
              [text](const Piece& p) { EXPECT_EQ(text->text(p.start, p.end), Q(p.text)); });
  field->setText(Q("100"));
  Of(field)->editableTextInterface()->replaceText(0, 1, Q("2"));
  EXPECT_EQ(field->text(), Q("200"));
  main().Edit3->setText(Q("3,5"));  // the answer field takes no editing
  Of(main().Edit3)->editableTextInterface()->insertText(0, Q("7"));
  EXPECT_EQ(main().Edit3->text(), Q("3,5"));
  EXPECT_TRUE(Of(main().Edit3)->state().readOnly);
}

// The About window's e-mail and website are links to a screen reader, named by their address, and
// open through their press action as by Enter.
TEST_F(ScreenReader, AboutWindowsAddressesAreLinks) {
  for (QLabel* label : {about().Label4, about().Label3}) {
    QAccessibleInterface* link = Of(label);
    EXPECT_EQ(link->role(), QAccessible::Link);
    EXPECT_TRUE(link->text(QAccessible::Name).contains(Q("tallymate.example")))
        << label->text().toStdString();
    ASSERT_NE(link->actionInterface(), nullptr);
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  }
  EXPECT_EQ(desktop.Texts(Event::ShellOpen),
            (std::vector<std::string>{"mailto:", "http://www.tallymate.example/"}));
}

// Shift+F10 and the Menu key open a field's context menu on its first command, so that Cut,
// Copy and Paste are in reach of the keyboard and a screen reader has a command to say.
TEST_F(ScreenReader, KeyboardOpensAFieldsContextMenu) {
  struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  const Key kKeys[] = {{"Shift+F10", Qt::Key_F10, Qt::ShiftModifier},
                       {"Menu", Qt::Key_Menu, Qt::NoModifier}};
  main().Edit1->setText(Q("100"));
  main().Edit1->setFocus();
  ForEachCase(kKeys, [this](const Key& c) {
    QTest::keyClick(main().Edit1, c.key, c.modifiers);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    const auto first = std::find_if(actions.begin(), actions.end(),
                                    [](QAction* a) { return a->isEnabled() && !a->isSeparator(); });
    ASSERT_NE(first, actions.end());
    EXPECT_EQ(menu->activeAction(), *first);
    menu->close();
    QCoreApplication::processEvents();
  });
  EXPECT_FALSE(main().N1->isVisible());  // Shift+F10 is not F10: the menu bar stays closed
}

}  // namespace
