// Scanners and validity tests of the number-text module.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <random>
#include <string>

#include "math1_text_data.h"
#include "zel_math1.h"

using namespace zel;

// The accepted prefix and end position from an independent transcription of
// the state table, the value from Python's float() (see the script), for
// documented, malformed, extreme and random texts.
TEST(Math1TextScan, MatchesReferenceTable) {
  const auto rows = test::ReadTable("math1_text_scan.tsv");
  ASSERT_GT(rows.size(), 3000u);
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 8u);
    const std::string text = test::Unescape(r[1]);
    int pos = std::stoi(r[4]);
    const std::string where = "[" + r[1] + "] exp " + r[2] + " mode " + r[3] + " from " + r[4];
    if (r[0] == "fp")
      EXPECT_EQ(FPNumToHex(ScanFPNum(text, r[2] == "1", std::stoi(r[3]), pos)), r[5]) << where;
    else
      EXPECT_EQ(ScanDecimal(text, pos), std::stoi(r[5])) << where;
    EXPECT_EQ(pos, std::stoi(r[6])) << where;
  }
}

TEST(Math1TextScan, PositionsFarOutsideAndViewEnds) {
  for (int start : {INT_MIN, -1, 0, 100, INT_MAX}) {
    int pos = start;
    EXPECT_EQ(ScanFPNum("12", true, dsPoint, pos) + ScanDecimal("12", pos) + ScanHex("12", pos), 0.0);
    EXPECT_EQ(pos, start);
    EXPECT_EQ(ScanDateTime("12", "hh", lanEnglish, pos), 0.0);
    EXPECT_EQ(pos, start);
  }
  // A view that ends inside a longer string is not read beyond its end.
  const std::string backing = "4711";
  int pos = 1;
  EXPECT_EQ(ScanFPNum(std::string_view(backing).substr(0, 2), true, dsPoint, pos), 47.0);
  EXPECT_EQ(pos, 3);
}

TEST(Math1TextScan, HexOctalBinary) {
  int pos = 1;
  EXPECT_EQ(ScanHex("  ff7Fz", pos), 0xFF7Fu);
  EXPECT_EQ(pos, 7);
  pos = 1;
  EXPECT_EQ(ScanHex("123456789", pos), 0x23456789u);  // only the lowest 32 bits
  EXPECT_EQ(pos, 10);
  pos = 2;
  EXPECT_EQ(ScanHex("  g1", pos), 0u);  // no digit: nothing consumed
  EXPECT_EQ(pos, 2);
  pos = 1;
  EXPECT_EQ(ScanOctal("0178", pos), 017u);
  EXPECT_EQ(pos, 4);
  pos = 1;
  EXPECT_EQ(ScanBin("-1", pos), 0u);
  EXPECT_EQ(pos, 1);
  std::mt19937 gen(11);
  for (int k = 0; k < 200; ++k) {
    const auto v = static_cast<std::uint32_t>(gen());
    const int iv = static_cast<int>(v);
    int p1 = 1, p2 = 1, p3 = 1;
    EXPECT_EQ(ScanHex(Hex(iv, 8), p1), v);
    EXPECT_EQ(ScanOctal(Octal(iv, 11), p2), v);
    EXPECT_EQ(ScanBin(Bin(iv, 32), p3), v);
  }
}

TEST(Math1TextScan, ValidityTests) {
  EXPECT_TRUE(IsValidDouble(" -1.5E3 ", true, dpsPoint));
  EXPECT_FALSE(IsValidDouble("-1.5E3", false, dpsPoint));
  EXPECT_TRUE(IsValidDouble("1,5", true, dpsComma));
  EXPECT_FALSE(IsValidDouble("1.5", true, dpsComma));
  EXPECT_FALSE(IsValidDouble("1E400", true, dpsPoint));
  EXPECT_TRUE(IsValidDouble("1E-400", true, dpsPoint));  // underflow to 0 is a value
  EXPECT_TRUE(IsValidDouble("1.7976931348623157E308", true, dpsPoint));
  for (const char* bad : {"", "  ", "1E", "1E+", ".", "-", "1.5x", "1 5", "--1", ".E5", "1..5"})
    EXPECT_FALSE(IsValidDouble(bad, true, dpsBoth)) << bad;
  EXPECT_TRUE(IsValidFPNum("1E400", dpsPoint));
  EXPECT_FALSE(IsValidFPNum("1E", dpsPoint));
  EXPECT_TRUE(IsValidHex(" fFfFfFfF "));
  EXPECT_TRUE(IsValidHex("0000000000FFFFFFFF"));
  EXPECT_FALSE(IsValidHex("1FFFFFFFF"));
  EXPECT_FALSE(IsValidHex("0x1F"));
  EXPECT_TRUE(IsValidOct("37777777777"));
  EXPECT_FALSE(IsValidOct("40000000000"));
  EXPECT_FALSE(IsValidOct("8"));
  EXPECT_TRUE(IsValidBin("00" + std::string(32, '1')));
  EXPECT_FALSE(IsValidBin("1" + std::string(32, '0')));
  EXPECT_TRUE(IsValidDecInt(" -2147483648 "));
  EXPECT_FALSE(IsValidDecInt("2147483648"));
  EXPECT_FALSE(IsValidDecInt("12ab"));
}

TEST(Math1TextScan, Degrees) {
  struct Case {
    const char* Text;
    bool Comma;
    double Value;
    int Format, End;
  };
  const Case cases[] = {
      {"12.5", false, 12.5, 0, 5},
      {" -12\xB0 30.5'x", false, -(12 + 30.5 / 60), 1, 12},
      {"1\xC2\xB0 2' 3,5\"", true, 1 + 2 / 60.0 + 3.5 / 3600, 2, 12},
      {"12\xB0 30", false, 12, 0, 4},       // minutes without "'" are not taken
      {"12\xB0 61'", false, 12, 0, 4},      // nor minutes above 60
      {"12.5\xB0 30'", false, 12.5, 0, 6},  // decimals end the angle
      {"3,5", false, 3, 0, 2},
      {"-\xB0", false, 0, -1, 1},
  };
  for (const Case& c : cases) {
    int pos = 1, fmt = 9;
    EXPECT_DOUBLE_EQ(ScanDegrees(c.Text, pos, c.Comma, fmt), c.Value) << c.Text;
    EXPECT_EQ(fmt, c.Format) << c.Text;
    EXPECT_EQ(pos, c.End) << c.Text;
  }
  // Every text DegreeToStr writes reads back to its rounded angle.
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> angle(-400, 400);
  for (int k = 0; k < 300; ++k) {
    const double x = angle(gen);
    for (TDegreeFormat f : {dfDeg, dfDegMin, dfDegMinSec}) {
      const std::string s = DegreeToStr(x, f, 3);
      int pos = 1, fmt = 9;
      const double back = ScanDegrees(s, pos, false, fmt);
      EXPECT_EQ(pos, static_cast<int>(s.size()) + 1) << s;
      EXPECT_EQ(fmt, static_cast<int>(f)) << s;
      EXPECT_NEAR(back, x, 5.0001e-4 / (f == dfDeg ? 1 : f == dfDegMin ? 60 : 3600)) << s;
    }
  }
}

TEST(Math1TextScan, DateTime) {
  struct Case {
    const char *Text, *Format;
    TLanguage Lang;
    double Serial;  // days since 1899-12-30 (Python's datetime.date difference)
  };
  const Case good[] = {
      {"30.12.1899", "dd.mm.yyyy", lanEnglish, 0},
      {"01.01.2000 18:00:00", "dd.mm.yyyy hh:nn:ss", lanEnglish, 36526.75},
      {"29-Dec-1899 06:00", "d-mmm-yyyy hh:nn", lanEnglish, -1.25},  // time subtracted before day 0
      {"1. M\xE4rz 2024", "d. mmmm yyyy", lanGerman, 45352},
      {"1.  m\xC3\xA4rz 2024", "D. MMMM YYYY", lanGerman, 45352},
      {"01 Mai 2000", "dd mmm yyyy", lanGerman, 36647},
      {"5/3/99", "m/d/yy", lanEnglish, 36283},
      {"12:30", "hh:nn", lanEnglish, 750.0 / 1440},
      {"00:00:00.5", "hh:nn:ss.z", lanEnglish, 5.0 / 86400000},
  };
  for (const Case& c : good) {
    int pos = 1;
    EXPECT_EQ(ScanDateTime(c.Text, c.Format, c.Lang, pos), c.Serial) << c.Text;
    EXPECT_EQ(pos, static_cast<int>(std::string(c.Text).size()) + 1) << c.Text;
  }
  const Case bad[] = {
      {"29.02.1900", "dd.mm.yyyy", lanEnglish, 0},
      {"1.1.2000", "dd.mm.yyyy", lanEnglish, 0},
      {"24:00", "hh:nn", lanEnglish, 0},
      {"01.2000", "mm.yyyy", lanEnglish, 0},
      {"01 Mai 2000", "dd mmm yyyy", lanEnglish, 0},
      {"x", "", lanEnglish, 0},
      {"12", "ddd", lanEnglish, 0},
      {"0000", "yyyy", lanEnglish, 0},
      {"01/01/2000", "dd.mm.yyyy", lanEnglish, 0},
      {"12 12", "hh hh", lanEnglish, 0},
  };
  for (const Case& c : bad) {
    int pos = 1;
    EXPECT_EQ(ScanDateTime(c.Text, c.Format, c.Lang, pos), 0.0) << c.Text << " / " << c.Format;
    EXPECT_EQ(pos, 1) << c.Text << " / " << c.Format;
  }
  // Day numbers of the whole range against the standard library's calendar.
  using namespace std::chrono;
  const sys_days day0 = year{1899} / December / 30;
  std::mt19937 gen(3);
  for (int k = 0; k < 500; ++k) {
    const int y = static_cast<int>(gen() % 9999) + 1, m = static_cast<int>(gen() % 12) + 1;
    const int d = static_cast<int>(gen() % 28) + 1;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT12:00", y, m, d);
    const auto days = (sys_days(year{y} / m / d) - day0).count();
    int pos = 1;
    EXPECT_EQ(ScanDateTime(text, "yyyy-mm-ddThh:nn", lanEnglish, pos), days < 0 ? days - 0.5 : days + 0.5) << text;
  }
}
