// Interpolation against scipy, histogram bins, bounds and plane geometry;
// the ellipse distance against a scipy minimisation.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "test_math1_sort_refs.h"
#include "zel_math1_sort.h"

using namespace zel::test;
using zel::EZELMath1Error;
using zel::TPointDouble;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = std::numbers::pi;

template <typename F>
void ExpectRaises(F&& Call, const std::string& Message) {
  try {
    Call();
    ADD_FAILURE() << "no exception, expected \"" << Message << "\"";
  } catch (const EZELMath1Error& e) {
    EXPECT_EQ(e.Message(), Message);
  }
}

// Independent of the library's rounding: floor(sqrt(4 sq)) by bisection
// gives floor(2 sqrt(sq)), whence the nearest integer to sqrt(sq).
std::int64_t NearestIntSqrt(std::uint64_t Sq) {
  std::uint64_t lo = 0, hi = 1ull << 32;
  while (hi - lo > 1) {
    const std::uint64_t mid = (lo + hi) / 2;
    (mid * mid <= 4 * Sq ? lo : hi) = mid;
  }
  return static_cast<std::int64_t>((lo + 1) / 2);
}

}  // namespace

TEST(Math1SortInterpol, InterpolTableMatchesScipyAndItsEnds) {
  const auto rows = SortRefs("interptab");
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    const double x = RefNum(row[2]), x0 = RefNum(row[3]), x1 = RefNum(row[4]), expected = RefNum(row[6]);
    const std::vector<double> vals = RefList(row[5]);
    const double got = row[1] == "d" ? zel::InterpolTable(x, x0, x1, vals)
                                     : zel::InterpolTable(x, x0, x1, std::vector<int>(vals.begin(), vals.end()));
    EXPECT_NEAR(got, expected, 1e-12 * (1 + std::fabs(expected))) << "x=" << row[2];
  }
  const std::vector<double> t{0, 10, 20};
  EXPECT_EQ(zel::InterpolTable(5, 0, 10, t), 10);
  EXPECT_EQ(zel::InterpolTable(15, 0, 10, t), 30);
  EXPECT_EQ(zel::InterpolTable(10, 0, 10, t), 20);
  EXPECT_EQ(zel::InterpolTable(0.1, 0.3, 0.1, std::vector<double>{0.7, 0.9, 1.3}), 1.3);  // reversed, at X1
  // (0.9 - 0) / (0.9 / 7) is not exactly 7: X1 itself must still give the last value.
  EXPECT_EQ(zel::InterpolTable(0.9, 0, 0.9, std::vector<double>{0, 1, 4, 9, 16, 25, 36, 49}), 49);
  EXPECT_DOUBLE_EQ(zel::InterpolTable(1e300, 0, 1, t), 2e301);  // far outside: no integer index taken
  EXPECT_TRUE(std::isnan(zel::InterpolTable(kNaN, 0, 10, t)));
  ExpectRaises([] { zel::InterpolTable(1, 0, 0, std::vector<double>{1}); },
               "InterpolTable: pivot array must contain at least 2 values");
  ExpectRaises([&] { zel::InterpolTable(1, 2, 2, t); }, "InterpolTable: specified range of pivot array is zero");
}

TEST(Math1SortInterpol, InterpolXYTableMatchesScipyAndGivesZeroAtTheEndsWithoutExtrapolation) {
  const auto rows = SortRefs("interpxy");
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    const double x = RefNum(row[1]), expected = RefNum(row[4]);
    const zel::TDouble2DArray table{RefList(row[2]), RefList(row[3])};
    const double lo = std::min(table[0].front(), table[0].back()), hi = std::max(table[0].front(), table[0].back());
    EXPECT_NEAR(zel::InterpolXYTable(x, table, true), expected, 1e-12 * (1 + std::fabs(expected))) << "x=" << x;
    const double plain = zel::InterpolXYTable(x, table, false);
    EXPECT_NEAR(plain, x > lo && x < hi ? expected : 0.0, 1e-12 * (1 + std::fabs(expected)));
  }
  for (const zel::TDouble2DArray& table : {zel::TDouble2DArray{{1, 2, 4}, {5, 7, 3}}, {{4, 2, 1}, {3, 7, 5}}}) {
    EXPECT_EQ(zel::InterpolXYTable(1, table, false), 0);
    EXPECT_EQ(zel::InterpolXYTable(4, table, false), 0);
    EXPECT_EQ(zel::InterpolXYTable(1, table, true), 5);
    EXPECT_EQ(zel::InterpolXYTable(4, table, true), 3);
    EXPECT_EQ(zel::InterpolXYTable(2, table, false), 7);  // an inner abscissa gives its ordinate
    EXPECT_EQ(zel::InterpolXYTable(3, table, false), 5);
  }
  // Equal end abscissas: the zero-length end segment gives its ordinate.
  EXPECT_EQ(zel::InterpolXYTable(0, zel::TDouble2DArray{{1, 1, 2}, {6, 8, 9}}, true), 6);
  EXPECT_EQ(zel::InterpolXYTable(5, zel::TDouble2DArray{{3, 3}, {6, 8}}, true), 8);
  EXPECT_TRUE(std::isnan(zel::InterpolXYTable(kNaN, zel::TDouble2DArray{{1, 2}, {6, 8}}, true)));

  const std::string rows2 = "InterpolXYTable: pivot array must contain at least 2 rows";
  const std::string cols2 = "InterpolXYTable: pivot array must contain 2 columns";
  ExpectRaises([] { zel::InterpolXYTable(0, {}, true); }, cols2);
  ExpectRaises([] { zel::InterpolXYTable(0, {{1}}, true); }, rows2);
  ExpectRaises([] { zel::InterpolXYTable(0, {{1}, {2}}, true); }, rows2);
  ExpectRaises([] { zel::InterpolXYTable(0, {{1, 2}}, true); }, cols2);
  ExpectRaises([] { zel::InterpolXYTable(0, {{1, 2}, {3, 4}, {5, 6}}, true); }, cols2);
  ExpectRaises([] { zel::InterpolXYTable(0, {{1, 2, 3}, {3, 4}}, true); },
               "InterpolXYTable: abscissas and ordinates differ in length");
}

TEST(Math1SortInterpol, BilinearAndHistogramBins) {
  EXPECT_EQ(zel::InterpolZofXYRect(1, 2, 3, 4, 0, 1), 2);  // t runs from za to zb
  EXPECT_EQ(zel::InterpolZofXYRect(1, 2, 3, 8, 0.5, 0.5), 3.5);

  double offset = -1;
  EXPECT_EQ(zel::HistoBinRef(7.5, 1, 2, offset), 7);
  EXPECT_EQ(offset, 0.5);
  EXPECT_EQ(zel::HistoBinRef(-0.5, 0, 1, offset), -1);  // floor, not truncation
  EXPECT_EQ(offset, 0.5);
  EXPECT_EQ(zel::HistoBinRef(3.25, 0, 0, offset), 3.25);
  EXPECT_EQ(offset, 0);
}

TEST(Math1SortGeometry, BoundsTakeEitherOrder) {
  EXPECT_TRUE(zel::WithinBounds(3, 3, 1));
  EXPECT_FALSE(zel::WithinBounds(3.5, 3, 1));
  EXPECT_TRUE(zel::WithinBounds(3.5, 3, 1, 0.5));
  EXPECT_FALSE(zel::WithinBounds(0.4, 3, 1, 0.5));
  EXPECT_EQ(zel::ConfineValue(5.0, 3.0, 1.0), 3.0);
  EXPECT_EQ(zel::ConfineValue(INT_MIN, 9, -7), -7);

  const zel::TRectDouble r{4, 5, 1, 2};  // Left > Right, Top > Bottom
  EXPECT_TRUE(zel::WithinRect({1, 2}, r));
  EXPECT_FALSE(zel::WithinRect({3, 5.5}, r));
  TPointDouble p{3, 4};
  EXPECT_FALSE(zel::ConfinePointToRect(p, r));
  p = {0, 9};
  EXPECT_TRUE(zel::ConfinePointToRect(p, r));
  EXPECT_EQ(p.x, 1);
  EXPECT_EQ(p.y, 5);
}

TEST(Math1SortGeometry, DistancesAndAngles) {
  EXPECT_DOUBLE_EQ(zel::EuclideanDistance(0, 0, 3e200, 4e200), 5e200);  // no overflow in the squares
  EXPECT_DOUBLE_EQ(zel::AngleToXAxis(0, 0), 3 * kPi / 2);
  EXPECT_DOUBLE_EQ(zel::AngleToXAxis(-1, 0), kPi);
  EXPECT_DOUBLE_EQ(zel::AngleToXAxis(0, 2), kPi / 2);
  EXPECT_DOUBLE_EQ(zel::AngleToXAxis(-1, -1), 5 * kPi / 4);
  EXPECT_DOUBLE_EQ(zel::AngleToXAxis(1, -1), 7 * kPi / 4);

  EXPECT_EQ(zel::CanonicalAngleDegrees(540), 180);
  EXPECT_EQ(zel::CanonicalAngleDegrees(-190), 170);
  EXPECT_EQ(zel::CanonicalAngleDegrees(-540), -180);
  EXPECT_EQ(zel::CanonicalAngleDegrees(360), 0);
  EXPECT_NEAR(zel::CanonicalAngleDegrees(-1000), 80, 1e-12);
  EXPECT_DOUBLE_EQ(zel::CanonicalAngleRadians(7 * kPi / 2), -kPi / 2);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(zel::CanonicalAngleRadians(inf)));  // not a silent 0
  EXPECT_TRUE(std::isnan(zel::CanonicalAngleDegrees(-inf)));
}

TEST(Math1SortGeometry, OrientationAndSegments) {
  EXPECT_EQ(zel::CcwTriangle({0, 0}, {1, 0}, {0, 1}), 1);
  EXPECT_EQ(zel::CcwTriangle({0, 0}, {0, 1}, {1, 0}), -1);
  EXPECT_EQ(zel::CcwTriangle({0, 0}, {1, 1}, {3, 3}), 0);

  EXPECT_TRUE(zel::SegmentsIntersect({0, 0}, {2, 2}, {0, 2}, {2, 0}));
  EXPECT_TRUE(zel::SegmentsIntersect({0, 0}, {2, 0}, {1, 0}, {1, 5}));  // T junction
  EXPECT_TRUE(zel::SegmentsIntersect({0, 0}, {1, 0}, {1, 0}, {3, 4}));  // shared end point
  EXPECT_TRUE(zel::SegmentsIntersect({0, 0}, {1, 0}, {2, 0}, {3, 0}));  // collinear, disjoint
  EXPECT_FALSE(zel::SegmentsIntersect({0, 0}, {1, 0}, {0, 1}, {1, 1}));
  EXPECT_FALSE(zel::SegmentsIntersect({0, 0}, {2, 2}, {3, 0}, {2, 1.5}));

  EXPECT_EQ(zel::DistanceToSegment({1, 3}, {0, 0}, {4, 0}), 3);
  EXPECT_EQ(zel::DistanceToSegment({-3, 4}, {0, 0}, {4, 0}), 5);
  EXPECT_EQ(zel::DistanceToSegment({7, -4}, {0, 0}, {4, 0}), 5);
  EXPECT_EQ(zel::DistanceToSegment({4, 4}, {1, 0}, {1, 0}), 5);
}

TEST(Math1SortGeometry, DistFromRectBesideAndAtTheCorners) {
  const zel::TRect r{0, 0, 10, 5};
  EXPECT_EQ(zel::DistFromRect({0, 2}, r), 0);   // left edge
  EXPECT_EQ(zel::DistFromRect({10, 5}, r), 0);  // corner
  EXPECT_EQ(zel::DistFromRect({13, 2}, r), 3);
  EXPECT_EQ(zel::DistFromRect({-4, 2}, r), 4);
  EXPECT_EQ(zel::DistFromRect({5, 12}, r), 7);
  EXPECT_EQ(zel::DistFromRect({-1, -1}, r), 1);  // 1.41
  EXPECT_EQ(zel::DistFromRect({12, -3}, r), 4);  // 3.61
  EXPECT_EQ(zel::DistFromRect({INT_MAX, 2}, zel::TRect{INT_MIN, 0, INT_MIN + 1, 5}), INT_MAX);
  EXPECT_EQ(zel::DistFromRect({INT_MIN, INT_MIN}, zel::TRect{0, 0, INT_MAX, INT_MAX}), INT_MAX);
  std::mt19937 rng(3);
  for (int i = 0; i < 2000; ++i) {  // large offsets, where a double square root would round wrongly
    const int dx = static_cast<int>(rng() % (1u << 30)) + 1, dy = static_cast<int>(rng() % (1u << 30)) + 1;
    const auto sq = static_cast<std::uint64_t>(dx) * static_cast<std::uint64_t>(dx) +
                    static_cast<std::uint64_t>(dy) * static_cast<std::uint64_t>(dy);
    ASSERT_EQ(zel::DistFromRect({10 + dx, -dy}, r), NearestIntSqrt(sq)) << dx << " " << dy;
  }
}

TEST(Math1SortGeometry, DistFromEllipseMatchesScipyMinimisation) {
  const auto rows = SortRefs("ellipse");
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    std::vector<double> v;
    for (std::size_t i = 1; i < row.size(); ++i) v.push_back(RefNum(row[i]));
    TPointDouble c{};
    const double d = zel::DistFromEllipse({v[0], v[1]}, v[2], v[3], v[4], v[5], c);
    const double scale = 1 + std::fabs(v[4]) + std::fabs(v[5]);
    EXPECT_NEAR(d, v[6], 1e-10 * scale) << row[1] << " " << row[2];
    EXPECT_NEAR(c.x, v[7], 1e-6 * scale);
    EXPECT_NEAR(c.y, v[8], 1e-6 * scale);
    EXPECT_NEAR(zel::EuclideanDistance({v[0], v[1]}, c), d, 1e-12 * scale);
  }
}

TEST(Math1SortGeometry, DistFromEllipseOnAxesAndDegenerate) {
  TPointDouble c{};
  EXPECT_EQ(zel::DistFromEllipse({2, 3}, 2, 3, 1, 1, c), 1);  // centre of a circle
  EXPECT_EQ(zel::DistFromEllipse({3, 0}, 0, 0, 3, 2, c), 0);
  EXPECT_EQ(c.x, 3);
  EXPECT_EQ(zel::DistFromEllipse({0, -5}, 0, 0, 3, 2, c), 3);  // minor axis
  EXPECT_EQ(c.y, -2);
  EXPECT_DOUBLE_EQ(zel::DistFromEllipse({-1, 0}, 0, 0, 3, 2, c), std::sqrt(3.2));  // inside, off the centre
  EXPECT_DOUBLE_EQ(c.x, -1.8);
  EXPECT_DOUBLE_EQ(c.y, 1.6);
  EXPECT_DOUBLE_EQ(zel::DistFromEllipse({0, 1}, 0, 0, 2, 3, c), std::sqrt(3.2));  // taller than wide
  EXPECT_DOUBLE_EQ(c.x, 1.6);
  EXPECT_DOUBLE_EQ(c.y, 1.8);
  const double onX = 3 * std::cos(0.7), onY = 2 * std::sin(0.7);
  EXPECT_NEAR(zel::DistFromEllipse({onX, onY}, 0, 0, 3, 2, c), 0, 1e-15);
  EXPECT_NEAR(c.x, onX, 1e-15);

  EXPECT_EQ(zel::DistFromEllipse({2, 1}, 0, 0, 0, 3, c), 2);  // a segment on the y axis
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, 1);
  EXPECT_EQ(zel::DistFromEllipse({4, 4}, 1, 1, 0, 0, c), std::hypot(3, 3));  // a point
  EXPECT_EQ(c.x, 1);
  EXPECT_EQ(zel::DistFromEllipse({-2, 1}, 0, 0, -3, -2, c), zel::DistFromEllipse({-2, 1}, 0, 0, 3, 2, c));
}
