// CRC-32 with the reflected IEEE polynomial (as zlib, PNG and Ethernet).
//
// The block version is slicing-by-8: eight tables let it fold eight bytes
// per step with independent lookups; table k maps a byte to its CRC after k
// further zero bytes, which is what makes the combination exact.
#include "zel_base.h"

namespace zel {

namespace {

constexpr std::uint32_t kPoly = 0xEDB88320u;

using TCrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr TCrcTables MakeTables() {
  TCrcTables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ kPoly : c >> 1;
    t[0][i] = c;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFFu];
  return t;
}

constexpr TCrcTables kTables = MakeTables();

}  // namespace

std::uint32_t CalcNextCRC32(std::uint8_t B, std::uint32_t Crc) noexcept {
  return (Crc >> 8) ^ kTables[0][(Crc ^ B) & 0xFFu];
}

std::uint32_t CalcNextCRC32(const void* Data, std::size_t Count, std::uint32_t Crc) noexcept {
  const auto* p = static_cast<const std::uint8_t*>(Data);
  if (p == nullptr) return Crc;
  while (Count >= 8) {
    // Little-endian words assembled byte by byte: no alignment or
    // host-order assumptions, and compilers turn it into plain loads.
    const std::uint32_t lo = Crc ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                    std::uint32_t(p[3]) << 24);
    Crc = kTables[7][lo & 0xFFu] ^ kTables[6][(lo >> 8) & 0xFFu] ^ kTables[5][(lo >> 16) & 0xFFu] ^
          kTables[4][lo >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    p += 8;
    Count -= 8;
  }
  while (Count-- > 0) Crc = (Crc >> 8) ^ kTables[0][(Crc ^ *p++) & 0xFFu];
  return Crc;
}

}  // namespace zel
