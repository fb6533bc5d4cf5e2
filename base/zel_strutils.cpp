// String and file helpers.
#include "zel_strutils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <limits>
#include <random>
#include <system_error>

#include "zel_exceptions.h"

namespace zel {

namespace {

inline unsigned char UByte(char C) noexcept { return static_cast<unsigned char>(C); }

// Blanks and control characters; bytes above 127 are text in the code page.
inline bool IsBlankOrControl(char C) noexcept { return UByte(C) <= ' '; }


// Parses optional blanks, an optional sign, at least one digit and optional
// blanks, accepting only values in [Low, High]. Accumulates the magnitude as
// unsigned so that the most negative value needs no special case.
bool ParseInteger(std::string_view S, std::int64_t Low, std::int64_t High, std::int64_t& Value) noexcept {
  std::size_t i = 0;
  const std::size_t n = S.size();
  while (i < n && IsBlankOrTab(S[i])) ++i;
  bool Negative = false;
  if (i < n && (S[i] == '+' || S[i] == '-')) {
    Negative = S[i] == '-';
    ++i;
  }
  const std::uint64_t Limit =
      Negative ? static_cast<std::uint64_t>(-(Low + 1)) + 1 : static_cast<std::uint64_t>(High);
  std::uint64_t Magnitude = 0;
  const std::size_t FirstDigit = i;
  while (i < n && S[i] >= '0' && S[i] <= '9') {
    const unsigned Digit = static_cast<unsigned>(S[i] - '0');
    if (Magnitude > (Limit - Digit) / 10) return false;
    Magnitude = Magnitude * 10 + Digit;
    ++i;
  }
  if (i == FirstDigit) return false;
  while (i < n && IsBlankOrTab(S[i])) ++i;
  if (i != n) return false;
  if (Negative) {
    // Magnitude <= 2^63 here; negate without signed overflow.
    Value = Magnitude == 0 ? 0 : -static_cast<std::int64_t>(Magnitude - 1) - 1;
  } else {
    Value = static_cast<std::int64_t>(Magnitude);
  }
  return true;
}

}  // namespace

std::string UpperCase(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = UpCase(C);
  return R;
}

std::string LowerCase(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = LoCase(C);
  return R;
}

bool SameText(std::string_view A, std::string_view B) noexcept {
  return A.size() == B.size() && CompareText(A, B) == 0;
}

int CompareText(std::string_view A, std::string_view B) noexcept {
  const std::size_t n = std::min(A.size(), B.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int a = UByte(UpCase(A[i]));
    const int b = UByte(UpCase(B[i]));
    if (a != b) return a - b;
  }
  if (A.size() == B.size()) return 0;
  return A.size() < B.size() ? -1 : 1;
}

std::string Trim(std::string_view S) { return TrimRight(TrimLeft(S)); }

std::string TrimLeft(std::string_view S) {
  std::size_t i = 0;
  while (i < S.size() && IsBlankOrControl(S[i])) ++i;
  return std::string(S.substr(i));
}

std::string TrimRight(std::string_view S) {
  std::size_t n = S.size();
  while (n > 0 && IsBlankOrControl(S[n - 1])) --n;
  return std::string(S.substr(0, n));
}

int Pos(std::string_view Sub, std::string_view S) noexcept {
  if (Sub.empty()) return 0;
  const std::size_t p = S.find(Sub);
  if (p == std::string_view::npos || p >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
  return static_cast<int>(p) + 1;
}

std::string Copy(std::string_view S, long long Index, long long Count) {
  if (Index < 1) Index = 1;
  const auto Length = static_cast<long long>(S.size());
  if (Count <= 0 || Index > Length) return {};
  const long long Available = Length - Index + 1;
  const long long n = std::min(Count, Available);
  return std::string(S.substr(static_cast<std::size_t>(Index - 1), static_cast<std::size_t>(n)));
}

std::string StringOfChar(char C, int Count) {
  if (Count <= 0) return {};
  return std::string(static_cast<std::size_t>(Count), C);
}

std::string IntToStr(long long Value) { return std::to_string(Value); }

int StrToInt(std::string_view S) {
  int Value = 0;
  if (!TryStrToInt(S, Value)) throw EConvertError("'" + std::string(S) + "' is not a valid integer value");
  return Value;
}

bool TryStrToInt(std::string_view S, int& Value) noexcept {
  std::int64_t V = 0;
  if (!ParseInteger(S, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), V)) return false;
  Value = static_cast<int>(V);
  return true;
}

bool TryStrToInt64(std::string_view S, std::int64_t& Value) noexcept {
  return ParseInteger(S, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), Value);
}

int StrToIntDef(std::string_view S, int Default) noexcept {
  int Value = 0;
  return TryStrToInt(S, Value) ? Value : Default;
}

// ---- files -------------------------------------------------------------------

bool FileExists(const std::string& FileName) {
  std::error_code ec;
  const auto Status = std::filesystem::status(FileName, ec);
  return !ec && std::filesystem::exists(Status) && !std::filesystem::is_directory(Status);
}

bool DeleteFile(const std::string& FileName) {
  std::error_code ec;
  const auto Status = std::filesystem::symlink_status(FileName, ec);
  if (ec || !std::filesystem::exists(Status) || std::filesystem::is_directory(Status)) return false;
  return std::filesystem::remove(FileName, ec) && !ec;
}

std::string ExtractFileName(const std::string& FileName) {
  const std::size_t p = FileName.rfind('/');
  return p == std::string::npos ? FileName : FileName.substr(p + 1);
}

std::string ExtractFilePath(const std::string& FileName) {
  const std::size_t p = FileName.rfind('/');
  return p == std::string::npos ? std::string() : FileName.substr(0, p + 1);
}

namespace {
// Index of the extension's ".", or npos when the name part has none.
std::size_t ExtensionStart(const std::string& FileName) {
  const std::size_t Dot = FileName.rfind('.');
  const std::size_t Slash = FileName.rfind('/');
  if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash)) return std::string::npos;
  return Dot;
}
}  // namespace

std::string ExtractFileExt(const std::string& FileName) {
  const std::size_t p = ExtensionStart(FileName);
  return p == std::string::npos ? std::string() : FileName.substr(p);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  const std::size_t p = ExtensionStart(FileName);
  return (p == std::string::npos ? FileName : FileName.substr(0, p)) + Extension;
}

std::string TempFileNameBeside(const std::string& Target) {
  // Process id, a process-wide counter and a random word make names unique
  // across processes and threads; the existence check covers leftovers.
  // Writers still create the file exclusively, so a race only costs a retry.
  static std::atomic<std::uint64_t> Counter{0};
  static const std::uint64_t Salt = [] {
    std::random_device rd;
    return (static_cast<std::uint64_t>(rd()) << 32) ^ rd() ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }();
  static const char Hex[] = "0123456789abcdef";
  std::string Name;
  for (int Attempt = 0; Attempt < 1000; ++Attempt) {
    std::uint64_t Word = Salt ^ (Counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    std::string Suffix;
    for (int i = 0; i < 8; ++i, Word >>= 4) Suffix += Hex[Word & 15];
    Name = Target + ".tmp" + std::to_string(static_cast<long>(::getpid())) + "_" + Suffix;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(Name, ec))) break;
  }
  return Name;
}

bool ReplaceFile(const std::string& From, const std::string& To) {
  std::error_code ec;
  std::filesystem::rename(From, To, ec);
  return !ec;
}

std::FILE* CreateTempFileBeside(const std::string& Target, std::string& TempName) {
  struct stat Old {};
  const bool TargetExists = ::stat(Target.c_str(), &Old) == 0;
  if (TargetExists && S_ISDIR(Old.st_mode)) {
    errno = EISDIR;
    return nullptr;
  }
  // Exclusive creation: a name that appeared after TempFileNameBeside
  // checked it is never clobbered, only retried.
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    TempName = TempFileNameBeside(Target);
    std::FILE* File = std::fopen(TempName.c_str(), "w+bxe");
    if (File != nullptr) {
      if (TargetExists) (void)::fchmod(::fileno(File), Old.st_mode & 07777);
      return File;
    }
    if (errno != EEXIST) break;
  }
  TempName.clear();
  return nullptr;
}

int CommitTempFile(std::FILE* File, const std::string& TempName, const std::string& Target, bool WritesOK) {
  int Err = WritesOK ? 0 : EIO;
  auto Step = [&Err](bool Failed) {
    if (Failed && Err == 0) Err = errno != 0 ? errno : EIO;
  };
  errno = 0;
  if (Err == 0) Step(std::fflush(File) != 0 || std::ferror(File) != 0);
  // The data reaches the disk before the rename makes it the target.
  if (Err == 0) Step(::fsync(::fileno(File)) != 0);
  Step(std::fclose(File) != 0);
  if (Err == 0) Step(!ReplaceFile(TempName, Target));
  if (Err != 0) std::remove(TempName.c_str());
  return Err;
}

namespace {

// Code points of the bytes 0x80..0x9F; the undefined ones keep their C1 value.
constexpr char32_t kCP1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUTF8(std::string& Out, char32_t C) {
  if (C < 0x80) {
    Out.push_back(static_cast<char>(C));
  } else if (C < 0x800) {
    Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
    Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
  } else {
    Out.push_back(static_cast<char>(0xE0 | (C >> 12)));
    Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
    Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
  }
}

}  // namespace

char32_t CP1252ToUnicode(unsigned char B) noexcept { return B >= 0x80 && B < 0xA0 ? kCP1252High[B - 0x80] : B; }

int UnicodeToCP1252(char32_t Code) noexcept {
  if (Code < 0x80 || (Code >= 0xA0 && Code <= 0xFF)) return static_cast<int>(Code);
  for (int i = 0; i < 32; ++i)
    if (kCP1252High[i] == Code) return 0x80 + i;
  return -1;
}

std::string CP1252ToUTF8(std::string_view S) {
  std::string Out;
  Out.reserve(S.size());
  for (char C : S) AppendUTF8(Out, CP1252ToUnicode(static_cast<unsigned char>(C)));
  return Out;
}

std::string UTF8ToCP1252(std::string_view S, char Replacement) {
  std::string Out;
  Out.reserve(S.size());
  std::size_t i = 0;
  while (i < S.size()) {
    const auto B = static_cast<unsigned char>(S[i]);
    // Length of the sequence and the bits of its lead byte; overlong forms,
    // surrogates and truncated sequences are invalid.
    std::size_t Len = B < 0x80 ? 1 : (B >> 5) == 0x6 ? 2 : (B >> 4) == 0xE ? 3 : (B >> 3) == 0x1E ? 4 : 0;
    char32_t Code = Len == 1 ? B : Len == 2 ? (B & 0x1Fu) : Len == 3 ? (B & 0x0Fu) : (B & 0x07u);
    bool Valid = Len != 0 && i + Len <= S.size();
    for (std::size_t k = 1; Valid && k < Len; ++k) {
      const auto Cont = static_cast<unsigned char>(S[i + k]);
      Valid = (Cont & 0xC0) == 0x80;
      Code = (Code << 6) | (Cont & 0x3Fu);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    Valid = Valid && Code >= kMin[Len] && Code <= 0x10FFFF && !(Code >= 0xD800 && Code <= 0xDFFF);
    if (!Valid) {
      Out.push_back(Replacement);
      ++i;
      continue;
    }
    const int Byte = UnicodeToCP1252(Code);
    Out.push_back(Byte < 0 ? Replacement : static_cast<char>(Byte));
    i += Len;
  }
  return Out;
}

std::FILE* OpenFileForReading(const std::string& FileName, int& Err) {
  errno = 0;
  std::FILE* File = std::fopen(FileName.c_str(), "rbe");
  Err = errno;
  if (File != nullptr) {
    struct stat St {};
    if (::fstat(::fileno(File), &St) == 0 && S_ISDIR(St.st_mode)) {
      std::fclose(File);
      File = nullptr;
      Err = EISDIR;
    }
  }
  return File;
}

}  // namespace zel
