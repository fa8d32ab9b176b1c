#include "settings/settings_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/installed_files.h"
#include "tests/settings/temp_dir.h"
#include "tests/support/cases.h"

namespace {

using namespace std::string_literals;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_.File("Tallymate.ini");
};

// ---- writing: exact bytes ---------------------------------------------------------------

struct WriteCase {
  const char* name;
  std::optional<std::string> before;  // nothing: no file
  const char* section;
  const char* key;
  int32_t value;
  std::string after;
};

// Comments, odd blanks, a header without its bracket, lone CRs and a NUL byte.
const std::string kForeignLines =
    "; \xD0\xBA\xD0\xBE\xD0\xBC\r\n[Other]\n\tkey with blanks = some text \r\nno equals sign\r\n"
    "[broken\r\n\r\n\r\nodd\rline\0end\n"s;

TEST(WriteTest, GivesExactBytes) {
  const WriteCase kCases[] = {
      {"ReplaceInPlace", "[Color]\r\nFormColor=1\r\nEdit=2\r\n[Trackbar]\r\nmax=3\r\n", "Color",
       "Edit", 16777215, "[Color]\r\nFormColor=1\r\nEdit=16777215\r\n[Trackbar]\r\nmax=3\r\n"},
      {"ReplaceKeepsKeySpellingAndBlanks", "[COLOR]\r\n  formcolor =  7  \r\nEdit=2\r\n", "Color",
       "FormColor", -16777200, "[COLOR]\r\n  formcolor =  -16777200  \r\nEdit=2\r\n"},
      {"ReplaceEmptyValue", "[var]\r\nc=\r\n", "var", "c", 1, "[var]\r\nc=1\r\n"},
      {"ReplaceKeepsForeignLineEnds", "[Trackbar]\nmax=5\nmin=1", "Trackbar", "min", 0,
       "[Trackbar]\nmax=5\nmin=0"},
      {"NewKeyAfterLastKeyOfSection",
       "[Color]\r\nEdit=1\r\n\r\n; colours end here\r\n[Trackbar]\r\nmax=2\r\n", "Color",
       "FormColor", 3,
       "[Color]\r\nEdit=1\r\nFormColor=3\r\n\r\n; colours end here\r\n[Trackbar]\r\n"
       "max=2\r\n"},
      {"NewKeyInSectionWithoutKeys", "[var]\r\n\r\n[Color]\r\nEdit=1\r\n", "var", "c", 0,
       "[var]\r\nc=0\r\n\r\n[Color]\r\nEdit=1\r\n"},
      {"NewKeyAfterLastLineWithoutLineEnd", "[Calendar]\nx=1", "Calendar", "color", 8421376,
       "[Calendar]\nx=1\r\ncolor=8421376\r\n"},
      {"NewSectionAtEnd", "[Color]\r\nEdit=1\r\n", "Trackbar", "max", 200,
       "[Color]\r\nEdit=1\r\n[Trackbar]\r\nmax=200\r\n"},
      {"NewSectionAfterLastLineWithoutLineEnd", "[Other]\r\nname=value", "Trackbar", "min", 0,
       "[Other]\r\nname=value\r\n[Trackbar]\r\nmin=0\r\n"},
      {"NewFile", std::nullopt, "var", "c", 1, "[var]\r\nc=1\r\n"},
      {"EmptyFile", "", "Calendar", "color", 100, "[Calendar]\r\ncolor=100\r\n"},
      {"KeyAboveFirstSectionBelongsToNone", "max=1\r\n[Trackbar]\r\n", "Trackbar", "max", 2,
       "max=1\r\n[Trackbar]\r\nmax=2\r\n"},
      {"KeyOfOtherSectionLeftAlone", "[Other]\r\nmax=1\r\n", "Trackbar", "max", 2,
       "[Other]\r\nmax=1\r\n[Trackbar]\r\nmax=2\r\n"},
      {"CommentedKeyIsNoKey", "[Trackbar]\r\n;max=1\r\n", "Trackbar", "max", 2,
       "[Trackbar]\r\nmax=2\r\n;max=1\r\n"},
      {"ExistingKeyInRepeatedSection", "[Color]\r\nEdit=1\r\n[Other]\r\n[color]\r\nFormColor=2\r\n",
       "Color", "FormColor", 5, "[Color]\r\nEdit=1\r\n[Other]\r\n[color]\r\nFormColor=5\r\n"},
      {"NewKeyGoesToFirstOfRepeatedSections", "[Trackbar]\r\nmax=1\r\n[Other]\r\n[TRACKBAR]\r\n",
       "Trackbar", "min", 0, "[Trackbar]\r\nmax=1\r\nmin=0\r\n[Other]\r\n[TRACKBAR]\r\n"},
      {"FirstOfRepeatedKeys", "[Trackbar]\r\nmax=1\r\nMAX=2\r\n", "Trackbar", "max", 9,
       "[Trackbar]\r\nmax=9\r\nMAX=2\r\n"},
      {"HeaderWithBlanksAndTrailingText", " [ Color ] ; main\r\nEdit=1\r\n", "Color", "Edit", 2,
       " [ Color ] ; main\r\nEdit=2\r\n"},
      {"ByteOrderMarkKept", "\xEF\xBB\xBF[Color]\r\nEdit=1\r\n", "Color", "Edit", 2,
       "\xEF\xBB\xBF[Color]\r\nEdit=2\r\n"},
      {"UnknownLinesKeptByteForByte", kForeignLines, "Color", "Edit", -1,
       kForeignLines + "[Color]\r\nEdit=-1\r\n"}};
  ForEachCase(kCases, [](const WriteCase& c) {
    TempDir dir;
    std::string path = dir.File("Tallymate.ini");
    if (c.before) WriteBytes(path, *c.before);
    SettingsStore store(path);
    store.WriteInteger(c.section, c.key, c.value);
    EXPECT_EQ(store.ReadInteger(c.section, c.key, c.value ^ 1), c.value);
    EXPECT_EQ(ReadBytes(path), c.after);
    // Nothing else is left in the directory.
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"Tallymate.ini"});
  });
}

// ---- reading ----------------------------------------------------------------------------

struct ReadCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  int32_t expected;  // the default is 100
};

// Reads the case's key from its text, with 100 as the default.
void ExpectRead(const ReadCase& c) {
  TempDir dir;
  std::string path = dir.File("Tallymate.ini");
  WriteBytes(path, c.text);
  EXPECT_EQ(SettingsStore(path).ReadInteger(c.section, c.key, 100), c.expected);
}

ReadCase Max(const char* name, const char* value, int32_t expected) {
  return {name, std::string("[Trackbar]\r\nmax=") + value + "\r\n", "Trackbar", "max", expected};
}

TEST(ReadTest, NamesGiveValueOrDefault) {
  const ReadCase kCases[] = {
      {"CapitalSectionLowerKey", "[COLOR]\r\nformcolor=255\r\n", "Color", "Formcolor", 255},
      {"WrittenSpellingReadSpelling", "[Color]\r\nFormColor=255\r\n", "Color", "Formcolor", 255},
      {"BlanksAroundKeyAndValue", "[Trackbar]\r\n \t max \t= \t 42 \t\r\n", "Trackbar", "max", 42},
      {"LfLineEnds", "[Trackbar]\nmin=1\nmax=2\n", "Trackbar", "max", 2},
      {"NoFinalLineEnd", "[Trackbar]\r\nmax=2", "Trackbar", "max", 2},
      {"MissingKey", "[Trackbar]\r\nmax=7\r\n", "Trackbar", "min", 100},
      {"MissingSection", "[Color]\r\nmax=7\r\n", "Trackbar", "max", 100},
      {"KeyAboveFirstSection", "max=7\r\n[Trackbar]\r\n", "Trackbar", "max", 100},
      {"SectionNameIsWhole", "[Trackbar2]\r\nmax=7\r\n", "Trackbar", "max", 100},
      {"CommentedKey", "[Trackbar]\r\n;max=7\r\n", "Trackbar", "max", 100},
      {"FirstOfRepeatedKeys", "[Trackbar]\r\nmax=1\r\n[Trackbar]\r\nmax=2\r\n", "Trackbar", "max",
       1},
      {"ByteOrderMark", "\xEF\xBB\xBF[Trackbar]\r\nmax=3\r\n", "Trackbar", "max", 3},
      {"EmptyFile", "", "Trackbar", "max", 100}};
  ForEachCase(kCases, ExpectRead);
}

TEST(ReadTest, ValuesGiveValueOrDefault) {
  const ReadCase kCases[] = {Max("Letters", "abc", 100),
                             Max("Empty", "", 100),
                             Max("OnlyBlanks", "   ", 100),
                             Max("Negative", "-42", -42),
                             Max("Plus", "+7", 7),
                             Max("LeadingZeros", "007", 7),
                             Max("Lowest", "-2147483648", INT32_MIN),
                             Max("Highest", "2147483647", INT32_MAX),
                             Max("TooHigh", "2147483648", 100),
                             Max("Comma", "1,5", 100),
                             Max("Exponent", "1E3", 100),
                             Max("InnerBlank", "4 2", 100),
                             Max("Dollar", "$1F", 31),
                             Max("Hex", "0x1F", 31),
                             Max("HexCapitalX", "0X1f", 31),
                             Max("HexSystemColour", "0xFF000010", -16777200),
                             Max("HexAllOnes", "0xFFFFFFFF", -1),
                             Max("HexLeadingZeros", "0x000000001F", 31),
                             Max("HexNineDigits", "0x100000000", 100),
                             Max("HexPrefixAlone", "0x", 100),
                             Max("HexBadDigit", "0x1G", 100),
                             Max("HexSignAfterPrefix", "0x-1", 100),
                             Max("HexBlankAfterPrefix", "0x 1", 100),
                             Max("MinusBeforeHex", "-0x10", -16),
                             Max("Zero", "0", 0)};
  ForEachCase(kCases, ExpectRead);
}

TEST_F(SettingsStoreTest, MissingFileGivesDefaults) {
  SettingsStore store(path_);
  EXPECT_EQ(store.ReadInteger("Color", "Formcolor", 100), 100);
  EXPECT_EQ(store.ReadInteger("Color", "Formcolor", -5), -5);
  EXPECT_EQ(SettingsStore(dir_.File("no/such/dir/Tallymate.ini")).ReadInteger("a", "b", 7), 7);
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(SettingsStoreTest, EachReadSeesTheFileAsItIsNow) {
  SettingsStore store(path_);  // opened before the file exists
  EXPECT_EQ(store.ReadInteger("Trackbar", "max", 100), 100);
  WriteBytes(path_, "[Trackbar]\r\nmax=5\r\n");
  EXPECT_EQ(store.ReadInteger("Trackbar", "max", 100), 5);
  WriteBytes(path_, "[Trackbar]\r\nmax=6\r\n");
  EXPECT_EQ(store.ReadInteger("Trackbar", "max", 100), 6);
  // A write starts from what is on disk too, not from what the store saw before.
  WriteBytes(path_, "[Other]\r\nx=1\r\n");
  store.WriteInteger("Trackbar", "min", 0);
  EXPECT_EQ(ReadBytes(path_), "[Other]\r\nx=1\r\n[Trackbar]\r\nmin=0\r\n");
}

// ---- failing writes ---------------------------------------------------------------------

TEST_F(SettingsStoreTest, DirectoryAtFilePathFailsWithItsFullPath) {
  ASSERT_TRUE(std::filesystem::create_directory(path_));
  SettingsStore store(path_);
  try {
    store.WriteInteger("Color", "FormColor", 1);
    FAIL() << "write succeeded";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(e.message(), "Unable to write to " + path_);
  }
  EXPECT_THROW(store.WriteInteger("var", "c", 1), SettingsWriteError);
  EXPECT_EQ(store.ReadInteger("Color", "FormColor", 100), 100);
  EXPECT_TRUE(std::filesystem::is_directory(path_));
  EXPECT_EQ(Entries(dir_.path()), std::vector<std::string>{"Tallymate.ini"});
}

TEST_F(SettingsStoreTest, MissingDirectoryFails) {
  SettingsStore store(dir_.File("gone/Tallymate.ini"));
  EXPECT_THROW(store.WriteInteger("Color", "Edit", 1), SettingsWriteError);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("gone")));
}

TEST_F(SettingsStoreTest, ReadOnlyFileFailsAndStaysAsItWas) {
  // The owner's write bit counts even for a user whom permissions do not stop.
  const std::string text = "[Color]\r\nEdit=1\r\n";
  WriteBytes(path_, text);
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  SettingsStore store(path_);
  EXPECT_THROW(store.WriteInteger("Color", "Edit", 2), SettingsWriteError);
  EXPECT_THROW(store.WriteInteger("Color", "FormColor", 2), SettingsWriteError);
  EXPECT_EQ(ReadBytes(path_), text);
  EXPECT_EQ(ModeOf(path_) & 07777, 0444u);
  EXPECT_EQ(store.ReadInteger("Color", "Edit", 100), 1);
  EXPECT_EQ(Entries(dir_.path()), std::vector<std::string>{"Tallymate.ini"});
}

TEST_F(SettingsStoreTest, UnwritableDirectoryFails) {
  AsUnprivilegedUser(dir_.path(), [this] {
    const std::string text = "[Color]\r\nEdit=1\r\n";
    WriteBytes(path_, text);
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
    EXPECT_THROW(SettingsStore(path_).WriteInteger("Color", "Edit", 2), SettingsWriteError);
    EXPECT_EQ(ReadBytes(path_), text);
    std::string missing = dir_.File("Other.ini");
    EXPECT_THROW(SettingsStore(missing).WriteInteger("Color", "Edit", 2), SettingsWriteError);
    EXPECT_FALSE(std::filesystem::exists(missing));
  });
}

TEST_F(SettingsStoreTest, UnreadableFileFailsRatherThanLosingItsLines) {
  AsUnprivilegedUser(dir_.path(), [this] {
    WriteBytes(path_, "[Other]\r\nkeep=me\r\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0200), 0);
    EXPECT_THROW(SettingsStore(path_).WriteInteger("Color", "Edit", 2), SettingsWriteError);
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    EXPECT_EQ(ReadBytes(path_), "[Other]\r\nkeep=me\r\n");
  });
}

// ---- file system details ----------------------------------------------------------------

TEST_F(SettingsStoreTest, ReplacedFileKeepsItsPermissionBits) {
  for (mode_t mode : {0600u, 0640u, 0664u}) {
    WriteBytes(path_, "[Color]\r\nEdit=1\r\n");
    ASSERT_EQ(::chmod(path_.c_str(), mode), 0);
    SettingsStore(path_).WriteInteger("Color", "Edit", 2);
    EXPECT_EQ(ModeOf(path_) & 07777, mode);
  }
}

TEST_F(SettingsStoreTest, NewFileTakesTheUmask) {
  mode_t old_mask = ::umask(027);
  SettingsStore(path_).WriteInteger("Color", "Edit", 2);
  ::umask(old_mask);
  EXPECT_EQ(ModeOf(path_) & 07777, 0640u);
}

TEST_F(SettingsStoreTest, WriteThroughSymbolicLinkKeepsTheLink) {
  std::string real = dir_.File("real.ini");
  WriteBytes(real, "[Color]\r\nEdit=1\r\n");
  std::filesystem::create_symlink("real.ini", path_);
  SettingsStore(path_).WriteInteger("Color", "Edit", 2);
  EXPECT_TRUE(S_ISLNK(ModeOf(path_)));
  EXPECT_EQ(ReadBytes(real), "[Color]\r\nEdit=2\r\n");
}

// Temporary files of interrupted writes go, this version's and the previous one's (which named
// its writer); files that only look alike stay. (Which writes leave them: writers_test.cpp.)
TEST_F(SettingsStoreTest, WriteRemovesTemporaryFilesOfInterruptedWrites) {
  for (const char* name : {"Tallymate.ini.tmpAb3xYz", "Tallymate.ini.tmpQQQQQQ",
                           "Tallymate.ini.tmp.0a1b2c3d.4242.987654.Ab3xYz", "Tallymate.ini.tmp",
                           "Tallymate.ini.tmpAb3xYz7", "Tallymate.ini.tmp.0a1b2c3d.4242.Ab3xYz",
                           "Tallymate.ini.bak", "Other.ini.tmpAb3xYz"})
    WriteBytes(dir_.File(name), "");
  SettingsStore(path_).WriteInteger("var", "c", 0);
  EXPECT_EQ(Entries(dir_.path()),
            (std::vector<std::string>{"Other.ini.tmpAb3xYz", "Tallymate.ini", "Tallymate.ini.bak",
                                      "Tallymate.ini.tmp", "Tallymate.ini.tmp.0a1b2c3d.4242.Ab3xYz",
                                      "Tallymate.ini.tmpAb3xYz7"}));
}

TEST(SettingsStoreDefaultPath, IsBesideTheRealExecutableWhateverTheWorkingDirectory) {
  char* exe = ::realpath("/proc/self/exe", nullptr);
  ASSERT_NE(exe, nullptr);
  std::string expected = std::filesystem::path(exe).parent_path().string() + "/Tallymate.ini";
  std::free(exe);
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(SettingsStore::DefaultPath(), expected);
  ASSERT_EQ(::chdir("/"), 0);
  EXPECT_EQ(SettingsStore::DefaultPath(), expected);
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(SettingsStore(SettingsStore::DefaultPath()).Path(), expected);
}

// Where a run keeps its settings: beside the executable where its folder may be written, else the
// user's own file, seeded by the one beside the executable. As "nobody" where the suite runs as
// root, whom permission bits would not stop.
TEST(SettingsStoreChoose, BesideTheProgramWhereItsFolderIsWritableElseTheUsersOwn) {
  TempDir dir;
  AsUnprivilegedUser(dir.path(), [&dir] {
    ASSERT_EQ(::mkdir(dir.File("portable").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.File("system").c_str(), 0700), 0);
    const std::string portable = dir.File("portable/Tallymate.ini");
    const std::string system = dir.File("system/Tallymate.ini");
    WriteBytes(system, "[Color]\r\nEdit=1\r\n");  // writable, in a folder that is not
    ASSERT_EQ(::chmod(dir.File("system").c_str(), 0555), 0);
    const std::string own = "/home/u/.config/tallymate/Tallymate.ini";
    struct Case {
      std::string beside;
      const char* config_home;
      const char* home;
      SettingsLocation expected;
    } cases[] = {
        {portable, "/cfg", "/home/u", {portable}},
        {system, nullptr, "/home/u", {own, system, true}},
        {system, "/cfg", "/home/u", {"/cfg/tallymate/Tallymate.ini", system, true}},
        {system, "cfg", "/home/u", {own, system, true}},
        {system, "", "/home/u", {own, system, true}},
        {"", nullptr, "/home/u", {own, "", true}},
        {system, nullptr, nullptr, {system}},
        {system, nullptr, "home/u", {system}},
    };
    ForEachCase(cases, [](const Case& c) {
      SCOPED_TRACE(c.beside + " XDG_CONFIG_HOME=" + (c.config_home ? c.config_home : "unset") +
                   " HOME=" + (c.home ? c.home : "unset"));
      const SettingsLocation got = SettingsStore::Choose(c.beside, c.config_home, c.home);
      EXPECT_EQ(got.file, c.expected.file);
      EXPECT_EQ(got.seed, c.expected.seed);
      EXPECT_EQ(got.make_folder, c.expected.make_folder);
    });
  });
}

// The administrator's file starts every user who has no file of their own yet and is never
// written; a user's first write makes their folder for them alone.
TEST_F(SettingsStoreTest, SeedStartsEachNewUserAndIsNeverWritten) {
  const std::string seed_text = "[Color]\r\nEdit=255\r\n[var]\r\nc=0\r\n";
  WriteBytes(path_, seed_text);
  const SettingsLocation first{dir_.File("a/config/tallymate/Tallymate.ini"), path_, true};
  const SettingsLocation second{dir_.File("b/config/tallymate/Tallymate.ini"), path_, true};
  const mode_t old_mask = ::umask(0);

  EXPECT_EQ(SettingsStore(first).ReadInteger("Color", "Edit", 100), 255);
  SettingsStore(first).WriteInteger("Trackbar", "min", 5);
  EXPECT_EQ(ReadBytes(first.file), seed_text + "[Trackbar]\r\nmin=5\r\n");
  EXPECT_EQ(ModeOf(dir_.File("a/config")) & 07777, 0700u);
  EXPECT_EQ(ModeOf(dir_.File("a/config/tallymate")) & 07777, 0700u);
  ::umask(old_mask);

  // From now on the user's own file alone counts.
  WriteBytes(path_, "[Color]\r\nEdit=7\r\n");
  EXPECT_EQ(SettingsStore(first).ReadInteger("Color", "Edit", 100), 255);
  EXPECT_EQ(SettingsStore(second).ReadInteger("Color", "Edit", 100), 7);
  SettingsStore(second).WriteInteger("Color", "Edit", 9);
  EXPECT_EQ(ReadBytes(second.file), "[Color]\r\nEdit=9\r\n");
  EXPECT_EQ(ReadBytes(path_), "[Color]\r\nEdit=7\r\n");
  EXPECT_EQ(SettingsStore(first).ReadInteger("Trackbar", "min", 100), 5);
}

// Help and the licence: the working folder first, then beside the program, then the install's
// data folder; the name alone where none holds it.
TEST(FindDocument, TakesTheFirstFolderThatHoldsTheFile) {
  TempDir dir;
  for (const char* folder : {"cwd", "program", "data"})
    ASSERT_EQ(::mkdir(dir.File(folder).c_str(), 0700), 0);
  const std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(dir.File("cwd").c_str()), 0);
  const std::string program = dir.File("program"), data = dir.File("data");
  auto find = [&] { return FindDocument("help.txt", {"", program, data}); };
  EXPECT_EQ(find(), "help.txt");
  ASSERT_EQ(::mkdir(dir.File("data/help.txt").c_str(), 0700), 0);  // a folder is no document
  EXPECT_EQ(find(), "help.txt");
  WriteBytes(dir.File("program/help.txt"), "x");
  EXPECT_EQ(find(), program + "/help.txt");
  WriteBytes("help.txt", "x");
  EXPECT_EQ(find(), "help.txt");
  ::unlink("help.txt");
  ::unlink(dir.File("program/help.txt").c_str());
  ::rmdir(dir.File("data/help.txt").c_str());
  WriteBytes(dir.File("data/help.txt"), "x");
  EXPECT_EQ(find(), data + "/help.txt");
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
}

// A program started through a path longer than the system can give back has no folder of its
// own: it reads no settings file and writes none, whatever lies in the working folder.
TEST(SettingsStoreDefaultPath, NoneWhenTheExecutablesPathIsTooLongToBeKnown) {
  if (std::getenv("TALLYMATE_PRINT_DEFAULT_PATH") != nullptr) {
    std::printf("\nDefaultPath=[%s]\n", SettingsStore::DefaultPath().c_str());
    std::fflush(stdout);
    std::_Exit(0);
  }
  TempDir dir;
  const std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  // 24 folders of 200 letters: almost 5,000 bytes below the temporary folder.
  const std::string name(200, 'd');
  int depth = 0;
  for (; depth < 24; ++depth) {
    ASSERT_EQ(::mkdir(name.c_str(), 0700), 0);
    ASSERT_EQ(::chdir(name.c_str()), 0);
  }
  std::filesystem::copy_file("/proc/self/exe", "program");
  WriteBytes("Tallymate.ini", "[Color]\r\nEdit=255\r\n");

  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::setenv("TALLYMATE_PRINT_DEFAULT_PATH", "1", 1);
    // Started from a working folder the test library can name, through the deep copy.
    const int program = ::open("program", O_RDONLY);
    if (program < 0 || ::chdir("/") != 0) std::_Exit(126);
    char filter[] =
        "--gtest_filter=SettingsStoreDefaultPath.NoneWhenTheExecutablesPathIsTooLongToBeKnown";
    char program_name[] = "program";
    char* argv[] = {program_name, filter, nullptr};
    ::fexecve(program, argv, environ);
    std::_Exit(127);
  }
  ::close(out[1]);
  std::string printed;
  char buffer[256];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
    printed.append(buffer, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  // The child prints the test library's lines, then the path it found.
  const size_t at = printed.find("DefaultPath=[");
  ASSERT_NE(at, std::string::npos) << printed;
  EXPECT_EQ(printed.substr(at, printed.find(']', at) + 1 - at), "DefaultPath=[]");

  // No file: defaults, and a write fails without touching the file in the working folder.
  EXPECT_EQ(SettingsStore(std::string()).ReadInteger("Color", "Edit", 100), 100);
  try {
    SettingsStore(std::string()).WriteInteger("Color", "Edit", 1);
    ADD_FAILURE() << "the write did not fail";
  } catch (const SettingsWriteError& e) {
    EXPECT_STREQ(e.what(), "Unable to write to Tallymate.ini");
  }
  EXPECT_EQ(ReadBytes("Tallymate.ini"), "[Color]\r\nEdit=255\r\n");

  // Folders this deep are taken apart from the inside, one level at a time.
  ::unlink("program");
  ::unlink("Tallymate.ini");
  for (; depth > 0; --depth) {
    ASSERT_EQ(::chdir(".."), 0);
    ASSERT_EQ(::rmdir(name.c_str()), 0);
  }
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
}

}  // namespace
