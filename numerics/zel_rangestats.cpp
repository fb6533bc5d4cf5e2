// Order statistics, histogram, comb sort and CRC fingerprint of element runs.
#include "zel_rangestats.h"

#include <array>
#include <climits>
#include <cstring>
#include <type_traits>
#include <functional>

#include "zel_base.h"
#include "zel_math1_text.h"

namespace zel {

namespace {

// NaN and -0 are the only doubles whose order after sorting depends on the
// algorithm: NaN compares false both ways, -0 == +0 but differs in its bits.
bool NeedsLibrarySort(std::span<const double> X) noexcept {
  for (const double v : X)
    if (v != v || (v == 0 && std::signbit(v))) return true;
  return false;
}

template <class T>
double PercentileOf(std::vector<double>& s, double Prob, bool SelectOnly) {
  if (!(Prob > 0)) Prob = 0;
  if (Prob > 100) Prob = 100;
  const std::size_t n = s.size();
  if (n == 1) return s[0];
  if (Prob == 100) {
    return SelectOnly ? *std::max_element(s.begin(), s.end()) : s[n - 1];
  }
  const double pos = Prob * static_cast<double>(n - 1) / 100;
  std::size_t k = static_cast<std::size_t>(pos);
  const double f = pos - static_cast<double>(k);
  // Rounding may carry pos up to n - 1 for Prob just below 100.
  if (k >= n - 1) k = n - 1;
  double lo, hi;
  if (SelectOnly) {
    std::nth_element(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(k), s.end());
    lo = s[k];
    hi = k + 1 < n ? *std::min_element(s.begin() + static_cast<std::ptrdiff_t>(k) + 1, s.end()) : lo;
  } else {
    lo = s[k];
    hi = k + 1 < n ? s[k + 1] : lo;
  }
  if (k == n - 1) return lo;
  return lo + (hi - lo) * f;
}

void QuartilesOfSorted(const std::vector<double>& s, double& Q1, double& Q2, double& Q3) {
  const std::size_t n = s.size();
  if (n == 1) {
    Q1 = Q2 = Q3 = s[0];
    return;
  }
  auto quart = [&](double q) {
    const double pos = static_cast<double>(n + 1) * q;
    std::size_t k = static_cast<std::size_t>(pos);
    double f = pos - static_cast<double>(k);
    if (k == 0) {
      k = 1;
      f = 0;
    }
    if (k > n - 1) {
      k = n - 1;
      f = 0;
    }
    return s[k - 1] + (s[k] - s[k - 1]) * f;
  };
  Q1 = quart(0.25);
  Q2 = quart(0.5);
  Q3 = quart(0.75);
}

template <class V>
typename V::value_type ModeOfSorted(const V& s) {
  auto best = s[0];
  std::size_t bestLen = 1, runLen = 1;
  for (std::size_t i = 1; i < s.size(); ++i) {
    runLen = (s[i] == s[i - 1]) ? runLen + 1 : 1;
    if (runLen > bestLen) {
      bestLen = runLen;
      best = s[i];
    }
  }
  return best;
}

int SatInt(std::int64_t v) noexcept { return v > INT32_MAX ? INT32_MAX : static_cast<int>(v); }

// Shared walk of both histograms: Bin(x) classifies one value as underflow
// (-1), overflow (0) or its bin (1..NBins).
template <class T, class Classify>
THistoResult HistogramWalk(std::span<const T> X, std::int64_t First, std::int64_t Last, int NBins, Classify Bin) {
  THistoResult r;
  r.Counts.assign(static_cast<std::size_t>(NBins), 0);
  if (Last < First) return r;
  std::vector<std::int64_t> cnt(static_cast<std::size_t>(NBins), 0);
  std::int64_t under = 0, over = 0;
  auto add = [&](T x, std::int64_t times) {
    const int b = Bin(x);
    if (b < 0)
      under += times;
    else if (b == 0)
      over += times;
    else
      cnt[static_cast<std::size_t>(b - 1)] += times;
  };
  const std::int64_t n = static_cast<std::int64_t>(X.size());
  const std::int64_t lo = std::max<std::int64_t>(First, 1), hi = std::min<std::int64_t>(Last, n);
  for (std::int64_t p = lo; p <= hi; ++p) add(X[static_cast<std::size_t>(p - 1)], 1);
  const std::int64_t inside = hi >= lo ? hi - lo + 1 : 0;
  const std::int64_t outside = (Last - First + 1) - inside;
  if (outside > 0) add(T(0), outside);
  r.Underflow = SatInt(under);
  r.Overflow = SatInt(over);
  for (int b = 0; b < NBins; ++b) {
    r.Counts[static_cast<std::size_t>(b)] = SatInt(cnt[static_cast<std::size_t>(b)]);
    r.MaxCnt = std::max(r.MaxCnt, r.Counts[static_cast<std::size_t>(b)]);
  }
  return r;
}

template <class T>
void CombSortImpl(std::span<T> Data, int First, int Last, bool Ascending, const TRangeExchange& OnExchange) {
  T* d = Data.data() - 1;  // 1-based view; only d[First..Last] is touched
  std::size_t gap = static_cast<std::size_t>(Last - First);
  bool exchanged;
  do {
    gap = CombSortNextGap(gap);
    exchanged = false;
    for (int i = First; static_cast<std::int64_t>(i) + static_cast<std::int64_t>(gap) <= Last; ++i) {
      const int j = i + static_cast<int>(gap);
      if (Ascending ? (d[i] > d[j]) : (d[i] < d[j])) {
        std::swap(d[i], d[j]);
        exchanged = true;
        if (OnExchange) OnExchange(i, j);
      }
    }
  } while (gap > 1 || exchanged);
}

// Byte j of each of M elements of W bytes to Out[j * Stride + i]; the
// element is loaded once and split by shifts (the bytes are in memory order,
// so the shifts assume a little-endian host, as the library does).
template <std::size_t W>
void DeinterleaveFixed(const std::uint8_t* In, std::size_t M, std::uint8_t* Out, std::size_t Stride) noexcept {
  using Word = std::conditional_t<W == 8, std::uint64_t, std::uint32_t>;
  for (std::size_t i = 0; i < M; ++i) {
    Word w;
    std::memcpy(&w, In + i * W, W);
    for (std::size_t j = 0; j < W; ++j) Out[j * Stride + i] = static_cast<std::uint8_t>(w >> (8 * j));
  }
}

}  // namespace

std::vector<double> SortedCopy(std::span<const double> X) {
  std::vector<double> s(X.begin(), X.end());
  if (NeedsLibrarySort(X))
    SortArray(s, true);
  else
    std::sort(s.begin(), s.end());
  return s;
}

std::vector<double> SortedCopy(std::span<const int> X) {
  std::vector<double> s(X.begin(), X.end());
  std::sort(s.begin(), s.end());
  return s;
}

double RangePercentile(std::span<const double> X, double Prob) {
  std::vector<double> s(X.begin(), X.end());
  if (NeedsLibrarySort(X)) {
    SortArray(s, true);
    return PercentileOf<double>(s, Prob, false);
  }
  return PercentileOf<double>(s, Prob, true);
}

double RangePercentile(std::span<const int> X, double Prob) {
  std::vector<double> s(X.begin(), X.end());
  return PercentileOf<int>(s, Prob, true);
}

void RangeQuartiles(std::span<const double> X, double& Q1, double& Q2, double& Q3) {
  QuartilesOfSorted(SortedCopy(X), Q1, Q2, Q3);
}

void RangeQuartiles(std::span<const int> X, double& Q1, double& Q2, double& Q3) {
  QuartilesOfSorted(SortedCopy(X), Q1, Q2, Q3);
}

double RangeMode(std::span<const double> X) {
  TDoubleArray s(X.begin(), X.end());
  SortArray(s, true);
  return ModeOfSorted(s);
}

int RangeMode(std::span<const int> X) {
  TIntArray s(X.begin(), X.end());
  SortArray(s, true);
  return ModeOfSorted(s);
}

THistoResult RangeHistogram(std::span<const double> X, std::int64_t First, std::int64_t Last, double FirstBin,
                            double LastBin, double BinWidth, int NBins) {
  const double top = LastBin + BinWidth;
  return HistogramWalk(X, First, Last, NBins, [&](double x) {
    if (x < FirstBin) return -1;
    if (!(x < top)) return 0;
    const double b = std::floor((x - FirstBin) / BinWidth) + 1;
    return b > NBins ? 0 : static_cast<int>(b);
  });
}

THistoResult RangeHistogram(std::span<const int> X, std::int64_t First, std::int64_t Last, int FirstBin, int LastBin,
                            int BinWidth, int NBins) {
  const std::int64_t top = static_cast<std::int64_t>(LastBin) + BinWidth;
  return HistogramWalk(X, First, Last, NBins, [&](int x) {
    if (x < FirstBin) return -1;
    if (static_cast<std::int64_t>(x) >= top) return 0;
    const std::int64_t b = (static_cast<std::int64_t>(x) - FirstBin) / BinWidth + 1;
    return b > NBins ? 0 : static_cast<int>(b);
  });
}

void RangeCombSort(std::span<double> Data, int First, int Last, bool Ascending, const TRangeExchange& OnExchange) {
  if (!OnExchange) {
    auto sub = Data.subspan(static_cast<std::size_t>(First - 1), static_cast<std::size_t>(Last - First + 1));
    if (!NeedsLibrarySort(sub)) {
      if (Ascending)
        std::sort(sub.begin(), sub.end());
      else
        std::sort(sub.begin(), sub.end(), std::greater<double>());
      return;
    }
  }
  CombSortImpl(Data, First, Last, Ascending, OnExchange);
}

void RangeCombSort(std::span<int> Data, int First, int Last, bool Ascending, const TRangeExchange& OnExchange) {
  if (!OnExchange) {
    auto sub = Data.subspan(static_cast<std::size_t>(First - 1), static_cast<std::size_t>(Last - First + 1));
    if (Ascending)
      std::sort(sub.begin(), sub.end());
    else
      std::sort(sub.begin(), sub.end(), std::greater<int>());
    return;
  }
  CombSortImpl(Data, First, Last, Ascending, OnExchange);
}

std::string RangeCRCFingerprint(const void* Data, std::size_t Count, std::size_t ElemSize) {
  // Lanes are de-interleaved block by block (one pass over the block) so each
  // accumulator runs the table-driven bulk CRC instead of one call per byte.
  constexpr std::size_t kBlock = 4096;
  constexpr std::size_t kMaxLanes = 16;
  std::array<std::uint32_t, kMaxLanes> crc;
  crc.fill(0xFFFFFFFFu);
  const std::size_t lanes = std::min(ElemSize, kMaxLanes);
  std::vector<std::uint8_t> buf(kBlock * lanes);
  const auto* p = static_cast<const std::uint8_t*>(Data);
  for (std::size_t start = 0; start < Count; start += kBlock) {
    const std::size_t m = std::min(kBlock, Count - start);
    const std::uint8_t* blk = p + start * ElemSize;
    if (ElemSize == 8)
      DeinterleaveFixed<8>(blk, m, buf.data(), kBlock);
    else if (ElemSize == 4)
      DeinterleaveFixed<4>(blk, m, buf.data(), kBlock);
    else
      for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = 0; j < lanes; ++j) buf[j * kBlock + i] = blk[i * ElemSize + j];
    for (std::size_t j = 0; j < lanes; ++j) crc[j] = CalcNextCRC32(buf.data() + j * kBlock, m, crc[j]);
  }
  std::string out;
  out.reserve(lanes * 8);
  for (std::size_t j = 0; j < lanes; ++j) out += Hex(static_cast<int>(~crc[j]), 8);
  return out;
}

}  // namespace zel
