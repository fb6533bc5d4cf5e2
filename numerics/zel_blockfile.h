// Binary block files of the matrix classes: a 4096-byte header block, then
// the elements packed from block 1 on, 512 little-endian doubles (or 1024
// 32-bit integers) per block, the last block padded to its full length.
//
// Header: columns, rows, layers and time slots as signed 32-bit integers at
// offsets 0, 4, 8, 12; the data identifier at 16 as a length byte and up to
// 255 single-byte characters; the format code at 272 (1 doubles, 2
// integers); the rest is reserved and written as zeros.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "zel_streams.h"

namespace zel {

inline constexpr std::int64_t kBlockSize = 4096;
/// Format codes of the header.
inline constexpr std::int32_t kBlockFormatDouble = 1;
inline constexpr std::int32_t kBlockFormatInteger = 2;

/// Results of the LoadBinary readers besides 0 for success.
enum : int {
  binErrNoFile = -1,     // the file is missing or cannot be read
  binErrShort = -2,      // the file is shorter than the header block
  binErrForeign = -3,    // the header describes another class (layers, time slots or format)
  binErrBadDims = -4,    // a negative count
  binErrTruncated = -5,  // fewer element bytes than the counts announce
  binErrNoMemory = -6,   // the storage cannot be allocated
};

/// The values of a header block.
struct TBlockHeader {
  std::int32_t NCols = 0;
  std::int32_t NRows = 0;
  std::int32_t NLayers = 0;
  std::int32_t NTimeSlots = 0;
  /// At most 255 bytes are stored; a longer identifier is cut.
  std::string DataID;
  std::int32_t Format = kBlockFormatDouble;
};

using TBlockBytes = std::array<std::uint8_t, kBlockSize>;

/// The header block of H.
TBlockBytes EncodeBlockHeader(const TBlockHeader& H);
/// The header values of a block (the reserved bytes are ignored).
TBlockHeader DecodeBlockHeader(const TBlockBytes& Block);

/// Opens FName and reads its header block; raises EInOutError for a file
/// that is missing, unreadable or shorter than one block.
TBlockHeader ReadBlockFileHeader(const std::string& FName);

/// Number of elements the header announces (columns × rows × max(layers, 1)
/// × max(time slots, 1)); −1 when a count is negative.
std::int64_t BlockElemCount(const TBlockHeader& H);

/// Whole blocks needed for Count elements of ElemSize bytes.
std::int64_t BlocksFor(std::int64_t Count, std::int64_t ElemSize);

}  // namespace zel
