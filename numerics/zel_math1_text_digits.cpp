// Fixed-width digit strings, Roman numerals, bit patterns of floating-point
// numbers and the bit helpers.
//
// Bit patterns move through memcpy only: no floating-point operation touches
// them, so signalling NaNs and every payload survive.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "zel_math1_text.h"
#include "zel_strutils.h"

namespace zel {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";


// The lowest Digits digits of V in base 2^Shift, leading zeros kept.
std::string PowerOfTwoDigits(std::uint32_t V, int Digits, unsigned Shift) {
  std::string out(static_cast<std::size_t>(Digits), '0');
  const std::uint32_t mask = (1u << Shift) - 1;
  for (int k = Digits - 1; k >= 0 && V != 0; --k, V >>= Shift) out[static_cast<std::size_t>(k)] = kHexDigits[V & mask];
  return out;
}

// Bytes (in memory order, least significant first) as hexadecimal digits
// from the most significant byte down.
std::string BytesToHex(const unsigned char* Bytes, std::size_t Count) {
  std::string out(2 * Count, '0');
  for (std::size_t k = 0; k < Count; ++k) {
    const unsigned char b = Bytes[Count - 1 - k];
    out[2 * k] = kHexDigits[b >> 4];
    out[2 * k + 1] = kHexDigits[b & 15];
  }
  return out;
}

// The inverse of BytesToHex; raises EZELError with the routine's message.
void HexToBytes(std::string_view Hex, unsigned char* Bytes, std::size_t Count, const char* Routine) {
  auto fail = [&] { throw EZELError(std::string(Routine) + ": invalid hex string \"" + std::string(Hex) + "\""); };
  if (Hex.size() != 2 * Count) fail();
  auto nibble = [&](char c) -> unsigned {
    c = UpCase(c);
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    fail();
    return 0;
  };
  for (std::size_t k = 0; k < Count; ++k)
    Bytes[Count - 1 - k] = static_cast<unsigned char>(nibble(Hex[2 * k]) << 4 | nibble(Hex[2 * k + 1]));
}

// The bytes of a value of type T in reverse order.
template <class T>
T ReverseBytes(T X) {
  unsigned char b[sizeof(T)];
  std::memcpy(b, &X, sizeof(T));
  for (std::size_t k = 0; k < sizeof(T) / 2; ++k) {
    const unsigned char t = b[k];
    b[k] = b[sizeof(T) - 1 - k];
    b[sizeof(T) - 1 - k] = t;
  }
  std::memcpy(&X, b, sizeof(T));
  return X;
}

// Bytes of the 80-bit extended format within long double's storage.
constexpr std::size_t kExtendedBytes = 10;

}  // namespace

// ---- integer to text ------------------------------------------------------------

std::string Decimal(int Value, int Digits) {
  Digits = std::clamp(Digits, 1, 255);
  // |INT_MIN| needs 64 bits.
  std::uint64_t v =
      Value < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(Value)) : static_cast<std::uint64_t>(Value);
  std::string out(static_cast<std::size_t>(Digits), '0');
  for (int k = Digits - 1; k >= 0 && v != 0; --k, v /= 10)
    out[static_cast<std::size_t>(k)] = static_cast<char>('0' + v % 10);
  return Value < 0 ? "-" + out : out;
}

std::string Hex(int Value, int Digits) {
  return PowerOfTwoDigits(static_cast<std::uint32_t>(Value), std::clamp(Digits, 1, 8), 4);
}

std::string Octal(int Value, int Digits) {
  return PowerOfTwoDigits(static_cast<std::uint32_t>(Value), std::clamp(Digits, 1, 11), 3);
}

std::string Bin(int Value, int Digits) {
  return PowerOfTwoDigits(static_cast<std::uint32_t>(Value), std::clamp(Digits, 1, 32), 1);
}

std::string Roman(int N) {
  if (N <= 0 || N >= 30000) return std::string();
  static constexpr struct {
    int Value;
    const char* Letters;
  } kTable[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
  std::string out;
  for (const auto& e : kTable)
    for (; N >= e.Value; N -= e.Value) out += e.Letters;
  return out;
}

int StrToIntDefault(std::string_view Instring, int Default) { return StrToIntDef(Instring, Default); }

// ---- floating-point bit patterns ----------------------------------------------------

std::string FPNumToHex(double X) {
  unsigned char b[sizeof X];
  std::memcpy(b, &X, sizeof X);
  return BytesToHex(b, sizeof X);
}

std::string FPNumToHex(long double X) {
  unsigned char b[sizeof X];
  std::memcpy(b, &X, sizeof X);
  return BytesToHex(b, kExtendedBytes);
}

std::string FPNumToHex(float X) {
  unsigned char b[sizeof X];
  std::memcpy(b, &X, sizeof X);
  return BytesToHex(b, sizeof X);
}

double HexToDouble(std::string_view Hex) {
  unsigned char b[sizeof(double)];
  HexToBytes(Hex, b, sizeof b, "HexToDouble");
  double x;
  std::memcpy(&x, b, sizeof x);
  return x;
}

long double HexToExtended(std::string_view Hex) {
  unsigned char b[sizeof(long double)] = {};  // the padding beyond 10 bytes stays 0
  HexToBytes(Hex, b, kExtendedBytes, "HexToExtended");
  long double x;
  std::memcpy(&x, b, sizeof x);
  return x;
}

float HexToSingle(std::string_view Hex) {
  unsigned char b[sizeof(float)];
  HexToBytes(Hex, b, sizeof b, "HexToSingle");
  float x;
  std::memcpy(&x, b, sizeof x);
  return x;
}

double ConvertEndian(double X) { return ReverseBytes(X); }
float ConvertEndian(float X) { return ReverseBytes(X); }
std::uint16_t ConvertEndian(std::uint16_t X) { return ReverseBytes(X); }
std::int32_t ConvertEndian(std::int32_t X) { return ReverseBytes(X); }

// ---- bit helpers ----------------------------------------------------------------

Byte DecodeBit(int N) { return N >= 0 && N <= 7 ? static_cast<Byte>(1u << N) : 0; }

std::uint32_t DecodeLong(int N) { return N >= 0 && N <= 31 ? 1u << N : 0u; }

int EncodeLong(std::uint32_t X) {
  for (int k = 0; k < 31; ++k)
    if (X & (1u << k)) return k;
  return 31;
}

}  // namespace zel
