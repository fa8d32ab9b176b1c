// What holds in every window as the user meets it: each control the form names lies inside its
// window and no two controls that take input cover each other; every text the form gives reaches
// its control whole, blanks included; Tab walks each window's controls in their order and
// Shift+Tab walks back; the About window shows its whole text inside itself.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QXmlStreamReader>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/cases.h"
#include "tests/support/held_key.h"
#include "tests/support/test_program.h"
#include "ui/controls/link_label.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

namespace {

QString Q(const char* text) {
  return QString::fromUtf8(text);
}

std::string S(const QString& text) {
  return text.toStdString();
}

// A form as its file declares it.
struct Form {
  QStringList widgets;  // every named widget but the window, in the file's order
  struct Text {
    QString object;    // a widget or an action
    QString property;  // text, toolTip, title, windowTitle
    QString value;
  };
  std::vector<Text> texts;
};

Form ReadForm(const char* file) {
  Form form;
  QFile in(QStringLiteral(TALLYMATE_FORMS_DIR "/") + QLatin1String(file));
  EXPECT_TRUE(in.open(QIODevice::ReadOnly)) << file;
  QXmlStreamReader xml(&in);
  QStringList owners;  // the open widgets and actions, innermost last
  QString property;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      const auto tag = xml.name();
      if (tag == QLatin1String("widget") || tag == QLatin1String("action")) {
        const QString name = xml.attributes().value(QLatin1String("name")).toString();
        if (tag == QLatin1String("widget") && !owners.isEmpty()) form.widgets << name;
        owners << name;
      } else if (tag == QLatin1String("property")) {
        property = xml.attributes().value(QLatin1String("name")).toString();
      } else if (tag == QLatin1String("string") && !owners.isEmpty() &&
                 (property == QLatin1String("text") || property == QLatin1String("toolTip") ||
                  property == QLatin1String("title") || property == QLatin1String("windowTitle"))) {
        form.texts.push_back({owners.back(), property, xml.readElementText()});
      }
    } else if (xml.isEndElement()) {
      const auto tag = xml.name();
      if (tag == QLatin1String("widget") || tag == QLatin1String("action")) owners.removeLast();
      if (tag == QLatin1String("property")) property.clear();
    }
  }
  EXPECT_FALSE(xml.hasError()) << file << ": " << S(xml.errorString());
  EXPECT_FALSE(form.widgets.isEmpty()) << file;
  return form;
}

QRect InWindow(const QWidget* control, const QRect& rect) {
  return rect.translated(control->mapTo(control->window(), QPoint(0, 0)));
}

// A plain frame is a bevel: it draws a line and takes no room.
bool IsBevel(const QWidget* w) {
  return w->metaObject() == &QFrame::staticMetaObject;
}

bool TakesInput(const QWidget* w) {
  return w->isEnabled() && ((w->focusPolicy() & Qt::TabFocus) != 0 ||
                            qobject_cast<const QAbstractButton*>(w) != nullptr);
}

class EveryWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    // Tips on, so that the tips the forms give are in place too.
    program_ = std::make_unique<TestProgram>("[var]\r\nc=1\r\n");
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != &program_->main()) w->hide();
  }

  struct Window {
    const char* file;
    QWidget* window;
  };
  std::vector<Window> Windows() const {
    const WindowSet& set = program_->windows();
    return {{"adding.ui", set.Form1}, {"Unit2.ui", set.Form2}, {"Unit3.ui", set.Form3},
            {"Unit4.ui", set.Form4},  {"Unit5.ui", set.Form5}, {"Unit6.ui", set.Form6}};
  }

  static void Show(QWidget* window) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << S(window->objectName());
  }

  std::unique_ptr<TestProgram> program_;
};

TEST_F(EveryWindow, ControlsLieInsideTheirWindowAndThoseTakingInputCoverNoOther) {
  for (const Window& w : Windows()) {
    Show(w.window);
    const Form form = ReadForm(w.file);
    std::vector<const QWidget*> taking_input;
    for (const QString& name : form.widgets) {
      const auto* control = w.window->findChild<QWidget*>(name);
      ASSERT_NE(control, nullptr) << w.file << ": " << S(name) << " is not in the window";
      if (!control->isVisibleTo(w.window) || IsBevel(control)) continue;
      // The frame may stand on the window's edge; what it frames may not pass it.
      const QRect contents = InWindow(control, control->contentsRect());
      EXPECT_TRUE(w.window->rect().contains(contents))
          << w.file << ": " << S(name) << " at " << contents.x() << ", " << contents.y() << " "
          << contents.width() << " x " << contents.height() << " passes the window's edge "
          << w.window->width() << " x " << w.window->height();
      if (TakesInput(control)) {
        EXPECT_FALSE(control->size().isEmpty()) << w.file << ": " << S(name);
        taking_input.push_back(control);
      }
    }
    for (size_t i = 0; i < taking_input.size(); ++i) {
      for (size_t j = i + 1; j < taking_input.size(); ++j) {
        const QWidget* a = taking_input[i];
        const QWidget* b = taking_input[j];
        if (a->isAncestorOf(b) || b->isAncestorOf(a)) continue;
        // Neighbours may share the line where their frames meet, no more.
        const QRect shared = InWindow(a, a->rect()).intersected(InWindow(b, b->rect()));
        EXPECT_TRUE(shared.isEmpty() || shared.width() <= 1 || shared.height() <= 1)
            << w.file << ": " << S(a->objectName()) << " and " << S(b->objectName())
            << " overlap by " << shared.width() << " x " << shared.height();
      }
    }
  }
}

// A text the form gives is what the control shows: nothing trimmed, translated or lost at
// start-up, blanks included. The two range labels are the exception: the program writes the
// slider's range there, 100 to 100 when the settings file holds none.
TEST_F(EveryWindow, EveryTextTheFormGivesReachesItsControlWhole) {
  int compared = 0;
  for (const Window& w : Windows()) {
    Show(w.window);
    const Form form = ReadForm(w.file);
    for (const Form::Text& text : form.texts) {
      QObject* object = text.object == w.window->objectName()
                            ? static_cast<QObject*>(w.window)
                            : w.window->findChild<QObject*>(text.object);
      ASSERT_NE(object, nullptr) << w.file << ": " << S(text.object);
      const bool range_label = w.window == program_->windows().Form1 &&
                               (text.object == Q("Label12") || text.object == Q("Label13")) &&
                               text.property == Q("text");
      EXPECT_EQ(S(object->property(text.property.toLatin1().constData()).toString()),
                range_label ? std::string("100") : S(text.value))
          << w.file << ": " << S(text.object) << "." << S(text.property);
      ++compared;
    }
  }
  EXPECT_GT(compared, 40) << "the forms' texts were not found";
}

// A control by its object name; one the window makes as it runs has none and goes by its class.
QString NameOf(const QWidget* w) {
  return w->objectName().isEmpty() ? QLatin1String(w->metaObject()->className()) : w->objectName();
}

// The control a focused widget belongs to: the nearest of `controls`, else the widget itself.
QString ControlOf(const QWidget* focus, const QWidget* window, const QStringList& controls) {
  if (focus == nullptr) return Q("<nothing>");
  for (const QWidget* w = focus; w != nullptr && w != window; w = w->parentWidget())
    if (controls.contains(NameOf(w))) return NameOf(w);
  return NameOf(focus);
}

QWidget* Control(const QWidget* window, const QString& name) {
  for (QWidget* w : window->findChildren<QWidget*>())
    if (NameOf(w) == name) return w;
  return nullptr;
}

// The mean window's buttons that need a list are enabled once it holds a number.
void AddANumberToTheMean(const WindowSet& set) {
  if (set.Form5->ListBox1->count() > 0) return;
  set.Form5->Edit1->setText(Q("1"));
  set.Form5->Button3->click();
}

// Tab from the first control goes round every control that takes the focus once, in the order
// the user meets them, and Shift+Tab goes round the other way. A disabled button is passed over;
// a button that computes as the focus reaches it computes nothing from empty fields, says nothing
// and keeps the focus.
TEST_F(EveryWindow, TabWalksEachWindowsOrderAndShiftTabWalksBack) {
  struct TabCase {
    const char* name;
    const char* file;
    const char* order;
    void (*prepare)(const WindowSet&) = nullptr;
    bool reports = false;  // the walk shows a message
  };
  const TabCase kCases[] = {
      {"main", "adding.ui",
       "Button1 Edit1 Edit2 Edit3 TrackBar2 TrackBar1 Button2 MonthCalendar1 Button4 Button5 "
       "Button3 Button6 Button7 Button8 Button9 Button10 Button11 Button12 Button13"},
      // The About text is made by the window.
      {"about", "Unit2.ui", "QPlainTextEdit Label4 Label3"},
      {"powers", "Unit3.ui", "Edit1 SpinEdit1 Button1 Edit2 Button2"},
      {"quadratic", "Unit4.ui", "Edit1 Edit2 Edit3 Button1 Button2"},
      // The mean of an empty list and deleting from it cannot be asked for; entering the list
      // asks for its mean, which an empty list has not.
      {"mean, empty list", "Unit5.ui", "ListBox1 Edit1 Button3 Button4", nullptr, true},
      {"mean, one number", "Unit5.ui", "ListBox1 Button1 Edit1 Button2 Button3 Button4",
       AddANumberToTheMean},
      {"settings", "Unit6.ui", "Edit1 Edit2 Button1 CheckBox1"}};
  ForEachCase(kCases, [&](const TabCase& c) {
    QWidget* window = nullptr;
    for (const Window& w : Windows())
      if (std::string(w.file) == c.file) window = w.window;
    ASSERT_NE(window, nullptr);
    Show(window);
    if (c.prepare != nullptr) c.prepare(program_->windows());
    program_->desktop.Clear();
    const QStringList order = Q(c.order).split(QLatin1Char(' '));
    for (const QString& name : order)
      ASSERT_NE(Control(window, name), nullptr) << S(name) << " is not in the window";
    // Every control that can take the focus now, named as the walk names it.
    QStringList all;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
      if (w->focusProxy() == nullptr && w->isVisibleTo(window) && w->isEnabled() &&
          (w->focusPolicy() & Qt::TabFocus) != 0) {
        const QString name = ControlOf(w, window, order);
        if (!all.contains(name)) all << name;
      }
    }
    QStringList sorted_all = all, sorted_order = order;
    sorted_all.sort();
    sorted_order.sort();
    EXPECT_EQ(S(sorted_all.join(Q(" "))), S(sorted_order.join(Q(" "))))
        << "the controls that take the focus";
    // Each key after the event loop has run what the focus change before it queued, as the
    // user's next key comes.
    const auto walk = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
      Control(window, order.front())->setFocus(Qt::TabFocusReason);
      QCoreApplication::processEvents();
      QStringList walked{ControlOf(QApplication::focusWidget(), window, order)};
      for (qsizetype i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QCoreApplication::processEvents();
        walked << ControlOf(QApplication::focusWidget(), window, order);
      }
      return S(walked.join(Q(" ")));
    };
    QStringList round = order;
    round << order.front();
    EXPECT_EQ(walk(Qt::Key_Tab, Qt::NoModifier), S(round.join(Q(" ")))) << "Tab";
    std::reverse(round.begin(), round.end());
    EXPECT_EQ(walk(Qt::Key_Backtab, Qt::ShiftModifier), S(round.join(Q(" ")))) << "Shift+Tab";
    EXPECT_EQ(program_->desktop.events.empty(), !c.reports);
  });
}

// One rule for a focused push button in every window, the desktop's: Enter and keypad Enter
// press it, with or without Shift, as Space does; with Ctrl or Alt they do not. A held key presses
// it once: the keyboard's repeats are no new presses (">>>" pressed twice would empty the second
// field).
TEST_F(EveryWindow, EnterPressesTheFocusedButtonOfEveryWindow) {
  struct KeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool presses;
    int repeats = 0;  // while held
  };
  const KeyCase kCases[] = {
      {"Return", Qt::Key_Return, Qt::NoModifier, true},
      {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true},
      {"Shift+Return", Qt::Key_Return, Qt::ShiftModifier, true},
      {"Shift+keypad Enter", Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier, true},
      {"Space", Qt::Key_Space, Qt::NoModifier, true},
      {"Ctrl+Return", Qt::Key_Return, Qt::ControlModifier, false},
      {"Alt+Return", Qt::Key_Return, Qt::AltModifier, false},
      {"held Return", Qt::Key_Return, Qt::NoModifier, true, 5},
      {"held keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true, 5},
      {"held Space", Qt::Key_Space, Qt::NoModifier, true, 5}};
  int buttons = 0;
  ForEachCase(kCases, [&](const KeyCase& c) {
    buttons = 0;
    for (const Window& w : Windows()) {
      for (QPushButton* button : w.window->findChildren<QPushButton*>()) {
        // A press may have closed the window or emptied the mean's list.
        Show(w.window);
        AddANumberToTheMean(program_->windows());
        ASSERT_TRUE(button->isEnabled()) << w.file << ": " << S(button->objectName());
        button->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QSignalSpy pressed(button, &QAbstractButton::clicked);
        HoldKey(button, c.key, c.modifiers, c.repeats);
        EXPECT_EQ(pressed.count(), c.presses ? 1 : 0) << w.file << ": " << S(button->objectName());
        ++buttons;
      }
    }
  });
  EXPECT_EQ(buttons, 22) << "the push buttons of the six windows";
}

// What the program shows as a result or as its own text takes no typing, and every link shows
// itself as one under the mouse.
TEST_F(EveryWindow, ResultsTakeNoTypingAndLinksShowAPointingHand) {
  const WindowSet& set = program_->windows();
  set.Form3->Edit2->setText(Q("8"));
  const struct {
    QWidget* window;
    QWidget* field;
    std::function<QString()> text;
  } shown[] = {
      {set.Form1, set.Form1->Edit3, [&] { return set.Form1->Edit3->text(); }},
      {set.Form3, set.Form3->Edit2, [&] { return set.Form3->Edit2->text(); }},
      {set.Form2, nullptr, [&] { return set.Form2->Memo1->toPlainText(); }},
  };
  for (const auto& s : shown) {
    Show(s.window);
    QWidget* field = s.field != nullptr ? s.field : set.Form2->Memo1;
    field->setFocus(Qt::TabFocusReason);
    const QString before = s.text();
    QTest::keyClicks(field, Q("7"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_TRUE(s.text() == before) << S(field->objectName()) << " took typing";
  }
  int links = 0;
  for (const Window& w : Windows()) {
    for (const LinkLabel* link : w.window->findChildren<LinkLabel*>()) {
      EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor)
          << w.file << ": " << S(link->text());
      ++links;
    }
  }
  EXPECT_EQ(links, 3) << "the main window's website, the About window's e-mail and website";
}

// The About text is read where it stands: every line on one line of the window, not wrapped, not
// cut by the text's frame or by the window, and the text shown from its first line.
TEST_F(EveryWindow, TheAboutTextStandsWholeInsideItsWindow) {
  TForm2* about = program_->windows().Form2;
  Show(about);
  QPlainTextEdit* memo = about->Memo1;
  const QRect viewport = InWindow(memo->viewport(), memo->viewport()->rect());
  EXPECT_TRUE(about->rect().contains(viewport));
  EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
  int lines = 0;
  for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
    if (block.text().trimmed().isEmpty()) continue;
    ++lines;
    const std::string what = S(block.text());
    ASSERT_NE(block.layout(), nullptr) << what;
    EXPECT_EQ(block.layout()->lineCount(), 1) << what << " is wrapped";
    // The caret before the first letter and after the last, where the memo draws them.
    QTextCursor cursor(block);
    const QRect start = memo->cursorRect(cursor);
    cursor.movePosition(QTextCursor::EndOfBlock);
    const QRect drawn = start.united(memo->cursorRect(cursor));
    const QRect on_window = InWindow(memo->viewport(), drawn);
    EXPECT_TRUE(viewport.contains(on_window))
        << what << " at " << on_window.x() << ".." << on_window.right() << ", " << on_window.y()
        << ".." << on_window.bottom() << " is cut: the text shows " << viewport.x() << ".."
        << viewport.right() << ", " << viewport.y() << ".." << viewport.bottom();
  }
  EXPECT_GE(lines, 10) << "the About text is missing";
}

}  // namespace
