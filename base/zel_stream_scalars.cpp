// Scalars in streams: 10-byte extended and 32-bit integers, and the mixed
// file stream. Byte order is fixed (little-endian) rather than the machine's,
// and a short read leaves both the stream position and the target unchanged.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "zel_base.h"
#include "zel_extended.h"

namespace zel {

namespace {

bool WriteAll(TStream& Stream, const void* Data, std::int64_t Count) {
  return Stream.Write(Data, Count) == Count;
}

// Reads exactly Count bytes; on a short read the position is restored.
bool ReadAll(TStream& Stream, void* Data, std::int64_t Count) {
  const std::int64_t Start = Stream.Position();
  if (Stream.Read(Data, Count) == Count) return true;
  Stream.Seek(Start, soBeginning);
  return false;
}

template <class UInt>
void PutLE(UInt V, std::uint8_t* Bytes) noexcept {
  for (std::size_t I = 0; I < sizeof(UInt); ++I) Bytes[I] = static_cast<std::uint8_t>(V >> (8 * I));
}

template <class UInt>
UInt GetLE(const std::uint8_t* Bytes) noexcept {
  UInt V = 0;
  for (std::size_t I = 0; I < sizeof(UInt); ++I) V |= static_cast<UInt>(Bytes[I]) << (8 * I);
  return V;
}

bool WriteInt32LE(TStream& Stream, std::int32_t X) {
  std::uint8_t Bytes[4];
  PutLE(static_cast<std::uint32_t>(X), Bytes);
  return WriteAll(Stream, Bytes, 4);
}

bool ReadInt32LE(TStream& Stream, std::int32_t& X) {
  std::uint8_t Bytes[4];
  if (!ReadAll(Stream, Bytes, 4)) return false;
  X = static_cast<std::int32_t>(GetLE<std::uint32_t>(Bytes));
  return true;
}

}  // namespace

bool WriteExtendedToStream(TStream& Stream, long double X) {
  const TExtendedBytes Bytes = EncodeExtended(X);
  return WriteAll(Stream, Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

bool ReadExtendedFromStream(TStream& Stream, long double& X) {
  TExtendedBytes Bytes;
  if (!ReadAll(Stream, Bytes.data(), static_cast<std::int64_t>(Bytes.size()))) return false;
  X = DecodeExtended(Bytes);
  return true;
}

bool WriteLongintToStream(TStream& Stream, std::int32_t X) { return WriteInt32LE(Stream, X); }

bool ReadLongintFromStream(TStream& Stream, std::int32_t& X) { return ReadInt32LE(Stream, X); }

// ---- TMixedFStream -------------------------------------------------------------

bool TMixedFStream::WriteByte(std::uint8_t B) { return WriteAll(*this, &B, 1); }

bool TMixedFStream::ReadByte(std::uint8_t& B) { return ReadAll(*this, &B, 1); }

bool TMixedFStream::WriteInteger(std::int32_t X) { return WriteInt32LE(*this, X); }

bool TMixedFStream::ReadInteger(std::int32_t& X) { return ReadInt32LE(*this, X); }

bool TMixedFStream::WriteDouble(double X) {
  static_assert(sizeof(double) == 8);
  std::uint64_t Bits;
  std::memcpy(&Bits, &X, 8);
  std::uint8_t Bytes[8];
  PutLE(Bits, Bytes);
  return WriteAll(*this, Bytes, 8);
}

bool TMixedFStream::ReadDouble(double& X) {
  std::uint8_t Bytes[8];
  if (!ReadAll(*this, Bytes, 8)) return false;
  const std::uint64_t Bits = GetLE<std::uint64_t>(Bytes);
  std::memcpy(&X, &Bits, 8);
  return true;
}

bool TMixedFStream::WriteLn(std::string_view Line) {
  const bool Ok = WriteAll(*this, Line.data(), static_cast<std::int64_t>(Line.size()));
  return WriteAll(*this, "\r\n", 2) && Ok;
}

bool TMixedFStream::ReadLn(std::string& Line) {
  if (Position() >= Size()) {
    Line.clear();
    return false;
  }
  bool EndOfStream;
  Line = ReadLnStream(*this, EndOfStream);
  return true;
}

}  // namespace zel
