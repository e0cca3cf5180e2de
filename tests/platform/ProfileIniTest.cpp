#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>

#include "ProfileIni.h"

namespace {

using lumivar::parseDecimal;
using lumivar::profileInt;
using lumivar::profileString;

// BOM, CRLF line ends, blanks around names and values, names in mixed case.
const char kProfile[] =
    "\xEF\xBB\xBF[Config]\r\n"
    "  DataPort = 2368 \r\n"
    "Name=Hello World\r\n"
    "Mixed=12abc\r\n"
    "Word=abc\r\n"
    "Neg=-25\r\n"
    "Angle = 6.37\r\n"
    "Empty=\r\n"
    "; DataPort=1\r\n"
    "[ Other ]\r\n"
    "DataPort=1\r\n";

class ProfileFile : public ::testing::Test {
protected:
  void SetUp() override {
    path = "profile_" + std::to_string(::getpid()) + ".ini";
    std::ofstream(path, std::ios::binary) << kProfile;
  }
  void TearDown() override { std::remove(path.c_str()); }
  std::string path;
};

TEST_F(ProfileFile, IntegersReadLikeTheWindowsCall) {
  const struct {
    const char* section;
    const char* key;
    int expected;
  } cases[] = {
      {"Config", "DataPort", 2368},   // first line after the BOM, blanks trimmed
      {"config", "DATAPORT", 2368},   // names compare without case
      {"Config", "Mixed", 12},        // leading digits only
      {"Config", "Word", 0},          // present but no digits
      {"Config", "Neg", -25},
      {"Config", "Empty", 0},
      {"Other", "DataPort", 1},       // blanks inside the brackets
      {"Config", "Missing", 77},      // missing key
      {"Absent", "DataPort", 77},     // missing section
  };
  for (const auto& c : cases)
    EXPECT_EQ(profileInt(c.section, c.key, 77, path), c.expected) << c.section << "/" << c.key;
  EXPECT_EQ(profileInt("Config", "DataPort", 77, "no_such_dir/config.ini"), 77);
}

TEST_F(ProfileFile, StringsAreTrimmedAndCut) {
  const struct {
    const char* key;
    const char* fallback;
    std::size_t maxChars;
    std::string expected;
  } cases[] = {
      {"Name", "x", 64, "Hello World"},  // no CR left at the end
      {"Name", "x", 5, "Hello"},
      {"Empty", "x", 64, ""},
      {"Missing", "fallback", 64, "fallback"},
      {"Missing", "fallback", 4, "fall"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(profileString("Config", c.key, c.fallback, c.maxChars, path), c.expected) << c.key;
}

// A decimal comma, as a German or French locale would give.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST_F(ProfileFile, DecimalsDoNotDependOnTheProcessLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  {
    // The comma locale is really in force for ordinary streams.
    std::istringstream plain("6.37");
    double d = 0;
    plain >> d;
    ASSERT_EQ(d, 6.0);
  }
  const struct {
    std::string text;
    double expected;
  } cases[] = {
      {"6.37", 6.37}, {" -25.0 ", -25.0}, {"1e3", 1000.0}, {"abc", 0.0}, {"", 0.0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(parseDecimal(c.text), c.expected) << c.text;
  EXPECT_DOUBLE_EQ(parseDecimal(profileString("Config", "Angle", "0", 32, path)), 6.37);
  std::locale::global(previous);
}

}  // namespace
