#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "zel_exceptions.h"
#include "zel_streams.h"
#include "zel_stringlist.h"
#include "zel_strutils.h"
#include "zel_test_env.h"

namespace fs = std::filesystem;
using namespace zel;

namespace {

std::string StrToIntMessage(const std::string& S) {
  try {
    StrToInt(S);
  } catch (const EConvertError& E) {
    return E.Message();
  }
  return "no exception";
}

int FileCount(const std::string& Dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& E : fs::directory_iterator(Dir)) ++n;
  return n;
}

}  // namespace

TEST(StrUtils, StrToIntIsStrict) {
  EXPECT_EQ(StrToInt(" 7 "), 7);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
  EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
  EXPECT_EQ(StrToIntMessage("12ab"), "'12ab' is not a valid integer value");
  EXPECT_EQ(StrToIntMessage(""), "'' is not a valid integer value");
  EXPECT_EQ(StrToIntMessage("2147483648"), "'2147483648' is not a valid integer value");
  for (const char* Bad : {"-2147483649", "+", "- 5", "1 2", "0x10", "1.0", "99999999999999999999"}) {
    int V = 42;
    EXPECT_FALSE(TryStrToInt(Bad, V)) << Bad;
    EXPECT_EQ(V, 42) << Bad;
  }
  std::int64_t W = 0;
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", W));
  EXPECT_EQ(W, LLONG_MIN);
  EXPECT_TRUE(TryStrToInt64("9223372036854775807", W));
  EXPECT_EQ(W, LLONG_MAX);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", W));
  EXPECT_EQ(StrToIntDef("x", -3), -3);
}

TEST(StrUtils, CopyNeverLeavesTheString) {
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");  // an index before the start counts from 1
  EXPECT_EQ(Copy("abcdef", -5, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 3, -1), "");
  EXPECT_EQ(Copy("abcdef", 3, LLONG_MAX), "cdef");
  EXPECT_EQ(Copy("abcdef", LLONG_MAX, LLONG_MAX), "");
  EXPECT_EQ(Copy("abcdef", LLONG_MIN, 1), "a");
}

TEST(StrUtils, CaseTrimAndSearch) {
  EXPECT_EQ(Pos("cd", "abcdcd"), 3);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Trim("\t a b\r\n"), "a b");
  EXPECT_EQ(Trim("\xE9 "), "\xE9");  // code-page letters are text, not blanks
  EXPECT_EQ(UpperCase("ab\xE9z"), "AB\xE9Z");
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Hello", "Hell"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_LT(CompareText("ab", "AB c"), 0);
  EXPECT_GT(CompareText("\xE9", "z"), 0);  // bytes compare unsigned
  EXPECT_EQ(StringOfChar('x', -1), "");
}

TEST(StrUtils, FileNameParts) {
  EXPECT_EQ(ExtractFileName("/a/b.c/data.asc"), "data.asc");
  EXPECT_EQ(ExtractFilePath("/a/b.c/data.asc"), "/a/b.c/");
  EXPECT_EQ(ExtractFileExt("/a/b.c/data.asc"), ".asc");
  EXPECT_EQ(ExtractFileExt("/a/b.c/data"), "");
  EXPECT_EQ(ChangeFileExt("/a/b.c/data", ".txt"), "/a/b.c/data.txt");
  EXPECT_EQ(ChangeFileExt("x.tar.gz", ".bz2"), "x.tar.bz2");
}

TEST(StrUtils, TempNamesAndReplace) {
  const std::string Dir = test::TempDir("strutils_files");
  const std::string Target = Dir + "/out.dat";
  test::WriteBytes(Target, "old");
  const std::string A = TempFileNameBeside(Target);
  const std::string B = TempFileNameBeside(Target);
  EXPECT_NE(A, B);
  EXPECT_EQ(fs::path(A).parent_path(), fs::path(Target).parent_path());
  EXPECT_FALSE(fs::exists(A));
  test::WriteBytes(A, "new");
  EXPECT_TRUE(ReplaceFile(A, Target));
  EXPECT_EQ(test::ReadBytes(Target), "new");
  EXPECT_FALSE(ReplaceFile(A, Target));  // A is gone
  EXPECT_TRUE(FileExists(Target));
  EXPECT_FALSE(FileExists(Dir));
  EXPECT_FALSE(DeleteFile(Dir));
  EXPECT_TRUE(DeleteFile(Target));
  EXPECT_FALSE(FileExists(Target));
  EXPECT_EQ(FileCount(Dir), 0);
}

TEST(StringList, SortedDuplicatesAndLookup) {
  TStringList L;
  int Changes = 0;
  L.OnChange = [&](TObject*) { ++Changes; };
  L.Add("pear");
  L.Add("Apple");
  L.Add("fig");
  L.SetSorted(true);
  EXPECT_EQ(L.Strings(0), "Apple");
  EXPECT_EQ(L.Strings(2), "pear");
  EXPECT_EQ(L.Add("banana"), 1);
  EXPECT_EQ(L.IndexOf("APPLE"), 0);  // case-insensitive by default
  L.SetDuplicates(false);
  EXPECT_EQ(L.Add("FIG"), 2);  // already there: not added
  EXPECT_EQ(L.Add("Zebra"), 4);
  EXPECT_EQ(L.Count(), 5);
  L.SetCaseSensitive(true);  // re-sorted by byte value: upper case first
  EXPECT_EQ(L.Strings(1), "Zebra");
  EXPECT_EQ(L.IndexOf("APPLE"), -1);
  EXPECT_EQ(L.IndexOf("fig"), 3);
  EXPECT_THROW(L.Insert(0, "x"), EListError);
  // Three adds, two sorts, banana and Zebra; the ignored duplicate is no change.
  EXPECT_EQ(Changes, 7);
  try {
    L.Strings(5);
    ADD_FAILURE();
  } catch (const EListError& E) {
    EXPECT_EQ(E.Message(), "List index out of bounds (5)");
  }
  EXPECT_THROW(L.Delete(-1), EListError);
}

TEST(StringList, NameValueTextAndComma) {
  TStringList L;
  L.SetText("a=1\r\nB=2\nc\r\rd=x=y");
  ASSERT_EQ(L.Count(), 5);
  EXPECT_EQ(L.Strings(3), "");
  EXPECT_EQ(L.Values("b"), "2");
  EXPECT_EQ(L.Values("d"), "x=y");
  EXPECT_EQ(L.Values("c"), "");
  EXPECT_EQ(L.Names(4), "d");
  EXPECT_EQ(L.Names(2), "");
  L.SetValues("a", "9");
  L.SetValues("new", "v");
  L.SetValues("B", "");  // removes the line
  EXPECT_EQ(L.Text(), "a=9\r\nc\r\n\r\nd=x=y\r\nnew=v\r\n");
  L.SetText("x\r\n");
  EXPECT_EQ(L.Count(), 1);
  L.SetText("one,two\nsay \"hi\"\n\nplain");
  EXPECT_EQ(L.CommaText(), "\"one,two\",\"say \"\"hi\"\"\",,plain");
}

TEST(StringList, FilesUseCrLfAndReplaceOnlyWhenComplete) {
  const std::string Dir = test::TempDir("stringlist_files");
  const std::string Path = Dir + "/list.txt";
  test::WriteBytes(Path, "one\rtwo\nthree\r\nfour");
  TStringList L;
  L.LoadFromFile(Path);
  ASSERT_EQ(L.Count(), 4);
  EXPECT_EQ(L.Strings(3), "four");
  L.SaveToFile(Path);
  EXPECT_EQ(test::ReadBytes(Path), "one\r\ntwo\r\nthree\r\nfour\r\n");
  EXPECT_EQ(FileCount(Dir), 1);
  EXPECT_THROW(L.LoadFromFile(Dir + "/missing.txt"), EFOpenError);
  EXPECT_THROW(L.SaveToFile(Dir + "/no/such/dir.txt"), EFOpenError);
  EXPECT_EQ(L.Count(), 4);
}

namespace zel {
namespace {

TEST(CodePage, Windows1252AndUTF8) {
  // Expected bytes from Python: 'Grüße €'.encode('cp1252') and .encode('utf-8').
  EXPECT_EQ(CP1252ToUTF8("Gr\xFC\xDF" "e \x80"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
  EXPECT_EQ(UTF8ToCP1252("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"), "Gr\xFC\xDF" "e \x80");
  EXPECT_EQ(CP1252ToUnicode(0x9F), U'\u0178');
  EXPECT_EQ(UnicodeToCP1252(U'\u2122'), 0x99);
  EXPECT_EQ(UnicodeToCP1252(0x85), -1);  // a C1 control the code page replaces by "…"
  EXPECT_EQ(UnicodeToCP1252(0x81), 0x81);  // undefined byte keeps its C1 control
  // Every byte survives the way out and back.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(UTF8ToCP1252(CP1252ToUTF8(all)), all);
  // Overlong, truncated, surrogate and unmappable sequences are replaced.
  EXPECT_EQ(UTF8ToCP1252("a\xC0\xAF" "b"), "a??b");
  EXPECT_EQ(UTF8ToCP1252("\xE2\x82"), "??");
  EXPECT_EQ(UTF8ToCP1252("\xED\xA0\x80"), "???");
  EXPECT_EQ(UTF8ToCP1252("\xF0\x9F\x98\x80", '_'), "_");
}

}  // namespace
}  // namespace zel
