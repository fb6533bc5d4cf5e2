// ASC files of TVector and TIntVector: round trip to the written precision,
// the default comment, missing values, and the failure codes with the
// vector cut to the failing row.
#include <gtest/gtest.h>

#include <string>

#include "zel_ascfile.h"
#include "zel_test_env.h"
#include "zel_vector.h"

using namespace zel;
using zel::test::ReadBytes;
using zel::test::TempDir;
using zel::test::WriteBytes;

TEST(VectorAsc, RoundTripToThePrecisionWritten) {
  const std::string Dir = TempDir("vector_asc_roundtrip");
  TVector V;
  const double X[] = {1.25, -0.0004, 12345.678901, 0.0, -7.5};
  V.Resize(5);
  for (int i = 1; i <= 5; ++i) V.SetVal(i, X[i - 1]);
  ASSERT_EQ(V.ExportAsASC(Dir + "/v.asc", 3, ""), 0);
  const std::string Bytes = ReadBytes(Dir + "/v.asc");
  EXPECT_EQ(Bytes.substr(0, Bytes.find('\r')), "Exported by ZEL TVector component: " + Dir + "/v.asc");
  EXPECT_NE(Bytes.find("\r\n       1.250\r\n      -0.000\r\n   12345.679\r\n"), std::string::npos) << Bytes;

  TVector W;
  std::string Comment;
  ASSERT_EQ(W.ImportASC(Dir + "/v.asc", Comment), 0);
  ASSERT_EQ(W.NrOfElem(), 5);
  for (int i = 1; i <= 5; ++i) EXPECT_NEAR(W.GetVal(i), X[i - 1], 0.0005) << i;
  EXPECT_FALSE(W.IsEmpty());

  TIntVector I, J;
  I.Resize(3);
  I.SetVal(1, -2147483647 - 1);
  I.SetVal(3, 2147483647);
  ASSERT_EQ(I.ExportAsASC(Dir + "/i.asc", "ints"), 0);
  ASSERT_EQ(J.ImportASC(Dir + "/i.asc", Comment), 0);
  EXPECT_EQ(Comment, "ints");
  EXPECT_EQ(J.Data()[0], I.Data()[0]);
  EXPECT_EQ(J.Data()[2], I.Data()[2]);
  EXPECT_EQ(I.ExportAsASC(Dir + "/missing/i.asc", ""), ascErrCreate);
}

TEST(VectorAsc, MissingValuesNamesAndAttributes) {
  const std::string Dir = TempDir("vector_asc_words");
  WriteBytes(Dir + "/v.asc",
             "c\r\n1\r\n4\r\nTRUE TRUE TRUE FALSE\r\n\"x\"\r\n"
             "1 \"a\" 2.5\r\n2 \"b\" NAN\r\n3 \"c\" ###\r\n4 \"d\" 2.5E1");
  TVector V;
  TIntVector I;
  std::string Comment;
  ASSERT_EQ(V.ImportASC(Dir + "/v.asc", Comment), 0);
  EXPECT_EQ(V.Data()[0] + V.Data()[1] + V.Data()[2] + V.Data()[3], 27.5);
  EXPECT_EQ(V.Data()[1], 0.0);
  // 2.5 rounds half-even to 2, 25 stays.
  ASSERT_EQ(I.ImportASC(Dir + "/v.asc", Comment), 0);
  EXPECT_EQ(I.Data()[0] + I.Data()[3], 27);
}

TEST(VectorAsc, FailuresReturnTheirCodes) {
  const std::string Dir = TempDir("vector_asc_bad");
  TVector V;
  V.Resize(3);
  V.Fill(8);
  std::string Comment;
  WriteBytes(Dir + "/two.asc", "c\n2\n2\nFALSE FALSE FALSE FALSE\n1 2\n3 4\n");
  EXPECT_EQ(V.ImportASC(Dir + "/two.asc", Comment), ascErrTooManyCols);
  EXPECT_EQ(V.NrOfElem(), 3);
  EXPECT_EQ(V.Data()[2], 8.0);
  WriteBytes(Dir + "/none.asc", "c\n1\n0\nFALSE FALSE FALSE\n");
  EXPECT_EQ(V.ImportASC(Dir + "/none.asc", Comment), ascErrNoRows);
  EXPECT_EQ(V.ImportASC(Dir + "/absent.asc", Comment), ascErrNoFile);
  WriteBytes(Dir + "/flags.asc", "c\n1\n2\nTRUE\n1\n2\n");
  EXPECT_EQ(V.ImportASC(Dir + "/flags.asc", Comment), ascErrBadFlags);

  // The vector is cut to the row being read; that row keeps its old value.
  WriteBytes(Dir + "/bad.asc", "c\n1\n5\nFALSE FALSE FALSE\n1.5\n2.5\n1,5\n4\n5\n");
  EXPECT_EQ(V.ImportASC(Dir + "/bad.asc", Comment), ascErrBadValue);
  ASSERT_EQ(V.NrOfElem(), 3);
  EXPECT_EQ(V.Data()[1], 2.5);
  EXPECT_EQ(V.Data()[2], 8.0);
  WriteBytes(Dir + "/attr.asc", "c\n1\n2\nTRUE FALSE FALSE\n1 7\nx 8\n");
  EXPECT_EQ(V.ImportASC(Dir + "/attr.asc", Comment), ascErrBadRowAttrib);
  EXPECT_EQ(V.NrOfElem(), 2);
  WriteBytes(Dir + "/short.asc", "c\n1\n3\nFALSE FALSE FALSE\n1\n2\n        \n");
  EXPECT_EQ(V.ImportASC(Dir + "/short.asc", Comment), ascErrBadValue);
  EXPECT_EQ(V.NrOfElem(), 3);

  TIntVector I;
  WriteBytes(Dir + "/big.asc", "c\n1\n2\nFALSE FALSE FALSE\n1\n3e10\n");
  EXPECT_EQ(I.ImportASC(Dir + "/big.asc", Comment), ascErrBadValue);
  EXPECT_EQ(I.NrOfElem(), 2);
  EXPECT_EQ(I.Data()[0], 1);
}
