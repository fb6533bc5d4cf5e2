#include <gtest/gtest.h>

#include <string>

#include "zel_base.h"
#include "zel_test_env.h"

using namespace zel;

namespace {

struct Header {
  std::string Comment = "untouched";
  int NCols = -77;
  int NRows = -77;
  bool Flags[4] = {true, true, true, true};
};

int ReadHeader(const std::string& Path, Header& H) {
  return ReadHeaderOfASC(Path, H.Comment, H.NCols, H.NRows, H.Flags[0], H.Flags[1], H.Flags[2], H.Flags[3]);
}

// Writes Bytes to a file of the test folder and reads its header.
int HeaderOf(const std::string& Dir, const std::string& Bytes, Header& H) {
  const std::string Path = Dir + "/h.asc";
  test::WriteBytes(Path, Bytes);
  return ReadHeader(Path, H);
}

void ExpectUntouched(const Header& H) {
  EXPECT_EQ(H.Comment, "untouched");
  EXPECT_EQ(H.NCols, -77);
  EXPECT_EQ(H.NRows, -77);
  for (bool F : H.Flags) EXPECT_TRUE(F);
}

}  // namespace

TEST(AscHeader, ReadsFourAndThreeFlagForms) {
  const std::string Dir = test::TempDir("AscHeader_Valid");
  Header H;
  ASSERT_EQ(HeaderOf(Dir,
                     "Exported by ZEL TMatrix component: m.asc\r\n3\t;nr. of columns\r\n2\t;nr. of rows\r\n"
                     "FALSE TRUE FALSE TRUE\t;row attributes, column names, row names, nominal variables\r\n"
                     "\"a\" \"b\" \"c\"\r\n1 2 3\r\n4 5 6\r\n",
                     H),
            0);
  EXPECT_EQ(H.Comment, "Exported by ZEL TMatrix component: m.asc");
  EXPECT_EQ(H.NCols, 3);
  EXPECT_EQ(H.NRows, 2);
  EXPECT_FALSE(H.Flags[0]);
  EXPECT_TRUE(H.Flags[1]);
  EXPECT_FALSE(H.Flags[2]);
  EXPECT_TRUE(H.Flags[3]);

  // LF endings, a byte-order mark, mixed-case flags and the older three-flag
  // form, which leaves the nominal flag false.
  Header L;
  ASSERT_EQ(HeaderOf(Dir,
                     "\xEF\xBB\xBF  fit data \n  1;cols\n4 ;rows\ntrue False TRUE;old form\n"
                     "1 \"a\" 9\n2 \"b\" 8\n3 \"c\" 7\n4 \"d\" 6\n",
                     L),
            0);
  EXPECT_EQ(L.Comment, "  fit data ");
  EXPECT_EQ(L.NCols, 1);
  EXPECT_EQ(L.NRows, 4);
  EXPECT_TRUE(L.Flags[0]);
  EXPECT_FALSE(L.Flags[1]);
  EXPECT_TRUE(L.Flags[2]);
  EXPECT_FALSE(L.Flags[3]);

  // CR-only endings, counts alone on their lines, flags up to the end of the
  // line, and an empty comment.
  Header C;
  ASSERT_EQ(HeaderOf(Dir, "\r2\r1\rFALSE FALSE  TRUE FALSE\r\"r\" 7 8\r", C), 0);
  EXPECT_EQ(C.Comment, "");
  EXPECT_EQ(C.NCols, 2);
  EXPECT_EQ(C.NRows, 1);
  EXPECT_TRUE(C.Flags[2]);

  // A header without data is complete when it announces no values.
  Header Z;
  ASSERT_EQ(HeaderOf(Dir, "c\r\n65536\r\n0\r\nFALSE FALSE FALSE FALSE", Z), 0);
  EXPECT_EQ(Z.NCols, 65536);
  EXPECT_EQ(Z.NRows, 0);
}

TEST(AscHeader, MissingFileAndMissingLines) {
  const std::string Dir = test::TempDir("AscHeader_Missing");
  Header H;
  EXPECT_EQ(ReadHeader(Dir + "/nothere.asc", H), ascErrNoFile);
  EXPECT_EQ(ReadHeader(Dir, H), ascErrNoFile);  // a folder is not a readable file
  EXPECT_EQ(HeaderOf(Dir, "", H), ascErrTruncated);
  EXPECT_EQ(HeaderOf(Dir, "comment only", H), ascErrTruncated);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n1\r\n1\r\n", H), ascErrTruncated);
  ExpectUntouched(H);
}

TEST(AscHeader, RejectsBadCounts) {
  const std::string Dir = test::TempDir("AscHeader_Counts");
  const std::string Flags = "FALSE FALSE FALSE FALSE\r\n1 2 3 4\r\n";
  Header H;
  EXPECT_EQ(HeaderOf(Dir, "c\r\n-3\r\n2\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n+3\r\n2\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\nthree\r\n2\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n3x\r\n2\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n3.0\r\n2\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n\r\n2\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n2147483648\r\n0\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n99999999999999999999999\r\n0\r\n" + Flags, H), ascErrBadNCols);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n2\r\n-1\r\n" + Flags, H), ascErrBadNRows);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n2\r\n;2\r\n" + Flags, H), ascErrBadNRows);
  ExpectUntouched(H);
}

TEST(AscHeader, RejectsBadFlags) {
  const std::string Dir = test::TempDir("AscHeader_Flags");
  const std::string Start = "c\r\n1\r\n1\r\n";
  Header H;
  EXPECT_EQ(HeaderOf(Dir, Start + "FALSE FALSE\t;two\r\n5\r\n", H), ascErrBadFlags);
  EXPECT_EQ(HeaderOf(Dir, Start + "FALSE FALSE FALSE FALSE FALSE\r\n5\r\n", H), ascErrBadFlags);
  EXPECT_EQ(HeaderOf(Dir, Start + "FALSE MAYBE FALSE\r\n5\r\n", H), ascErrBadFlags);
  EXPECT_EQ(HeaderOf(Dir, Start + "FALSE,FALSE,FALSE\r\n5\r\n", H), ascErrBadFlags);
  EXPECT_EQ(HeaderOf(Dir, Start + "FALSEFALSE FALSE FALSE\r\n5\r\n", H), ascErrBadFlags);
  // A description that is not set off by a TAB or ';' counts as more words.
  EXPECT_EQ(HeaderOf(Dir, Start + "FALSE FALSE FALSE row attributes\r\n5\r\n", H), ascErrBadFlags);
  EXPECT_EQ(HeaderOf(Dir, Start + "\r\n5\r\n", H), ascErrBadFlags);
  ExpectUntouched(H);
}

TEST(AscHeader, CountsMustFitTheFile) {
  const std::string Dir = test::TempDir("AscHeader_Size");
  const std::string Flags = "FALSE FALSE FALSE FALSE\r\n";
  Header H;
  // A billion rows announced in a file of a few bytes.
  EXPECT_EQ(HeaderOf(Dir, "c\r\n1\r\n1000000000\r\n" + Flags + "1\r\n2\r\n", H), ascErrTooLarge);
  // The product is taken in 64 bits: 65536 * 65536 wraps to 0 in 32 bits.
  EXPECT_EQ(HeaderOf(Dir, "c\r\n65536\r\n65536\r\n" + Flags + "1\r\n", H), ascErrTooLarge);
  ExpectUntouched(H);

  // Five bytes "1 2 3" can hold three values (the last one unseparated), not four.
  EXPECT_EQ(HeaderOf(Dir, "c\r\n3\r\n1\r\n" + Flags + "1 2 3", H), 0);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n4\r\n1\r\n" + Flags + "1 2 3", H), ascErrTooLarge);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n2\r\n2\r\n" + Flags + "1 2\r\n3 4\r\n", H), 0);

  // Names and row attributes are items too: a file that announces no values
  // must not announce more names or rows than it holds.
  Header N;
  EXPECT_EQ(HeaderOf(Dir, "c\r\n2000000000\r\n0\r\nFALSE TRUE FALSE FALSE\r\n\"a\"\r\n", N), ascErrTooLarge);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n0\r\n2000000000\r\nFALSE FALSE TRUE FALSE\r\n\"r\"\r\n", N), ascErrTooLarge);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n0\r\n2000000000\r\nTRUE FALSE FALSE\r\n1\r\n", N), ascErrTooLarge);
  ExpectUntouched(N);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n1\r\n2\r\nTRUE TRUE TRUE FALSE\r\n\"v\"\r\n1 \"a\" 5\r\n2 \"b\" 6", N), 0);

  // Shapes without items are real (five columns, no rows), but their counts
  // stay near what the file could hold.
  EXPECT_EQ(HeaderOf(Dir, "c\r\n5\r\n0\r\n" + Flags, N), 0);
  EXPECT_EQ(N.NCols, 5);
  Header E;
  EXPECT_EQ(HeaderOf(Dir, "c\r\n0\r\n2000000000\r\n" + Flags, E), ascErrTooLarge);
  EXPECT_EQ(HeaderOf(Dir, "c\r\n2147483647\r\n0\r\n" + Flags, E), ascErrTooLarge);
  ExpectUntouched(E);
}
