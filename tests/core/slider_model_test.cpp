#include "core/slider_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/number_text.h"
#include "tests/support/cases.h"

namespace {

// A slider with its change handler writing the position into an operand field, as the main
// window does.
struct Slider {
  SliderModel model;
  std::string field = "typed";
  std::vector<int32_t> notified;

  Slider() {
    model.AddListener(SliderModel::Change::kPosition, [this] {
      notified.push_back(model.Position());
      field = NumberToText(model.Position());
    });
  }
};

void ExpectRange(const SliderModel& m, int32_t minimum, int32_t maximum, int32_t position) {
  EXPECT_EQ(m.Minimum(), minimum);
  EXPECT_EQ(m.Maximum(), maximum);
  EXPECT_EQ(m.Position(), position);
}

TEST(SliderModel, StartsAtZeroInZeroToTwoHundred) {
  const SliderModel model;
  ExpectRange(model, 0, 200, 0);
}

TEST(SliderModel, RangeRequestsThatWouldCrossAreIgnored) {
  Slider s;
  s.model.SetMinimum(201);
  s.model.SetMaximum(-1);
  ExpectRange(s.model, 0, 200, 0);
  EXPECT_TRUE(s.notified.empty());
  s.model.SetMinimum(200);  // equal bounds are allowed
  ExpectRange(s.model, 200, 200, 200);
  s.model.SetMaximum(200);
  EXPECT_EQ(s.notified, std::vector<int32_t>{200});
}

TEST(SliderModel, NotifiesOnlyWhenAClampMovesThePosition) {
  Slider s;
  s.model.UserMovement(50);
  s.notified.clear();
  s.model.SetMaximum(100);
  s.model.SetMinimum(10);
  EXPECT_TRUE(s.notified.empty());
  s.model.SetMaximum(40);
  s.model.SetMinimum(45);  // ignored: above the maximum
  s.model.SetMinimum(-100);
  ExpectRange(s.model, -100, 40, 40);
  EXPECT_EQ(s.notified, std::vector<int32_t>{40});
}

TEST(SliderModel, UserMovementAlwaysNotifies) {
  Slider s;
  s.model.UserMovement(0);
  s.model.UserMovement(0);
  s.model.UserMovement(7);
  EXPECT_EQ(s.notified, (std::vector<int32_t>{0, 0, 7}));
  EXPECT_EQ(s.field, "7");
}

TEST(SliderModel, ExtremeBounds) {
  Slider s;
  s.model.SetMinimum(INT32_MIN);
  s.model.SetMaximum(INT32_MAX);
  s.model.UserMovement(INT32_MIN);
  EXPECT_EQ(s.field, "-2147483648");
  s.model.SetMinimum(INT32_MAX);
  ExpectRange(s.model, INT32_MAX, INT32_MAX, INT32_MAX);
  EXPECT_EQ(s.field, "2147483647");
}

// ---- The three places that change the range --------------------------------------------------

void StartUp(Slider& s1, Slider& s2, int32_t min, int32_t max) {
  for (Slider* s : {&s1, &s2}) {
    s->model.SetMinimum(min);
    s->model.SetMaximum(max);
  }
}

TEST(SliderScenarios, StartWithoutSettingsFile) {
  Slider s1, s2;
  StartUp(s1, s2, 100, 100);
  EXPECT_EQ(s1.notified, std::vector<int32_t>{100});
  EXPECT_EQ(s1.field, "100");
  ExpectRange(s1.model, 100, 100, 100);
  ExpectRange(s2.model, 100, 100, 100);
  s1.field.clear();                            // the show handler empties the fields afterwards
  s1.model.UserMovement(s1.model.Position());  // touching the slider
  EXPECT_EQ(s1.field, "100");
}

TEST(SliderScenarios, StoredRanges) {
  struct Case {
    int32_t min, max;
    int32_t lo, hi, position;
  };
  const Case kCases[] = {{10, 50, 10, 50, 10}, {300, 500, 0, 500, 0}, {-50, -10, -50, -10, -10}};
  ForEachCase(kCases, [](const Case& c) {
    Slider s1, s2;
    StartUp(s1, s2, c.min, c.max);
    ExpectRange(s1.model, c.lo, c.hi, c.position);
    ExpectRange(s2.model, c.lo, c.hi, c.position);
  });
}

TEST(SliderScenarios, NegativeStoredRangeClampsOnlyAtTheMaximum) {
  Slider s;
  s.model.SetMinimum(-50);
  ExpectRange(s.model, -50, 200, 0);
  EXPECT_TRUE(s.notified.empty());
  s.model.SetMaximum(-10);
  ExpectRange(s.model, -50, -10, -10);
  EXPECT_EQ(s.field, "-10");
}

// The settings window's OK sets the maximum first, then the minimum.
void SettingsOk(Slider& s, int32_t min, int32_t max) {
  s.model.SetMaximum(max);
  s.model.SetMinimum(min);
}

TEST(SliderScenarios, SettingsOkFromASingleValueRange) {
  Slider s;
  s.model.SetMinimum(100);
  s.model.SetMaximum(100);
  SettingsOk(s, 0, 50);  // 50 is below the minimum 100: ignored
  ExpectRange(s.model, 0, 100, 100);
}

TEST(SliderScenarios, SettingsOkAboveTheOldRange) {
  Slider s;
  SettingsOk(s, 300, 500);
  ExpectRange(s.model, 300, 500, 300);
  EXPECT_EQ(s.notified, std::vector<int32_t>{300});
}

// F4 restores 0 to 200, maximum first.
TEST(SliderScenarios, DefaultsClampAHighPosition) {
  Slider s;
  s.model.SetMaximum(500);
  s.model.UserMovement(450);
  SettingsOk(s, 0, 200);
  ExpectRange(s.model, 0, 200, 200);
  EXPECT_EQ(s.field, "200");
}

TEST(SliderScenarios, DefaultsFromARangeAboveTwoHundred) {
  Slider s;
  SettingsOk(s, 300, 500);
  SettingsOk(s, 0, 200);  // the maximum 200 is below 300: ignored
  ExpectRange(s.model, 0, 500, 300);
}

// The slider on the screen hears of every range change that takes effect, before the position
// handler hears of a clamp it causes, and of nothing else.
struct RangeCase {
  const char* name;
  void (*change)(SliderModel&);
  std::vector<std::string> heard;  // "range" and "position", in order
};

TEST(RangeNotification, ComesBeforeThePositionAndOnlyForARealChange) {
  const RangeCase kCases[] = {
      {"NarrowerAroundThePosition", [](SliderModel& m) { m.SetMaximum(150); }, {"range"}},
      {"ClampingThePosition", [](SliderModel& m) { m.SetMinimum(120); }, {"range", "position"}},
      {"SameMinimum", [](SliderModel& m) { m.SetMinimum(0); }, {}},
      {"SameMaximum", [](SliderModel& m) { m.SetMaximum(200); }, {}},
      {"RefusedCrossing", [](SliderModel& m) { m.SetMinimum(201); }, {}},
      {"UserMovement", [](SliderModel& m) { m.UserMovement(5); }, {"position"}},
      {"BothEnds",
       [](SliderModel& m) {
         m.SetMaximum(50);
         m.SetMinimum(-50);
       },
       {"range", "position", "range"}}};
  ForEachCase(kCases, [](const RangeCase& c) {
    SliderModel model(0, 200, 100);
    std::vector<std::string> heard;
    model.AddListener(SliderModel::Change::kRange, [&] {
      heard.push_back("range");
      // The new range is in force when the slider is told.
      EXPECT_LE(model.Minimum(), model.Maximum());
    });
    model.AddListener(SliderModel::Change::kPosition, [&] { heard.push_back("position"); });
    c.change(model);
    EXPECT_EQ(heard, c.heard);
  });
}

// The model has as many listeners as need it: the slider on the screen, the window's handler.
TEST(SliderModelListeners, EachHearsItsKindInTheOrderAddedUntilRemoved) {
  using Change = SliderModel::Change;
  SliderModel model(0, 200, 100);
  std::vector<std::string> heard;
  const auto range_a = model.AddListener(Change::kRange, [&] { heard.push_back("range a"); });
  model.AddListener(Change::kPosition, [&] { heard.push_back("position a"); });
  model.AddListener(Change::kRange, [&] { heard.push_back("range b"); });
  const auto position_b =
      model.AddListener(Change::kPosition, [&] { heard.push_back("position b"); });
  model.SetMinimum(150);
  EXPECT_EQ(heard, (std::vector<std::string>{"range a", "range b", "position a", "position b"}));
  heard.clear();
  model.RemoveListener(range_a);
  model.RemoveListener(position_b);
  model.SetMaximum(160);
  model.UserMovement(155);
  EXPECT_EQ(heard, (std::vector<std::string>{"range b", "position a"}));
}

TEST(SliderModelListeners, OneRemovedWhileAChangeIsToldHearsNothingMore) {
  SliderModel model;
  std::vector<std::string> heard;
  SliderModel::ListenerId second = 0;
  model.AddListener(SliderModel::Change::kPosition, [&] {
    heard.push_back("first");
    model.RemoveListener(second);
  });
  second = model.AddListener(SliderModel::Change::kPosition, [&] { heard.push_back("second"); });
  model.UserMovement(1);
  model.UserMovement(2);
  EXPECT_EQ(heard, (std::vector<std::string>{"first", "first"}));
}

}  // namespace
