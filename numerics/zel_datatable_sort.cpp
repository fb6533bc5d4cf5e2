// TDataTable: sorting by values, names and attributes.
//
// Every sort is the library's comb sort (gap := trunc(gap / 1.3), at least
// 1). With an OnSortExchange handler each exchange is carried out at once
// and reported. Without one, the same comb sort runs on the keys alone,
// carrying the lines' original positions along, and the table is permuted
// once at the end: the comparisons depend only on the keys, which travel
// with their lines, so the outcome is the same exchange for exchange
// (including the order of equal keys, which the comb sort does not keep).
// Names are sorted through order-preserving integer ranks for the same reason.
#include <algorithm>
#include <numeric>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "zel_datatable.h"
#include "zel_numeric.h"
#include "zel_rangestats.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// Lower case of one Windows-1252 character as a Unicode code point: ASCII,
// the Latin-1 capitals (not the multiplication sign) and the four capitals
// the code page adds in 0x80..0x9F.
char32_t LowerCodePoint(unsigned char B) {
  const char32_t u = CP1252ToUnicode(B);
  if ((u >= U'A' && u <= U'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return u + 32;
  switch (u) {
    case 0x0160:
      return 0x0161;  // Š
    case 0x0152:
      return 0x0153;  // Œ
    case 0x017D:
      return 0x017E;  // Ž
    case 0x0178:
      return 0x00FF;  // Ÿ
    default:
      return u;
  }
}

// Dense ranks of Keys: equal keys share a rank, and rank order is key order.
template <class K>
std::vector<int> RanksOf(const std::vector<K>& Keys) {
  std::vector<int> idx(Keys.size());
  std::iota(idx.begin(), idx.end(), 0);
  std::sort(idx.begin(), idx.end(),
            [&Keys](int a, int b) { return Keys[static_cast<std::size_t>(a)] < Keys[static_cast<std::size_t>(b)]; });
  std::vector<int> rank(Keys.size());
  int r = 0;
  for (std::size_t k = 0; k < idx.size(); ++k) {
    if (k > 0 && Keys[static_cast<std::size_t>(idx[k - 1])] < Keys[static_cast<std::size_t>(idx[k])]) ++r;
    rank[static_cast<std::size_t>(idx[k])] = r;
  }
  return rank;
}

// Sort keys of the names Lo..Hi (1-based): byte order of the 8-bit text, or
// with IgnoreCase the code-point order of the lower-cased Unicode text.
std::vector<int> NameRanks(const std::vector<TDTNameStr>& Names, int Lo, int Hi, bool IgnoreCase) {
  const auto b = Names.begin() + Lo - 1, e = Names.begin() + Hi;
  if (!IgnoreCase) return RanksOf(std::vector<std::string>(b, e));
  std::vector<std::u32string> keys;
  keys.reserve(static_cast<std::size_t>(Hi - Lo + 1));
  for (auto it = b; it != e; ++it) {
    std::u32string k;
    for (const char ch : *it) k.push_back(LowerCodePoint(static_cast<unsigned char>(ch)));
    keys.push_back(std::move(k));
  }
  return RanksOf(keys);
}

// Comb sort of Keys (the whole span) that only records the moves: Perm[k]
// is afterwards the original position of the key now at k.
template <class T>
std::vector<int> CombPermutation(std::vector<T>& Keys, bool Ascending) {
  std::vector<int> perm(Keys.size());
  std::iota(perm.begin(), perm.end(), 0);
  RangeCombSort(std::span<T>(Keys), 1, static_cast<int>(Keys.size()), Ascending, [&perm](int i, int j) {
    std::swap(perm[static_cast<std::size_t>(i - 1)], perm[static_cast<std::size_t>(j - 1)]);
  });
  return perm;
}

// Dst[k] := Src[Perm[k]] for the n elements at Base, through Buf.
template <class T>
void PermuteSpan(T* Base, const std::vector<int>& Perm, std::vector<T>& Buf) {
  Buf.resize(Perm.size());
  for (std::size_t k = 0; k < Perm.size(); ++k) Buf[k] = std::move(Base[Perm[k]]);
  std::move(Buf.begin(), Buf.end(), Base);
}

// The same for n blocks of Len elements spaced Stride apart (column segments).
template <class T>
void PermuteBlocks(T* Base, std::size_t Stride, std::size_t Len, const std::vector<int>& Perm, std::vector<T>& Buf) {
  if (Len == 0) return;
  Buf.resize(Perm.size() * Len);
  for (std::size_t k = 0; k < Perm.size(); ++k)
    std::copy_n(Base + static_cast<std::size_t>(Perm[k]) * Stride, Len, Buf.data() + k * Len);
  for (std::size_t k = 0; k < Perm.size(); ++k) std::copy_n(Buf.data() + k * Len, Len, Base + k * Stride);
}

}  // namespace

// ---- line exchange and permutation ------------------------------------------------------

bool TDataTable::ExchangeRowParts(int r1, int r2, int ColLo, int ColHi, bool Values, bool Headers) {
  // Read afresh on every call: a sort's exchange handler may reshape the table.
  if (r1 < 1 || r1 > FNrOfRows || r2 < 1 || r2 > FNrOfRows) return false;
  const int lo = std::max(ColLo, 1), hi = std::min(ColHi, FNrOfCols);
  const bool values = Values && r1 <= FNumericData->NrOfRows() && r2 <= FNumericData->NrOfRows();
  for (int c = lo; c <= hi; ++c) {
    std::swap(StateAt(c, r1), StateAt(c, r2));
    if (values && c <= FNumericData->NrOfColumns()) {
      double* v = FNumericData->ColumnData(c);
      std::swap(v[r1 - 1], v[r2 - 1]);
    }
  }
  if (Headers) {
    std::swap(FRowName[static_cast<std::size_t>(r1 - 1)], FRowName[static_cast<std::size_t>(r2 - 1)]);
    std::swap(FRowAtt[static_cast<std::size_t>(r1 - 1)], FRowAtt[static_cast<std::size_t>(r2 - 1)]);
  }
  return true;
}

bool TDataTable::ExchangeColParts(int c1, int c2, int RowLo, int RowHi, bool Values, bool Headers) {
  if (c1 < 1 || c1 > FNrOfCols || c2 < 1 || c2 > FNrOfCols) return false;
  const int lo = std::max(RowLo, 1), hi = std::min(RowHi, FNrOfRows);
  const bool values = Values && c1 <= FNumericData->NrOfColumns() && c2 <= FNumericData->NrOfColumns();
  for (int r = lo; r <= hi; ++r) {
    std::swap(StateAt(c1, r), StateAt(c2, r));
    if (values && r <= FNumericData->NrOfRows())
      std::swap(FNumericData->ColumnData(c1)[r - 1], FNumericData->ColumnData(c2)[r - 1]);
  }
  if (Headers) {
    const auto i = static_cast<std::size_t>(c1 - 1), j = static_cast<std::size_t>(c2 - 1);
    std::swap(FColName[i], FColName[j]);
    std::swap(FColAtt[i], FColAtt[j]);
    std::swap(FVType[i], FVType[j]);
  }
  return true;
}

void TDataTable::PermuteRowParts(int Lo, const std::vector<int>& Perm, int ColLo, int ColHi, int KeyCol, bool Headers) {
  const auto first = static_cast<std::size_t>(Lo - 1), nr = static_cast<std::size_t>(FNrOfRows);
  std::vector<double> dbuf;
  std::vector<Byte> sbuf;
  if (ColLo >= 1)
    for (int c = ColLo; c <= ColHi; ++c) {
      PermuteSpan(FNumericData->ColumnData(c) + first, Perm, dbuf);
      PermuteSpan(FCState.data() + static_cast<std::size_t>(c - 1) * nr + first, Perm, sbuf);
    }
  if (KeyCol >= 1) PermuteSpan(FNumericData->ColumnData(KeyCol) + first, Perm, dbuf);
  if (Headers) {
    std::vector<TDTNameStr> nbuf;
    PermuteSpan(FRowName.data() + first, Perm, nbuf);
    TIntArray abuf;
    PermuteSpan(FRowAtt.data() + first, Perm, abuf);
  }
}

void TDataTable::PermuteColParts(int Lo, const std::vector<int>& Perm, int RowLo, int RowHi, int KeyRow, bool Headers) {
  const auto first = static_cast<std::size_t>(Lo - 1), nr = static_cast<std::size_t>(FNrOfRows);
  const std::size_t ld = FNumericData->LeadingDim();
  if (RowLo >= 1) {
    const auto len = static_cast<std::size_t>(RowHi - RowLo + 1), skip = static_cast<std::size_t>(RowLo - 1);
    std::vector<double> dbuf;
    PermuteBlocks(FNumericData->ColumnData(Lo) + skip, ld, len, Perm, dbuf);
    std::vector<Byte> sbuf;
    PermuteBlocks(FCState.data() + first * nr + skip, nr, len, Perm, sbuf);
  }
  if (KeyRow >= 1) {
    std::vector<double> kbuf;
    PermuteBlocks(FNumericData->ColumnData(Lo) + (KeyRow - 1), ld, 1, Perm, kbuf);
  }
  if (Headers) {
    std::vector<TDTNameStr> nbuf;
    PermuteSpan(FColName.data() + first, Perm, nbuf);
    TIntArray abuf;
    PermuteSpan(FColAtt.data() + first, Perm, abuf);
    std::vector<TVTypeSpecs> vbuf;
    PermuteSpan(FVType.data() + first, Perm, vbuf);
  }
}

// ---- sorting by values --------------------------------------------------------------------

void TDataTable::SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow,
                          bool IncludeHeaders) {
  SyncShapeWithMatrix();
  FSortIncludeHd = IncludeHeaders;
  if (OnSortExchange) {
    // The matrix sorts and reports each exchange to ExchangeDuringSort.
    FNumericData->SortRows(SortColIx, Ascending, LowCol, LowRow, HighCol, HighRow);
  } else if (SortColIx >= 1 && SortColIx <= FNrOfCols) {
    // The matrix's own rules for the key and the ranges.
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    if (HighRow - LowRow >= 1) {
      const double* key = FNumericData->ColumnData(SortColIx) + (LowRow - 1);
      std::vector<double> keys(key, key + (HighRow - LowRow + 1));
      const std::vector<int> perm = CombPermutation(keys, Ascending);
      const bool keyOutside = SortColIx < LowCol || SortColIx > HighCol;
      PermuteRowParts(LowRow, perm, LowCol, HighCol, keyOutside ? SortColIx : 0, IncludeHeaders);
      FNumericData->Changed();
    }
  }
  if (IncludeHeaders) {
    ChangedNames();
    ChangedAttrib();
  }
}

void TDataTable::SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow,
                          bool IncludeHeaders) {
  SyncShapeWithMatrix();
  FSortIncludeHd = IncludeHeaders;
  if (OnSortExchange) {
    FNumericData->SortCols(SortRowIx, Ascending, LowCol, LowRow, HighCol, HighRow);
  } else if (SortRowIx >= 1 && SortRowIx <= FNrOfRows) {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    if (HighCol - LowCol >= 1) {
      std::vector<double> keys(static_cast<std::size_t>(HighCol - LowCol + 1));
      for (int c = LowCol; c <= HighCol; ++c)
        keys[static_cast<std::size_t>(c - LowCol)] = FNumericData->ColumnData(c)[SortRowIx - 1];
      const std::vector<int> perm = CombPermutation(keys, Ascending);
      const bool keyOutside = SortRowIx < LowRow || SortRowIx > HighRow;
      PermuteColParts(LowCol, perm, LowRow, HighRow, keyOutside ? SortRowIx : 0, IncludeHeaders);
      FNumericData->Changed();
    }
  }
  if (IncludeHeaders) {
    ChangedNames();
    ChangedAttrib();
  }
}

void TDataTable::ExchangeDuringSort(TObject* Sender, Byte ExchgWhat, int Index1, int Index2, int First, int Last) {
  const bool done = ExchgWhat == 1 ? ExchangeColParts(Index1, Index2, First, Last, false, FSortIncludeHd)
                                   : ExchangeRowParts(Index1, Index2, First, Last, false, FSortIncludeHd);
  if (done && OnSortExchange) OnSortExchange(Sender, ExchgWhat, Index1, Index2, First, Last);
}

// ---- sorting by names and attributes ---------------------------------------------------------

void TDataTable::SortLines(bool Cols, bool ByNames, bool IgnoreCase, bool Ascending, int LowCol, int LowRow,
                           int HighCol, int HighRow) {
  SyncShapeWithMatrix();
  MakeValidColRange(LowCol, HighCol);
  MakeValidRowRange(LowRow, HighRow);
  const int lo = Cols ? LowCol : LowRow, hi = Cols ? HighCol : HighRow;
  const int otherLo = Cols ? LowRow : LowCol, otherHi = Cols ? HighRow : HighCol;
  if (hi - lo <= 0) return;
  const TIntArray& att = Cols ? FColAtt : FRowAtt;
  std::vector<int> keys = ByNames ? NameRanks(Cols ? FColName : FRowName, lo, hi, IgnoreCase)
                                  : std::vector<int>(att.begin() + lo - 1, att.begin() + hi);
  if (OnSortExchange) {
    // A copy, so a handler that reassigns OnSortExchange does not destroy the running one.
    const TSortExchgEvent handler = OnSortExchange;
    const Byte kind = Cols ? 1 : 2;
    RangeCombSort(std::span<int>(keys), 1, static_cast<int>(keys.size()), Ascending, [&](int p1, int p2) {
      const int i = lo + p1 - 1, j = lo + p2 - 1;
      if (Cols)
        ExchangeColParts(i, j, otherLo, otherHi, true, true);
      else
        ExchangeRowParts(i, j, otherLo, otherHi, true, true);
      handler(this, kind, i, j, otherLo, otherHi);
    });
  } else {
    const std::vector<int> perm = CombPermutation(keys, Ascending);
    if (Cols)
      PermuteColParts(lo, perm, otherLo, otherHi, 0, true);
    else
      PermuteRowParts(lo, perm, otherLo, otherHi, 0, true);
  }
  ChangedData();
  if (ByNames)
    ChangedNames();
  else
    ChangedAttrib();
}

void TDataTable::SortRowNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
  SortLines(false, true, false, Ascending, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortRowNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow, int HighCol, int HighRow) {
  SortLines(false, true, IgnoreCase, Ascending, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortRowAttributes(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
  SortLines(false, false, false, Ascending, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortColNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
  SortLines(true, true, false, Ascending, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortColNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow, int HighCol, int HighRow) {
  SortLines(true, true, IgnoreCase, Ascending, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortColAttributes(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
  SortLines(true, false, false, Ascending, LowCol, LowRow, HighCol, HighRow);
}

}  // namespace zel
