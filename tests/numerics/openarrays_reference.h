// Helpers of the array-routine and complex-number tests: the records of one
// kind from a reference file under tests/data (made by the scripts in
// tools/reference), number lists, and nesting a flat list into an array of
// a given shape.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zel_openarrays.h"
#include "zel_test_env.h"

namespace zel::test {

/// The TAB-separated fields after the kind of every record of File that
/// starts with Kind. Fails the test when there is none.
inline std::vector<std::vector<std::string>> RefRecords(const std::string& File, const std::string& Kind) {
  std::ifstream in(DataPath(File));
  std::vector<std::vector<std::string>> records;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string kind;
    if (!std::getline(fields, kind, '\t') || kind != Kind) continue;
    records.emplace_back();
    for (std::string f; std::getline(fields, f, '\t');) records.back().push_back(f);
  }
  EXPECT_FALSE(records.empty()) << "no records \"" << Kind << "\" in " << File;
  return records;
}

inline std::vector<std::vector<std::string>> ArrayRefs(const std::string& Kind) {
  return RefRecords("openarrays_reference.tsv", Kind);
}

/// A space-separated list of numbers (strtod, strtol or strtold by T).
template <class T>
std::vector<T> NumList(const std::string& S) {
  std::istringstream words(S);
  std::vector<T> list;
  for (std::string w; words >> w;) {
    if constexpr (std::is_same_v<T, long double>) {
      list.push_back(std::strtold(w.c_str(), nullptr));
    } else if constexpr (std::is_floating_point_v<T>) {
      list.push_back(static_cast<T>(std::strtod(w.c_str(), nullptr)));
    } else {
      list.push_back(static_cast<T>(std::strtoll(w.c_str(), nullptr, 10)));
    }
  }
  return list;
}

template <class T>
T Num(const std::string& S) {
  return NumList<T>(S).at(0);
}

/// Flat (row-major) values arranged into an array of the given shape.
template <class A>
A Nest(const std::vector<oa::ElemOf<A>>& Flat, const std::vector<std::size_t>& Shape, std::size_t& Pos,
       std::size_t Dim = 0) {
  A a(Shape.at(Dim));
  for (std::size_t i = 0; i < a.size(); ++i) {
    if constexpr (oa::RankOf<A> == 1) {
      a[i] = Flat.at(Pos++);
    } else {
      a[i] = Nest<typename A::value_type>(Flat, Shape, Pos, Dim + 1);
    }
  }
  return a;
}

template <class A>
A Nest(const std::vector<oa::ElemOf<A>>& Flat, const std::vector<std::size_t>& Shape) {
  std::size_t pos = 0;
  return Nest<A>(Flat, Shape, pos);
}

}  // namespace zel::test
