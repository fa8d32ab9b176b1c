// Several keys read and written in one go: the same bytes as key by key, from one pass.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "settings/ini_text.h"
#include "settings/settings_store.h"
#include "tests/settings/ini_one_by_one.h"
#include "tests/settings/temp_dir.h"
#include "tests/support/cases.h"

namespace {

// The close's five keys with distinct values.
const std::vector<ini::Entry> kCloseKeys = {{"Color", "FormColor", "1"},
                                            {"Color", "Edit", "2"},
                                            {"Trackbar", "max", "3"},
                                            {"Trackbar", "min", "4"},
                                            {"Calendar", "color", "5"}};

struct BatchCase {
  const char* name;
  std::string text;
  std::vector<ini::Entry> entries;
};

// Key-by-key SetValue is the rule; the batch must give the same bytes.
TEST(SetValuesTest, GivesTheBytesOfOneWriteAfterAnother) {
  // SameKeyEmptiedThenWritten: an empty value first leaves the blanks after it at the end of the
  // line, where the second value then goes after them.
  const BatchCase kCases[] = {
      {"EmptyFile", "", kCloseKeys},
      {"AllPresent",
       "[Color]\r\nFormColor=9\r\nEdit=9\r\n[Trackbar]\r\nmax=9\r\nmin=9\r\n"
       "[Calendar]\r\ncolor=9\r\n",
       kCloseKeys},
      {"SomePresentSomeMissing", "[Trackbar]\r\nmin = 7 \r\n\r\n; end\r\n[x]\r\n", kCloseKeys},
      {"LastLineWithoutLineEnd", "[Calendar]\r\ncolor=", kCloseKeys},
      {"SectionHeaderLastWithoutLineEnd", "[Trackbar]", kCloseKeys},
      {"ForeignLinesAndTextWithoutEquals",
       "junk without equals\nmore junk\r\n[Mine]\nx=y\n[Color]\nother=1\n", kCloseKeys},
      {"SectionTwiceNewKeyGoesToTheFirst", "[Color]\r\na=1\r\n[Other]\r\n[color]\r\nEdit=5\r\n",
       kCloseKeys},
      {"SameKeyTwiceAnyCaseLastValueWins",
       "",
       {{"Color", "FormColor", "1"}, {"COLOR", "formcolor", "2"}, {"x", "k", "3"}}},
      {"NewSectionThenKeyOfExistingLastSection",
       "[A]\r\nk=1",
       {{"B", "j", "1"}, {"A", "n", "2"}, {"A", "k", "3"}}},
      {"ByteOrderMarkAndBlanks", "\xEF\xBB\xBF[Color]\r\n  Edit\t=\t\r\n", kCloseKeys},
      {"SameKeyEmptiedThenWritten", "[a]\nb=\t\xf6", {{"a", "b", ""}, {"a", "b", "4444"}}},
      {"SameKeyEmptiedThenWrittenWithLineEnd",
       "[a]\r\nb= \tx \r\n[c]\r\n",
       {{"a", "b", ""}, {"A", "B", "1"}, {"c", "d", "2"}}}};
  ForEachCase(kCases, [](const BatchCase& c) {
    std::string expected = c.text;
    for (const ini::Entry& e : c.entries)
      expected = ini_one_by_one::SetValue(expected, e.section, e.key, e.value);
    EXPECT_EQ(ini::SetValues(c.text, c.entries), expected);
  });
}

TEST(FindValues, GivesWhatFindValueGivesForEachKey) {
  const std::string text =
      "a=0\r\n[Color]\r\nFormColor = 255 \r\n[Trackbar]\r\nmin=abc\r\nno equals here\r\n"
      "[COLOR]\r\nformcolor=1\r\nEdit=\r\n[var]\r\nc=2";
  const std::vector<ini::Entry> keys = {{"Color", "Formcolor", {}}, {"Color", "Edit", {}},
                                        {"Trackbar", "min", {}},    {"Trackbar", "max", {}},
                                        {"var", "c", {}},           {"Trackbar", "min", {}}};
  const auto values = ini::FindValues(text, keys);
  ASSERT_EQ(values.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(values[i], ini_one_by_one::FindValue(text, keys[i].section, keys[i].key))
        << keys[i].key;
  EXPECT_EQ(values[0], "255");
  EXPECT_EQ(values[3], std::nullopt);
}

// A line without '=' or ']' ends at its own line end: what follows on later lines is no part
// of it.
TEST(ParseLines, SearchesStayInsideTheLine) {
  const std::string text = "[Color\r\n]\r\nFormColor\r\n=5\r\n[Color]\r\nEdit=7\r\n";
  EXPECT_EQ(ini_one_by_one::FindValue(text, "Color", "FormColor"), std::nullopt);
  EXPECT_EQ(ini_one_by_one::FindValue(text, "Color", "Edit"), "7");
}

TEST(SettingsStoreBatch, ReadsEveryKeyWithItsDefault) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  WriteBytes(path,
             "[Color]\r\nFormcolor=0x1F\r\n[Trackbar]\r\nmin=abc\r\nmax=-5\r\n[var]\r\nc=2\r\n");
  SettingsInteger read[] = {
      {"Color", "FormColor", 100}, {"Color", "Edit", 100}, {"Trackbar", "min", 100},
      {"Trackbar", "max", 100},    {"var", "c", 0},        {"Calendar", "color", 100}};
  SettingsStore(path).ReadIntegers(read);
  const int32_t expected[] = {31, 100, 100, -5, 2, 100};
  for (size_t i = 0; i < std::size(read); ++i) EXPECT_EQ(read[i].value, expected[i]) << read[i].key;
}

TEST(SettingsStoreBatch, MissingOrNonRegularFileKeepsTheDefaults) {
  TempDir dir;
  for (const std::string& path : {dir.File("missing.ini"), dir.path()}) {
    SettingsInteger read[] = {{"Color", "Edit", 100}, {"var", "c", 1}};
    SettingsStore(path).ReadIntegers(read);
    EXPECT_EQ(read[0].value, 100);
    EXPECT_EQ(read[1].value, 1);
  }
}

TEST(SettingsStoreBatch, WritesAllKeysInOneReplacementOrNone) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  WriteBytes(path, "foreign line\r\n[Trackbar]\r\nmin=1\r\n");
  const SettingsInteger values[] = {
      {"Color", "FormColor", -16777200}, {"Trackbar", "min", 0}, {"Calendar", "color", 8421376}};
  SettingsStore(path).WriteIntegers(values);
  EXPECT_EQ(ReadBytes(path).value_or(""),
            "foreign line\r\n[Trackbar]\r\nmin=0\r\n[Color]\r\nFormColor=-16777200\r\n"
            "[Calendar]\r\ncolor=8421376\r\n");

  // A directory at the path: nothing is written, and the error names the path.
  const std::string blocked = dir.File("blocked");
  ASSERT_TRUE(std::filesystem::create_directory(blocked));
  try {
    SettingsStore(blocked).WriteIntegers(values);
    ADD_FAILURE() << "no error";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(std::string(e.what()).find("Unable to write to " + blocked), 0u) << e.what();
  }
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

// A megabyte of lines without '=' and binary garbage: every read gives the default and the
// write keeps every foreign byte. (The ctest timeout catches a parse that is not linear.)
TEST(SettingsStoreBatch, LargeForeignFilesKeepEveryByte) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  std::string no_equals;
  while (no_equals.size() < (8u << 20)) no_equals += "a line without an equals sign\r\n";
  std::string garbage(4u << 20, '\0');
  uint32_t state = 1;
  for (char& c : garbage) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  for (const std::string* text : {&no_equals, &garbage}) {
    WriteBytes(path, *text);
    SettingsInteger read[] = {{"Color", "Formcolor", 100}, {"var", "c", 0}};
    SettingsStore(path).ReadIntegers(read);
    EXPECT_EQ(read[0].value, 100);
    const SettingsInteger values[] = {{"Color", "FormColor", 1}, {"Color", "Edit", 2}};
    SettingsStore(path).WriteIntegers(values);
    const std::string after = ReadBytes(path).value_or("");
    ASSERT_GE(after.size(), text->size());
    EXPECT_EQ(after.compare(0, text->size(), *text), 0);
  }
}

}  // namespace
