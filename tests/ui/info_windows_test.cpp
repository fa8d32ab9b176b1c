// The settings window (slider range, tips switch) and the About window, driven headless with a
// recorder in place of the desktop.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/settings/temp_dir.h"
#include "tests/support/cases.h"
#include "tests/support/held_key.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/test_program.h"
#include "ui/base/colors.h"
#include "ui/controls/link_label.h"
#include "ui/controls/model_slider.h"
#include "ui/controls/picture_box.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

namespace {

using Event = RecordingDesktop::Event;

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The program started with the settings file in a private folder (none there: first start,
// slider 100 to 100, tips off).
struct InfoProgram : TestProgram {
  std::string SettingsFile() const { return path.toStdString(); }
  TForm2& about() { return *windows().Form2; }
  TForm6& settings() { return *windows().Form6; }

  // The first slider's range as a start-up from the settings file would leave it.
  void SetRange(int32_t min, int32_t max) {
    main().Slider1().SetMinimum(min);
    main().Slider1().SetMaximum(max);
    main().Slider1().SetMinimum(min);
  }

  // Opens the settings window, types into its fields and presses OK with the mouse.
  void Ok(const QString& min, const QString& max, bool tips) {
    settings().ShowForm();
    settings().Edit1->setText(min);
    settings().Edit2->setText(max);
    settings().CheckBox1->setChecked(tips);
    QTest::mouseClick(settings().Button1, Qt::LeftButton);
  }

  struct MainState {
    int32_t min, max, pos, min2, max2;
    QString label12, label13, edit1, edit2;
    bool operator==(const MainState&) const = default;
  };
  MainState State() {
    TForm1& f = main();
    return {f.Slider1().Minimum(), f.Slider1().Maximum(), f.Slider1().Position(),
            f.Slider2().Minimum(), f.Slider2().Maximum(), f.Label12->text(),
            f.Label13->text(),     f.Edit1->text(),       f.Edit2->text()};
  }

  // The tips as the settings window switches them, plus Button13 which it must leave alone.
  struct Tips {
    bool trackbar1, trackbar2, button8, button11, button9, button3, simple, image, button13;
    bool operator==(const Tips&) const = default;
  };
  Tips CurrentTips() {
    TForm1& f = main();
    return {TForm1::ToolTipOn(f.TrackBar1),
            TForm1::ToolTipOn(f.TrackBar2),
            TForm1::ToolTipOn(f.Button8),
            TForm1::ToolTipOn(f.Button11),
            TForm1::ToolTipOn(f.Button9),
            TForm1::ToolTipOn(f.Button3),
            f.SimpleMode(),
            TForm1::ToolTipOn(f.Image1),
            TForm1::ToolTipOn(f.Button13)};
  }
};

using MainState = InfoProgram::MainState;
using Tips = InfoProgram::Tips;

class InfoWindows : public ::testing::Test, protected InfoProgram {
 protected:
  void SetUp() override { desktop.Clear(); }
};

// ---------------------------------------------------------------------------------------------
// Settings window: OK with a valid range

struct RangeCase {
  const char* name;
  int32_t start_min, start_max;  // the first slider before OK
  const char *min, *max;         // typed
  int32_t min_after, max_after, pos_after;
  const char *label12, *label13;
};

// equal: over the default range, maximum first, so 5..5 is reached. below start: maximum 50 is
// below the old minimum 100 and is refused; the labels still say 0..50. above: taken in full, the
// position clamped up to 300. negative: numbers pass; maximum -10 is below the old minimum 0 and
// refused.
TEST(SettingsWindow, OkSetsFirstSliderLabelsAndEmptiesFields) {
  const RangeCase kCases[] = {{"equal", 0, 200, "5", "5", 5, 5, 5, "5", "5"},
                              {"below start", 100, 100, "0", "50", 0, 100, 100, "0", "50"},
                              {"above", 0, 200, "300", "500", 300, 500, 300, "300", "500"},
                              {"negative", 0, 200, "-20", "-10", -20, 200, 100, "-20", "-10"},
                              {"hexadecimal", 0, 200, "$10", "0x20", 16, 32, 32, "16", "32"},
                              {"wide", 0, 200, "-2147483648", "2147483647", -2147483647 - 1,
                               2147483647, 100, "-2147483648", "2147483647"}};
  ForEachCase(kCases, [](const RangeCase& c) {
    InfoProgram p;
    p.SetRange(c.start_min, c.start_max);
    p.main().Slider2().SetMinimum(0);
    p.main().Slider2().SetMaximum(200);
    p.main().Edit1->setText(Q("12"));
    p.main().Edit2->setText(Q("34"));
    p.desktop.Clear();

    p.Ok(Q(c.min), Q(c.max), false);

    EXPECT_EQ(p.State(), (MainState{c.min_after, c.max_after, c.pos_after, 0, 200, Q(c.label12),
                                    Q(c.label13), QString(), QString()}));
    EXPECT_FALSE(p.settings().isVisible());
    EXPECT_TRUE(p.desktop.events.empty());
  });
}

TEST_F(InfoWindows, SecondSliderGetsTickAtEnteredMaximumOnly) {
  // With a wide range the added tick marks show; the second slider keeps its range.
  main().Slider2().SetMaximum(100000);
  main().Slider2().SetMinimum(0);
  Ok(Q("-50000"), Q("70000"), false);
  EXPECT_EQ(main().TrackBar2->ShownTicks(), (std::vector<int32_t>{0, 70000, 100000}));
  EXPECT_EQ(main().Slider2().Minimum(), 0);
  EXPECT_EQ(main().Slider2().Maximum(), 100000);
}

// ---------------------------------------------------------------------------------------------
// Settings window: OK refused

TEST_F(InfoWindows, MaximumBelowMinimumSaysSoAndZeroesMin) {
  SetRange(0, 200);
  main().Edit1->setText(Q("7"));
  const MainState before = State();

  Ok(Q("10"), Q("5"), true);

  EXPECT_EQ(
      desktop.events,
      (std::vector<Event>{{Event::Information, "Первое число не может быть больше второго"}}));
  EXPECT_EQ(settings().Edit1->text(), Q("0"));
  EXPECT_EQ(settings().Edit2->text(), Q("5"));
  EXPECT_TRUE(settings().isVisible());
  EXPECT_EQ(State(), before);
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
  EXPECT_FALSE(TForm1::ToolTipOn(main().TrackBar1));

  // With "0" in Min the same OK now passes.
  desktop.Clear();
  QTest::mouseClick(settings().Button1, Qt::LeftButton);
  EXPECT_FALSE(settings().isVisible());
  EXPECT_EQ(main().Label12->text(), Q("0"));
  EXPECT_EQ(main().Label13->text(), Q("5"));
}

struct BadText {
  const char *name, *min, *max, *message;
};

// With both bad, the first field is read first.
TEST(SettingsWindow, BadTextShowsConversionErrorAndChangesNothing) {
  const BadText kCases[] = {
      {"empty minimum", "", "5", "'' is not a valid integer value."},
      {"lone minus maximum", "5", "-", "'-' is not a valid integer value."},
      {"both bad", "1-", "", "'1-' is not a valid integer value."},
      {"maximum past 32 bits", "0", "2147483648", "'2147483648' is not a valid integer value."}};
  ForEachCase(kCases, [](const BadText& c) {
    InfoProgram p;
    p.SetRange(0, 200);
    p.main().Edit1->setText(Q("7"));
    const MainState before = p.State();
    p.desktop.Clear();

    p.Ok(Q(c.min), Q(c.max), true);

    EXPECT_EQ(p.desktop.events, (std::vector<Event>{{Event::Error, c.message}}));
    EXPECT_TRUE(p.settings().isVisible());
    EXPECT_EQ(p.State(), before);
    EXPECT_EQ(p.settings().Edit1->text(), Q(c.min));
    EXPECT_FALSE(std::filesystem::exists(p.SettingsFile()));
    EXPECT_FALSE(TForm1::ToolTipOn(p.main().TrackBar1));
  });
}

TEST_F(InfoWindows, EnterInAFieldDoesNotPressOk) {
  settings().ShowForm();
  settings().Edit1->setText(Q("1"));
  settings().Edit2->setText(Q("2"));
  const MainState before = State();
  QTest::keyClick(settings().Edit1, Qt::Key_Return);
  QTest::keyClick(settings().Edit2, Qt::Key_Enter);
  EXPECT_TRUE(settings().isVisible());
  EXPECT_EQ(State(), before);
}

TEST_F(InfoWindows, FieldsTakeOnlyWholeNumbers) {
  settings().ShowForm();
  for (InputField* field : {settings().Edit1, settings().Edit2}) {
    field->clear();
    desktop.Clear();
    QTest::keyClicks(field, Q("-12a3,"));
    EXPECT_EQ(field->text(), Q("-123"));
    EXPECT_EQ(desktop.events,
              (std::vector<Event>{{Event::Beep, ""},
                                  {Event::Information, "Вводите только целые числа!"},
                                  {Event::Beep, ""},
                                  {Event::Information, "Вводите только целые числа!"}}));
  }
}

// ---------------------------------------------------------------------------------------------
// Settings window: showing

TEST_F(InfoWindows, ShowingFillsFromSliderNotFromLabels) {
  // An OK the slider could not take in full: labels 0 and 50, the slider runs 0 to 100.
  Ok(Q("0"), Q("50"), false);
  ASSERT_EQ(main().Label13->text(), Q("50"));
  SetFieldColour(main().Edit1, 0x123456);

  settings().ShowForm();

  EXPECT_EQ(settings().Edit1->text(), Q("0"));
  EXPECT_EQ(settings().Edit2->text(), Q("100"));
  EXPECT_EQ(FieldColour(settings().Edit1), 0x123456u);
  EXPECT_EQ(FieldColour(settings().Edit2), 0x123456u);
  EXPECT_EQ(WindowColour(&settings()), kButtonShadow);
}

TEST_F(InfoWindows, CheckBoxFollowsFirstSliderToolTip) {
  for (bool on : {true, false, true}) {
    TForm1::SetToolTipOn(main().TrackBar1, on);
    TForm1::SetToolTipOn(main().TrackBar2, !on);
    settings().CheckBox1->setChecked(!on);
    settings().ShowForm();
    EXPECT_EQ(settings().CheckBox1->isChecked(), on);
    settings().hide();
  }
}

TEST_F(InfoWindows, ShowingAnOpenWindowKeepsWhatTheUserTyped) {
  settings().ShowForm();
  settings().Edit1->setText(Q("42"));
  settings().CheckBox1->setChecked(true);
  settings().ShowForm();
  EXPECT_EQ(settings().Edit1->text(), Q("42"));
  EXPECT_TRUE(settings().CheckBox1->isChecked());

  // Closing by the title bar applies nothing; the next showing refills.
  settings().close();
  EXPECT_FALSE(settings().isVisible());
  EXPECT_EQ(main().Label12->text(), Q("100"));
  settings().ShowForm();
  EXPECT_EQ(settings().Edit1->text(), Q("100"));
  EXPECT_FALSE(settings().CheckBox1->isChecked());
}

TEST_F(InfoWindows, DefaultSettingsTickTheOpenWindowsCheckBoxOnly) {
  settings().ShowForm();
  settings().Edit1->setText(Q("3"));
  settings().Edit2->setText(Q("4"));
  main().N19Click();
  EXPECT_TRUE(settings().CheckBox1->isChecked());
  EXPECT_EQ(settings().Edit1->text(), Q("3"));
  EXPECT_EQ(settings().Edit2->text(), Q("4"));
  EXPECT_FALSE(TForm1::ToolTipOn(main().TrackBar1));
}

// ---------------------------------------------------------------------------------------------
// Settings window: the tips switch

TEST_F(InfoWindows, TipsOnAreStoredThenAppliedWithoutButton13) {
  const Tips off{false, false, false, false, false, false, false, false, false};
  ASSERT_EQ(CurrentTips(), off);

  Ok(Q("0"), Q("10"), true);

  EXPECT_EQ(ReadBytes(SettingsFile()), std::string("[var]\r\nc=1\r\n"));
  EXPECT_EQ(CurrentTips(), (Tips{true, true, true, true, true, true, true, true, false}));
  EXPECT_TRUE(desktop.events.empty());
}

TEST_F(InfoWindows, TipsOffAreStoredInPlaceAndLeaveButton13On) {
  // A start with tips on: every tool tip on, Button13's included.
  WriteBytes(SettingsFile(), "[Color]\r\nEdit=255\r\n[var]\r\nc=1\r\n[Calendar]\r\ncolor=5\r\n");
  for (QWidget* w :
       {static_cast<QWidget*>(main().TrackBar1), static_cast<QWidget*>(main().TrackBar2),
        static_cast<QWidget*>(main().Button8), static_cast<QWidget*>(main().Button11),
        static_cast<QWidget*>(main().Button9), static_cast<QWidget*>(main().Button3),
        static_cast<QWidget*>(main().Image1), static_cast<QWidget*>(main().Button13)})
    TForm1::SetToolTipOn(w, true);
  main().SetSimpleMode(true);

  Ok(Q("0"), Q("10"), false);

  EXPECT_EQ(ReadBytes(SettingsFile()),
            std::string("[Color]\r\nEdit=255\r\n[var]\r\nc=0\r\n[Calendar]\r\ncolor=5\r\n"));
  EXPECT_EQ(CurrentTips(), (Tips{false, false, false, false, false, false, false, false, true}));
}

TEST_F(InfoWindows, FailedWriteKeepsRangeChangesAndLeavesTipsAlone) {
  // A directory where the file should be: no write succeeds, also for root.
  std::filesystem::create_directory(SettingsFile());
  SetRange(0, 200);
  main().Edit1->setText(Q("9"));

  Ok(Q("10"), Q("20"), true);

  EXPECT_EQ(desktop.events,
            (std::vector<Event>{{Event::Error, "Unable to write to " + SettingsFile() + "."}}));
  // Steps before the write took effect ...
  EXPECT_EQ(State(), (MainState{10, 20, 20, 100, 100, Q("10"), Q("20"), QString(), QString()}));
  EXPECT_FALSE(settings().isVisible());
  // ... the tips after it did not.
  EXPECT_EQ(CurrentTips(), (Tips{false, false, false, false, false, false, false, false, false}));
  EXPECT_TRUE(std::filesystem::is_directory(SettingsFile()));
}

// ---------------------------------------------------------------------------------------------
// About window

// The About text stands at the right edge and reads left to right: the final mark of a line
// stands after its words, where Russian puts it, not before them.
TEST_F(InfoWindows, AboutTextReadsLeftToRightAtTheRightEdge) {
  TForm2& a = about();
  a.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&a));
  QTextDocument* document = a.Memo1->document();
  const QTextBlock block = document->findBlockByNumber(2);
  ASSERT_EQ(block.text(), Q("очередной новой версией!"));
  const QRectF place = document->documentLayout()->blockBoundingRect(block);
  const QTextLine line = block.layout()->lineAt(0);
  ASSERT_TRUE(line.isValid());
  const qreal first_letter = line.cursorToX(0);
  const qreal final_mark = line.cursorToX(block.length() - 2);
  EXPECT_GT(final_mark, first_letter);
  // Flush right: lines of other lengths end where this one ends, and start elsewhere.
  for (const int other : {4, 8}) {  // "интерфейс", "бесплатной."
    const QTextBlock b = document->findBlockByNumber(other);
    const QRectF at = document->documentLayout()->blockBoundingRect(b);
    const QRectF text = b.layout()->lineAt(0).naturalTextRect();
    EXPECT_NEAR(at.left() + text.right(), place.left() + line.naturalTextRect().right(), 1.0)
        << b.text().toStdString();
    EXPECT_NE(at.left() + text.left(), place.left() + line.naturalTextRect().left());
  }
  a.hide();
}

TEST_F(InfoWindows, AboutWindowTakesMainColourAtEachShowing) {
  for (uint32_t colour : {0x00FF00u, 0x800080u, kButtonShadow}) {
    SetWindowColour(&main(), colour);
    QTimer::singleShot(0, &about(), [&] {
      EXPECT_EQ(WindowColour(&about()), colour);
      about().close();
    });
    about().ShowModalForm();
    EXPECT_FALSE(about().isVisible());
  }
  // While hidden it keeps the colour of its last showing.
  SetWindowColour(&main(), 0x0000FF);
  EXPECT_EQ(WindowColour(&about()), kButtonShadow);
}

struct LabelClick {
  const char* name;
  LinkLabel* Ui::TForm2::*label;
  const char* target;
};

const LabelClick kLinks[] = {{"website", &TForm2::Label3, "http://www.tallymate.example/"},
                             {"mail", &TForm2::Label4, "mailto:"}};

TEST_F(InfoWindows, AboutLinkClickAsksTheShellAndIgnoresItsAnswer) {
  ForEachCase(kLinks, [&](const LabelClick& c) {
    QLabel* label = about().*c.label;
    for (bool answer : {true, false}) {
      desktop.Clear();
      desktop.shell_result = answer;
      QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(3, 3));
      EXPECT_EQ(desktop.events, (std::vector<Event>{{Event::ShellOpen, c.target}}));
    }
    // A press that ends outside the label, or another button, is no click.
    desktop.Clear();
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(-5, -5));
    QTest::mouseClick(label, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(desktop.events.empty());
  });
}

// Enter, keypad Enter and Space open the link as a click does; a held key opens it once.
TEST_F(InfoWindows, AboutLinkKeysOpenItOnceAsAClickDoes) {
  ForEachCase(kLinks, [&](const LabelClick& c) {
    QLabel* label = about().*c.label;
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Enter, Qt::KeypadModifier},
        {Qt::Key_Space, Qt::NoModifier},
    };
    for (const auto& [key, modifiers] : keys) {
      for (int repeats : {0, 4}) {
        desktop.Clear();
        HoldKey(label, key, modifiers, repeats);
        EXPECT_EQ(desktop.events, (std::vector<Event>{{Event::ShellOpen, c.target}}))
            << QKeySequence(key).toString().toStdString() << ", " << repeats << " repeats";
      }
    }
  });
}

// A main-window shortcut, and what shows that it ran.
struct ShortcutCase {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};

TEST(AboutWindow, MainWindowShortcutsWaitWhileAboutIsOpen) {
  const ShortcutCase kCases[] = {{"settings", Qt::Key_E, Qt::ControlModifier},
                                 {"help", Qt::Key_F1, Qt::NoModifier},
                                 {"close", Qt::Key_Q, Qt::ControlModifier}};
  ForEachCase(kCases, [](const ShortcutCase& c) {
    InfoProgram p;
    p.desktop.Clear();
    const auto press = [&](QWidget* window) {
      QTest::keyClick(window->windowHandle(), c.key, c.modifiers);
    };
    // Something the shortcut does: a window shown, a document asked for, the program closed.
    const auto acted = [&] {
      return p.settings().isVisible() || !p.main().isVisible() || !p.desktop.events.empty() ||
             std::filesystem::exists(p.SettingsFile());
    };
    p.main().activateWindow();
    QApplication::processEvents();

    bool ran_inside = false;
    QTimer::singleShot(0, &p.about(), [&] {
      ran_inside = true;
      EXPECT_TRUE(p.about().isVisible());
      EXPECT_TRUE(p.about().isModal());
      press(&p.about());
      press(&p.main());
      EXPECT_FALSE(acted());
      p.about().close();
    });
    p.about().ShowModalForm();
    EXPECT_TRUE(ran_inside);
    EXPECT_FALSE(p.about().isVisible());
    EXPECT_FALSE(acted());

    // Once it is closed, the same key acts: the check above can fail.
    p.main().activateWindow();
    QApplication::processEvents();
    press(&p.main());
    EXPECT_TRUE(acted());
  });
}

TEST_F(InfoWindows, ShowModalFormOnAnOpenWindowReturnsAtOnce) {
  int depth = 0;
  QTimer::singleShot(0, &about(), [&] {
    ++depth;
    about().ShowModalForm();  // already open: must not wait a second time
    EXPECT_TRUE(about().isVisible());
    about().hide();
  });
  about().ShowModalForm();
  EXPECT_EQ(depth, 1);
  EXPECT_FALSE(about().isVisible());
}

}  // namespace
