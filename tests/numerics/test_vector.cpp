// TVector: storage and events, arithmetic, order statistics conventions,
// sort with exchange callback, histogram, integration rules, fingerprint and
// the text and stream forms (including hostile input).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "zel_base.h"
#include "zel_streams.h"
#include "zel_test_env.h"
#include "zel_vector.h"

using namespace zel;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::unique_ptr<TVector> MakeVec(const std::vector<double>& v, const char* name = "v") {
  auto p = std::make_unique<TVector>();
  p->SetName(name);
  p->Resize(static_cast<int>(v.size()));
  for (std::size_t i = 0; i < v.size(); ++i) p->SetVal(static_cast<int>(i) + 1, v[i]);
  return p;
}

std::vector<double> Values(const TVector& v) {
  std::vector<double> r;
  for (int i = 1; i <= v.NrOfElem(); ++i) r.push_back(v.GetVal(i));
  return r;
}

// Message of the exception f raises (empty when none).
template <class F>
std::string MessageOf(F f) {
  try {
    f();
  } catch (const EZELVectorError& e) {
    return e.Message();
  }
  return {};
}

}  // namespace

TEST(VectorStorage, SizeIndicesAndEvents) {
  TVector v;
  EXPECT_EQ(v.NrOfElem(), 1);
  EXPECT_TRUE(v.IsEmpty());
  int changes = 0;
  v.OnChange = [&](TObject* s) {
    EXPECT_EQ(s, &v);
    ++changes;
  };
  v.SetNrOfElem(0);
  EXPECT_FALSE(v.Resize(0));
  EXPECT_FALSE(v.Resize(-3));
  EXPECT_TRUE(v.Resize(1));  // same size: no event
  EXPECT_EQ(changes, 0);

  v.SetVal(1, 7.5);
  EXPECT_TRUE(v.Resize(3));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Values(v), (std::vector<double>{7.5, 0, 0}));
  EXPECT_FALSE(v.IsEmpty());

  v.SetVal(0, 1);
  v.SetVal(4, 1);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(v.GetVal(0), 0);
  EXPECT_EQ(v.GetVal(4), 0);

  v.Fill(2);
  v.Clear();
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_EQ(changes, 4);

  v.Resize(2);
  EXPECT_EQ(Values(v), (std::vector<double>{0, 0}));
}

TEST(VectorStorage, RangeRule) {
  auto v = MakeVec({1, 2, 3, 4, 5});
  int lo = 0, hi = 0;
  v->MakeValidElemRange(lo, hi);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 5);
  lo = 9, hi = -2;
  v->MakeValidElemRange(lo, hi);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 5);
  lo = 4, hi = 2;
  v->MakeValidElemRange(lo, hi);
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 4);
  EXPECT_DOUBLE_EQ(v->Sum(4, 2), 9);
  EXPECT_DOUBLE_EQ(v->Sum(0, 0), 15);
  EXPECT_DOUBLE_EQ(v->Sum(7, 9), 5);
}

TEST(VectorStorage, AssignCloneAndCopy) {
  auto a = MakeVec({1, 2, 3});
  int fired = 0;
  a->OnChange = [&](TObject*) { ++fired; };
  TVector b;
  b.Assign(a.get());
  EXPECT_EQ(Values(b), Values(*a));
  EXPECT_FALSE(b.IsEmpty());
  EXPECT_EQ(fired, 0);
  b.SetVal(1, 9);  // the handler came along with Assign
  EXPECT_EQ(fired, 1);

  TIntVector iv;
  EXPECT_THROW(b.Assign(&iv), EConvertError);

  TVector c;
  c.Clone(a.get());
  EXPECT_EQ(Values(c), Values(*a));
  c.Clone(nullptr);
  EXPECT_EQ(c.NrOfElem(), 3);

  // Cloning itself writes every element through SetVal like any other
  // source: one event per element plus the final one, and IsEmpty cleared.
  TVector self;
  self.Resize(3);
  int selfEvents = 0;
  self.OnChange = [&](TObject*) { ++selfEvents; };
  self.Clone(&self);
  EXPECT_EQ(selfEvents, 4);
  EXPECT_FALSE(self.IsEmpty());

  // A handler that grows the target while it is being cloned never makes
  // the copy read past the end of the source.
  auto small = MakeVec({5, 6});
  TVector grow;
  grow.OnChange = [&](TObject*) { grow.SetNrOfElem(8); };
  grow.Clone(small.get());
  EXPECT_EQ(grow.GetVal(1), 5);
  EXPECT_EQ(grow.GetVal(2), 6);
  EXPECT_EQ(grow.GetVal(3), 0);

  // Overlapping copy within one vector reads the source before writing.
  auto s = MakeVec({1, 2, 3, 4, 5});
  s->CopyFrom(s.get(), 1, 3, 2);
  EXPECT_EQ(Values(*s), (std::vector<double>{1, 1, 2, 3, 5}));
  s->CopyFrom(a.get(), 9, 2, 4);  // source bounds clipped, then exchanged
  EXPECT_EQ(Values(*s), (std::vector<double>{1, 1, 2, 2, 3}));

  std::vector<double> arr;
  s->CopyToArray(arr, 4, 2);
  EXPECT_EQ(arr, (std::vector<double>{1, 2, 2}));
  s->CopyFromArray({9, 8, 7, 6}, -1);
  EXPECT_EQ(Values(*s), (std::vector<double>{7, 6, 2, 2, 3}));

  TComponent owner;
  auto* owned = new TVector(&owner);
  EXPECT_EQ(owned->Owner(), &owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(VectorArithmetic, ElementwiseAndMessages) {
  auto a = MakeVec({3, -4});
  auto b = MakeVec({1, 2});
  auto c = MakeVec({1, 2, 3}, "c");
  EXPECT_DOUBLE_EQ(a->Leng(), 5);
  EXPECT_DOUBLE_EQ(a->DotProduct(b.get()), -5);
  EXPECT_DOUBLE_EQ(a->EuclideanDistance(b.get()), std::sqrt(4.0 + 36.0));
  EXPECT_EQ(a->DotProduct(nullptr), 0);
  EXPECT_EQ(a->EuclideanDistance(nullptr), 0);

  a->Add(b.get());
  EXPECT_EQ(Values(*a), (std::vector<double>{4, -2}));
  a->Subtract(b.get());
  a->Add(nullptr);
  a->AbsVal();
  a->SMult(2);
  EXPECT_EQ(Values(*a), (std::vector<double>{6, 8}));
  a->SetLeng(5);
  EXPECT_EQ(Values(*a), (std::vector<double>{3, 4}));
  a->Mirror();
  EXPECT_EQ(Values(*a), (std::vector<double>{4, 3}));

  EXPECT_EQ(MessageOf([&] { c->Add(a.get()); }), "Component \"c\": vectors have different dimensions");
  EXPECT_EQ(MessageOf([&] { c->DotProduct(a.get()); }), "Component \"c\": vectors have different dimensions");
  EXPECT_EQ(MessageOf([&] { c->EuclideanDistance(a.get()); }), "EuclideanDistance: dimensions of vectors do not match");

  TVector z;
  int fired = 0;
  z.OnChange = [&](TObject*) { ++fired; };
  z.SetLeng(3);  // length 0: nothing happens
  EXPECT_EQ(fired, 0);
}

TEST(VectorArithmetic, CorrelateAndPearson) {
  auto x = MakeVec({1, 2, 3});
  auto y = MakeVec({4, 5});
  EXPECT_DOUBLE_EQ(x->Correlate(y.get(), 0), 1 * 4 + 2 * 5);
  EXPECT_DOUBLE_EQ(x->Correlate(y.get(), 1), 2 * 4 + 3 * 5);
  EXPECT_EQ(x->Correlate(y.get(), 2), 0);   // a single overlapping element
  EXPECT_EQ(x->Correlate(y.get(), -1), 0);  // likewise at the other end
  EXPECT_EQ(x->Correlate(nullptr, 0), 0);
  EXPECT_EQ(x->Correlate(y.get(), INT32_MAX), 0);

  auto p = MakeVec({1, 2, 3});
  auto q = MakeVec({2, 4, 7});
  EXPECT_EQ(p->PearsonCorrCoeff(y.get()), 0);  // sizes differ
  EXPECT_EQ(p->PearsonCorrCoeff(nullptr), 0);
  auto k = MakeVec({5, 5, 5});
  EXPECT_EQ(p->PearsonCorrCoeff(k.get()), 0);  // zero deviation
  EXPECT_NEAR(p->PearsonCorrCoeff(q.get()), 0.9933992677987828, 1e-14);
}

TEST(VectorStatistics, Conventions) {
  auto v = MakeVec({4, 8});
  double m, var;
  v->MeanVar(0, 0, m, var);
  EXPECT_EQ(m, 6);
  EXPECT_EQ(var, 1);  // one or two elements report variance 1
  auto w = MakeVec({2, 4, 4, 4, 5, 5, 7, 9});
  w->MeanVar(0, 0, m, var);
  EXPECT_DOUBLE_EQ(m, 5);
  EXPECT_DOUBLE_EQ(var, 32.0 / 7);

  double mn, mx;
  int mi, ma;
  auto e = MakeVec({3, 1, 7, 1, 7});
  e->MinMax(0, 0, mn, mx, mi, ma);
  EXPECT_EQ(mn, 1);
  EXPECT_EQ(mi, 2);
  EXPECT_EQ(mx, 7);
  EXPECT_EQ(ma, 3);
  e->MinMax(4, 5, mn, mx, mi, ma);
  EXPECT_EQ(mi, 4);
  EXPECT_EQ(ma, 5);
  auto big = MakeVec({std::numeric_limits<double>::infinity()});
  big->MinMax(0, 0, mn, mx, mi, ma);
  EXPECT_EQ(mn, 1.7e308);  // +inf never replaces the start value
  EXPECT_EQ(mi, 0);
  EXPECT_EQ(ma, 1);

  auto p = MakeVec({5, 1, 4, 2, 3});
  EXPECT_EQ(p->Percentile(100, 0, 0), 5);
  EXPECT_EQ(p->Percentile(150, 0, 0), 5);
  EXPECT_EQ(p->Percentile(-5, 0, 0), 1);
  EXPECT_DOUBLE_EQ(p->Percentile(30, 0, 0), 2.2);
  EXPECT_EQ(p->Percentile(50, 3, 3), 4);
  auto pn = MakeVec({3, kNaN, 1, 5, 2});  // NaN takes the library sort
  EXPECT_FALSE(std::isnan(pn->Percentile(100, 1, 1)));

  double q1, q2, q3;
  auto q = MakeVec({1, 2, 3});
  EXPECT_TRUE(q->Quartiles(0, 0, q1, q2, q3));
  EXPECT_EQ(std::vector<double>({q1, q2, q3}), (std::vector<double>{1, 2, 2}));
  q->Quartiles(1, 2, q1, q2, q3);
  EXPECT_EQ(std::vector<double>({q1, q2, q3}), (std::vector<double>{1, 1.5, 1}));
  q->Quartiles(3, 3, q1, q2, q3);
  EXPECT_EQ(std::vector<double>({q1, q2, q3}), (std::vector<double>{3, 3, 3}));

  EXPECT_EQ(MakeVec({3, 1, 2})->Mode(0, 0), 1);
  EXPECT_EQ(MakeVec({2, 2, 5, 5, 1})->Mode(0, 0), 2);
  EXPECT_EQ(MakeVec({9, 5, 9, 5, 5})->Mode(0, 0), 5);
  ResetMathProcState();
  MakeVec({3, 1, 2})->Mode(0, 0);
  EXPECT_GT(ProcStat.load(), 0);  // Mode sorts with SortArray, a progress-counting sort

  double s, k;
  MakeVec({1, 5, 9})->SkewKurt(0, 0, s, k);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(k, 0);
  // Zero deviation: both forms give 0 and 0 (the sample correction is not
  // applied to the placeholder).
  MakeVec({2, 2, 2, 2, 2})->SkewKurtSample(0, 0, s, k);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(k, 0);

  auto g = MakeVec({1, 4, 16}, "g");
  EXPECT_DOUBLE_EQ(g->GeometricMean(0, 0), 4);
  EXPECT_DOUBLE_EQ(g->HarmonicMean(0, 0), 3 / (1 + 0.25 + 0.0625));
  g->SetVal(2, 0);
  EXPECT_EQ(g->GeometricMean(0, 0), 0);
  EXPECT_EQ(MessageOf([&] { g->HarmonicMean(0, 0); }),
            "Component \"g\": negative or zero argument passed to HarmonicMean");
  g->SetVal(3, -1);
  EXPECT_EQ(MessageOf([&] { g->GeometricMean(0, 0); }), "Component \"g\": negative argument passed to GeometricMean");
  EXPECT_EQ(g->GeometricMean(1, 2), 0);  // the negative element lies outside the range
}

TEST(VectorStatistics, NormalisationsFireNoEvent) {
  auto v = MakeVec({1, 2, 3, 4, 5});
  int fired = 0;
  v->OnChange = [&](TObject*) { ++fired; };
  EXPECT_DOUBLE_EQ(v->MeanCenter(), 3);
  EXPECT_EQ(Values(*v), (std::vector<double>{-2, -1, 0, 1, 2}));
  double m, sd;
  v->Standardize(m, sd);
  EXPECT_NEAR(m, 0, 1e-15);
  EXPECT_DOUBLE_EQ(sd, std::sqrt(2.5));
  EXPECT_DOUBLE_EQ(v->GetVal(5), 2 / std::sqrt(2.5));
  auto r = MakeVec({1, 2, 3, 4, 5});
  double med, qd;
  r->QNormalize(75, med, qd);
  EXPECT_EQ(med, 3);
  EXPECT_EQ(qd, 1);
  EXPECT_EQ(Values(*r), (std::vector<double>{-2, -1, 0, 1, 2}));
  auto before = Values(*v);
  v->ShuffleElems();  // a permutation: the same values in some order
  auto after = Values(*v);
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
  EXPECT_EQ(fired, 0);

  auto k = MakeVec({4, 4, 4});
  k->Standardize(m, sd);
  EXPECT_EQ(sd, 0);
  EXPECT_EQ(Values(*k), (std::vector<double>{4, 4, 4}));
}

TEST(VectorSearch, FindAndDichotomy) {
  auto v = MakeVec({1, 3, 5, 7});
  EXPECT_EQ(v->FindInSortedVector(true, 4), 3);  // tie goes to the upper neighbour
  EXPECT_EQ(v->FindInSortedVector(true, 5), 3);
  EXPECT_EQ(v->FindInSortedVector(true, 1), 1);
  EXPECT_EQ(v->FindInSortedVector(true, 100), 4);
  auto d = MakeVec({7, 5, 3, 1});
  EXPECT_EQ(d->FindInSortedVector(false, 4), 3);
  EXPECT_EQ(d->FindInSortedVector(false, 6.5), 1);

  auto f = MakeVec({5, 2, 8, 2, 9});
  EXPECT_EQ(f->Find(0, 0, 2.1), 2);
  EXPECT_EQ(f->Find(3, 5, 2.1), 4);
  EXPECT_EQ(f->Find(0, 0, 8.5), 3);  // equal distance to 8 and 9: first wins

  double v1, v2;
  EXPECT_TRUE(MakeVec({4, 4, 4})->IsDichotomous(v1, v2));
  EXPECT_EQ(v1, 4);
  EXPECT_EQ(v2, 4);
  EXPECT_TRUE(MakeVec({1, 2, 2, 1})->IsDichotomous(v1, v2));
  EXPECT_EQ(v2, 2);
  EXPECT_FALSE(MakeVec({1, 2, 3})->IsDichotomous(v1, v2));
  EXPECT_FALSE(MakeVec({1})->IsDichotomous(v1, v2));
  EXPECT_EQ(v1, 0);
}

TEST(VectorSort, ExchangeCallbackKeepsCompanionInStep) {
  SetRandSeed(77);
  auto v = std::make_unique<TVector>();
  v->Resize(300);
  v->FillRandomUniform(-5, 5);
  for (int i = 1; i <= 300; i += 7) v->SetVal(i, 1.25);  // duplicates
  std::vector<double> before = Values(*v);
  std::vector<int> tag(301);
  for (int i = 0; i <= 300; ++i) tag[static_cast<std::size_t>(i)] = i;
  int events = 0, exchanges = 0;
  v->OnChange = [&](TObject*) { ++events; };
  v->OnSortExchange = [&](TObject* s, Byte kind, int i, int j, int a, int b) {
    EXPECT_EQ(s, v.get());
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_LT(i, j);
    std::swap(tag[static_cast<std::size_t>(i)], tag[static_cast<std::size_t>(j)]);
    ++exchanges;
  };
  v->SortElems(true, 0, 0);
  EXPECT_EQ(events, 1);
  EXPECT_GT(exchanges, 0);
  for (int i = 1; i <= 300; ++i) {
    EXPECT_EQ(v->GetVal(i), before[static_cast<std::size_t>(tag[static_cast<std::size_t>(i)] - 1)]);
    if (i > 1) {
      EXPECT_LE(v->GetVal(i - 1), v->GetVal(i));
    }
  }

  // Without a handler the result is the same ordering.
  auto w = MakeVec(before);
  w->SortElems(true, 0, 0);
  EXPECT_EQ(Values(*w), Values(*v));
  w->SortElems(false, 0, 0);
  for (int i = 2; i <= 300; ++i) EXPECT_GE(w->GetVal(i - 1), w->GetVal(i));

  // A handler that resizes the vector, or drops itself, must not make the
  // sort write into freed storage.
  auto r = MakeVec({3, 2, 1});
  r->OnSortExchange = [&](TObject*, Byte, int, int, int, int) { r->Resize(1000); };
  EXPECT_THROW(r->SortElems(true, 0, 0), EZELVectorError);
  auto d = MakeVec({3, 2, 1});
  d->OnSortExchange = [&](TObject*, Byte, int, int, int, int) { d->OnSortExchange = nullptr; };
  d->SortElems(true, 0, 0);
  EXPECT_EQ(Values(*d), (std::vector<double>{1, 2, 3}));
}

TEST(VectorSort, RangeAndFirstGap) {
  auto v = MakeVec({5, 4, 3, 2, 1});
  v->SortElems(true, 4, 2);
  EXPECT_EQ(Values(*v), (std::vector<double>{5, 2, 3, 4, 1}));
  v->SortElems(true, 3, 3);
  EXPECT_EQ(Values(*v), (std::vector<double>{5, 2, 3, 4, 1}));
  // The gap starts at last − first and shrinks before the first pass:
  // for 4 elements the first pass uses gap 2 (trunc(3/1.3)).
  auto g = MakeVec({4, 3, 2, 1});
  std::vector<std::pair<int, int>> seen;
  g->OnSortExchange = [&](TObject*, Byte, int i, int j, int, int) { seen.emplace_back(i, j); };
  g->SortElems(true, 0, 0);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::make_pair(1, 3));
  EXPECT_EQ(seen[1], std::make_pair(2, 4));
  EXPECT_EQ(Values(*g), (std::vector<double>{1, 2, 3, 4}));
}

TEST(VectorHistogram, BinsUnderOverflow) {
  auto v = MakeVec({0, 0.5, 1.3, -1, 2});
  TIntVector h;
  int under = -1, over = -1, maxc = -1;
  // |1 − 0| / 0.4 = 2.5 rounds to 2 (ties to even): 3 bins, yet 1.3 falls
  // into the formula's bin 4 and is counted as overflow.
  ASSERT_TRUE(v->Histogram(1, 5, 0, 1, 0.4, &h, under, over, maxc));
  EXPECT_EQ(h.NrOfElem(), 3);
  EXPECT_EQ(h.GetVal(1), 1);
  EXPECT_EQ(h.GetVal(2), 1);
  EXPECT_EQ(h.GetVal(3), 0);
  EXPECT_EQ(under, 1);
  EXPECT_EQ(over, 2);
  EXPECT_EQ(maxc, 1);

  // Positions outside the vector read as 0.
  ASSERT_TRUE(v->Histogram(-2, 2, 0, 1, 0.5, &h, under, over, maxc));
  EXPECT_EQ(h.GetVal(1), 4);
  EXPECT_EQ(maxc, 4);
  ASSERT_TRUE(v->Histogram(5, 1, 0, 1, 0.5, &h, under, over, maxc));
  EXPECT_EQ(under + over + maxc, 0);

  h.Resize(2);
  h.Fill(9);
  EXPECT_FALSE(v->Histogram(1, 5, 0, 500, 1, &h, under, over, maxc));  // 501 bins
  EXPECT_FALSE(v->Histogram(1, 5, 0, 1, 0, &h, under, over, maxc));
  EXPECT_FALSE(v->Histogram(1, 5, 0, 1, kNaN, &h, under, over, maxc));
  EXPECT_FALSE(v->Histogram(1, 5, 0, kNaN, 1, &h, under, over, maxc));
  EXPECT_FALSE(v->Histogram(1, 5, 0, 1, 1, nullptr, under, over, maxc));
  EXPECT_EQ(h.NrOfElem(), 2);
  EXPECT_EQ(h.GetVal(1), 9);
  // A huge position range costs no more than the vector's own size.
  ASSERT_TRUE(v->Histogram(INT32_MIN, INT32_MAX, -0.5, 0.5, 1, &h, under, over, maxc));
  EXPECT_EQ(h.GetVal(1), INT32_MAX);  // saturated
}

TEST(VectorIntegrate, RulesAreExactForTheirDegree) {
  auto lin = MakeVec({1, 2, 3, 4, 5});
  for (auto m : {imSimple, imTrapezoidal, imSimpson}) {
    EXPECT_DOUBLE_EQ(lin->Integrate(1, 5, m), 12);
    EXPECT_DOUBLE_EQ(lin->Integrate(5, 1, m), 12);
    EXPECT_DOUBLE_EQ(lin->Integrate(-3, 40, m), 12);
  }
  EXPECT_DOUBLE_EQ(lin->Integrate(1.5, 3.25, imTrapezoidal), (3.25 * 3.25 - 1.5 * 1.5) / 2);
  EXPECT_DOUBLE_EQ(lin->Integrate(1.5, 3.25, imSimpson), (3.25 * 3.25 - 1.5 * 1.5) / 2);
  EXPECT_DOUBLE_EQ(lin->Integrate(2.2, 2.7, imTrapezoidal), (2.7 * 2.7 - 2.2 * 2.2) / 2);
  EXPECT_DOUBLE_EQ(lin->Integrate(2.2, 2.7, imSimple), 0.5 * (2 + 3) / 2);
  EXPECT_DOUBLE_EQ(lin->Integrate(4.5, 5, imSimpson), (25 - 4.5 * 4.5) / 2);
  EXPECT_EQ(lin->Integrate(1, 5, static_cast<TIntegMethod>(7)), 0);

  auto poly = [](int n, int p) {
    std::vector<double> v;
    for (int i = 1; i <= n; ++i) v.push_back(std::pow(i, p));
    return MakeVec(v);
  };
  EXPECT_DOUBLE_EQ(poly(3, 2)->Integrate(1, 3, imSimpson), 26.0 / 3);           // Simpson
  EXPECT_DOUBLE_EQ(poly(4, 3)->Integrate(1, 4, imSimpson), 255.0 / 4);          // three-eighths
  EXPECT_DOUBLE_EQ(poly(5, 5)->Integrate(1, 5, imSimpson), (15625.0 - 1) / 6);  // Boole: degree 5
  EXPECT_DOUBLE_EQ(poly(6, 3)->Integrate(1, 6, imSimpson), (1296.0 - 1) / 4);   // end-corrected, d = 5
  EXPECT_DOUBLE_EQ(poly(9, 3)->Integrate(1, 9, imSimpson), (6561.0 - 1) / 4);   // end-corrected, d = 8
  EXPECT_DOUBLE_EQ(poly(2, 1)->Integrate(1, 2, imSimpson), 1.5);
  EXPECT_EQ(MakeVec({7})->Integrate(1, 1, imSimpson), 0);
}

TEST(VectorFingerprint, LanesOfElementBytes) {
  auto a = MakeVec({1.5, -2.25, 1e300, 0});
  auto b = MakeVec({1.5, -2.25, 1e300, 0});
  const std::string ca = a->CRCofData();
  EXPECT_EQ(ca.size(), 64u);
  EXPECT_EQ(ca, b->CRCofData());
  b->SetVal(2, 2.25);
  EXPECT_NE(ca, b->CRCofData());

  // Lane j runs over byte j of every element, one byte at a time.
  std::string expect;
  for (int lane = 0; lane < 8; ++lane) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (int i = 1; i <= a->NrOfElem(); ++i) {
      const double x = a->GetVal(i);
      unsigned char bytes[8];
      std::memcpy(bytes, &x, 8);
      crc = CalcNextCRC32(bytes[lane], crc);
    }
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", ~crc);
    expect += buf;
  }
  EXPECT_EQ(ca, expect);
}

class VectorFiles : public testing::Test {
 protected:
  std::string dir = zel::test::TempDir("vector_files");
  std::string Path(const char* n) const { return dir + "/" + n; }
};

TEST_F(VectorFiles, StoreLayoutsAndRoundTrip) {
  auto v = MakeVec({1.25, -0.5, 1234.5678, 3e-7});
  ASSERT_TRUE(v->StoreOnFile(3, 1, 3, Path("f.txt")));
  EXPECT_EQ(zel::test::ReadBytes(Path("f.txt")), "1 3\r\n1.250\r\n-0.500\r\n1234.568\r\n");
  ASSERT_TRUE(v->StoreOnFile(2, 2, -7, Path("g.txt")));  // below −2: two decimals
  EXPECT_EQ(zel::test::ReadBytes(Path("g.txt")), "2 2\r\n-0.50\r\n");
  ASSERT_TRUE(v->StoreOnFile(0, 0, -1, Path("s13.txt")));
  const std::string s13 = zel::test::ReadBytes(Path("s13.txt"));
  EXPECT_EQ(s13.substr(0, 18), "1 4\r\n 1.2500E+0000");

  for (int prec : {-2, -1, 17}) {
    ASSERT_TRUE(v->StoreOnFile(0, 0, prec, Path("r.txt")));
    TVector w;
    ASSERT_TRUE(w.LoadFromFile(Path("r.txt"), true));
    ASSERT_EQ(w.NrOfElem(), 4);
    for (int i = 1; i <= 4; ++i) {
      const double x = v->GetVal(i);
      if (prec == -2) {
        EXPECT_EQ(w.GetVal(i), x);  // 18 significant digits identify a double
      } else {
        EXPECT_NEAR(w.GetVal(i), x, prec == -1 ? std::fabs(x) * 1e-4 : 1e-17) << prec;
      }
    }
  }
  EXPECT_FALSE(v->StoreOnFile(0, 0, 2, dir + "/missing/x.txt"));
}

TEST_F(VectorFiles, LoaderRejectsBadHeadersAndSkipsBadNumbers) {
  auto v = MakeVec({9, 9, 9});
  int fired = 0;
  v->OnChange = [&](TObject*) { ++fired; };
  EXPECT_FALSE(v->LoadFromFile(Path("none.txt"), true));
  for (const char* bad : {"-5 2\n1\n2\n", "3 1\n1\n", "1 100000000\n1\n", "x y\n", "", "1 2000000000\n"}) {
    zel::test::WriteBytes(Path("bad.txt"), bad);
    EXPECT_FALSE(v->LoadFromFile(Path("bad.txt"), true)) << bad;
  }
  zel::test::WriteBytes(Path("big.txt"), "1 5\n1\n2\n3\n4\n5\n");
  EXPECT_FALSE(v->LoadFromFile(Path("big.txt"), false));  // too small, nothing read
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(Values(*v), (std::vector<double>{9, 9, 9}));

  // An unreadable word is consumed and its position keeps its value; a
  // short file stops at its end.
  zel::test::WriteBytes(Path("mixed.txt"), "2 3\r1,5\r+2.5");
  EXPECT_TRUE(v->LoadFromFile(Path("mixed.txt"), false));
  EXPECT_EQ(Values(*v), (std::vector<double>{9, 9, 2.5}));
  zel::test::WriteBytes(Path("short.txt"), "1 3\n4\n");
  EXPECT_TRUE(v->LoadFromFile(Path("short.txt"), false));
  EXPECT_EQ(Values(*v), (std::vector<double>{4, 9, 2.5}));

  zel::test::WriteBytes(Path("auto.txt"), "1.5\n\nabc\n2.5 7\n3e2\n");
  TVector a;
  ASSERT_TRUE(a.LoadFromFile(Path("auto.txt"), true, true));
  // three lines hold a digit; "abc" uses up one element's read
  EXPECT_EQ(Values(a), (std::vector<double>{1.5, 0, 2.5}));
  EXPECT_FALSE(a.LoadFromFile(Path("none.txt"), true, true));
}

TEST(VectorStream, RoundTripAndHostileBounds) {
  auto v = MakeVec({1.0 / 3, -7, 1e-310, 5});
  TMemoryStream* ms = nullptr;
  v->SaveToStream(ms, 2, 4);
  std::unique_ptr<TMemoryStream> own(ms);
  ASSERT_NE(ms, nullptr);
  EXPECT_EQ(ms->Size(), 50);
  ms->SetPosition(0);
  TVector w;
  ASSERT_TRUE(w.LoadFromStream(ms, true));
  EXPECT_EQ(Values(w), (std::vector<double>{0, -7, 1e-310, 5}));

  EXPECT_FALSE(w.LoadFromStream(nullptr, true));
  auto bounds = [](long double a, long double b, int values) {
    auto s = std::make_unique<TMemoryStream>();
    WriteExtendedToStream(*s, a);
    WriteExtendedToStream(*s, b);
    for (int i = 0; i < values; ++i) WriteExtendedToStream(*s, 1.0L + i);
    s->SetPosition(0);
    return s;
  };
  auto x = MakeVec({8, 8});
  int fired = 0;
  x->OnChange = [&](TObject*) { ++fired; };
  for (auto [a, b] : {std::pair<long double, long double>{std::numeric_limits<long double>::quiet_NaN(), 2},
                      {1, 1e4000L},
                      {-3, 2},
                      {2, 1},
                      {1, 3e9L}}) {
    auto s = bounds(a, b, 2);
    EXPECT_FALSE(x->LoadFromStream(s.get(), true));
  }
  auto trunc = bounds(1, 5, 2);
  EXPECT_FALSE(x->LoadFromStream(trunc.get(), true));
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(Values(*x), (std::vector<double>{8, 8}));

  // A vector too small without adjusting: false, nothing read, one event.
  auto ok3 = bounds(1, 3, 3);
  EXPECT_FALSE(x->LoadFromStream(ok3.get(), false));
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(Values(*x), (std::vector<double>{8, 8}));
  // An extended value beyond the double range becomes infinity.
  auto huge = std::make_unique<TMemoryStream>();
  WriteExtendedToStream(*huge, 1);
  WriteExtendedToStream(*huge, 1);
  WriteExtendedToStream(*huge, -1e4000L);
  huge->SetPosition(0);
  ASSERT_TRUE(x->LoadFromStream(huge.get(), false));
  EXPECT_EQ(x->GetVal(1), -std::numeric_limits<double>::infinity());
  // Just above the largest double, but closer to it than half a unit in the
  // last place: rounding to nearest gives the largest double, not infinity.
  const long double dmax = std::numeric_limits<double>::max();
  auto near = std::make_unique<TMemoryStream>();
  WriteExtendedToStream(*near, 1);
  WriteExtendedToStream(*near, 2);
  WriteExtendedToStream(*near, dmax + std::ldexp(1.0L, 969));
  WriteExtendedToStream(*near, -(dmax + std::ldexp(1.0L, 970)));  // the midpoint rounds to even: infinity
  near->SetPosition(0);
  ASSERT_TRUE(x->LoadFromStream(near.get(), false));
  EXPECT_EQ(x->GetVal(1), std::numeric_limits<double>::max());
  EXPECT_EQ(x->GetVal(2), -std::numeric_limits<double>::infinity());
}
