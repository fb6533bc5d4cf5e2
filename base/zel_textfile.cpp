// Typed text files: buffered reading by words, numbers and lines; writing
// through a temporary file.
#include "zel_textfile.h"

#include <locale.h>
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <type_traits>

#include "zel_exceptions.h"
#include "zel_format.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// Files are read in chunks of this size; a line or word may span chunks.
constexpr std::size_t kChunk = 64 * 1024;

inline bool IsWhite(char C) noexcept { return static_cast<unsigned char>(C) <= ' '; }
inline bool IsLineEnd(char C) noexcept { return C == '\r' || C == '\n'; }
inline bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }

[[noreturn]] void RaiseNotForInput(bool Closed) {
  throw EInOutError(Closed ? "File not open" : "File not open for input");
}
[[noreturn]] void RaiseNotForOutput(bool Closed) {
  throw EInOutError(Closed ? "File not open" : "File not open for output");
}

// The "C" locale, so that number conversion never depends on the process locale.
class CLocale {
 public:
  CLocale() : FLocale(::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {}
  ~CLocale() {
    if (FLocale != static_cast<locale_t>(nullptr)) ::freelocale(FLocale);
  }
  CLocale(const CLocale&) = delete;
  CLocale& operator=(const CLocale&) = delete;
  locale_t Get() const noexcept { return FLocale; }

 private:
  locale_t FLocale;
};

locale_t TheCLocale() {
  static const CLocale Locale;
  return Locale.Get();
}

bool WordToInt(std::string_view Word, int& Value) noexcept { return TryStrToInt(Word, Value); }
bool WordToInt(std::string_view Word, std::int64_t& Value) noexcept { return TryStrToInt64(Word, Value); }

template <class T>
bool ConvertWord(std::string_view Word, T& Value) noexcept {
  if constexpr (std::is_same_v<T, double>) {
    return TextFileWordToDouble(Word, Value);
  } else if constexpr (std::is_same_v<T, long double>) {
    return TextFileWordToExtended(Word, Value);
  } else {
    // Integers are digits only; the word holds no blanks, so the strict
    // integer rule applies as is.
    return WordToInt(Word, Value);
  }
}

// Reads the next word and converts it; the word is consumed even when it is
// not a number. Returns false (Raise off) or raises.
template <class T>
bool ReadNumber(TTextFile& File, T& Value, bool Raise) {
  thread_local std::string Word;
  // Keep the buffer for the next number, but not the storage of a huge word.
  if (Word.capacity() > kChunk) std::string().swap(Word);
  if (!File.ReadWord(Word)) {
    if (Raise) throw EInOutError("Read beyond end of file");
    return false;
  }
  T V{};
  if (!ConvertWord(Word, V)) {
    if (Raise) throw EInOutError("Invalid numeric format");
    return false;
  }
  Value = V;
  return true;
}

}  // namespace

// ---- numbers -------------------------------------------------------------------

bool IsTextFileNumber(std::string_view Word) noexcept {
  std::size_t i = 0;
  const std::size_t n = Word.size();
  if (i < n && (Word[i] == '+' || Word[i] == '-')) ++i;
  std::size_t Digits = 0;
  while (i < n && IsDigit(Word[i])) ++i, ++Digits;
  if (i < n && Word[i] == '.') {
    ++i;
    while (i < n && IsDigit(Word[i])) ++i, ++Digits;
  }
  if (Digits == 0) return false;
  if (i < n && (Word[i] == 'e' || Word[i] == 'E')) {
    ++i;
    if (i < n && (Word[i] == '+' || Word[i] == '-')) ++i;
    std::size_t ExpDigits = 0;
    while (i < n && IsDigit(Word[i])) ++i, ++ExpDigits;
    if (ExpDigits == 0) return false;
  }
  return i == n;
}

bool TextFileWordToDouble(std::string_view Word, double& Value) noexcept {
  if (!IsTextFileNumber(Word)) return false;
  const char* First = Word.data();
  const char* Last = First + Word.size();
  if (*First == '+') ++First;  // from_chars takes no plus sign
  double V = 0;
  const auto [Ptr, Ec] = std::from_chars(First, Last, V);
  if (Ec == std::errc() && Ptr == Last) {
    Value = V;
    return true;
  }
  if (Ec != std::errc::result_out_of_range) return false;
  // from_chars reports underflow and overflow alike; the C library's
  // correctly rounded conversion tells them apart (an underflow yields 0 or
  // a denormal, an overflow infinity).
  const locale_t Locale = TheCLocale();
  if (Locale == static_cast<locale_t>(nullptr)) return false;
  try {
    const std::string Text(Word);
    char* End = nullptr;
    V = ::strtod_l(Text.c_str(), &End, Locale);
    if (End != Text.c_str() + Text.size() || std::isinf(V)) return false;
  } catch (...) {
    return false;
  }
  Value = V;
  return true;
}

bool TextFileWordToExtended(std::string_view Word, long double& Value) noexcept {
  if (!IsTextFileNumber(Word)) return false;
  const locale_t Locale = TheCLocale();
  if (Locale == static_cast<locale_t>(nullptr)) return false;
  long double V = 0;
  try {
    const std::string Text(Word);
    char* End = nullptr;
    // glibc's conversion is correctly rounded to the 64-bit mantissa, which
    // going through double would not be.
    V = ::strtold_l(Text.c_str(), &End, Locale);
    if (End != Text.c_str() + Text.size() || std::isinf(V)) return false;
  } catch (...) {
    return false;
  }
  Value = V;
  return true;
}

// ---- opening and closing -------------------------------------------------------

TTextFile::~TTextFile() {
  if (FMode == Mode::Write && FTempName.empty()) {
    // Appending writes in place: what was written stays.
    std::fclose(FFile);
    FFile = nullptr;
    FMode = Mode::Closed;
    return;
  }
  Discard();
}

void TTextFile::Reset(const std::string& FileName) {
  Close();
  int Err = 0;
  std::FILE* File = OpenFileForReading(FileName, Err);
  if (File == nullptr) {
    if (Err == ENOENT) throw EInOutError("File not found: " + FileName);
    throw EInOutError(FileErrorMessage("Cannot open file", FileName, Err));
  }
  FFile = File;
  FFileName = FileName;
  FBuffer.clear();
  FPos = 0;
  FBufferStart = 0;
  FMode = Mode::ReadFile;
}

void TTextFile::ResetFromString(std::string Text) {
  Close();
  FBuffer = std::move(Text);
  FPos = 0;
  FBufferStart = 0;
  FFileName.clear();
  FMode = Mode::ReadString;
}

void TTextFile::Rewrite(const std::string& FileName) {
  Close();
  std::string TempName;
  std::FILE* File = CreateTempFileBeside(FileName, TempName);
  const int Err = errno;
  if (File == nullptr) throw EInOutError(FileErrorMessage("Cannot create file", FileName, Err));
  FFile = File;
  FTempName = std::move(TempName);
  FFileName = FileName;
  FWriteFailed = false;
  FMode = Mode::Write;
}

void TTextFile::Append(const std::string& FileName) {
  Close();
  std::FILE* File = std::fopen(FileName.c_str(), "abe");
  const int Err = errno;
  if (File == nullptr) throw EInOutError(FileErrorMessage("Cannot open file", FileName, Err));
  FFile = File;
  FTempName.clear();
  FFileName = FileName;
  FWriteFailed = false;
  FMode = Mode::Write;
}

void TTextFile::Close() {
  switch (FMode) {
    case Mode::Closed:
      return;
    case Mode::ReadFile:
    case Mode::ReadString:
      Discard();
      return;
    case Mode::Write:
      break;
  }
  std::FILE* File = FFile;
  FFile = nullptr;
  FMode = Mode::Closed;
  int Err = 0;
  if (!FTempName.empty()) {
    const std::string Temp = std::move(FTempName);
    FTempName.clear();
    Err = CommitTempFile(File, Temp, FFileName, !FWriteFailed);
  } else {
    errno = 0;
    const bool Flushed = std::fflush(File) == 0;
    if (!Flushed || FWriteFailed) Err = errno != 0 ? errno : EIO;
    if (std::fclose(File) != 0 && Err == 0) Err = errno != 0 ? errno : EIO;
  }
  if (Err != 0) throw EInOutError(FileErrorMessage("Cannot write file", FFileName, Err));
}

void TTextFile::Discard() noexcept {
  if (FFile != nullptr) std::fclose(FFile);
  FFile = nullptr;
  if (!FTempName.empty()) std::remove(FTempName.c_str());
  FTempName.clear();
  std::string().swap(FBuffer);
  FPos = 0;
  FMode = Mode::Closed;
}

// ---- reading -------------------------------------------------------------------

bool TTextFile::Fill() {
  if (FMode != Mode::ReadFile) {
    if (FMode != Mode::ReadString) RaiseNotForInput(FMode == Mode::Closed);
    return false;
  }
  FBufferStart += FBuffer.size();
  FBuffer.clear();
  FPos = 0;
  return ReadChunk();
}

bool TTextFile::ReadChunk() {
  const std::size_t old = FBuffer.size();
  FBuffer.resize(old + kChunk);
  const std::size_t n = std::fread(FBuffer.data() + old, 1, kChunk, FFile);
  FBuffer.resize(old + n);
  // A failed read must not pass for the end of the file.
  if (n < kChunk && std::ferror(FFile) != 0) throw EInOutError(FileErrorMessage("Cannot read file", FFileName, EIO));
  return n > 0;
}

bool TTextFile::PeekCharAt(std::size_t Offset, char& Ch) {
  if (!PeekChar(Ch)) return false;  // also raises when the file is not open for input
  if (FBuffer.size() - FPos <= Offset) {
    if (FMode != Mode::ReadFile) return false;
    // Keep the unread tail and append chunks behind it: linear in Offset.
    FBuffer.erase(0, FPos);
    FBufferStart += FPos;
    FPos = 0;
    while (FBuffer.size() <= Offset)
      if (!ReadChunk()) return false;
  }
  Ch = FBuffer[FPos + Offset];
  return true;
}

bool TTextFile::Eof() { return FPos >= FBuffer.size() && !Fill(); }

bool TTextFile::Eoln() { return Eof() || IsLineEnd(FBuffer[FPos]); }

bool TTextFile::SeekEoln() {
  while (!Eof() && (FBuffer[FPos] == ' ' || FBuffer[FPos] == '\t')) ++FPos;
  return Eoln();
}

bool TTextFile::SeekEof() {
  while (!Eof() && IsWhite(FBuffer[FPos])) ++FPos;
  return Eof();
}

bool TTextFile::PeekChar(char& Ch) {
  if (Eof()) return false;
  Ch = FBuffer[FPos];
  return true;
}

bool TTextFile::ReadChar(char& Ch) {
  if (Eof()) return false;
  Ch = FBuffer[FPos++];
  return true;
}

void TTextFile::ReadLn(std::string& Line) {
  Line.clear();
  while (!Eof()) {
    const std::size_t Start = FPos;
    const std::size_t End = FBuffer.size();
    std::size_t i = Start;
    while (i < End && !IsLineEnd(FBuffer[i])) ++i;
    Line.append(FBuffer, Start, i - Start);
    FPos = i;
    if (i == End) continue;  // the line goes on in the next chunk
    // A CR may be the last byte of a chunk and its LF the first of the next;
    // Eof refills only after the CR has been consumed.
    const char Ending = FBuffer[FPos++];
    if (Ending == '\r' && !Eof() && FBuffer[FPos] == '\n') ++FPos;
    return;
  }
}

void TTextFile::ReadLn() {
  while (!Eof()) {
    const std::size_t End = FBuffer.size();
    while (FPos < End && !IsLineEnd(FBuffer[FPos])) ++FPos;
    if (FPos == End) continue;
    const char Ending = FBuffer[FPos++];
    if (Ending == '\r' && !Eof() && FBuffer[FPos] == '\n') ++FPos;
    return;
  }
}

bool TTextFile::ReadWord(std::string& Word) {
  Word.clear();
  if (SeekEof()) return false;
  while (!Eof()) {
    const std::size_t Start = FPos;
    const std::size_t End = FBuffer.size();
    while (FPos < End && !IsWhite(FBuffer[FPos])) ++FPos;
    Word.append(FBuffer, Start, FPos - Start);
    if (FPos < End) break;
  }
  return true;
}

void TTextFile::Read(double& Value) { ReadNumber(*this, Value, true); }
void TTextFile::Read(long double& Value) { ReadNumber(*this, Value, true); }
void TTextFile::Read(int& Value) { ReadNumber(*this, Value, true); }
void TTextFile::Read(std::int64_t& Value) { ReadNumber(*this, Value, true); }
bool TTextFile::TryRead(double& Value) { return ReadNumber(*this, Value, false); }
bool TTextFile::TryRead(long double& Value) { return ReadNumber(*this, Value, false); }
bool TTextFile::TryRead(int& Value) { return ReadNumber(*this, Value, false); }
bool TTextFile::TryRead(std::int64_t& Value) { return ReadNumber(*this, Value, false); }

// ---- writing -------------------------------------------------------------------

void TTextFile::WriteRaw(const char* Data, std::size_t Count) {
  if (FMode != Mode::Write) RaiseNotForOutput(FMode == Mode::Closed);
  if (Count != 0 && std::fwrite(Data, 1, Count, FFile) != Count) FWriteFailed = true;
}

void TTextFile::Write(std::string_view Text) { WriteRaw(Text.data(), Text.size()); }

void TTextFile::Write(char Ch) { WriteRaw(&Ch, 1); }

void TTextFile::WriteLn(std::string_view Text) {
  WriteRaw(Text.data(), Text.size());
  WriteRaw("\r\n", 2);
}

void TTextFile::Write(double Value, int Width, int Decimals) { Write(FormatFloat(Value, Width, Decimals)); }

void TTextFile::Write(long long Value, int Width) { Write(FormatInt(Value, Width)); }

}  // namespace zel
