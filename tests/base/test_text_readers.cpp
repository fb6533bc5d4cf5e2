#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "zel_base.h"
#include "zel_test_env.h"

using namespace zel;

namespace {

void Fill(TMemoryStream& S, const std::string& Bytes) {
  S.Clear();
  S.Write(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  S.SetPosition(0);
}

std::string Bytes(TMemoryStream& S) {
  return std::string(reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

}  // namespace

TEST(TextReaders, ReadLnStreamLineBreaks) {
  TMemoryStream S;
  bool Eos = true;
  Fill(S, "ab\r\ncd\nef\r\rgh");
  EXPECT_EQ(ReadLnStream(S, Eos), "ab");
  EXPECT_FALSE(Eos);
  EXPECT_EQ(S.Position(), 4);
  EXPECT_EQ(ReadLnStream(S, Eos), "cd");
  EXPECT_EQ(ReadLnStream(S, Eos), "ef");
  EXPECT_EQ(S.Position(), 10);
  EXPECT_EQ(ReadLnStream(S, Eos), "");  // the second CR ends an empty line
  EXPECT_FALSE(Eos);
  EXPECT_EQ(ReadLnStream(S, Eos), "gh");
  EXPECT_TRUE(Eos);
  EXPECT_EQ(ReadLnStream(S, Eos), "");
  EXPECT_TRUE(Eos);

  // A final line break leaves nothing behind it.
  Fill(S, "last\r\n");
  EXPECT_EQ(ReadLnStream(S, Eos), "last");
  EXPECT_TRUE(Eos);

  // Reading starts at the stream's position, not at its start.
  Fill(S, "skip\nrest\n");
  S.SetPosition(2);
  EXPECT_EQ(ReadLnStream(S, Eos), "ip");
}

TEST(TextReaders, ReadLnStreamLongLinesAndBreaksAcrossReads) {
  // Lines longer than any read-ahead, with the CR of a CR LF pair as the
  // last byte of a power-of-two-sized block, must still end exactly.
  TMemoryStream S;
  bool Eos;
  for (std::size_t Len : {255u, 256u, 511u, 4095u, 10000u}) {
    const std::string Long(Len, 'x');
    Fill(S, Long + "\r\n" + "y\r" + Long + "\rz");
    EXPECT_EQ(ReadLnStream(S, Eos), Long) << Len;
    EXPECT_EQ(S.Position(), static_cast<std::int64_t>(Len + 2)) << Len;
    EXPECT_EQ(ReadLnStream(S, Eos), "y") << Len;
    EXPECT_EQ(ReadLnStream(S, Eos), Long) << Len;
    EXPECT_FALSE(Eos);
    EXPECT_EQ(ReadLnStream(S, Eos), "z") << Len;
    EXPECT_TRUE(Eos);
  }
}

TEST(TextReaders, WordsAndAppendedLines) {
  TTextFile F;
  F.ResetFromString("  alpha\tbeta\r\n\r\n  gamma\n");
  EXPECT_EQ(ReadNextWordInTextFile(F), "alpha");
  EXPECT_EQ(ReadNextWordInTextFile(F), "beta");
  EXPECT_EQ(ReadNextWordInTextFile(F), "gamma");
  EXPECT_EQ(ReadNextWordInTextFile(F), "");

  const std::string Dir = test::TempDir("TextReaders_Append");
  const std::string Path = Dir + "/log.txt";
  EXPECT_TRUE(AppendToTextFile(Path, "first"));
  EXPECT_TRUE(AppendToTextFile(Path, ""));
  EXPECT_TRUE(AppendToTextFile(Path, "third"));
  EXPECT_EQ(test::ReadBytes(Path), "first\r\n\r\nthird\r\n");
  EXPECT_FALSE(AppendToTextFile(Dir + "/no/such/folder/log.txt", "x"));
  EXPECT_FALSE(AppendToTextFile(Dir, "x"));
}

TEST(StreamScalars, ExtendedRoundTripsInTenBytes) {
  const long double Values[] = {0.0L,
                                -0.0L,
                                1.0L,
                                -2.5L,
                                1.0L / 3.0L,
                                LDBL_MAX,
                                LDBL_MIN,
                                std::numeric_limits<long double>::denorm_min(),
                                std::numeric_limits<long double>::infinity(),
                                -std::numeric_limits<long double>::infinity()};
  TMemoryStream S;
  for (long double V : Values) ASSERT_TRUE(WriteExtendedToStream(S, V));
  ASSERT_TRUE(WriteExtendedToStream(S, std::numeric_limits<long double>::quiet_NaN()));
  EXPECT_EQ(S.Size(), 10 * static_cast<std::int64_t>(std::size(Values) + 1));

  // 1.0 is the significand with only its explicit integer bit set and the
  // biased exponent 0x3FFF.
  const std::string Bytes1 = Bytes(S).substr(20, 10);
  EXPECT_EQ(Bytes1, std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10));

  S.SetPosition(0);
  for (long double V : Values) {
    long double X = 42;
    ASSERT_TRUE(ReadExtendedFromStream(S, X));
    EXPECT_EQ(X, V);
    EXPECT_EQ(std::signbit(X), std::signbit(V));
  }
  long double N = 0;
  ASSERT_TRUE(ReadExtendedFromStream(S, N));
  EXPECT_TRUE(std::isnan(N));

  // Fewer than ten bytes left: nothing is consumed and X keeps its value.
  Fill(S, std::string(9, '\x11'));
  S.SetPosition(0);
  long double X = 7.25L;
  EXPECT_FALSE(ReadExtendedFromStream(S, X));
  EXPECT_EQ(X, 7.25L);
  EXPECT_EQ(S.Position(), 0);
}

TEST(StreamScalars, LongintIsLittleEndian) {
  TMemoryStream S;
  ASSERT_TRUE(WriteLongintToStream(S, 0x12345678));
  ASSERT_TRUE(WriteLongintToStream(S, -1));
  ASSERT_TRUE(WriteLongintToStream(S, INT32_MIN));
  EXPECT_EQ(Bytes(S), std::string("\x78\x56\x34\x12\xFF\xFF\xFF\xFF\x00\x00\x00\x80", 12));

  S.SetPosition(0);
  std::int32_t X = 0;
  ASSERT_TRUE(ReadLongintFromStream(S, X));
  EXPECT_EQ(X, 0x12345678);
  ASSERT_TRUE(ReadLongintFromStream(S, X));
  EXPECT_EQ(X, -1);
  ASSERT_TRUE(ReadLongintFromStream(S, X));
  EXPECT_EQ(X, INT32_MIN);

  Fill(S, "abcdefg");
  S.SetPosition(4);
  X = 99;
  EXPECT_FALSE(ReadLongintFromStream(S, X));
  EXPECT_EQ(X, 99);
  EXPECT_EQ(S.Position(), 4);
}

TEST(MixedFStream, MixedItemsRoundTrip) {
  const std::string Path = test::TempDir("MixedFStream_RoundTrip") + "/mixed.bin";
  {
    TMixedFStream W(Path, fmCreate);
    EXPECT_TRUE(W.WriteByte(0xAB));
    EXPECT_TRUE(W.WriteInteger(-123456));
    EXPECT_TRUE(W.WriteLn("header line"));
    EXPECT_TRUE(W.WriteDouble(-0.1));
    EXPECT_TRUE(W.WriteLn(""));
    EXPECT_TRUE(W.WriteDouble(std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(W.WriteLn("tail"));
  }
  const std::string Raw = test::ReadBytes(Path);
  ASSERT_EQ(Raw.size(), 1u + 4 + 13 + 8 + 2 + 8 + 6);
  EXPECT_EQ(Raw.substr(0, 5), std::string("\xAB\xC0\x1D\xFE\xFF", 5));  // -123456 = 0xFFFE1DC0
  EXPECT_EQ(Raw.substr(5, 13), "header line\r\n");

  TMixedFStream R(Path, fmOpenRead);
  std::uint8_t B = 0;
  std::int32_t I = 0;
  double D = 0;
  std::string Line = "x";
  EXPECT_TRUE(R.ReadByte(B));
  EXPECT_EQ(B, 0xAB);
  EXPECT_TRUE(R.ReadInteger(I));
  EXPECT_EQ(I, -123456);
  EXPECT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "header line");
  EXPECT_TRUE(R.ReadDouble(D));
  EXPECT_EQ(D, -0.1);
  EXPECT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "");
  EXPECT_TRUE(R.ReadDouble(D));
  EXPECT_EQ(D, std::numeric_limits<double>::infinity());
  EXPECT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "tail");
  EXPECT_FALSE(R.ReadLn(Line));
  EXPECT_EQ(Line, "");
  const std::int64_t End = R.Position();
  EXPECT_FALSE(R.ReadByte(B));
  EXPECT_FALSE(R.ReadDouble(D));
  EXPECT_EQ(D, std::numeric_limits<double>::infinity());
  EXPECT_EQ(R.Position(), End);
}

TEST(MixedFStream, ReadsForeignLineEndsAndShortItems) {
  const std::string Path = test::TempDir("MixedFStream_Foreign") + "/lines.txt";
  test::WriteBytes(Path, "a\nb\rc\r\n\nlast\x01\x02\x03");
  TMixedFStream R(Path, fmOpenRead);
  std::string Line;
  ASSERT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "a");
  ASSERT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "b");
  ASSERT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "c");
  ASSERT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "");
  std::uint8_t B = 0;
  for (char Expected : std::string("last")) {
    ASSERT_TRUE(R.ReadByte(B));
    EXPECT_EQ(B, static_cast<std::uint8_t>(Expected));
  }
  // Three bytes remain: too few for an integer, enough for a line.
  std::int32_t I = 5;
  EXPECT_FALSE(R.ReadInteger(I));
  EXPECT_EQ(I, 5);
  ASSERT_TRUE(R.ReadLn(Line));
  EXPECT_EQ(Line, "\x01\x02\x03");
  EXPECT_FALSE(R.ReadLn(Line));
}
