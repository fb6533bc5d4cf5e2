// Reading the reference tables of the number-text tests (tests/data/math1_text_*.tsv,
// made by tools/reference/make_math1_text_refs.py).
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <string>
#include <vector>

#include "zel_test_env.h"

namespace zel::test {

/// A text column with its escapes (\\, \t, \xHH) decoded.
inline std::string Unescape(const std::string& S) {
  std::string out;
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (S[i] != '\\' || i + 1 >= S.size()) {
      out += S[i];
    } else if (S[++i] == 'x' && i + 2 < S.size()) {
      out += static_cast<char>(std::stoi(S.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += S[i] == 't' ? '\t' : S[i];
    }
  }
  return out;
}

/// The rows of a tab-separated table under tests/data, comment lines
/// ("#") skipped; empty when the file is missing (the caller checks).
inline std::vector<std::vector<std::string>> ReadTable(const std::string& Name) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream f(DataPath(Name), std::ios::binary);
  for (std::string line; std::getline(f, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cols;
    std::size_t b = 0;
    for (std::size_t t; (t = line.find('\t', b)) != std::string::npos; b = t + 1) cols.push_back(line.substr(b, t - b));
    cols.push_back(line.substr(b));
    rows.push_back(cols);
  }
  return rows;
}

/// Switches the whole process locale to one with a decimal comma for its
/// lifetime and back to "C" after; Active() tells whether one was found.
class CommaLocale {
 public:
  CommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
        FActive = true;
        return;
      }
    }
    std::setlocale(LC_ALL, "C");
  }
  ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  bool Active() const { return FActive; }

 private:
  bool FActive = false;
};

}  // namespace zel::test
