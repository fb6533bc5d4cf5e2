// Digit strings, Roman numerals, bit patterns and bit helpers.
#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "math1_text_data.h"
#include "zel_math1.h"
#include "zel_strutils.h"

using namespace zel;

namespace {

// A value of the hex table (hexadecimal significand "p" binary exponent, or
// inf/-inf), read exactly.
template <class T>
std::string HexOfValue(const std::string& S) {
  T v = S == "inf" ? std::numeric_limits<T>::infinity() : -std::numeric_limits<T>::infinity();
  if (S != "inf" && S != "-inf") std::from_chars(S.data(), S.data() + S.size(), v, std::chars_format::hex);
  return FPNumToHex(v);
}

}  // namespace

TEST(Math1TextDigits, FixedWidthIntegers) {
  EXPECT_EQ(Decimal(-1234, 2), "-34");
  EXPECT_EQ(Decimal(7, 0), "7");
  EXPECT_EQ(Decimal(INT_MIN, 12), "-002147483648");
  EXPECT_EQ(Decimal(5, 300).size(), 255u);
  EXPECT_EQ(Hex(255, 4), "00FF");
  EXPECT_EQ(Hex(0xABC, 0), "C");
  EXPECT_EQ(Hex(-1, 12), "FFFFFFFF");
  EXPECT_EQ(Octal(-1, 20), "37777777777");
  EXPECT_EQ(Bin(5, 0), "1");
  EXPECT_EQ(Bin(INT_MIN, 40), "1" + std::string(31, '0'));
  EXPECT_EQ(StrToIntDefault(" -17 ", 0), -17);
  for (const char* bad : {"12ab", "", "2147483648", "1e3", "0x10"}) EXPECT_EQ(StrToIntDefault(bad, 9), 9) << bad;
}

TEST(Math1TextDigits, RomanNumerals) {
  EXPECT_EQ(Roman(1994), "MCMXCIV");
  EXPECT_EQ(Roman(3999), "MMMCMXCIX");
  EXPECT_EQ(Roman(4000), "MMMM");
  EXPECT_EQ(Roman(29999), std::string(29, 'M') + "CMXCIX");
  EXPECT_EQ(Roman(0), "");
  EXPECT_EQ(Roman(-5), "");
  EXPECT_EQ(Roman(30000), "");
  // The letters add up to the number (a letter before a larger one subtracts).
  auto value = [](const std::string& r) {
    const std::string letters = "IVXLCDM";
    const int worth[] = {1, 5, 10, 50, 100, 500, 1000};
    auto v = [&](char c) { return worth[letters.find(c)]; };
    int sum = 0;
    for (std::size_t i = 0; i < r.size(); ++i) sum += (i + 1 < r.size() && v(r[i]) < v(r[i + 1])) ? -v(r[i]) : v(r[i]);
    return sum;
  };
  for (int n = 1; n < 30000; n += 7) EXPECT_EQ(value(Roman(n)), n) << n;
}

// Bit patterns against Python's struct module and 80-bit bytes built from
// the exact values.
TEST(Math1TextDigits, BitPatternsMatchReferenceTable) {
  const auto rows = test::ReadTable("math1_text_hex.tsv");
  ASSERT_GT(rows.size(), 600u);
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 3u);
    const std::string& hex = r[2];
    const bool nan = r[1] == "nan";
    // Every pattern survives the text both ways, signalling NaNs too, and the
    // value gives the bytes of the table.
    if (r[0] == "d") {
      EXPECT_EQ(FPNumToHex(HexToDouble(hex)), hex);
      EXPECT_EQ(FPNumToHex(HexToDouble(LowerCase(hex))), hex);
      EXPECT_EQ(nan ? hex : HexOfValue<double>(r[1]), hex) << r[1];
      EXPECT_EQ(std::isnan(HexToDouble(hex)), nan) << hex;
    } else if (r[0] == "f") {
      EXPECT_EQ(FPNumToHex(HexToSingle(hex)), hex);
      EXPECT_EQ(nan ? hex : HexOfValue<float>(r[1]), hex) << r[1];
    } else {
      EXPECT_EQ(FPNumToHex(HexToExtended(hex)), hex);
      EXPECT_EQ(nan ? hex : HexOfValue<long double>(r[1]), hex) << r[1];
      EXPECT_EQ(std::isnan(HexToExtended(hex)), nan) << hex;
    }
  }
}

TEST(Math1TextDigits, BitPatternTextsAndErrors) {
  EXPECT_EQ(FPNumToHex(1.0), "3FF0000000000000");
  EXPECT_EQ(HexToDouble("3ff0000000000000"), 1.0);
  EXPECT_EQ(FPNumToHex(1.0L), "3FFF8000000000000000");
  EXPECT_EQ(FPNumToHex(-2.0f), "C0000000");
  auto message = [](auto f) {
    try {
      f();
    } catch (const EZELMath1Error&) {
      return std::string("wrong class");
    } catch (const EZELError& e) {
      return e.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message([] { HexToDouble("3FF"); }), "HexToDouble: invalid hex string \"3FF\"");
  EXPECT_EQ(message([] { HexToDouble("3FF000000000000G"); }), "HexToDouble: invalid hex string \"3FF000000000000G\"");
  EXPECT_EQ(message([] { HexToExtended("3FFF800000000000000"); }),
            "HexToExtended: invalid hex string \"3FFF800000000000000\"");
  EXPECT_EQ(message([] { HexToSingle(" 3F80000"); }), "HexToSingle: invalid hex string \" 3F80000\"");
  EXPECT_EQ(message([] { HexToSingle(""); }), "HexToSingle: invalid hex string \"\"");
}

TEST(Math1TextDigits, ConvertEndianAndBitHelpers) {
  EXPECT_EQ(ConvertEndian(std::uint16_t{0x1234}), 0x3412);
  EXPECT_EQ(ConvertEndian(std::int32_t{-2}), static_cast<std::int32_t>(0xFEFFFFFF));
  EXPECT_EQ(FPNumToHex(ConvertEndian(1.0)), "000000000000F03F");
  EXPECT_EQ(FPNumToHex(ConvertEndian(1.0f)), "0000803F");
  // Signalling NaNs survive the reversal both ways.
  EXPECT_EQ(FPNumToHex(ConvertEndian(ConvertEndian(HexToDouble("7FF0000000000001")))), "7FF0000000000001");
  EXPECT_EQ(FPNumToHex(ConvertEndian(ConvertEndian(HexToSingle("7F800001")))), "7F800001");

  EXPECT_EQ(DecodeBit(7), 128);
  EXPECT_EQ(DecodeBit(8) + DecodeBit(-1), 0);
  EXPECT_EQ(DecodeLong(31), 0x80000000u);
  EXPECT_EQ(DecodeLong(32) + DecodeLong(-1), 0u);
  EXPECT_EQ(EncodeLong(0), 31);
  EXPECT_EQ(EncodeLong(0x80000000u), 31);
  EXPECT_EQ(EncodeLong(0x00F0), 4);
  for (int n = 0; n <= 30; ++n) EXPECT_EQ(EncodeLong(DecodeLong(n) | 0x80000000u), n);
}
