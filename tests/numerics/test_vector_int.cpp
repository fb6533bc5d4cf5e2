// TIntVector: 32-bit wrap-around, start values of MinMax, integer histogram,
// correlation without minimum overlap, fingerprint and the file and stream
// forms.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "zel_base.h"
#include "zel_streams.h"
#include "zel_test_env.h"
#include "zel_vector.h"

using namespace zel;

namespace {

std::unique_ptr<TIntVector> MakeInt(const std::vector<int>& v, const char* name = "iv") {
  auto p = std::make_unique<TIntVector>();
  p->SetName(name);
  p->Resize(static_cast<int>(v.size()));
  for (std::size_t i = 0; i < v.size(); ++i) p->SetVal(static_cast<int>(i) + 1, v[i]);
  return p;
}

std::vector<int> Values(const TIntVector& v) {
  std::vector<int> r;
  for (int i = 1; i <= v.NrOfElem(); ++i) r.push_back(v.GetVal(i));
  return r;
}

}  // namespace

TEST(IntVectorArithmetic, WrapsModulo2To32) {
  auto a = MakeInt({INT32_MAX, INT32_MIN, 3});
  auto one = MakeInt({1, -1, 2});
  EXPECT_EQ(a->Sum(0, 0),
            static_cast<int>(static_cast<std::uint32_t>(INT32_MAX) + static_cast<std::uint32_t>(INT32_MIN) + 3u));
  EXPECT_EQ(MakeInt({INT32_MAX, 1})->Sum(0, 0), INT32_MIN);
  EXPECT_EQ(a->DotProduct(one.get()), static_cast<int>(0x7FFFFFFFu + 0x80000000u + 6u));
  auto b = MakeInt({INT32_MAX, INT32_MIN, 3});
  b->Add(one.get());
  EXPECT_EQ(Values(*b), (std::vector<int>{INT32_MIN, INT32_MAX, 5}));
  b->Subtract(one.get());
  EXPECT_EQ(Values(*b), Values(*a));
  b->SMult(2);
  EXPECT_EQ(Values(*b), (std::vector<int>{-2, 0, 6}));
  auto c = MakeInt({-5, INT32_MIN, 7});
  c->AbsVal();
  EXPECT_EQ(Values(*c), (std::vector<int>{5, INT32_MIN, 7}));

  // Lengths and distances accumulate in double: 50000² passes 2^31.
  auto big = MakeInt({50000, 50000});
  EXPECT_DOUBLE_EQ(big->Leng(), 50000 * std::sqrt(2.0));
  auto neg = MakeInt({-50000, -50000});
  EXPECT_DOUBLE_EQ(big->EuclideanDistance(neg.get()), 100000 * std::sqrt(2.0));
  double m, var;
  MakeInt({INT32_MAX, INT32_MAX, INT32_MAX})->MeanVar(0, 0, m, var);
  EXPECT_EQ(m, INT32_MAX);

  auto other = MakeInt({1, 2}, "o");
  try {
    a->Add(other.get());
    FAIL();
  } catch (const EZELVectorError& e) {
    EXPECT_EQ(e.Message(), "Component \"iv\": vectors have different dimensions");
  }
  EXPECT_EQ(a->DotProduct(nullptr), 0);
}

TEST(IntVectorArithmetic, CorrelateHasNoMinimumOverlap) {
  auto x = MakeInt({1, 2, 3});
  auto y = MakeInt({4, 5, 6});
  EXPECT_EQ(x->Correlate(y.get(), 0), x->DotProduct(y.get()));
  EXPECT_EQ(x->Correlate(y.get(), 2), 1 * 6);
  EXPECT_EQ(x->Correlate(y.get(), -2), 3 * 4);
  EXPECT_EQ(x->Correlate(y.get(), 3), 0);
  EXPECT_EQ(x->Correlate(y.get(), INT32_MIN), 0);
  EXPECT_EQ(x->Correlate(nullptr, 0), 0);
}

TEST(IntVectorStatistics, StartValuesAndSearches) {
  int mn, mx, mi, ma;
  MakeInt({INT32_MIN})->MinMax(0, 0, mn, mx, mi, ma);
  EXPECT_EQ(mn, INT32_MIN);
  EXPECT_EQ(mi, 1);
  EXPECT_EQ(mx, -INT32_MAX);  // the start value stays
  EXPECT_EQ(ma, 0);
  auto v = MakeInt({4, -2, 9, -2, 9});
  v->MinMax(2, 5, mn, mx, mi, ma);
  EXPECT_EQ(mi, 2);
  EXPECT_EQ(ma, 3);

  EXPECT_EQ(v->FindExact(0, 0, 9), 3);
  EXPECT_EQ(v->FindExact(4, 5, 9), 5);
  EXPECT_EQ(v->FindExact(0, 0, 7), 0);
  EXPECT_EQ(v->Find(0, 0, 7), 3);
  EXPECT_EQ(MakeInt({INT32_MIN, INT32_MAX})->Find(0, 0, INT32_MAX), 2);  // distances need 64 bits

  // The order statistics are shared with TVector and checked against
  // numpy/scipy in test_rangestats.cpp; here only the integer-to-real step.
  EXPECT_DOUBLE_EQ(MakeInt({1, 2, 3, 4})->Percentile(50, 0, 0), 2.5);
}

TEST(IntVectorStatistics, HistogramBinsAndMessage) {
  auto v = MakeInt({0, 1, 5, 6, -3, 7});
  TIntVector h;
  int under, over, maxc;
  // 5 div 2 + 1 = 3 bins, yet 6 < 5 + 2 maps to bin 4: overflow.
  ASSERT_TRUE(v->Histogram(1, 6, 0, 5, 2, &h, under, over, maxc));
  EXPECT_EQ(Values(h), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(under, 1);
  EXPECT_EQ(over, 2);
  EXPECT_EQ(maxc, 2);
  ASSERT_TRUE(v->Histogram(1, 6, 0, 2, 0, &h, under, over, maxc));  // width 0 counts as 1
  EXPECT_EQ(Values(h), (std::vector<int>{1, 1, 0}));
  try {
    v->Histogram(1, 6, 0, 500, 1, &h, under, over, maxc);
    FAIL();
  } catch (const EZELVectorError& e) {
    EXPECT_EQ(e.Message(), "Component \"iv.Histogram\": invalid number of bins");
  }
  EXPECT_NO_THROW(v->Histogram(1, 6, INT32_MIN, INT32_MAX, INT32_MAX, &h, under, over, maxc));
  EXPECT_EQ(h.NrOfElem(), 3);
}

TEST(IntVectorStatistics, SortAndFingerprint) {
  auto v = MakeInt({3, -1, 3, INT32_MIN, 0});
  std::vector<int> tag{0, 1, 2, 3, 4, 5};
  v->OnSortExchange = [&](TObject*, Byte, int i, int j, int, int) { std::swap(tag[i], tag[j]); };
  const auto before = Values(*v);
  v->SortElems(false, 0, 0);
  EXPECT_EQ(Values(*v), (std::vector<int>{3, 3, 0, -1, INT32_MIN}));
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(v->GetVal(i), before[static_cast<std::size_t>(tag[i] - 1)]);

  const std::string crc = v->CRCofData();
  ASSERT_EQ(crc.size(), 32u);
  std::string expect;
  for (int lane = 0; lane < 4; ++lane) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (int i = 1; i <= 5; ++i)
      c = CalcNextCRC32(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v->GetVal(i)) >> (8 * lane)), c);
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", ~c);
    expect += buf;
  }
  EXPECT_EQ(crc, expect);
}

TEST(IntVectorFiles, StoreLoadAndStreams) {
  const std::string dir = zel::test::TempDir("intvector_files");
  auto v = MakeInt({7, -8, 9});
  ASSERT_TRUE(v->StoreOnFile(5, 2, dir + "/a.txt"));
  EXPECT_EQ(zel::test::ReadBytes(dir + "/a.txt"), "2 3\r\n-8\r\n9\r\n");
  ASSERT_TRUE(v->StoreOnFile(0, 0, dir + "/b.txt"));
  EXPECT_EQ(zel::test::ReadBytes(dir + "/b.txt"), "1 0\r\n");

  zel::test::WriteBytes(dir + "/c.txt", "1 5\n2.5\n3.5\n-2.5\n3e10\nx\n");
  TIntVector w;
  ASSERT_TRUE(w.LoadFromFile(dir + "/c.txt", true));
  EXPECT_EQ(Values(w), (std::vector<int>{2, 4, -2, 0, 0}));  // halves to even; 3e10 and x skipped
  EXPECT_FALSE(w.LoadFromFile(dir + "/b.txt", true));        // "1 0" holds no positions
  zel::test::WriteBytes(dir + "/d.txt", "1 900000000\n1\n");
  EXPECT_FALSE(w.LoadFromFile(dir + "/d.txt", true));
  EXPECT_EQ(w.NrOfElem(), 5);

  TMemoryStream* ms = nullptr;
  v->SaveToStream(ms, 0, 0);
  std::unique_ptr<TMemoryStream> own(ms);
  EXPECT_EQ(ms->Size(), 20);
  ms->SetPosition(0);
  TIntVector r;
  ASSERT_TRUE(r.LoadFromStream(ms, true));
  EXPECT_EQ(Values(r), Values(*v));

  TMemoryStream bad;
  WriteLongintToStream(bad, -4);
  WriteLongintToStream(bad, 2);
  bad.SetPosition(0);
  EXPECT_FALSE(r.LoadFromStream(&bad, true));
  TMemoryStream shortStream;
  WriteLongintToStream(shortStream, 1);
  WriteLongintToStream(shortStream, 3);
  WriteLongintToStream(shortStream, 5);
  shortStream.SetPosition(0);
  EXPECT_FALSE(r.LoadFromStream(&shortStream, true));
  EXPECT_EQ(Values(r), Values(*v));
}
