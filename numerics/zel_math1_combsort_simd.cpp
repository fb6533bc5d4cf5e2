// Comb sort of plain arrays.
//
// The pass sequence and every exchange are those of the textbook comb sort
// (callers count passes through ProcStat, so no other algorithm will do).
// Speed comes from the observation that, for gap >= W, the pairs
// (i, i + gap) .. (i + W - 1, i + W - 1 + gap) touch 2W distinct elements and
// none of them is written by another pair of the same group; a group also
// reads only elements that earlier groups (smaller i) have finished with. So
// W pairs can be compare-exchanged at once, processing groups in increasing
// i, with exactly the sequential result. The exchange is a compare plus two
// blends, never min/max, which would differ from "exchange when first >
// second" on NaN and on -0.0 / +0.0. The AVX2 kernels are chosen at run time;
// SSE2 is the x86-64 baseline.
#include <immintrin.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "zel_math1_sort.h"

namespace zel {

namespace detail {
namespace {
std::atomic<bool> gCombSortBaselineOnly{false};
}  // namespace

bool CombSortRestrictToBaseline(bool Restrict) noexcept { return gCombSortBaselineOnly.exchange(Restrict); }
}  // namespace detail

// The framework computes trunc(gap / 1.3) in floating point; in double this
// gives the same sequence as Python's int(g / 1.3) (pinned by the tests).
std::size_t CombSortNextGap(std::size_t Gap) noexcept {
  const auto g = static_cast<std::size_t>(static_cast<double>(Gap) / 1.3);
  return g < 1 ? 1 : g;
}

namespace {

#define ZEL_AVX2 __attribute__((target("avx2")))

bool CpuHasAvx2() noexcept {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

bool UseAvx2() noexcept { return CpuHasAvx2() && !detail::gCombSortBaselineOnly.load(std::memory_order_relaxed); }


// "First element greater" (ascending) or "smaller" (descending); false for
// equal values and for any NaN.
template <bool Asc, class T>
inline bool OutOfOrder(const T& First, const T& Second) noexcept {
  if constexpr (Asc)
    return Second < First;
  else
    return First < Second;
}

// Pairs (i, i + Gap) for i in [From, To), one after another.
template <bool Asc, class T>
void ScalarPairs(T* A, std::size_t From, std::size_t To, std::size_t Gap) noexcept {
  for (std::size_t i = From; i < To; ++i) {
    const T x = A[i];
    const T y = A[i + Gap];
    const bool s = OutOfOrder<Asc>(x, y);
    A[i] = s ? y : x;
    A[i + Gap] = s ? x : y;
  }
}

// The gap-1 pass. The element moving up is carried in a register, which
// breaks the store-to-load chain through memory; returns whether anything
// was exchanged.
template <bool Asc, class T>
bool BubblePass(T* A, std::size_t N) noexcept {
  bool any = false;
  T cur = A[0];
  for (std::size_t i = 0; i + 1 < N; ++i) {
    const T next = A[i + 1];
    const bool s = OutOfOrder<Asc>(cur, next);
    A[i] = s ? next : cur;
    cur = s ? cur : next;
    any |= s;
  }
  A[N - 1] = cur;
  return any;
}

// ---- vector kernels ---------------------------------------------------------------
// Each kernel handles the groups of W pairs that fit into [0, NPairs) and
// returns the number of pairs done; the caller finishes the rest in scalar.

template <bool Asc>
std::size_t Sse2Pairs(double* A, std::size_t NPairs, std::size_t Gap) noexcept {
  std::size_t i = 0;
  for (; i + 2 <= NPairs; i += 2) {
    const __m128d x = _mm_loadu_pd(A + i);
    const __m128d y = _mm_loadu_pd(A + i + Gap);
    const __m128d m = Asc ? _mm_cmpgt_pd(x, y) : _mm_cmplt_pd(x, y);
    _mm_storeu_pd(A + i, _mm_or_pd(_mm_and_pd(m, y), _mm_andnot_pd(m, x)));
    _mm_storeu_pd(A + i + Gap, _mm_or_pd(_mm_and_pd(m, x), _mm_andnot_pd(m, y)));
  }
  return i;
}

template <bool Asc>
std::size_t Sse2Pairs(float* A, std::size_t NPairs, std::size_t Gap) noexcept {
  std::size_t i = 0;
  for (; i + 4 <= NPairs; i += 4) {
    const __m128 x = _mm_loadu_ps(A + i);
    const __m128 y = _mm_loadu_ps(A + i + Gap);
    const __m128 m = Asc ? _mm_cmpgt_ps(x, y) : _mm_cmplt_ps(x, y);
    _mm_storeu_ps(A + i, _mm_or_ps(_mm_and_ps(m, y), _mm_andnot_ps(m, x)));
    _mm_storeu_ps(A + i + Gap, _mm_or_ps(_mm_and_ps(m, x), _mm_andnot_ps(m, y)));
  }
  return i;
}

template <bool Asc>
std::size_t Sse2Pairs(int* A, std::size_t NPairs, std::size_t Gap) noexcept {
  std::size_t i = 0;
  for (; i + 4 <= NPairs; i += 4) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(A + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(A + i + Gap));
    const __m128i m = Asc ? _mm_cmpgt_epi32(x, y) : _mm_cmpgt_epi32(y, x);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(A + i), _mm_or_si128(_mm_and_si128(m, y), _mm_andnot_si128(m, x)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(A + i + Gap),
                     _mm_or_si128(_mm_and_si128(m, x), _mm_andnot_si128(m, y)));
  }
  return i;
}

template <bool Asc>
ZEL_AVX2 std::size_t Avx2Pairs(double* A, std::size_t NPairs, std::size_t Gap) noexcept {
  std::size_t i = 0;
  for (; i + 4 <= NPairs; i += 4) {
    const __m256d x = _mm256_loadu_pd(A + i);
    const __m256d y = _mm256_loadu_pd(A + i + Gap);
    const __m256d m = _mm256_cmp_pd(x, y, Asc ? _CMP_GT_OQ : _CMP_LT_OQ);
    _mm256_storeu_pd(A + i, _mm256_blendv_pd(x, y, m));
    _mm256_storeu_pd(A + i + Gap, _mm256_blendv_pd(y, x, m));
  }
  return i;
}

template <bool Asc>
ZEL_AVX2 std::size_t Avx2Pairs(float* A, std::size_t NPairs, std::size_t Gap) noexcept {
  std::size_t i = 0;
  for (; i + 8 <= NPairs; i += 8) {
    const __m256 x = _mm256_loadu_ps(A + i);
    const __m256 y = _mm256_loadu_ps(A + i + Gap);
    const __m256 m = _mm256_cmp_ps(x, y, Asc ? _CMP_GT_OQ : _CMP_LT_OQ);
    _mm256_storeu_ps(A + i, _mm256_blendv_ps(x, y, m));
    _mm256_storeu_ps(A + i + Gap, _mm256_blendv_ps(y, x, m));
  }
  return i;
}

template <bool Asc>
ZEL_AVX2 std::size_t Avx2Pairs(int* A, std::size_t NPairs, std::size_t Gap) noexcept {
  std::size_t i = 0;
  for (; i + 8 <= NPairs; i += 8) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(A + i));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(A + i + Gap));
    const __m256i m = Asc ? _mm256_cmpgt_epi32(x, y) : _mm256_cmpgt_epi32(y, x);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(A + i), _mm256_blendv_epi8(x, y, m));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(A + i + Gap), _mm256_blendv_epi8(y, x, m));
  }
  return i;
}

// Vector widths (elements per register) of the two instruction sets.
template <class T>
constexpr std::size_t kSse2Width = 16 / sizeof(T);
template <class T>
constexpr std::size_t kAvx2Width = 32 / sizeof(T);

template <class T>
constexpr bool kHasKernels = std::is_same_v<T, double> || std::is_same_v<T, float> || std::is_same_v<T, int>;

// One pass with Gap > 1: vector groups where the gap allows them, the
// remaining pairs in scalar after them (they have the larger indices).
template <bool Asc, class T>
void GapPass(T* A, std::size_t N, std::size_t Gap) noexcept {
  const std::size_t nPairs = N - Gap;
  std::size_t done = 0;
  if constexpr (kHasKernels<T>) {
    if (Gap >= kAvx2Width<T> && UseAvx2())
      done = Avx2Pairs<Asc>(A, nPairs, Gap);
    else if (Gap >= kSse2Width<T>)
      done = Sse2Pairs<Asc>(A, nPairs, Gap);
  }
  ScalarPairs<Asc>(A, done, nPairs, Gap);
}

template <bool Asc, class T>
void CombSortDirected(T* A, std::size_t N) {
  if (N < 2) return;
  std::size_t gap = N;
  for (;;) {
    gap = CombSortNextGap(gap);
    bool exchanged = true;
    if (gap == 1)
      exchanged = BubblePass<Asc>(A, N);
    else
      GapPass<Asc>(A, N, gap);
    // Progress only: an abort would leave a half-sorted array that looks finished.
    (void)MathProcStep();
    if (gap == 1 && !exchanged) break;
  }
}

template <class T>
void CombSort(T* A, std::size_t N, bool Ascending) {
  if (Ascending)
    CombSortDirected<true>(A, N);
  else
    CombSortDirected<false>(A, N);
}

}  // namespace

void SortArray(TDoubleArray& Data, bool Ascending) { CombSort(Data.data(), Data.size(), Ascending); }
void SortArray(TSingleArray& Data, bool Ascending) { CombSort(Data.data(), Data.size(), Ascending); }
void SortArray(TIntArray& Data, bool Ascending) { CombSort(Data.data(), Data.size(), Ascending); }

void SortArray(void* First, int Count, TVarKind Kind, bool Ascending) {
  if (First == nullptr || Count <= 0) return;
  const auto n = static_cast<std::size_t>(Count);
  switch (Kind) {
    case vkByte: CombSort(static_cast<std::uint8_t*>(First), n, Ascending); break;
    case vkShortint: CombSort(static_cast<std::int8_t*>(First), n, Ascending); break;
    case vkSmallint: CombSort(static_cast<std::int16_t*>(First), n, Ascending); break;
    case vkWord: CombSort(static_cast<std::uint16_t*>(First), n, Ascending); break;
    case vkInteger: CombSort(static_cast<int*>(First), n, Ascending); break;
    case vkLongword: CombSort(static_cast<std::uint32_t*>(First), n, Ascending); break;
    case vkInt64: CombSort(static_cast<std::int64_t*>(First), n, Ascending); break;
    case vkSingle: CombSort(static_cast<float*>(First), n, Ascending); break;
    case vkDouble: CombSort(static_cast<double*>(First), n, Ascending); break;
    case vkExtended: CombSort(static_cast<Extended*>(First), n, Ascending); break;
  }
}

}  // namespace zel
