// TMatrix statistics: rectangles against numpy/scipy (tests/data/matrix_stats.tsv,
// made by tools/reference/matrix_stats.py), the component's own conventions,
// row normalisations against column ones, and matrices without elements.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>

#include "matrix_test_util.h"
#include "zel_base.h"
#include "zel_random.h"
#include "zel_test_env.h"

using namespace zel;
using namespace zel::test;

namespace {

std::vector<double> Numbers(const std::string& s) {
  std::vector<double> r;
  std::stringstream ss(s);
  for (std::string t; std::getline(ss, t, ',');) r.push_back(std::strtod(t.c_str(), nullptr));
  return r;
}

std::unique_ptr<TMatrix> Transposed(const TMatrix& M) {
  auto t = MakeMatrix(M.NrOfRows(), M.NrOfColumns(), {});
  for (int c = 1; c <= M.NrOfColumns(); ++c)
    for (int r = 1; r <= M.NrOfRows(); ++r) t->SetVal(r, c, M.GetVal(c, r));
  return t;
}

}  // namespace

TEST(MatrixStatsReference, RectanglesAgainstNumpyScipy) {
  std::ifstream f(DataPath("matrix_stats.tsv"));
  std::map<std::string, std::unique_ptr<TMatrix>> mats;
  int checked = 0;
  for (std::string line; std::getline(f, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string op, name, rect, arg, want;
    for (std::string* field : {&op, &name, &rect, &arg, &want}) std::getline(in, *field, '\t');
    if (op == "mat") {  // name, columns, rows, values
      mats[name] = MakeMatrix(std::stoi(rect), std::stoi(arg), Numbers(want));
      continue;
    }
    const TMatrix& m = *mats.at(name);
    ++checked;
    if (op == "crc") {
      EXPECT_EQ(m.CRCofData(), want) << line;
      continue;
    }
    const auto r = Numbers(rect == "-" ? "0,0,0,0" : rect);
    const int lc = static_cast<int>(r[0]), lr = static_cast<int>(r[1]), hc = static_cast<int>(r[2]),
              hr = static_cast<int>(r[3]);
    double a = 0, b = 0, c = 0;
    std::vector<double> got;
    if (op == "meanvar") {
      m.MeanVar(lc, lr, hc, hr, a, b);
      got = {a, b};
    } else if (op == "pct") {
      got = {m.Percentile(std::strtod(arg.c_str(), nullptr), lc, lr, hc, hr)};
    } else if (op == "quart") {
      EXPECT_TRUE(m.Quartiles(lc, lr, hc, hr, a, b, c));
      got = {a, b, c};
    } else if (op == "skewkurt" || op == "skewkurtsample") {
      (op == "skewkurt") ? m.SkewKurt(lc, lr, hc, hr, a, b) : m.SkewKurtSample(lc, lr, hc, hr, a, b);
      got = {a, b};
    } else {
      TVector v;
      m.MeanVec(op == "colmeans" ? dimColumns : dimRows, &v);
      got = Elements(v);
    }
    const auto w = Numbers(want);
    const double rel = op == "pct" ? 0 : 1e-13;  // a percentile is one of the elements: exact
    ASSERT_EQ(got.size(), w.size()) << line;
    for (std::size_t k = 0; k < w.size(); ++k)
      EXPECT_NEAR(got[k], w[k], rel * std::max(1.0, std::fabs(w[k]))) << line << " [" << k << "]";
  }
  EXPECT_GT(checked, 450);
}

TEST(MatrixStats, ConventionsAndMessages) {
  auto m = MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6});  // rows (1, 3, 5) and (2, 4, 6)
  ChangeCounter events(*m);
  EXPECT_EQ(m->Percentile(50, 1, 1, 2, 2), 3);  // 1..4: index round(2) = 2, no interpolation
  EXPECT_EQ(m->Percentile(std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0), 1);
  EXPECT_EQ(m->Percentile(250, 0, 0, 0, 0), 6);
  double a, b, c;
  m->MeanVar(1, 1, 1, 2, a, b);
  EXPECT_EQ(b, 1);                // variance 1 for two elements
  m->SkewKurt(1, 1, 3, 1, a, b);  // from two elements on: 1, 3, 5
  EXPECT_NEAR(b, 2.0 / 3 - 3, 1e-14);
  m->SkewKurtSample(1, 1, 3, 1, a, b);
  EXPECT_EQ(std::pair(a, b), std::pair(0.0, 0.0));
  EXPECT_TRUE(m->Quartiles(1, 1, 3, 1, a, b, c));
  EXPECT_EQ(c, 3);  // the position of Q3 is clipped to n − 1
  EXPECT_EQ(m->Trace(), 0);
  EXPECT_EQ(MakeMatrix(2, 2, {1, 2, 3, 4})->Trace(), 5);
  m->Data()[5] = std::numeric_limits<double>::infinity();
  m->MinMax(0, 0, 0, 0, a, b);
  EXPECT_EQ(b, std::numeric_limits<double>::infinity());  // starts from the largest double
  m->Data()[1] = 0;
  EXPECT_EQ(m->GeometricMean(0, 0, 0, 0), 0);
  try {
    (void)m->HarmonicMean(0, 0, 0, 0);
    ADD_FAILURE();
  } catch (const EZELMatrixError& e) {
    EXPECT_EQ(e.Message(), "Component \"M\": negative or zero argument passed to HarmonicMean");
  }
  m->Data()[2] = -1;
  EXPECT_THROW((void)m->GeometricMean(0, 0, 0, 0), EZELMatrixError);
  EXPECT_EQ(events.Take(), 0);  // statistics fire nothing
}

TEST(MatrixStats, SampledPercentile) {
  auto m = MakeMatrix(200, 150, {});
  m->FillRandomUniform(0, 1);
  const double exact = m->Percentile(30, 0, 0, 0, 0);
  for (const int size : {0, -7, 30000}) EXPECT_EQ(m->Percentile(30, 0, 0, 0, 0, size), exact);
  // A private generator: the global sequence is untouched.
  SetRandSeed(77);
  const double next = Random();
  SetRandSeed(77);
  EXPECT_NEAR(m->Percentile(30, 0, 0, 0, 0, 4000), 0.3, 0.06);  // standard error about 0.007
  EXPECT_EQ(Random(), next);
  m->Fill(1, 1, 0, 0, -1);  // only the rectangle is drawn from
  EXPECT_EQ(m->Percentile(100, 1, 0, 1, 0, 50), -1);
  EXPECT_GE(m->Percentile(0, 2, 0, 200, 0, 50), 0);
}

TEST(MatrixStats, RowOperationsEqualColumnOnesOfTheTranspose) {
  auto m = MakeMatrix(7, 5, {});
  m->FillRandomGauss(2, 3);
  for (int c = 1; c <= 7; ++c) m->SetVal(c, 4, 1.25);  // a constant row stays as it is
  m->SetVal(3, 2, -0.0);
  auto t = Transposed(*m);
  ChangeCounter events(*m);
  TVector a1, a2, b1, b2;
  a1.Resize(3);  // not resized: rows 4 and 5 are skipped
  b1.Resize(5);
  b2.Resize(5);
  m->StandardizeRows(&a1, &a2);
  t->StandardizeColumns(&b1, &b2);
  EXPECT_TRUE(SameBits(Elements(*Transposed(*m)), Elements(*t)));
  const auto means = Elements(b1);
  EXPECT_EQ(Elements(a1), std::vector<double>(means.begin(), means.begin() + 3));
  EXPECT_EQ(m->GetVal(5, 4), 1.25);
  double mean, var;
  m->MeanVar(1, 2, 7, 2, mean, var);
  EXPECT_NEAR(mean, 0, 1e-15);
  EXPECT_NEAR(var, 1, 1e-14);
  m->MeanCenterRows(&a1);
  t->MeanCenterColumns(&b1);
  EXPECT_EQ(a1.NrOfElem(), 5);  // resized
  m->QNormalizeRows(20, &a1, &a2);
  t->QNormalizeColumns(20, &b1, &b2);
  EXPECT_TRUE(SameBits(Elements(*Transposed(*m)), Elements(*t)));
  EXPECT_TRUE(SameBits(Elements(a1), Elements(b1)));
  EXPECT_EQ(events.Take(), 3);
  for (const TEdgeOp op : {eoMin, eoMax, eoSum, eoMean}) {
    m->EdgeVector(orRowWise, op, &a1);
    t->EdgeVector(orColumnWise, op, &b1);
    EXPECT_TRUE(SameBits(Elements(a1), Elements(b1)));
  }
  m->EdgeVector(orColumnWise, eoMean, nullptr);
  EXPECT_EQ(events.Take(), 0);
}

TEST(MatrixStats, EdgeVectorAndQNormalizeValues) {
  auto m = MakeMatrix(3, 2, {1, 4, 2, 5, -3, 6});
  TVector v;
  m->EdgeVector(orRowWise, eoMin, &v);
  EXPECT_EQ(Elements(v), (std::vector<double>{-3, 4}));
  m->EdgeVector(orColumnWise, eoMean, &v);
  EXPECT_EQ(Elements(v), (std::vector<double>{2.5, 3.5, 1.5}));
  auto q = MakeMatrix(1, 5, {10, 1, 4, 2, 3});
  TVector med, diff;
  q->QNormalizeColumns(25, &med, &diff);
  // 25 %: index round(1.25) = 1 → 2; median: round(2.5) = 2 (half to even) → 3.
  EXPECT_EQ(std::pair(med.GetVal(1), diff.GetVal(1)), std::pair(3.0, 1.0));
  EXPECT_EQ(Elements(*q), (std::vector<double>{7, -2, 1, -1, 0}));
}

TEST(MatrixStats, NoElementsGiveTheEmptyResults) {
  for (const auto& [nc, nr] : {std::pair{0, 5}, std::pair{4, 0}}) {
    auto m = MakeMatrix(nc, nr, {});
    ChangeCounter events(*m);
    double a = 7, b = 7, c = 7;
    m->MinMax(0, 0, 0, 0, a, b);
    EXPECT_EQ(std::pair(a, b), std::pair(uc_MaxReal, -uc_MaxReal));
    m->MeanVar(1, 1, 3, 3, a, b);
    EXPECT_EQ(std::pair(a, b), std::pair(0.0, 0.0));
    EXPECT_EQ(m->Sum(0, 0, 0, 0) + m->GeometricMean(0, 0, 0, 0) + m->HarmonicMean(0, 0, 0, 0), 0);
    EXPECT_EQ(m->Percentile(50, 0, 0, 0, 0) + m->Percentile(50, 0, 0, 0, 0, 3), 0);
    EXPECT_FALSE(m->Quartiles(0, 0, 0, 0, a, b, c));
    m->SkewKurt(0, 0, 0, 0, a, b);
    EXPECT_EQ(a + b + c, 0);
    TIntVector h;
    int u, o, mc;
    EXPECT_TRUE(m->Histogram(0, 0, 0, 0, 0, 2, 1, &h, u, o, mc));
    EXPECT_EQ(u + o + mc, 0);
    EXPECT_EQ(m->CRCofData(), std::string(64, '0'));  // CRC-32 of no bytes
    TVector v;
    m->EdgeVector(orColumnWise, eoMin, &v);
    EXPECT_EQ(Elements(v), std::vector<double>(nc > 0 ? 4 : 1, nc > 0 ? uc_MaxDouble : 0.0));
    m->StandardizeColumns(&v, nullptr);
    m->MeanCenterRows(&v);
    m->QNormalizeRows(25, &v, nullptr);
    EXPECT_EQ(events.Take(), 3);
  }
  // A shrunk matrix fingerprints its elements only.
  auto big = MakeMatrix(5, 6, {});
  big->FillRandomUniform(-1, 1);
  auto small = MakeMatrix(3, 4, {});
  small->CopyFrom(big.get(), 1, 1, 3, 4, 1, 1);
  big->Resize(3, 4);
  EXPECT_EQ(big->CRCofData(), small->CRCofData());
}
