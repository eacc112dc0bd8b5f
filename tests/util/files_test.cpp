// OpenTempFile: the product folder below the common application-data folder
// (pointed at a scratch folder), the preferred name, the numbered series and
// the names it must never garble.
#include <crtio.h>
#include <gtest/gtest.h>
#include <matrix/util.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/file_testing.h"

namespace {

using namespace matrix::testing;

// The names in a folder ("" when it is missing).
std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// A test's application-data folder and its product folder.
struct AppData {
  explicit AppData(const std::string& below = "appdata")
      : root(scratch / below),
        product(root + "/ZELMAR"),
        env("MATRIX_COMMON_APPDATA", root) {}
  ScratchFolder scratch;
  std::string root, product;
  ScopedEnvironment env;
};

// Writes a line into the stream `file` holds and closes it.
void WriteAndClose(CIntFileA& file, const char* text) {
  ASSERT_TRUE(file.IsOpen());
  std::fputs(text, file.m_pStream);
  file.Close();
}

TEST(OpenTempFile, NumbersTheSeriesWhileEarlierFilesAreHeld) {
  AppData app;
  std::vector<std::unique_ptr<CIntFileA>> held;
  for (int i = 0; i < 10; ++i) {
    held.push_back(std::make_unique<CIntFileA>());
    ASSERT_EQ(OpenTempFile(*held.back(), L"", L"log.txt"), 1) << i;
    ASSERT_TRUE(held.back()->IsOpen());
    EXPECT_EQ(Names(app.product).size(), static_cast<std::size_t>(i + 1));
    EXPECT_EQ(Names(app.product).count("log" + std::to_string(i) + ".txt"), 1u);
  }
  // All ten held: the eleventh fails and leaves no stream.
  CIntFileA extra;
  EXPECT_EQ(OpenTempFile(extra, L"", L"log.txt"), 0);
  EXPECT_FALSE(extra.IsOpen());
  // One let go: its number is the next one given.
  held[3]->Close();
  ASSERT_EQ(OpenTempFile(extra, L"", L"log.txt"), 1);
  WriteAndClose(extra, "again");
  EXPECT_EQ(ReadFile(app.product + "/log3.txt"), "again");
}

TEST(OpenTempFile, NamesFromPatterns) {
  struct Row {
    const wchar_t* pattern;
    std::vector<std::string> first_two;
  } rows[] = {
      {L"log.txt", {"log0.txt", "log1.txt"}},
      {L"data%i.csv", {"data0.csv", "data1.csv"}},
      {L"a.b.c", {"a0.b0.c", "a1.b1.c"}},  // every '.' gets the number
      {L"%i", {"0", "1"}},
      {L".hidden", {"0.hidden", "1.hidden"}},
  };
  for (const Row& row : rows) {
    AppData app;
    CIntFileA first, second;
    ASSERT_EQ(OpenTempFile(first, L"", row.pattern), 1);
    ASSERT_EQ(OpenTempFile(second, L"", row.pattern), 1);
    EXPECT_EQ(Names(app.product),
              std::set<std::string>(row.first_two.begin(), row.first_two.end()))
        << testing::PrintToString(std::wstring(row.pattern));
  }
}

TEST(OpenTempFile, PatternWithoutDotOrNumberTriesOneNameOnly) {
  AppData app;
  CIntFileA first, second;
  ASSERT_EQ(OpenTempFile(first, L"", L"plain"), 1);
  EXPECT_EQ(OpenTempFile(second, L"", L"plain"), 0);
  EXPECT_EQ(Names(app.product), std::set<std::string>{"plain"});
}

TEST(OpenTempFile, PercentSignsInThePatternAreText) {
  // The pattern is no printf format: "%s" or "%n" in it must neither read
  // nor write through garbage.
  struct Row {
    const wchar_t* pattern;
    std::string name;
  } rows[] = {
      {L"rate%s.csv", "rate%s0.csv"},
      {L"a%n%d.txt", "a%n%d0.txt"},
      {L"100%.txt", "100%0.txt"},
      {L"%i_%i.csv", "0_0.csv"},  // every "%i" gets the number
      {L"x%i%s", "x0%s"},
      {L"end%", "end%"},
  };
  for (const Row& row : rows) {
    AppData app;
    CIntFileA file;
    ASSERT_EQ(OpenTempFile(file, L"", row.pattern), 1);
    EXPECT_EQ(Names(app.product), std::set<std::string>{row.name})
        << testing::PrintToString(std::wstring(row.pattern));
  }
}

TEST(OpenTempFile, DotsAndPercentSignsInTheFolderStayAsTheyAre) {
  // The dot rule and the number act on the file name alone: a '.' in the
  // folder must not turn it into another folder.
  AppData app("srv/app.v2%s%i");
  CIntFileA first, second;
  ASSERT_EQ(OpenTempFile(first, L"", L"log.txt"), 1);
  ASSERT_EQ(OpenTempFile(second, L"", L"log.txt"), 1);
  EXPECT_EQ(app.product, app.scratch / "srv/app.v2%s%i/ZELMAR");
  EXPECT_EQ(Names(app.product),
            (std::set<std::string>{"log0.txt", "log1.txt"}));
  EXPECT_EQ(Names(app.scratch / "srv"), std::set<std::string>{"app.v2%s%i"});
}

TEST(OpenTempFile, PreferredNameIsUsedAsGivenAfterTheFolderIsMade) {
  AppData app;
  const std::string preferred = app.scratch / "elsewhere.txt";
  CIntFileA file;
  ASSERT_EQ(OpenTempFile(file, Wide(preferred).c_str(), L"log.txt"), 1);
  WriteAndClose(file, "preferred");
  EXPECT_EQ(ReadFile(preferred), "preferred");
  EXPECT_TRUE(std::filesystem::is_directory(app.product));
  EXPECT_TRUE(Names(app.product).empty());  // no numbered file touched
}

TEST(OpenTempFile, UnopenablePreferredNameFallsBackToTheSeries) {
  AppData app;
  CIntFileA holder, file;
  const std::string preferred = app.scratch / "held.txt";
  ASSERT_TRUE(holder.Open(Wide(preferred).c_str(), L"w"));
  std::fputs("kept", holder.m_pStream);
  std::fflush(holder.m_pStream);
  ASSERT_EQ(OpenTempFile(file, Wide(preferred).c_str(), L"log.txt"), 1);
  EXPECT_EQ(Names(app.product), std::set<std::string>{"log0.txt"});
  EXPECT_EQ(ReadFile(preferred), "kept");
  ASSERT_EQ(
      OpenTempFile(file, Wide(app.scratch / "no/such/x").c_str(), L"log.txt"),
      1);
  EXPECT_EQ(Names(app.product).size(), 1u);  // log0 given up, then reopened
}

TEST(OpenTempFile, HeldFileKeepsItsContent) {
  // An open refused because another writer holds the file leaves its
  // content alone (a "w" open would empty it before failing).
  AppData app;
  CIntFileA first, second;
  ASSERT_EQ(OpenTempFile(first, L"", L"log.txt"), 1);
  std::fputs("first writer", first.m_pStream);
  std::fflush(first.m_pStream);
  ASSERT_EQ(OpenTempFile(second, L"", L"log.txt"), 1);
  EXPECT_EQ(ReadFile(app.product + "/log0.txt"), "first writer");
}

TEST(OpenTempFile, FifoInTheSeriesDoesNotBlock) {
  // A FIFO without a reader is passed over at once, never waited on.
  AppData app;
  CIntFileA file;
  ASSERT_EQ(OpenTempFile(file, L"", L"x"), 1);  // creates the folders
  file.Close();
  ASSERT_EQ(mkfifo((app.product + "/log0.txt").c_str(), 0666), 0);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(OpenTempFile(file, L"", L"log.txt"), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(Names(app.product),
            (std::set<std::string>{"log0.txt", "log1.txt", "x"}));
}

TEST(OpenTempFile, OpeningReplacesTheStreamTheFileObjectHeld) {
  AppData app;
  CIntFileA file;
  ASSERT_TRUE(file.Open(Wide(app.scratch / "old").c_str(), L"w"));
  ASSERT_EQ(OpenTempFile(file, L"", L"log.txt"), 1);
  // The old file was let go: another writer may have it.
  CIntFileA other;
  EXPECT_TRUE(other.Open(Wide(app.scratch / "old").c_str(), L"w"));
  // An existing numbered file that nobody holds is emptied.
  file.Close();
  WriteFile(app.product + "/log0.txt", "stale");
  ASSERT_EQ(OpenTempFile(file, L"", L"log.txt"), 1);
  file.Close();
  EXPECT_EQ(ReadFile(app.product + "/log0.txt"), "");
}

TEST(OpenTempFile, FailsWhenTheFolderCannotBeHad) {
  ScratchFolder scratch;
  WriteFile(scratch / "file", "x");
  CIntFileA file;
  {
    // The application-data folder cannot be created below a file.
    ScopedEnvironment env("MATRIX_COMMON_APPDATA", scratch / "file/appdata");
    EXPECT_EQ(OpenTempFile(file, Wide(scratch / "preferred").c_str(), L"a.b"),
              0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(scratch / "preferred"));
  }
  {
    // A relative override is refused.
    ScopedEnvironment env("MATRIX_COMMON_APPDATA", "relative");
    EXPECT_EQ(OpenTempFile(file, L"", L"a.b"), 0);
  }
  {
    // A file named ZELMAR "already exists"; the names in it then fail.
    ScopedEnvironment env("MATRIX_COMMON_APPDATA", scratch.path());
    WriteFile(scratch / "ZELMAR", "not a folder");
    EXPECT_EQ(OpenTempFile(file, L"", L"a.b"), 0);
    EXPECT_EQ(ReadFile(scratch / "ZELMAR"), "not a folder");
  }
}

}  // namespace
