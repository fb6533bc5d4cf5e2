// The bit field component: bits packed into 64-bit words. Bits beyond Size
// in the last word are kept clear, so counting, searching and combining can
// work on whole words.
#include <algorithm>
#include <bit>

#include "zel_base.h"

namespace zel {

namespace {

constexpr int kWordBits = 64;

std::size_t WordCount(int NBits) noexcept {
  return static_cast<std::size_t>((static_cast<long long>(NBits) + kWordBits - 1) / kWordBits);
}

}  // namespace

void TBitFld::ClearTail() noexcept {
  const int used = FSize % kWordBits;
  if (used != 0 && !FWords.empty()) FWords.back() &= (std::uint64_t{1} << used) - 1;
}

void TBitFld::SetSize(int NBits) {
  if (NBits < 0) NBits = 0;
  FWords.resize(WordCount(NBits), 0);
  FSize = NBits;
  ClearTail();
}

void TBitFld::Clear() noexcept { std::fill(FWords.begin(), FWords.end(), 0); }

bool TBitFld::GetBit(int Ix) const noexcept {
  if (Ix < 0 || Ix >= FSize) return false;
  return (FWords[static_cast<std::size_t>(Ix / kWordBits)] >> (Ix % kWordBits)) & 1u;
}

void TBitFld::SetBit(int Ix, bool Value) noexcept {
  if (Ix < 0 || Ix >= FSize) return;
  const std::uint64_t mask = std::uint64_t{1} << (Ix % kWordBits);
  std::uint64_t& w = FWords[static_cast<std::size_t>(Ix / kWordBits)];
  w = Value ? (w | mask) : (w & ~mask);
}

void TBitFld::Invert() noexcept {
  for (std::uint64_t& w : FWords) w = ~w;
  ClearTail();
}

int TBitFld::CountTrueBits() const noexcept {
  long long n = 0;
  for (std::uint64_t w : FWords) n += std::popcount(w);
  return static_cast<int>(n);
}

int TBitFld::FirstTrueBit() const noexcept {
  for (std::size_t i = 0; i < FWords.size(); ++i)
    if (FWords[i] != 0) return static_cast<int>(i * kWordBits) + std::countr_zero(FWords[i]);
  return -1;
}

void TBitFld::Clone(const TBitFld& Source) {
  if (&Source == this) return;
  FWords = Source.FWords;
  FSize = Source.FSize;
}

void TBitFld::CombineWith(const TBitFld& Other, TLogicOp Op) noexcept {
  for (std::size_t i = 0; i < FWords.size(); ++i) {
    // Other's words beyond its size read as clear; its tail bits are clear too.
    const std::uint64_t b = i < Other.FWords.size() ? Other.FWords[i] : 0;
    std::uint64_t& a = FWords[i];
    switch (Op) {
      case loAND: a &= b; break;
      case loOR: a |= b; break;
      case loXOR: a ^= b; break;
      case loANDNOT: a &= ~b; break;
      case loORNOT: a |= ~b; break;
      case loXORNOT: a ^= ~b; break;
    }
  }
  ClearTail();
}

void TBitFld::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TBitFld*>(Source)) {
    Clone(*src);
    return;
  }
  TComponent::Assign(Source);
}

}  // namespace zel
