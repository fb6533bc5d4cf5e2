// Exchange helpers, sorted fixed-size buffers and selection of the k-th
// smallest value. (The comb sort itself is in zel_math1_combsort_simd.cpp.)
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

#include "zel_math1_sort.h"

namespace zel {

// ---- exchanges ------------------------------------------------------------------

bool SortSwap(double& A, double& B, bool Ascending) noexcept {
  // Ascending exchanges unless A < B, so equal values (and NaNs) are exchanged too.
  const bool exchange = Ascending ? !(A < B) : (A < B);
  if (exchange) std::swap(A, B);
  return exchange;
}

void ExChange(int& A, int& B) noexcept { std::swap(A, B); }
void ExChange(Byte& A, Byte& B) noexcept { std::swap(A, B); }
void ExChange(float& A, float& B) noexcept { std::swap(A, B); }
void ExChange(double& A, double& B) noexcept { std::swap(A, B); }
void ExChange(Extended& A, Extended& B) noexcept { std::swap(A, B); }
void ExChange(std::string& A, std::string& B) noexcept { A.swap(B); }
void ExChange(bool& A, bool& B) noexcept { std::swap(A, B); }
void ExChange(char& A, char& B) noexcept { std::swap(A, B); }
void ExChange(std::int8_t& A, std::int8_t& B) noexcept { std::swap(A, B); }
void ExChange(std::int16_t& A, std::int16_t& B) noexcept { std::swap(A, B); }
void ExChange(Word& A, Word& B) noexcept { std::swap(A, B); }
void ExChange(Cardinal& A, Cardinal& B) noexcept { std::swap(A, B); }
void ExChange(std::int64_t& A, std::int64_t& B) noexcept { std::swap(A, B); }

void ExChange(void* A, void* B, int Size) noexcept {
  if (A == nullptr || B == nullptr || Size <= 0) return;
  auto* a = static_cast<unsigned char*>(A);
  auto* b = static_cast<unsigned char*>(B);
  for (int i = 0; i < Size; ++i) std::swap(a[i], b[i]);
}

// ---- sorted buffers -------------------------------------------------------------

namespace {

template <class T>
int SortIntoBuffer(T* A, std::size_t N, const T Value, bool Ascending, bool AllowDuplicates) {
  if (N == 0) return -1;
  const auto fits = [&](const T& e) { return Ascending ? e >= Value : e <= Value; };
  std::size_t p = 0;
  while (p < N - 1 && !fits(A[p])) ++p;
  if (!fits(A[p]) || (!AllowDuplicates && A[p] == Value)) return -1;
  std::copy_backward(A + p, A + N - 1, A + N);
  A[p] = Value;
  return static_cast<int>(p);
}

template <class T>
void InsertIntoBuffer(T* A, std::size_t N, const T Value, int Ix) {
  if (Ix < 0 || static_cast<std::size_t>(Ix) >= N) return;
  std::copy_backward(A + Ix, A + N - 1, A + N);
  A[Ix] = Value;
}

// The value behind an untyped pointer (memcpy: the caller's value need not
// be aligned).
template <class T>
T ValueAt(const void* P) noexcept {
  T v;
  std::memcpy(&v, P, sizeof(T));
  return v;
}

// Calls F with the typed first element and the typed value of the kind.
template <class F>
void DispatchKind(void* First, TVarKind Kind, const void* Value, F&& Call) {
  switch (Kind) {
    case vkByte: Call(static_cast<std::uint8_t*>(First), ValueAt<std::uint8_t>(Value)); break;
    case vkShortint: Call(static_cast<std::int8_t*>(First), ValueAt<std::int8_t>(Value)); break;
    case vkSmallint: Call(static_cast<std::int16_t*>(First), ValueAt<std::int16_t>(Value)); break;
    case vkWord: Call(static_cast<std::uint16_t*>(First), ValueAt<std::uint16_t>(Value)); break;
    case vkInteger: Call(static_cast<std::int32_t*>(First), ValueAt<std::int32_t>(Value)); break;
    case vkLongword: Call(static_cast<std::uint32_t*>(First), ValueAt<std::uint32_t>(Value)); break;
    case vkInt64: Call(static_cast<std::int64_t*>(First), ValueAt<std::int64_t>(Value)); break;
    case vkSingle: Call(static_cast<float*>(First), ValueAt<float>(Value)); break;
    case vkDouble: Call(static_cast<double*>(First), ValueAt<double>(Value)); break;
    case vkExtended: Call(static_cast<Extended*>(First), ValueAt<Extended>(Value)); break;
  }
}

}  // namespace

int SortIntoArray(TDoubleArray& Data, double Value, bool Ascending, bool AllowDuplicates) {
  return SortIntoBuffer(Data.data(), Data.size(), Value, Ascending, AllowDuplicates);
}
int SortIntoArray(TSingleArray& Data, float Value, bool Ascending, bool AllowDuplicates) {
  return SortIntoBuffer(Data.data(), Data.size(), Value, Ascending, AllowDuplicates);
}
int SortIntoArray(TIntArray& Data, int Value, bool Ascending, bool AllowDuplicates) {
  return SortIntoBuffer(Data.data(), Data.size(), Value, Ascending, AllowDuplicates);
}

int SortIntoArray(void* First, int Count, TVarKind Kind, const void* Value, bool Ascending, bool AllowDuplicates) {
  if (First == nullptr || Value == nullptr || Count <= 0) return -1;
  int result = -1;
  DispatchKind(First, Kind, Value, [&](auto* a, auto v) {
    result = SortIntoBuffer(a, static_cast<std::size_t>(Count), v, Ascending, AllowDuplicates);
  });
  return result;
}

void InsertIntoArray(TDoubleArray& Data, double Value, int Ix) { InsertIntoBuffer(Data.data(), Data.size(), Value, Ix); }
void InsertIntoArray(TSingleArray& Data, float Value, int Ix) { InsertIntoBuffer(Data.data(), Data.size(), Value, Ix); }
void InsertIntoArray(TIntArray& Data, int Value, int Ix) { InsertIntoBuffer(Data.data(), Data.size(), Value, Ix); }

void InsertIntoArray(void* First, int Count, TVarKind Kind, const void* Value, int Ix) {
  if (First == nullptr || Value == nullptr || Count <= 0) return;
  DispatchKind(First, Kind, Value,
               [&](auto* a, auto v) { InsertIntoBuffer(a, static_cast<std::size_t>(Count), v, Ix); });
}

// ---- selection ------------------------------------------------------------------

double QuickSelect(TDoubleArray& Data, int K, int First, int Last) {
  if (Last < First || First < 0 || static_cast<std::size_t>(Last) >= Data.size() || K < First || K > Last) return 0;
  double* a = Data.data();
  const double head = a[First];
  if (std::all_of(a + First + 1, a + Last + 1, [head](double x) { return x == head; })) return head;

  const auto vecswap = [a](std::ptrdiff_t i, std::ptrdiff_t j, std::ptrdiff_t n) {
    for (std::ptrdiff_t t = 0; t < n; ++t) std::swap(a[i + t], a[j + t]);
  };
  std::ptrdiff_t lo = First;
  std::ptrdiff_t hi = Last;
  const std::ptrdiff_t k = K;
  for (;;) {
    const std::ptrdiff_t mid = lo + (hi - lo) / 2;
    const double v = a[mid];
    if (std::isnan(v)) {
      // NaN orders above every number: gather the numbers in front.
      std::ptrdiff_t j = lo;
      for (std::ptrdiff_t i = lo; i <= hi; ++i)
        if (!std::isnan(a[i])) std::swap(a[i], a[j++]);
      if (k >= j) return a[k];
      hi = j - 1;
      continue;
    }
    // Three-way partition (equal values parked at both ends, then moved to
    // the middle), so that runs of equal values cost linear time instead of
    // the quadratic time of a two-way scheme that sends all of them to one
    // side. NaNs fall into the upper part.
    std::swap(a[lo], a[mid]);
    std::ptrdiff_t pa = lo + 1, pb = lo + 1, pc = hi, pd = hi;
    for (;;) {
      while (pb <= pc && a[pb] <= v) {
        if (a[pb] == v) std::swap(a[pa++], a[pb]);
        ++pb;
      }
      while (pb <= pc && !(a[pc] < v)) {
        if (a[pc] == v) std::swap(a[pc], a[pd--]);
        --pc;
      }
      if (pb > pc) break;
      std::swap(a[pb++], a[pc--]);
    }
    // [lo, pa) and (pd, hi] hold the equal values, [pa, pb) the smaller and
    // (pc, pd] the larger ones; pb = pc + 1.
    std::ptrdiff_t s = std::min(pa - lo, pb - pa);
    vecswap(lo, pb - s, s);
    s = std::min(pd - pc, hi - pd);
    vecswap(pb, hi - s + 1, s);
    const std::ptrdiff_t eqFirst = lo + (pb - pa);
    const std::ptrdiff_t eqLast = hi - (pd - pc);
    if (k < eqFirst)
      hi = eqFirst - 1;
    else if (k > eqLast)
      lo = eqLast + 1;
    else
      return a[k];  // equal to v, but keeps the sign of a zero as stored
  }
}

}  // namespace zel
