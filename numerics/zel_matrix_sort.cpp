// SortRows and SortCols: the comb sort over rows or columns. With an
// OnSortExchange handler the sort runs on the storage and reports every
// exchange; without one, the same passes run on (key, position) pairs and
// the final order is applied to each moved line once. Both make the same
// comparisons in the same order, so ties, NaN keys and signed zeros end up
// in the same places.
#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <tuple>
#include <utility>

#include "zel_math1_sort.h"
#include "zel_matrix.h"

namespace zel {

namespace {

// The positions being sorted (rows for SortRows, columns for SortCols) and
// the lines that move with them (columns LowLine..HighLine, resp. rows), as
// strides into the column-major storage.
struct TSortLayout {
  double* Base;            // element (position 1, line 1)
  std::size_t PosStride;   // between adjacent positions
  std::size_t LineStride;  // between adjacent lines
  int KeyLine;
  int LowLine;
  int HighLine;
  bool KeyOutside() const noexcept { return KeyLine < LowLine || KeyLine > HighLine; }
  double& At(int Pos, int Line) const noexcept {
    return Base[static_cast<std::size_t>(Pos - 1) * PosStride + static_cast<std::size_t>(Line - 1) * LineStride];
  }
};

// The comb sort's gaps over Low..High: the gap starts at High − Low and
// shrinks with CombSortNextGap before each pass; Pass(gap) compares every
// pair (i, i + gap) in increasing i, exchanges those out of order and tells
// whether it exchanged any. Ends after a gap-1 pass without exchange.
template <class Pass>
void CombGaps(int Low, int High, Pass pass) {
  std::size_t gap = static_cast<std::size_t>(High - Low);
  bool exchanged;
  do {
    gap = CombSortNextGap(gap);
    exchanged = pass(static_cast<int>(gap));
  } while (gap > 1 || exchanged);
}

// Ascending exchanges when key(i) > key(j), descending when key(i) < key(j);
// equal keys and NaNs are never exchanged.
template <bool Ascending>
bool OutOfOrder(double KeyI, double KeyJ) noexcept {
  return Ascending ? KeyI > KeyJ : KeyI < KeyJ;
}

// The specified algorithm on the storage: each exchange swaps the moved
// lines (and the key line when outside them) of positions i and j, then
// calls Report(i, j).
template <bool Ascending, class Report>
void SortInPlace(const TSortLayout& L, int Low, int High, Report report) {
  CombGaps(Low, High, [&](int gap) {
    bool exchanged = false;
    for (int i = Low, j = Low + gap; j <= High; ++i, ++j) {
      if (!OutOfOrder<Ascending>(L.At(i, L.KeyLine), L.At(j, L.KeyLine))) continue;
      for (int line = L.LowLine; line <= L.HighLine; ++line) std::swap(L.At(i, line), L.At(j, line));
      if (L.KeyOutside()) std::swap(L.At(i, L.KeyLine), L.At(j, L.KeyLine));
      exchanged = true;
      report(i, j);
    }
    return exchanged;
  });
}

template <class Report>
void SortInPlace(const TSortLayout& L, int Low, int High, bool Ascending, Report report) {
  if (Ascending)
    SortInPlace<true>(L, Low, High, report);
  else
    SortInPlace<false>(L, Low, High, report);
}

// The same passes over a copy of the keys, carrying each key's original
// offset along. For gap >= 2 the pairs (i, i + gap) and (i + 1, i + 1 + gap)
// touch four distinct elements, and each pair of pairs reads only elements
// the earlier ones have finished with, so two are compare-exchanged at once
// (SSE2, the x86-64 baseline) with exactly the sequential result. The
// exchange is a compare and masked selects, never min/max, which would
// differ from "exchange when out of order" on NaN and signed zeros.
template <bool Ascending>
void SortKeys(std::vector<double>& Key, std::vector<std::int64_t>& Pos) {
  double* k = Key.data();
  std::int64_t* p = Pos.data();
  const int n = static_cast<int>(Key.size());
  CombGaps(0, n - 1, [=](int gap) {
    bool exchanged = false;
    int i = 0;
    const int last = n - gap;  // pairs i < last
    if (gap >= 2)
      for (; i + 2 <= last; i += 2) {
        const __m128d a = _mm_loadu_pd(k + i), b = _mm_loadu_pd(k + i + gap);
        const __m128d m = Ascending ? _mm_cmpgt_pd(a, b) : _mm_cmplt_pd(a, b);  // false on NaN
        _mm_storeu_pd(k + i, _mm_or_pd(_mm_and_pd(m, b), _mm_andnot_pd(m, a)));
        _mm_storeu_pd(k + i + gap, _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b)));
        auto* pi = reinterpret_cast<__m128i*>(p + i);
        auto* pj = reinterpret_cast<__m128i*>(p + i + gap);
        const __m128i pa = _mm_loadu_si128(pi), pb = _mm_loadu_si128(pj);
        const __m128i diff = _mm_and_si128(_mm_xor_si128(pa, pb), _mm_castpd_si128(m));
        _mm_storeu_si128(pi, _mm_xor_si128(pa, diff));
        _mm_storeu_si128(pj, _mm_xor_si128(pb, diff));
        exchanged |= _mm_movemask_pd(m) != 0;
      }
    for (int j = i + gap; i < last; ++i, ++j)
      if (OutOfOrder<Ascending>(k[i], k[j])) {
        std::swap(k[i], k[j]);
        std::swap(p[i], p[j]);
        exchanged = true;
      }
    return exchanged;
  });
}

// The comb sort on (key, position) pairs, then every moved line is permuted
// once: O(n log n) for the sort and one pass over the moved values. Raises
// std::bad_alloc before anything is changed.
void SortByIndex(const TSortLayout& L, int Low, int High, bool Ascending) {
  const auto n = static_cast<std::size_t>(High - Low + 1);
  const auto lines = static_cast<std::size_t>(L.HighLine - L.LowLine + 1);
  std::vector<double> key(n);
  std::vector<std::int64_t> pos(n);
  // Rows: one column at a time through a buffer; columns: the block of
  // column segments through a copy.
  std::vector<double> buf(L.PosStride == 1 ? n : n * lines);
  for (std::size_t k = 0; k < n; ++k) {
    key[k] = L.At(Low + static_cast<int>(k), L.KeyLine);
    pos[k] = static_cast<std::int64_t>(k);
  }
  if (Ascending)
    SortKeys<true>(key, pos);
  else
    SortKeys<false>(key, pos);
  bool moved = false;
  for (std::size_t k = 0; k < n && !moved; ++k) moved = pos[k] != static_cast<std::int64_t>(k);
  if (!moved) return;
  if (L.PosStride == 1) {
    for (int line = L.LowLine; line <= L.HighLine; ++line) {
      double* v = &L.At(Low, line);
      for (std::size_t k = 0; k < n; ++k) buf[k] = v[pos[k]];
      std::copy(buf.begin(), buf.end(), v);
    }
  } else {
    // A column segment (rows LowLine..HighLine) is contiguous.
    for (std::size_t k = 0; k < n; ++k)
      std::copy_n(&L.At(Low + static_cast<int>(pos[k]), L.LowLine), lines, buf.data() + k * lines);
    for (std::size_t k = 0; k < n; ++k)
      std::copy_n(buf.data() + k * lines, lines, &L.At(Low + static_cast<int>(k), L.LowLine));
  }
  if (L.KeyOutside())
    for (std::size_t k = 0; k < n; ++k) L.At(Low + static_cast<int>(k), L.KeyLine) = key[k];
}

void RunSort(TMatrix& M, const TSortLayout& L, int Low, int High, bool Ascending, Byte Kind) {
  if (M.OnSortExchange) {
    // A copy of the handler survives one that reassigns itself; a handler
    // that changes the shape ends the sort with an error instead of letting
    // it write into storage that has moved.
    const auto shape = [&M] {
      return std::make_tuple(M.Data().data(), M.Data().size(), M.LeadingDim(), M.NrOfColumns(), M.NrOfRows());
    };
    SortInPlace(L, Low, High, Ascending,
                [&M, &L, &shape, before = shape(), handler = M.OnSortExchange, Kind](int i, int j) {
                  handler(&M, Kind, i, j, L.LowLine, L.HighLine);
                  if (shape() != before)
                    throw EZELMatrixError(ComponentMessage(M.Name(), "matrix resized during sort"));
                });
  } else {
    try {
      SortByIndex(L, Low, High, Ascending);
    } catch (const std::bad_alloc&) {
      SortInPlace(L, Low, High, Ascending, [](int, int) {});
    }
  }
  M.Changed();
}

}  // namespace

void TMatrix::SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
  if (SortColIx < 1 || SortColIx > FNCol) return;
  MakeValidColRange(LowCol, HighCol);
  MakeValidRowRange(LowRow, HighRow);
  if (HighRow - LowRow < 1) return;
  RunSort(*this, {FMat.data(), 1, FLd, SortColIx, LowCol, HighCol}, LowRow, HighRow, Ascending, 2);
}

void TMatrix::SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
  if (SortRowIx < 1 || SortRowIx > FNRow) return;
  MakeValidColRange(LowCol, HighCol);
  MakeValidRowRange(LowRow, HighRow);
  if (HighCol - LowCol < 1) return;
  RunSort(*this, {FMat.data(), FLd, 1, SortRowIx, LowRow, HighRow}, LowCol, HighCol, Ascending, 1);
}

}  // namespace zel
