// Helpers of the data table file-format tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "zel_datatable.h"

namespace zel::test {

inline std::uint64_t Bits(double X) {
  std::uint64_t B;
  std::memcpy(&B, &X, sizeof B);
  return B;
}

/// The stored value (nominal codes unrounded).
inline double Stored(const TDataTable& T, int c, int r) { return T.NumericData()->GetVal(c, r); }

/// Fingerprint of everything a table holds (to see that it did not change).
inline std::string Snapshot(const TDataTable& T) {
  return std::to_string(T.NrOfColumns()) + "x" + std::to_string(T.NrOfRows()) + T.Comment() +
         T.CRCofNamesAndAttributes() + T.CRCofCellStates() + T.NumericData()->CRCofData();
}

/// Everything a table holds, compared field by field; values bit for bit
/// (every NaN counts as the same).
inline void ExpectSameTable(const TDataTable& A, const TDataTable& B, bool CompareComment = true) {
  ASSERT_EQ(A.NrOfColumns(), B.NrOfColumns());
  ASSERT_EQ(A.NrOfRows(), B.NrOfRows());
  if (CompareComment) {
    EXPECT_EQ(A.Comment(), B.Comment());
  }
  for (int c = 1; c <= A.NrOfColumns(); ++c) {
    EXPECT_EQ(A.GetColName(c), B.GetColName(c)) << "column " << c;
    EXPECT_EQ(A.GetColAttrib(c), B.GetColAttrib(c)) << "column " << c;
    EXPECT_EQ(A.GetMScaleType(c), B.GetMScaleType(c)) << "column " << c;
    EXPECT_TRUE(A.VTypeSpecs(c)->IDs == B.VTypeSpecs(c)->IDs) << "identifiers of column " << c;
  }
  for (int r = 1; r <= A.NrOfRows(); ++r) {
    EXPECT_EQ(A.GetRowName(r), B.GetRowName(r)) << "row " << r;
    EXPECT_EQ(A.GetRowAttrib(r), B.GetRowAttrib(r)) << "row " << r;
  }
  for (int c = 1; c <= A.NrOfColumns(); ++c)
    for (int r = 1; r <= A.NrOfRows(); ++r) {
      EXPECT_EQ(A.GetCellState(c, r), B.GetCellState(c, r)) << "cell " << c << "," << r;
      const double X = Stored(A, c, r), Y = Stored(B, c, r);
      if (std::isnan(X)) {
        EXPECT_TRUE(std::isnan(Y)) << "cell " << c << "," << r;
      } else {
        EXPECT_EQ(Bits(X), Bits(Y)) << "cell " << c << "," << r << ": " << X << " vs " << Y;
      }
    }
}

/// A 5 × 4 table that uses every feature the formats carry: names with
/// blanks, delimiters, markup and code-page letters; attributes beyond a
/// byte; all five scales; identifiers with gaps, also in a column that is no
/// longer nominal; values at the ends of the double range, NaN and
/// infinities in number cells; all kinds of cell states. Cells that are not
/// numbers hold 0 (the ASC and CSV forms cannot keep their values).
inline void FillRichTable(TDataTable& T) {
  T.Resize(5, 4);
  T.SetComment("rich <table> & 'more' \xFC");
  const char* Cols[] = {"plain", " blanks around ", "a,b;c\td", "\xFCn\xEF" "code \xDF", "x<y>&z"};
  for (int c = 1; c <= 5; ++c) T.SetColName(c, Cols[c - 1]);
  const char* Rows[] = {"r1", "", "row three", "s\xFC" "d"};
  for (int r = 1; r <= 4; ++r) T.SetRowName(r, Rows[r - 1]);
  const int ColAtt[] = {0, -7, 300, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
  for (int c = 1; c <= 5; ++c) T.SetColAttrib(c, ColAtt[c - 1]);
  const int RowAtt[] = {1, 255, 256, -1};
  for (int r = 1; r <= 4; ++r) T.SetRowAttrib(r, RowAtt[r - 1]);

  T.SetMScaleType(1, stNominal);
  T.SetNominalID(1, 3, "left over");
  T.SetMScaleType(1, stInterval);
  T.SetMScaleType(2, stNominal);
  T.SetNominalID(2, 1, "red");
  T.SetNominalID(2, 2, "green");
  T.SetNominalID(2, 4, "blue & co");
  T.SetMScaleType(3, stOrdinal);
  T.SetNominalID(3, 1, "low");
  T.SetNominalID(3, 150, "high");
  T.SetMScaleType(4, stRatio);
  T.SetMScaleType(5, stUnknown);

  const double Inf = std::numeric_limits<double>::infinity();
  const double V[5][4] = {{-0.0, 5e-324, 1.7976931348623157e308, 0.1},
                          {1, 2, 4, 0},
                          {1, 150, 0, 2},
                          {std::numeric_limits<double>::quiet_NaN(), Inf, -Inf, 1e-300},
                          {123456789.123, -1e-7, 2.5, 0}};
  for (int c = 1; c <= 5; ++c)
    for (int r = 1; r <= 4; ++r) T.NumericData()->SetVal(c, r, V[c - 1][r - 1]);
  T.NumericData()->SetVal(2, 4, 2.6);  // a code between slots stays as stored
  T.SetCellState(3, 3, csNoNumber | csEmpty);
  T.SetCellState(5, 4, csEmpty);
  T.SetCellState(5, 1, csImputed);
  T.SetCellState(5, 2, csMark1 | csMark2);
  T.SetCellState(4, 4, csImputed | 4);
}

}  // namespace zel::test
