// Copying, filling, counting, rearranging and searching of TMatrix.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "zel_base.h"
#include "zel_math1_scalar.h"
#include "zel_matrix.h"
#include "zel_numeric.h"
#include "zel_random.h"
#include "zel_rangestats.h"

namespace zel {

namespace {

bool Inside(std::int64_t Pos, int Count) noexcept { return Pos >= 1 && Pos <= Count; }

// The range after the range rule into Dest[column][row], through Convert.
template <class T, class Convert>
void RectToArray(const TMatrix& M, std::vector<std::vector<T>>& Dest, int LowCol, int HighCol, int LowRow, int HighRow,
                 Convert convert) {
  Dest.clear();
  M.MakeValidColRange(LowCol, HighCol);
  M.MakeValidRowRange(LowRow, HighRow);
  if (LowCol < 1 || LowRow < 1) return;  // a dimension of size 0
  const auto h = static_cast<std::size_t>(HighRow - LowRow + 1);
  Dest.assign(static_cast<std::size_t>(HighCol - LowCol + 1), std::vector<T>(h));
  for (int c = LowCol; c <= HighCol; ++c) {
    const double* col = M.ColumnData(c) + (LowRow - 1);
    std::transform(col, col + h, Dest[static_cast<std::size_t>(c - LowCol)].begin(), convert);
  }
}

// Src[i][j] to element (Col + i, Row + j) through SetVal; every column of a
// ragged array keeps its own length, and only targets inside are visited.
template <class T>
void ArrayToMatrix(TMatrix& M, const std::vector<std::vector<T>>& Src, int Col, int Row) {
  for (std::size_t i = 0; i < Src.size(); ++i) {
    const std::int64_t c = static_cast<std::int64_t>(Col) + static_cast<std::int64_t>(i);
    if (!Inside(c, M.NrOfColumns())) continue;
    const std::vector<T>& src = Src[i];
    const std::size_t first = Row < 1 ? static_cast<std::size_t>(1 - static_cast<std::int64_t>(Row)) : 0;
    for (std::size_t j = first; j < src.size(); ++j) {
      const std::int64_t r = static_cast<std::int64_t>(Row) + static_cast<std::int64_t>(j);
      if (r > M.NrOfRows()) break;
      M.SetVal(static_cast<int>(c), static_cast<int>(r), static_cast<double>(src[j]));
    }
  }
}

// DestVec filled with 0, then elements First..Last (range rule, cut to
// DestVec's size) along row Fixed (AlongRow) or column Fixed, Fixed clipped
// to the matrix, into elements 1, 2, ...
void CopyLineToVec(const TMatrix& M, bool AlongRow, TVector* DestVec, int Fixed, int First, int Last) {
  if (DestVec == nullptr) return;
  DestVec->Fill(0);
  if (AlongRow)
    M.MakeValidColRange(First, Last);
  else
    M.MakeValidRowRange(First, Last);
  const int across = AlongRow ? M.NrOfRows() : M.NrOfColumns();
  if (First < 1 || across < 1) return;
  Fixed = std::clamp(Fixed, 1, across);
  Last = static_cast<int>(std::min<std::int64_t>(Last, std::int64_t{First} + DestVec->NrOfElem() - 1));
  // Values are read before the writes: the vector's OnChange may resize the matrix.
  std::vector<double> line;
  for (int k = First; k <= Last; ++k) line.push_back(AlongRow ? M.GetVal(k, Fixed) : M.GetVal(Fixed, k));
  for (std::size_t k = 0; k < line.size(); ++k) DestVec->SetVal(static_cast<int>(k) + 1, line[k]);
}

// Fills the range after the range rule column by column with Next(); one
// OnChange at the end.
template <class Next>
void FillRange(TMatrix& M, int LowCol, int HighCol, int LowRow, int HighRow, Next next) {
  M.MakeValidColRange(LowCol, HighCol);
  M.MakeValidRowRange(LowRow, HighRow);
  if (LowCol >= 1 && LowRow >= 1)
    for (int c = LowCol; c <= HighCol; ++c) {
      double* col = M.ColumnData(c);
      for (int r = LowRow; r <= HighRow; ++r) col[r - 1] = next();
    }
  M.Changed();
}

}  // namespace

// ---- copying ----------------------------------------------------------------------

void TMatrix::Clone(const TMatrix* MatSource) {
  if (MatSource == nullptr) return;
  const int nc = MatSource->FNCol, nr = MatSource->FNRow;
  Resize(nc, nr);
  // GetVal and SetVal re-check both shapes on every element: an OnChange
  // handler may resize either matrix while the copy runs.
  for (int c = 1; c <= nc; ++c)
    for (int r = 1; r <= nr; ++r) SetVal(c, r, MatSource->GetVal(c, r));
  Changed();
}

void TMatrix::CopyFrom(const TMatrix* MatSource, int SourceColLo, int SourceRowLo, int SourceColHi, int SourceRowHi,
                       int DestCol, int DestRow) {
  if (MatSource == nullptr) return;
  const int snc = MatSource->FNCol, snr = MatSource->FNRow;
  if (snc >= 1 && snr >= 1) {
    SourceColLo = std::clamp(SourceColLo, 1, snc);
    SourceColHi = std::clamp(SourceColHi, 1, snc);
    SourceRowLo = std::clamp(SourceRowLo, 1, snr);
    SourceRowHi = std::clamp(SourceRowHi, 1, snr);
    if (SourceColHi < SourceColLo) std::swap(SourceColLo, SourceColHi);
    if (SourceRowHi < SourceRowLo) std::swap(SourceRowLo, SourceRowHi);
    // A snapshot of the source rectangle, so a copy within this matrix
    // cannot read what it has already overwritten.
    const std::vector<double> src = MatSource->GatherRange(SourceColLo, SourceColHi, SourceRowLo, SourceRowHi);
    const std::size_t h = static_cast<std::size_t>(SourceRowHi - SourceRowLo + 1);
    for (int i = 0; i <= SourceColHi - SourceColLo; ++i) {
      const std::int64_t c = static_cast<std::int64_t>(DestCol) + i;
      if (!Inside(c, FNCol)) continue;
      for (std::size_t j = 0; j < h; ++j) {
        const std::int64_t r = static_cast<std::int64_t>(DestRow) + static_cast<std::int64_t>(j);
        if (Inside(r, FNRow))
          SetVal(static_cast<int>(c), static_cast<int>(r), src[static_cast<std::size_t>(i) * h + j]);
      }
    }
  }
  Changed();
}

void TMatrix::CopyFromVec(const TVector* VecSource, int Source1stElem, int SourceLastElem, int DestCol, int DestRow) {
  CopyFromVec(dimRows, VecSource, Source1stElem, SourceLastElem, DestCol, DestRow);
}

void TMatrix::CopyFromVec(TDims Dim, const TVector* VecSource, int Source1stElem, int SourceLastElem, int DestCol,
                          int DestRow) {
  if (VecSource == nullptr) return;
  VecSource->MakeValidElemRange(Source1stElem, SourceLastElem);
  for (int e = Source1stElem; e <= SourceLastElem; ++e) {
    const std::int64_t step = e - Source1stElem;
    if (Dim == dimColumns) {
      const std::int64_t c = static_cast<std::int64_t>(DestCol) + step;
      if (Inside(c, FNCol)) SetVal(static_cast<int>(c), DestRow, VecSource->GetVal(e));
    } else {
      const std::int64_t r = static_cast<std::int64_t>(DestRow) + step;
      if (Inside(r, FNRow)) SetVal(DestCol, static_cast<int>(r), VecSource->GetVal(e));
    }
  }
  Changed();
}

void TMatrix::CopyRowToVec(TVector* DestVec, int Row, int FirstCol, int LastCol) const {
  CopyLineToVec(*this, true, DestVec, Row, FirstCol, LastCol);
}

void TMatrix::CopyColToVec(TVector* DestVec, int Col, int FirstRow, int LastRow) const {
  CopyLineToVec(*this, false, DestVec, Col, FirstRow, LastRow);
}

void TMatrix::CopyToArray(TDouble2DArray& DestArray, int LowCol, int HighCol, int LowRow, int HighRow) const {
  RectToArray(*this, DestArray, LowCol, HighCol, LowRow, HighRow, [](double x) { return x; });
}

void TMatrix::CopyToArray(TInt2DArray& DestArray, int LowCol, int HighCol, int LowRow, int HighRow) const {
  RectToArray(*this, DestArray, LowCol, HighCol, LowRow, HighRow, [](double x) { return RoundToInt(x); });
}

void TMatrix::CopyFromArray(const TDouble2DArray& SrcArray, int Col, int Row) {
  ArrayToMatrix(*this, SrcArray, Col, Row);
}

void TMatrix::CopyFromArray(const TInt2DArray& SrcArray, int Col, int Row) { ArrayToMatrix(*this, SrcArray, Col, Row); }

// ---- filling and counting ----------------------------------------------------------

void TMatrix::FillDiag(double value) {
  for (int i = 1; i <= std::min(FNCol, FNRow); ++i) At(i, i) = value;
  Changed();
}

void TMatrix::FillRandomUniform(double RangeLow, double RangeHigh) {
  FillRandomUniform(0, 0, 0, 0, RangeLow, RangeHigh);
}

void TMatrix::FillRandomUniform(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow, double RangeHigh) {
  FillRange(*this, LowCol, HighCol, LowRow, HighRow, [&] { return RangeLow + Random() * (RangeHigh - RangeLow); });
}

void TMatrix::FillRandomGauss(double Mean, double StdDev) { FillRandomGauss(0, 0, 0, 0, Mean, StdDev); }

void TMatrix::FillRandomGauss(int LowCol, int HighCol, int LowRow, int HighRow, double Mean, double StdDev) {
  FillRange(*this, LowCol, HighCol, LowRow, HighRow, [&] { return GRandom() * StdDev + Mean; });
}

int TMatrix::CountValues(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow, double RangeHigh) const {
  std::vector<double> scratch;
  const auto x = ClippedRect(LowCol, LowRow, HighCol, HighRow, scratch);
  std::int64_t n = 0;
  for (const double v : x) n += (RangeLow <= v && v <= RangeHigh) ? 1 : 0;
  return static_cast<int>(std::min<std::int64_t>(n, INT32_MAX));
}

int TMatrix::Dichotomize(double Threshold, TBool2DArray& ResultArray) const {
  ResultArray.assign(static_cast<std::size_t>(FNCol), TBoolArray(static_cast<std::size_t>(FNRow)));
  std::int64_t n = 0;
  for (int c = 1; c <= FNCol; ++c) {
    const double* col = ColumnData(c);
    TBoolArray& out = ResultArray[static_cast<std::size_t>(c - 1)];
    for (int r = 0; r < FNRow; ++r) {
      const bool above = col[r] > Threshold;
      out[static_cast<std::size_t>(r)] = above;
      n += above ? 1 : 0;
    }
  }
  return static_cast<int>(std::min<std::int64_t>(n, INT32_MAX));
}

// ---- rearranging ---------------------------------------------------------------------

bool TMatrix::RemoveColumn(int col) {
  if (col < 1 || col > FNCol || FNCol == 1) return false;
  // Column-major: the later columns are one contiguous block that moves left.
  std::copy(FMat.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(col) * FLd), FMat.end(),
            FMat.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(col - 1) * FLd));
  return Resize(FNCol - 1, FNRow);
}

bool TMatrix::RemoveRow(int row) {
  if (row < 1 || row > FNRow || FNRow == 1) return false;
  // Compacted in place to the shorter column height (no allocation, so
  // nothing can fail half-way); every column moves towards the front, so a
  // column's destination never overlaps a column not yet moved.
  const std::size_t ld = FLd, newLd = ld - 1, cols = FMat.size() / ld;
  const std::size_t above = static_cast<std::size_t>(row - 1);
  double* m = FMat.data();
  for (std::size_t c = 0; c < cols; ++c) {
    std::memmove(m + c * newLd, m + c * ld, above * sizeof(double));
    std::memmove(m + c * newLd + above, m + c * ld + above + 1, (ld - above - 1) * sizeof(double));
  }
  FMat.resize(cols * newLd);
  FLd = newLd;
  --FNRow;
  Changed();
  return true;
}

void TMatrix::ExchangeColumns(int c1, int c2) {
  if (c1 < 1 || c1 > FNCol || c2 < 1 || c2 > FNCol) return;
  if (c1 != c2) std::swap_ranges(ColumnData(c1), ColumnData(c1) + FNRow, ColumnData(c2));
  Changed();
}

void TMatrix::ExchangeRows(int r1, int r2) {
  if (r1 < 1 || r1 > FNRow || r2 < 1 || r2 > FNRow) return;
  for (int c = 1; c <= FNCol; ++c) std::swap(At(c, r1), At(c, r2));
  Changed();
}

void TMatrix::MirrorColumns() {
  for (int c = 1, d = FNCol; c < d; ++c, --d) std::swap_ranges(ColumnData(c), ColumnData(c) + FNRow, ColumnData(d));
  Changed();
}

void TMatrix::MirrorRows() {
  for (int c = 1; c <= FNCol; ++c) std::reverse(ColumnData(c), ColumnData(c) + FNRow);
  Changed();
}

// ---- search ------------------------------------------------------------------------------

void TMatrix::Find(int LowCol, int HighCol, int LowRow, int HighRow, double Value, int& ColIx, int& RowIx) const {
  ColIx = 0;
  RowIx = 0;
  if (!ValidRect(LowCol, LowRow, HighCol, HighRow)) return;
  const auto h = static_cast<std::size_t>(HighRow - LowRow + 1);
  double best = uc_MaxDouble;
  for (int c = LowCol; c <= HighCol; ++c) {
    // Passing the best distance so far as the start keeps the first
    // occurrence: a later column wins only when strictly closer.
    const std::span<const double> col(ColumnData(c) + (LowRow - 1), h);
    const int k = RangeFindClosest<double, double>(col, Value, best);
    if (k == 0) continue;
    best = std::fabs(col[static_cast<std::size_t>(k - 1)] - Value);
    ColIx = c;
    RowIx = LowRow + k - 1;
  }
}

int TMatrix::FindInSortedColumn(int Col, bool ColIsAscending, double Value) const {
  if (Col < 1 || Col > FNCol || FNRow < 1) return 0;
  return RangeFindInSorted(std::span<const double>(ColumnData(Col), static_cast<std::size_t>(FNRow)), ColIsAscending,
                           Value);
}

}  // namespace zel
