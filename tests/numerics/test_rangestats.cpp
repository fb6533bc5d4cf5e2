// Range statistics of both vector types against numpy/scipy reference values
// (tests/data/vector_stats.tsv, made by tools/reference/make_vector_refs.py).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zel_rangestats.h"
#include "zel_test_env.h"
#include "zel_vector.h"

using namespace zel;

namespace {

struct RefLine {
  std::string kind, op, arg;
  std::vector<double> x, expected;
  std::string text;  // expected as written (crc)
  int line = 0;
};

std::vector<double> ParseList(const std::string& s) {
  std::vector<double> r;
  std::stringstream ss(s);
  std::string item;
  while (std::getline(ss, item, ',')) r.push_back(std::strtod(item.c_str(), nullptr));  // strtod reads hex floats
  return r;
}

std::vector<RefLine> LoadRefs() {
  std::ifstream f(zel::test::DataPath("vector_stats.tsv"));
  std::vector<RefLine> out;
  std::string line;
  int n = 0;
  while (std::getline(f, line)) {
    ++n;
    if (line.empty() || line[0] == '#') continue;
    std::stringstream ss(line);
    RefLine r;
    std::string x, e;
    std::getline(ss, r.kind, '\t');
    std::getline(ss, r.op, '\t');
    std::getline(ss, x, '\t');
    std::getline(ss, r.arg, '\t');
    std::getline(ss, e, '\t');
    r.x = ParseList(x);
    r.text = e;
    if (r.op != "crc") r.expected = ParseList(e);
    r.line = n;
    out.push_back(r);
  }
  return out;
}

template <class V>
void Fill(V& v, const std::vector<double>& x) {
  v.Resize(static_cast<int>(x.size()));
  for (std::size_t i = 0; i < x.size(); ++i) v.SetVal(static_cast<int>(i) + 1, static_cast<typename V::ElemType>(x[i]));
}

void ExpectClose(double got, double want, double rel, const RefLine& r) {
  EXPECT_NEAR(got, want, rel * std::max(1.0, std::fabs(want))) << r.kind << " " << r.op << " line " << r.line;
}

// The checks shared by both element types.
template <class V>
void CheckCommon(V& v, const RefLine& r) {
  double a = 0, b = 0, c = 0;
  if (r.op == "pct") {
    ExpectClose(v.Percentile(std::strtod(r.arg.c_str(), nullptr), 0, 0), r.expected[0], 1e-14, r);
  } else if (r.op == "quart") {
    v.Quartiles(0, 0, a, b, c);
    ExpectClose(a, r.expected[0], 1e-14, r);
    ExpectClose(b, r.expected[1], 1e-14, r);
    ExpectClose(c, r.expected[2], 1e-14, r);
  } else if (r.op == "skewkurt" || r.op == "skewkurtsample") {
    if (r.op == "skewkurt")
      v.SkewKurt(0, 0, a, b);
    else
      v.SkewKurtSample(0, 0, a, b);
    ExpectClose(a, r.expected[0], 1e-11, r);
    ExpectClose(b, r.expected[1], 1e-11, r);
  } else if (r.op == "meanvar") {
    v.MeanVar(0, 0, a, b);
    ExpectClose(a, r.expected[0], 1e-14, r);
    ExpectClose(b, r.expected[1], 1e-12, r);
  } else if (r.op == "mode") {
    EXPECT_EQ(static_cast<double>(v.Mode(0, 0)), r.expected[0]) << r.line;
  } else if (r.op == "gmean") {
    ExpectClose(v.GeometricMean(0, 0), r.expected[0], 1e-13, r);
  } else if (r.op == "hmean") {
    ExpectClose(v.HarmonicMean(0, 0), r.expected[0], 1e-13, r);
  } else if (r.op == "pearson") {
    V y;
    Fill(y, ParseList(r.arg));
    ExpectClose(v.PearsonCorrCoeff(&y), r.expected[0], 1e-12, r);
  } else if (r.op == "crc") {
    EXPECT_EQ(v.CRCofData(), r.text) << r.line;
  }
}

}  // namespace

TEST(RangeStatsReference, RealVectorAgainstNumpyScipy) {
  const auto refs = LoadRefs();
  int checked = 0;
  for (const auto& r : refs) {
    if (r.kind != "real") continue;
    TVector v;
    Fill(v, r.x);
    CheckCommon(v, r);
    ++checked;
  }
  EXPECT_GT(checked, 60);
}

TEST(RangeStatsReference, IntVectorAgainstNumpyScipy) {
  const auto refs = LoadRefs();
  int checked = 0;
  for (const auto& r : refs) {
    if (r.kind != "int") continue;
    TIntVector v;
    Fill(v, r.x);
    if (r.op == "sum") {
      EXPECT_EQ(v.Sum(0, 0), static_cast<int>(r.expected[0])) << r.line;
    } else if (r.op == "dot") {
      TIntVector y;
      Fill(y, ParseList(r.arg));
      EXPECT_EQ(v.DotProduct(&y), static_cast<int>(r.expected[0])) << r.line;
    } else {
      CheckCommon(v, r);
    }
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

// The percentile's O(n) selection and the sorted path agree, including
// positions where rounding pushes Prob·(n − 1)/100 up to n − 1.
TEST(RangeStatsSelection, PercentileMatchesSortedCopy) {
  std::vector<double> x;
  for (int i = 0; i < 257; ++i) x.push_back(std::fmod(i * 7919.0, 263.0) - 100);
  const auto s = SortedCopy(std::span<const double>(x));
  for (double p : {0.0, 0.4, 12.5, 50.0, 99.99999999999999, 100.0}) {
    const double pos = p * 256 / 100;
    const auto k = static_cast<std::size_t>(pos);
    const double want = k >= 256 ? s[256] : s[k] + (s[k + 1] - s[k]) * (pos - static_cast<double>(k));
    EXPECT_EQ(RangePercentile(std::span<const double>(x), p), want) << p;
  }
}
