// TMatrix copying, filling, counting, rearranging and searching with their
// events, and the same operations on matrices without elements.
#include <gtest/gtest.h>

#include <climits>
#include <limits>

#include "matrix_test_util.h"
#include "zel_math1_scalar.h"
#include "zel_random.h"

using namespace zel;
using namespace zel::test;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::unique_ptr<TVector> MakeVector(const std::vector<double>& x) {
  auto v = std::make_unique<TVector>();
  v->Resize(static_cast<int>(x.size()));
  std::copy(x.begin(), x.end(), v->Data().begin());
  return v;
}

// 4 × 4 with element (c, r) = 4(c − 1) + r.
std::unique_ptr<TMatrix> Counting4x4() {
  return MakeMatrix(4, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
}

}  // namespace

TEST(MatrixCopy, CloneAndCopyFrom) {
  auto src = Counting4x4();
  auto m = MakeMatrix(3, 3, {});
  ChangeCounter events(*m);
  m->Clone(src.get());
  EXPECT_EQ(Elements(*m), Elements(*src));
  EXPECT_EQ(events.Take(), 1 + 16 + 1);  // the resize, every element, the end
  m->ResizeAndClear(3, 3);
  events.Take();
  // Bounds clipped (0 → 1, 5 → 4) and exchanged: columns 1..2, rows 3..4,
  // with (1, 3) landing on (2, 2); targets outside are skipped.
  m->CopyFrom(src.get(), 0, 5, 2, 3, 2, 2);
  EXPECT_EQ(Elements(*m), (std::vector<double>{0, 0, 0, 0, 3, 4, 0, 7, 8}));
  EXPECT_EQ(events.Take(), 4 + 1);
  m->CopyFrom(src.get(), 1, 1, 4, 4, -1, -1);
  EXPECT_EQ(std::pair(m->GetVal(1, 1), m->GetVal(2, 2)), std::pair(11.0, 16.0));
  // Within one matrix the source is read before anything is written.
  auto col = MakeMatrix(1, 5, {1, 2, 3, 4, 5});
  col->CopyFrom(col.get(), 1, 1, 1, 4, 1, 2);
  EXPECT_EQ(Elements(*col), (std::vector<double>{1, 1, 2, 3, 4}));
  col->CopyFrom(col.get(), 1, 2, 1, 5, 1, 1);
  EXPECT_EQ(Elements(*col), (std::vector<double>{1, 2, 3, 4, 4}));
}

TEST(MatrixCopy, VectorsAndArrays) {
  auto m = MakeMatrix(3, 3, {});
  ChangeCounter events(*m);
  auto v = MakeVector({1, 2, 3, 4, 5});
  m->CopyFromVec(v.get(), 4, 2, 2, 2);              // elements 2..4 down column 2 from row 2
  m->CopyFromVec(dimColumns, v.get(), 0, 0, 2, 1);  // all along row 1 from column 2
  EXPECT_EQ(Elements(*m), (std::vector<double>{0, 0, 0, 1, 2, 3, 2, 0, 0}));
  EXPECT_EQ(events.Take(), 2 + 1 + 2 + 1);
  auto src = Counting4x4();
  auto dest = MakeVector({9, 9, 9, 9, 9});
  src->CopyRowToVec(dest.get(), 7, 2, 4);  // beyond the last row: row 4
  EXPECT_EQ(Elements(*dest), (std::vector<double>{8, 12, 16, 0, 0}));
  auto two = MakeVector({9, 9});
  src->CopyRowToVec(two.get(), 0, 0, 0);  // row 1, cut to two columns
  EXPECT_EQ(Elements(*two), (std::vector<double>{1, 5}));
  src->CopyColToVec(dest.get(), 9, 3, 2);
  EXPECT_EQ(Elements(*dest), (std::vector<double>{14, 15, 0, 0, 0}));
  TInt2DArray ints;
  MakeMatrix(2, 3, {2.5, 3.5, -2.5, kNaN, 1e300, -0.5})->CopyToArray(ints, 0, 0, 3, 2);
  EXPECT_EQ(ints, (TInt2DArray{{4, -2}, {INT_MAX, 0}}));  // rows 2..3, half to even, saturated
  // Ragged arrays: every column keeps its own length; no closing event.
  events.Take();
  m->CopyFromArray(TDouble2DArray{{1, 2, 3, 4}, {5}, {}, {6, 7}}, 2, 0);
  m->CopyFromArray(TInt2DArray{{7}, {8, 9}}, 2, 3);
  m->CopyFromArray(TDouble2DArray{}, 1, 1);
  EXPECT_EQ(Elements(*m), (std::vector<double>{0, 0, 0, 2, 3, 7, 2, 0, 8}));
  EXPECT_EQ(events.Take(), 3 + 2);
}

TEST(MatrixFill, RangesDiagonalRandomAndCounts) {
  auto m = MakeMatrix(4, 3, {});
  ChangeCounter events(*m);
  m->FillDiag(7);
  SetRandSeed(42);
  std::vector<double> r;
  for (int k = 0; k < 4; ++k) r.push_back(5 + Random() * 2);
  SetRandSeed(42);
  m->FillRandomUniform(3, 2, 2, 1, 5, 7);  // columns 2..3, rows 1..2, column by column
  EXPECT_EQ(Elements(*m), (std::vector<double>{7, 0, 0, r[0], r[1], 0, r[2], r[3], 7, 0, 0, 0}));
  SetRandSeed(43);
  std::vector<double> g;
  for (int k = 0; k < 12; ++k) g.push_back(GRandom() * 2 + 1);
  SetRandSeed(43);
  m->FillRandomGauss(1, 2);
  EXPECT_EQ(Elements(*m), g);
  EXPECT_EQ(events.Take(), 3);
  auto c = MakeMatrix(3, 2, {1, 2, 2, 3, 4, kNaN});
  EXPECT_EQ(c->CountValues(0, 0, 0, 0, 2, 4), 4);  // both bounds count, NaN never
  EXPECT_EQ(c->CountValues(2, 3, 2, 2, 2, 4), 1);
  TBool2DArray b;
  EXPECT_EQ(MakeMatrix(2, 1, {0.5, 0.6})->Dichotomize(0.5, b), 1);
  EXPECT_EQ(b, (TBool2DArray{{false}, {true}}));
}

TEST(MatrixRearrange, RemoveExchangeMirror) {
  auto m = Counting4x4();
  ChangeCounter events(*m);
  EXPECT_FALSE(m->RemoveColumn(0));
  EXPECT_FALSE(m->RemoveRow(5));
  EXPECT_TRUE(m->RemoveColumn(2));
  EXPECT_TRUE(m->RemoveRow(3));
  EXPECT_EQ(Elements(*m), (std::vector<double>{1, 2, 4, 9, 10, 12, 13, 14, 16}));
  m->ExchangeColumns(1, 3);
  m->ExchangeRows(1, 2);
  m->ExchangeColumns(0, 2);  // invalid: nothing
  m->ExchangeRows(2, 4);
  EXPECT_EQ(Elements(*m), (std::vector<double>{14, 13, 16, 10, 9, 12, 2, 1, 4}));
  m->MirrorColumns();
  m->MirrorRows();
  EXPECT_EQ(Elements(*m), (std::vector<double>{4, 1, 2, 12, 9, 10, 16, 13, 14}));
  EXPECT_EQ(events.Take(), 6);
  auto one = MakeMatrix(1, 2, {1, 2});
  EXPECT_FALSE(one->RemoveColumn(1));
  EXPECT_TRUE(one->RemoveRow(1));
  EXPECT_FALSE(one->RemoveRow(1));
  EXPECT_EQ(Elements(*one), std::vector<double>{2});
}

TEST(MatrixSearch, FindAndSortedColumn) {
  auto m = MakeMatrix(2, 2, {5, 1, 3, 3});
  int c = -1, r = -1;
  m->Find(0, 0, 0, 0, 2, c, r);  // distance 1 at (1, 2), (2, 1), (2, 2): the first found
  EXPECT_EQ(std::pair(c, r), std::pair(1, 2));
  m->Find(2, 2, 0, 0, 2, c, r);
  EXPECT_EQ(std::pair(c, r), std::pair(2, 1));
  m->Find(0, 0, 0, 0, kNaN, c, r);
  EXPECT_EQ(std::pair(c, r), std::pair(0, 0));
  auto s = MakeMatrix(2, 4, {1, 3, 5, 7, 8, 6, 4, 2});
  EXPECT_EQ(s->FindInSortedColumn(1, true, 5), 3);
  EXPECT_EQ(s->FindInSortedColumn(1, true, 4), 3);  // equally close: the later row
  EXPECT_EQ(s->FindInSortedColumn(2, false, 5.5), 2);
  EXPECT_EQ(s->FindInSortedColumn(3, true, 1), 0);
}

TEST(MatrixEmpty, OperationsOnZeroExtentsTouchNoElement) {
  for (const auto& [nc, nr] : {std::pair{0, 5}, std::pair{4, 0}}) {
    auto m = MakeMatrix(nc, nr, {});
    ChangeCounter events(*m);
    int c = 9, r = 9;
    m->Find(0, 0, 0, 0, 0, c, r);
    EXPECT_EQ(c + r + m->FindInSortedColumn(1, true, 0) + m->CountValues(0, 0, 0, 0, -1, 1), 0);
    TBool2DArray b;
    EXPECT_EQ(m->Dichotomize(-1, b), 0);
    EXPECT_EQ(b.size(), static_cast<std::size_t>(nc));
    TDouble2DArray d{{1}};
    m->CopyToArray(d, 0, 0, 0, 0);
    EXPECT_TRUE(d.empty());
    auto v = MakeVector({3, 3});
    m->CopyRowToVec(v.get(), 1, 0, 0);
    EXPECT_EQ(Elements(*v), (std::vector<double>{0, 0}));
    SetRandSeed(5);
    const double next = Random();
    SetRandSeed(5);
    m->FillRandomUniform(0, 1);  // nothing to draw
    EXPECT_EQ(Random(), next);
    m->FillDiag(1);
    m->MirrorColumns();
    m->MirrorRows();
    m->CopyFrom(m.get(), 0, 0, 0, 0, 1, 1);
    EXPECT_EQ(events.Take(), 5);
    EXPECT_EQ(m->RemoveRow(2), nr >= 2);  // 0 × 5 still has rows to remove
    auto full = MakeMatrix(2, 2, {1, 2, 3, 4});
    full->Clone(m.get());
    EXPECT_EQ(std::pair(full->NrOfColumns(), full->NrOfRows()), std::pair(nc, m->NrOfRows()));
  }
}
