#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "zel_exceptions.h"
#include "zel_textfile.h"
#include "zel_test_env.h"

namespace fs = std::filesystem;
using namespace zel;

namespace {

std::string ReadMessage(TTextFile& F) {
  double V = 0;
  try {
    F.Read(V);
  } catch (const EInOutError& E) {
    return E.Message();
  }
  return "no exception";
}

std::vector<std::string> AllLines(TTextFile& F) {
  std::vector<std::string> Lines;
  std::string Line;
  for (int Guard = 0; !F.Eof() && Guard < 100; ++Guard) {
    F.ReadLn(Line);
    Lines.push_back(Line);
  }
  return Lines;
}

int FileCount(const std::string& Dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& E : fs::directory_iterator(Dir)) ++n;
  return n;
}

}  // namespace

TEST(TextFile, NumbersAcrossLineBreaksInEveryLineEnding) {
  const std::string Dir = test::TempDir("textfile_numbers");
  for (const std::string Eol : {"\r\n", "\n", "\r"}) {
    const std::string Path = Dir + "/n.txt";
    test::WriteBytes(Path, "1.5 -2" + Eol + "  3e2\t+4" + Eol + Eol + ".5" + Eol + "  ");
    TTextFile F;
    F.Reset(Path);
    double A, B, C;
    std::int64_t D;
    long double E;
    F.Read(A);
    F.Read(B);
    F.Read(C);
    F.Read(D);
    F.Read(E);
    EXPECT_EQ(A, 1.5);
    EXPECT_EQ(B, -2.0);
    EXPECT_EQ(C, 300.0);
    EXPECT_EQ(D, 4);
    EXPECT_EQ(E, 0.5L);
    EXPECT_TRUE(F.SeekEof());
    EXPECT_EQ(ReadMessage(F), "Read beyond end of file");
    EXPECT_FALSE(F.TryRead(A));
  }
}

TEST(TextFile, BadNumberIsConsumed) {
  TTextFile F;
  F.ResetFromString("1 x2 3 2147483648 9223372036854775807 1.0 7");
  double X = 0;
  F.Read(X);
  EXPECT_EQ(ReadMessage(F), "Invalid numeric format");
  F.Read(X);  // the bad word is gone
  EXPECT_EQ(X, 3.0);
  int I = -1;
  EXPECT_FALSE(F.TryRead(I));  // beyond int32
  EXPECT_EQ(I, -1);
  std::int64_t L = 0;
  EXPECT_TRUE(F.TryRead(L));
  EXPECT_EQ(L, INT64_MAX);
  EXPECT_FALSE(F.TryRead(I));  // a point makes no integer
  EXPECT_TRUE(F.TryRead(I));
  EXPECT_EQ(I, 7);
  EXPECT_FALSE(F.TryRead(I));
}

TEST(TextFile, EofAndEolnAtTheEnd) {
  for (const std::string Eol : {"\r\n", "\n", "\r"}) {
    TTextFile F;
    F.ResetFromString("a" + Eol + "b");
    std::string Line;
    F.ReadLn(Line);
    EXPECT_EQ(Line, "a");
    EXPECT_FALSE(F.Eof());
    EXPECT_FALSE(F.Eoln());
    F.ReadLn(Line);
    EXPECT_EQ(Line, "b");
    EXPECT_TRUE(F.Eof());
    EXPECT_TRUE(F.Eoln());
    F.ReadLn(Line);  // at the end: an empty line
    EXPECT_EQ(Line, "");

    F.ResetFromString("a" + Eol + "b" + Eol);
    F.ReadLn();
    char C = 0;
    EXPECT_TRUE(F.ReadChar(C));
    EXPECT_EQ(C, 'b');
    EXPECT_FALSE(F.Eof());  // the final line break is still there
    EXPECT_TRUE(F.Eoln());
    F.ReadLn();
    EXPECT_TRUE(F.Eof());
    EXPECT_FALSE(F.PeekChar(C));
  }
  TTextFile F;
  F.ResetFromString("a\r\r\nb\n\rc  \r\n  d");
  EXPECT_EQ(AllLines(F), (std::vector<std::string>{"a", "", "b", "", "c  ", "  d"}));
  F.ResetFromString("ab  \t\r\n  c \r\n");
  std::string W;
  EXPECT_TRUE(F.ReadWord(W));
  EXPECT_EQ(W, "ab");
  EXPECT_TRUE(F.SeekEoln());
  F.ReadLn();
  EXPECT_FALSE(F.SeekEoln());
  EXPECT_TRUE(F.ReadWord(W));
  EXPECT_EQ(W, "c");
  EXPECT_TRUE(F.SeekEof());
  EXPECT_FALSE(F.ReadWord(W));
}

TEST(TextFile, LinesAndWordsAcrossTheReadBuffer) {
  // The reader fetches 64 KiB at a time; a CR LF split between two fetches
  // is one line end.
  const std::string Dir = test::TempDir("textfile_chunks");
  const std::string Path = Dir + "/big.txt";
  for (std::size_t Length : {65534u, 65535u, 65536u}) {
    test::WriteBytes(Path, std::string(Length, 'x') + "\r\nnext\r\n");
    TTextFile F;
    F.Reset(Path);
    const auto Lines = AllLines(F);
    ASSERT_EQ(Lines.size(), 2u) << Length;
    EXPECT_EQ(Lines[0].size(), Length);
    EXPECT_EQ(Lines[1], "next");
    F.Reset(Path);
    F.ReadLn();
    std::string W;
    EXPECT_TRUE(F.ReadWord(W));
    EXPECT_EQ(W, "next");
  }
  // A number whose digits straddle the fetch boundary.
  for (std::size_t Pad : {65530u, 65533u, 65536u}) {
    test::WriteBytes(Path, std::string(Pad, ' ') + "12345.625\n-7");
    TTextFile F;
    F.Reset(Path);
    double X = 0;
    int I = 0;
    F.Read(X);
    F.Read(I);
    EXPECT_EQ(X, 12345.625) << Pad;
    EXPECT_EQ(I, -7);
    EXPECT_TRUE(F.Eof());
  }
}

TEST(TextFile, NumberWords) {
  for (const char* Good : {"1", "+1", "-1.", ".5", "1e5", "1E+05", "-.5e-3", "007"})
    EXPECT_TRUE(IsTextFileNumber(Good)) << Good;
  for (const char* Bad : {"", "+", ".", "-.", "e5", "1e", "1e+", "1.2.3", "0x10", "inf", "NAN", "1,5", "--1", "1e5.0"})
    EXPECT_FALSE(IsTextFileNumber(Bad)) << Bad;

  double D = 7;
  EXPECT_TRUE(TextFileWordToDouble("0.1", D));
  EXPECT_EQ(D, 0.1);
  EXPECT_TRUE(TextFileWordToDouble("+2.5E-1", D));
  EXPECT_EQ(D, 0.25);
  EXPECT_TRUE(TextFileWordToDouble("1.7976931348623157e308", D));
  EXPECT_EQ(D, DBL_MAX);
  EXPECT_TRUE(TextFileWordToDouble("4.9406564584124654e-324", D));
  EXPECT_EQ(D, DBL_TRUE_MIN);
  EXPECT_TRUE(TextFileWordToDouble("-1e-400", D));  // underflow gives zero
  EXPECT_EQ(D, 0.0);
  D = 7;
  EXPECT_FALSE(TextFileWordToDouble("1e400", D));
  EXPECT_FALSE(TextFileWordToDouble("-1.8e308", D));
  EXPECT_FALSE(TextFileWordToDouble("1,5", D));
  EXPECT_EQ(D, 7);

  long double E = 7;
  // 1 + 1e-19 is one extended ulp above 1 but rounds to 1 as a double.
  EXPECT_TRUE(TextFileWordToExtended("1.0000000000000000001", E));
  EXPECT_EQ(E, 1.0000000000000000001L);
  EXPECT_NE(E, 1.0L);
  EXPECT_TRUE(TextFileWordToExtended("1e4932", E));
  EXPECT_EQ(E, 1e4932L);
  EXPECT_TRUE(TextFileWordToExtended("+1e-4940", E));  // a denormal
  EXPECT_EQ(E, 1e-4940L);
  EXPECT_TRUE(TextFileWordToExtended("1e-4960", E));  // below the smallest denormal
  EXPECT_EQ(E, 0.0L);
  E = 7;
  EXPECT_FALSE(TextFileWordToExtended("1e4933", E));
  EXPECT_FALSE(TextFileWordToExtended("1e", E));
  EXPECT_EQ(E, 7);
}

TEST(TextFile, RewriteReplacesTargetOnlyWhenClosed) {
  const std::string Dir = test::TempDir("textfile_write");
  const std::string Path = Dir + "/out.txt";
  test::WriteBytes(Path, "old");
  try {
    TTextFile F;
    F.Rewrite(Path);
    F.WriteLn("new");
    throw std::runtime_error("failure while writing");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(test::ReadBytes(Path), "old");
  EXPECT_EQ(FileCount(Dir), 1);
  {
    TTextFile F;
    F.Rewrite(Path);
    F.WriteLn("never closed");
  }
  EXPECT_EQ(test::ReadBytes(Path), "old");
  EXPECT_EQ(FileCount(Dir), 1);

  TTextFile F;
  F.Rewrite(Path);
  F.Write("x=");
  F.Write(1.5, 6, 2);
  F.WriteLn();
  F.Write(-3LL, 4);
  F.Write(';');
  EXPECT_EQ(test::ReadBytes(Path), "old");
  F.Close();
  EXPECT_EQ(test::ReadBytes(Path), "x=  1.50\r\n  -3;");
  EXPECT_EQ(FileCount(Dir), 1);
  F.Append(Path);
  F.WriteLn("more");
  F.Close();
  EXPECT_EQ(test::ReadBytes(Path), "x=  1.50\r\n  -3;more\r\n");

  EXPECT_THROW(F.Write("closed"), EInOutError);
  F.Reset(Path);
  EXPECT_THROW(F.WriteLn("x"), EInOutError);
  F.Rewrite(Dir + "/second.txt");
  char C;
  EXPECT_THROW(F.ReadChar(C), EInOutError);
  F.Discard();
  EXPECT_EQ(FileCount(Dir), 1);
  try {
    F.Reset(Dir + "/missing.txt");
    ADD_FAILURE();
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), "File not found: " + Dir + "/missing.txt");
  }
  EXPECT_THROW(F.Rewrite(Dir + "/no/such/dir.txt"), EInOutError);
}
