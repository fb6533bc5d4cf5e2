// TMatrix::SortRows / SortCols: the exchanges against a plain comb sort
// written here, the handler-free path against the reported one (ties, NaN
// keys, signed zeros), and the cases that must do nothing.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <random>

#include "matrix_test_util.h"

using namespace zel;
using namespace zel::test;

namespace {

using Exchanges = std::vector<std::array<int, 5>>;  // kind, i, j, low, high

// The comb sort as the matrix specifies it, on a column-major copy D with
// NRow rows: positions are rows (ByRows) or columns, Line* the moved lines.
Exchanges ModelSort(std::vector<double>& D, int NRow, bool ByRows, int Key, bool Asc, int Lo, int Hi, int LineLo,
                    int LineHi) {
  auto at = [&](int pos, int line) -> double& {
    return D[static_cast<std::size_t>(ByRows ? (line - 1) * NRow + pos - 1 : (pos - 1) * NRow + line - 1)];
  };
  Exchanges ex;
  int gap = Hi - Lo;
  for (bool swapped = true; gap > 1 || swapped;) {
    gap = std::max(1, static_cast<int>(gap / 1.3));
    swapped = false;
    for (int i = Lo; i + gap <= Hi; ++i) {
      if (!(Asc ? at(i, Key) > at(i + gap, Key) : at(i, Key) < at(i + gap, Key))) continue;
      for (int l = LineLo; l <= LineHi; ++l) std::swap(at(i, l), at(i + gap, l));
      if (Key < LineLo || Key > LineHi) std::swap(at(i, Key), at(i + gap, Key));
      ex.push_back({ByRows ? 2 : 1, i, i + gap, LineLo, LineHi});
      swapped = true;
    }
  }
  return ex;
}

void Record(TMatrix& M, Exchanges& Log) {
  M.OnSortExchange = [&Log](TObject*, Byte kind, int i, int j, int lo, int hi) { Log.push_back({kind, i, j, lo, hi}); };
}

}  // namespace

TEST(MatrixSort, ExchangesFollowTheCombSort) {
  // Rows by column 1 moving columns 2..3 (the key moves with them).
  auto m = MakeMatrix(3, 5, {5, 3, 4, 1, 2, 50, 30, 40, 10, 20, 500, 300, 400, 100, 200});
  Exchanges log;
  Record(*m, log);
  std::vector<double> model = Elements(*m);
  m->SortRows(1, true, 2, 0, 3, 0);
  EXPECT_EQ(log, ModelSort(model, 5, true, 1, true, 1, 5, 2, 3));
  EXPECT_EQ(Elements(*m), (std::vector<double>{1, 2, 3, 4, 5, 10, 20, 30, 40, 50, 100, 200, 300, 400, 500}));
  // Ties, sub-ranges and the key line 4 outside the moved lines 2..3.
  std::mt19937 g(11);
  for (const bool byRows : {true, false}) {
    for (const bool asc : {true, false}) {
      m = MakeMatrix(6, 11, {});
      for (double& v : m->Data()) v = static_cast<double>(g() % 5);
      log.clear();
      Record(*m, log);
      model = Elements(*m);
      const auto expected = ModelSort(model, 11, byRows, 4, asc, 2, byRows ? 10 : 5, 2, 3);
      byRows ? m->SortRows(4, asc, 2, 2, 3, 10) : m->SortCols(4, asc, 2, 2, 5, 3);
      EXPECT_EQ(log, expected) << byRows << asc;
      EXPECT_EQ(Elements(*m), model) << byRows << asc;
    }
  }
}

TEST(MatrixSort, WithoutHandlerTheSameMatrixBitForBit) {
  std::mt19937 g(2024);
  const std::array<double, 6> ties = {-1.0, -0.0, 0.0, 1.0, 2.0, std::numeric_limits<double>::quiet_NaN()};
  for (int trial = 0; trial < 24; ++trial) {
    const bool byRows = trial % 2 == 0, asc = trial % 4 < 2;
    const int nc = byRows ? 7 : 240, nr = byRows ? 300 : 9, n = byRows ? nr : nc;
    auto fast = MakeMatrix(nc, nr, {});
    for (double& v : fast->Data()) v = g() % 3 == 0 ? ties[g() % ties.size()] : static_cast<double>(g() % 1000) / 8;
    auto reported = MakeMatrix(nc, nr, {});
    reported->Assign(fast.get());
    reported->OnSortExchange = [](TObject*, Byte, int, int, int, int) {};
    ChangeCounter fastEvents(*fast), reportedEvents(*reported);
    // Whole and partial ranges, the key inside and outside the moved lines.
    const int key = 1 + static_cast<int>(g() % 3);
    const int lo = trial % 3 == 0 ? 0 : 1 + static_cast<int>(g() % 5);
    const int hi = trial % 3 == 0 ? 0 : n - static_cast<int>(g() % 5);
    const int lineLo = trial % 6 < 3 ? 0 : 3, lineHi = trial % 6 < 3 ? 0 : 5;
    for (TMatrix* m : {fast.get(), reported.get()})
      byRows ? m->SortRows(key, asc, lineLo, lo, lineHi, hi) : m->SortCols(key, asc, lo, lineLo, hi, lineHi);
    EXPECT_TRUE(SameBits(Elements(*fast), Elements(*reported))) << "trial " << trial;
    EXPECT_EQ(std::pair(fastEvents.Take(), reportedEvents.Take()), std::pair(1, 1));
  }
}

TEST(MatrixSort, InvalidKeyShortRangeAndNoElementsDoNothing) {
  auto m = MakeMatrix(3, 4, {4, 3, 2, 1, 8, 7, 6, 5, 9, 9, 9, 9});
  Exchanges log;
  Record(*m, log);
  ChangeCounter events(*m);
  const auto before = Elements(*m);
  m->SortRows(0, true, 0, 0, 0, 0);
  m->SortRows(4, true, 0, 0, 0, 0);
  m->SortCols(5, true, 0, 0, 0, 0);
  m->SortRows(1, true, 0, 3, 0, 3);  // a single row
  m->SortCols(1, true, 2, 0, 2, 0);  // a single column
  EXPECT_EQ(Elements(*m), before);
  EXPECT_TRUE(log.empty());
  for (const auto& [nc, nr] : {std::pair{3, 0}, std::pair{0, 4}}) {
    m->Resize(nc, nr);
    m->SortRows(1, true, 0, 0, 0, 0);
    m->SortCols(1, true, 0, 0, 0, 0);
  }
  EXPECT_EQ(events.Take(), 2);  // the resizes only
}

TEST(MatrixSort, HandlerThatResizesEndsTheSort) {
  auto m = MakeMatrix(2, 50, {});
  for (std::size_t k = 0; k < m->Data().size(); ++k) m->Data()[k] = static_cast<double>(100 - k);
  TMatrix* p = m.get();
  m->OnSortExchange = [p](TObject*, Byte, int, int, int, int) { p->Resize(1, 3); };
  EXPECT_THROW(m->SortRows(1, true, 0, 0, 0, 0), EZELMatrixError);
  m->Resize(2, 50);
  m->OnSortExchange = [p](TObject*, Byte, int, int, int, int) { p->Resize(60, 50); };
  EXPECT_THROW(m->SortCols(1, true, 0, 0, 0, 0), EZELMatrixError);
}
