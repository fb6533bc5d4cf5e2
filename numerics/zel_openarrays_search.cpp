// Linear and bisection search, comb sort with an index, duplicate removal.
#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "zel_base.h"
#include "zel_math1_sort.h"
#include "zel_openarrays.h"
#include "zel_strutils.h"

namespace zel {

int FindInArray(int Key, const TIntArray& Data) {
  if (Data.empty()) return -1;
  const auto it = std::find(Data.begin(), Data.end(), Key);
  return it == Data.end() ? -2 : static_cast<int>(it - Data.begin());
}

int FindInArray(std::string_view Text, const TStrArray& List, bool IgnoreCase, bool Substring) {
  if (List.empty()) return -1;
  const std::string key = IgnoreCase ? LowerCase(Text) : std::string(Text);
  for (std::size_t i = 0; i < List.size(); ++i) {
    const std::string item = IgnoreCase ? LowerCase(List[i]) : List[i];
    if (Substring ? item.find(key) != std::string::npos : item == key) return static_cast<int>(i);
  }
  return -2;
}

int FindInSortedArray(double X, const TDoubleArray& Data, bool Ascending) {
  const std::size_t n = Data.size();
  if (n == 0) return -1;
  if (std::isnan(X)) return -2;
  // "Before" and "beyond" follow the sort direction.
  const auto before = [Ascending](double A, double B) { return Ascending ? A < B : A > B; };
  if (before(X, Data[0]) || before(Data[n - 1], X)) return -2;
  // 1-based bounds lo < hi bracket X; each step halves hi - lo, so the loop
  // ends after at most log2(n) steps whatever the order of Data.
  std::size_t lo = 1;
  std::size_t hi = n;
  while (hi - lo > 1) {
    const std::size_t mid = lo + (hi - lo) / 2;
    const double v = Data[mid - 1];
    if (v == X) return static_cast<int>(mid - 1);
    if (before(v, X)) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  // Equality first: an infinite X equal to an end element is "nearest" to
  // it, though inf - inf is NaN.
  const double atLo = Data[lo - 1], atHi = Data[hi - 1];
  if (atHi == X) return static_cast<int>(hi - 1);
  if (atLo == X) return static_cast<int>(lo - 1);
  return static_cast<int>(std::fabs(atHi - X) <= std::fabs(atLo - X) ? hi - 1 : lo - 1);
}

template <oa::NumElem E>
int SortArray(bool Ascending, oa::Arr1<E>& Data, TIntArray& Index) {
  const std::size_t n = Data.size();
  Index.resize(n);
  for (std::size_t i = 0; i < n; ++i) Index[i] = static_cast<int>(i + 1);
  if (n < 2) return -1;
  std::size_t gap = n - 1;
  bool exchanged;
  do {
    gap = CombSortNextGap(gap);
    exchanged = false;
    for (std::size_t i = 0; i + gap < n; ++i) {
      E& a = Data[i];
      E& b = Data[i + gap];
      if (Ascending ? a > b : a < b) {
        std::swap(a, b);
        std::swap(Index[i], Index[i + gap]);
        exchanged = true;
      }
    }
    // A half-sorted array would look finished, so the abort flag is not honoured.
    MathProcStep();
  } while (gap > 1 || exchanged);
  return 0;
}

int SortAndRemoveDuplicates(TIntArray& Data, bool Ascending) {
  if (Data.size() < 2) return -1;
  // Integers have no distinguishable ties, so any sort gives the comb sort's result.
  if (Ascending) {
    std::sort(Data.begin(), Data.end());
  } else {
    std::sort(Data.begin(), Data.end(), std::greater<>());
  }
  const auto end = std::unique(Data.begin(), Data.end());
  const auto removed = static_cast<int>(Data.end() - end);
  Data.erase(end, Data.end());
  return removed;
}

template int SortArray<double>(bool, oa::Arr1<double>&, TIntArray&);
template int SortArray<int>(bool, oa::Arr1<int>&, TIntArray&);

}  // namespace zel
