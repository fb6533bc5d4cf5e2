// Header block of the binary matrix files.
#include "zel_blockfile.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "zel_exceptions.h"

namespace zel {

namespace {

static_assert(std::endian::native == std::endian::little, "the block files are little-endian");

constexpr std::size_t kIdOffset = 16;
constexpr std::size_t kFormatOffset = 272;

void PutInt32(TBlockBytes& B, std::size_t At, std::int32_t X) { std::memcpy(B.data() + At, &X, 4); }

std::int32_t GetInt32(const TBlockBytes& B, std::size_t At) {
  std::int32_t X;
  std::memcpy(&X, B.data() + At, 4);
  return X;
}

}  // namespace

TBlockBytes EncodeBlockHeader(const TBlockHeader& H) {
  TBlockBytes B{};
  PutInt32(B, 0, H.NCols);
  PutInt32(B, 4, H.NRows);
  PutInt32(B, 8, H.NLayers);
  PutInt32(B, 12, H.NTimeSlots);
  const std::size_t Len = std::min<std::size_t>(H.DataID.size(), 255);
  B[kIdOffset] = static_cast<std::uint8_t>(Len);
  std::memcpy(B.data() + kIdOffset + 1, H.DataID.data(), Len);
  PutInt32(B, kFormatOffset, H.Format);
  return B;
}

TBlockHeader DecodeBlockHeader(const TBlockBytes& Block) {
  TBlockHeader H;
  H.NCols = GetInt32(Block, 0);
  H.NRows = GetInt32(Block, 4);
  H.NLayers = GetInt32(Block, 8);
  H.NTimeSlots = GetInt32(Block, 12);
  H.DataID.assign(reinterpret_cast<const char*>(Block.data()) + kIdOffset + 1, Block[kIdOffset]);
  H.Format = GetInt32(Block, kFormatOffset);
  return H;
}

TBlockHeader ReadBlockFileHeader(const std::string& FName) {
  TBlockBytes B{};
  try {
    TFileStream S(FName, fmOpenRead);
    if (S.Read(B.data(), kBlockSize) != kBlockSize)
      throw EInOutError("\"" + FName + "\" is too short for a binary matrix file");
  } catch (const EStreamError& E) {
    throw EInOutError(E.Message());
  }
  return DecodeBlockHeader(B);
}

std::int64_t BlockElemCount(const TBlockHeader& H) {
  if (H.NCols < 0 || H.NRows < 0 || H.NLayers < 0 || H.NTimeSlots < 0) return -1;
  // At most (2^31)^4 = 2^124 would overflow; the counts are multiplied in
  // steps that saturate at INT64_MAX, far beyond any file.
  std::int64_t N = H.NCols;
  for (const std::int64_t F : {std::int64_t(H.NRows), std::int64_t(std::max(H.NLayers, 1)),
                               std::int64_t(std::max(H.NTimeSlots, 1))}) {
    if (F != 0 && N > INT64_MAX / F) return INT64_MAX;
    N *= F;
  }
  return N;
}

std::int64_t BlocksFor(std::int64_t Count, std::int64_t ElemSize) {
  const std::int64_t PerBlock = kBlockSize / ElemSize;
  return Count / PerBlock + (Count % PerBlock != 0 ? 1 : 0);
}

}  // namespace zel
