// Helpers of the scalar-mathematics tests: the lines of one tag of
// tests/data/math1_scalar_reference.txt (made by
// tools/reference/math1_scalar_reference.py), number parsing, ulp distance
// and the check of an exception's class and message.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zel_test_env.h"

namespace zel::test {

/// The fields after the tag of every line that starts with Tag.
inline std::vector<std::vector<std::string>> ReferenceLines(const std::string& Tag) {
  std::ifstream in(DataPath("math1_scalar_reference.txt"));
  std::vector<std::vector<std::string>> lines;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string tag;
    if (!(words >> tag) || tag != Tag) continue;
    lines.emplace_back();
    for (std::string w; words >> w;) lines.back().push_back(w);
  }
  return lines;
}

inline double ToDouble(const std::string& S) { return std::strtod(S.c_str(), nullptr); }
inline long long ToInt(const std::string& S) { return std::strtoll(S.c_str(), nullptr, 10); }

/// |A - B| in units in the last place of B.
inline double UlpDistance(double A, double B) {
  if (A == B) return 0;
  return std::fabs(A - B) / (std::nextafter(std::fabs(B), INFINITY) - std::fabs(B));
}

/// Expects Call to raise E with exactly Message.
template <typename E, typename F>
void ExpectRaises(F&& Call, const std::string& Message) {
  try {
    Call();
    ADD_FAILURE() << "no exception, expected \"" << Message << "\"";
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), Message);
  }
}

}  // namespace zel::test
