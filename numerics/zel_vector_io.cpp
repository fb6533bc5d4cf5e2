// Text files and binary streams of the vector components.
//
// Readers treat their input as hostile: the positions in a header are
// checked against the bytes actually present before anything is resized,
// and every loop is bounded by the input. Writers go through TTextFile,
// which replaces a file only with a complete one.
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>

#include "zel_base.h"
#include "zel_format.h"
#include "zel_numeric.h"
#include "zel_textfile.h"
#include "zel_vector.h"

namespace zel {

namespace {

// Largest size a loader grows a vector to (512 MB of doubles); a header
// asking for more is treated as malformed rather than as a request.
constexpr std::int64_t kMaxLoadElems = std::int64_t(1) << 26;

std::int64_t FileSizeOrZero(const std::string& FileName) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(FileName, ec);
  return ec ? 0 : static_cast<std::int64_t>(n);
}

// First and last position of a file or stream: 1 ≤ First ≤ Last, the
// positions no more than MaxCount values, and a vector that must grow stays
// within kMaxLoadElems.
bool ValidPositions(std::int64_t First, std::int64_t Last, std::int64_t MaxCount, std::int64_t CurSize, bool Adjust) {
  if (First < 1 || Last < First || Last > INT32_MAX) return false;
  if (Last - First + 1 > MaxCount) return false;
  if (Adjust && Last > CurSize && Last > kMaxLoadElems) return false;
  return true;
}

// Resize for a loader: allocation failure is a failed load, not an exception.
template <class V>
bool LoaderResize(V& Vec, std::int64_t Last) {
  try {
    return Vec.Resize(static_cast<int>(Last));
  } catch (const EZELVectorError&) {
    return false;
  }
}

// A 10-byte extended bound must be a finite value that rounds into int32
// before it is converted.
bool ExtendedToPosition(long double X, std::int64_t& Pos) {
  if (!std::isfinite(X) || !FitsInt32(X)) return false;
  Pos = RoundToInt(X);
  return true;
}

double ExtendedToDouble(long double X) {
  // Out-of-range conversions are undefined, so the overflow is decided here
  // as IEEE rounding to nearest decides it: values from the midpoint between
  // the largest double and 2^1024 on become infinity (the midpoint itself
  // rounds to the even neighbour, which is infinity); smaller ones round to
  // a finite double.
  const long double kOverflow = std::ldexp(1.0L, 1024) - std::ldexp(1.0L, 970);
  if (X >= kOverflow) return std::numeric_limits<double>::infinity();
  if (X <= -kOverflow) return -std::numeric_limits<double>::infinity();
  constexpr double kMax = std::numeric_limits<double>::max();
  if (X > kMax) return kMax;
  if (X < -kMax) return -kMax;
  return static_cast<double>(X);
}

// The plain text form shared by both vectors: "first last", then one value
// per line. The file replaces the old one only when complete; any failure
// gives false and leaves the old file as it was.
template <class FormatElem>
bool StoreLines(int First, int Last, const std::string& FileName, FormatElem Format) {
  TTextFile f;
  try {
    f.Rewrite(FileName);
    f.WriteLn(std::to_string(First) + " " + std::to_string(Last));
    for (int i = First; i <= Last && f.WriteOK(); ++i) f.WriteLn(Format(i));
    if (!f.WriteOK()) {
      f.Discard();
      return false;
    }
    f.Close();
  } catch (const Exception&) {
    f.Discard();
    return false;
  }
  return true;
}

// Reads the plain text form into Vec: positions checked against the file
// size before any resize; ReadElem(f, position) reads and stores one value,
// skipping what it cannot read.
template <class V, class ReadElem>
bool LoadLines(V& Vec, const std::string& FileName, bool AdjustVectorSize, ReadElem Read) {
  TTextFile f;
  try {
    f.Reset(FileName);
  } catch (const Exception&) {
    return false;
  }
  std::int64_t first = 0, last = 0;
  if (!f.TryRead(first) || !f.TryRead(last)) return false;
  if (!ValidPositions(first, last, FileSizeOrZero(FileName) / 2, Vec.NrOfElem(), AdjustVectorSize)) return false;
  if (AdjustVectorSize && !LoaderResize(Vec, last)) return false;
  if (Vec.NrOfElem() < last) return false;
  for (std::int64_t p = first; p <= last; ++p) {
    if (f.SeekEof()) break;
    Read(f, static_cast<int>(p));
  }
  f.Close();
  Vec.Changed();
  return true;
}

}  // namespace

// ---- TVector ------------------------------------------------------------------------

bool TVector::StoreOnFile(int FirstElem, int LastElem, int Precision, const std::string& FileName) const {
  if (Precision < -2) Precision = 2;
  if (Precision > 20) Precision = 20;
  if (LastElem < FirstElem) std::swap(FirstElem, LastElem);
  MakeValidElemRange(FirstElem, LastElem);
  return StoreLines(FirstElem, LastElem, FileName, [&](int i) {
    const double x = FVec[static_cast<std::size_t>(i - 1)];
    return Precision >= 0 ? FormatFixed(x, Precision) : FormatScientificWidth(x, Precision == -1 ? 13 : 26);
  });
}

bool TVector::LoadFromFile(const std::string& FileName, bool AdjustVectorSize) {
  return LoadLines(*this, FileName, AdjustVectorSize, [this](TTextFile& f, int p) {
    double v;
    if (f.TryRead(v)) SetVal(p, v);
  });
}

bool TVector::LoadFromFile(const std::string& FileName, bool AdjustVectorSize, bool AutoDetect) {
  if (!AutoDetect) return LoadFromFile(FileName, AdjustVectorSize);
  TTextFile f;
  try {
    f.Reset(FileName);
    std::int64_t lines = 0;
    std::string line;
    while (!f.Eof()) {
      f.ReadLn(line);
      if (!line.empty() && StringContains(line, "//dig")) ++lines;
    }
    f.Close();
    if (AdjustVectorSize && lines > 0) {
      if (lines > kMaxLoadElems && lines > FNElem) return false;
      if (!LoaderResize(*this, lines)) return false;
    }
    f.Reset(FileName);
    for (int i = 1; i <= FNElem; ++i) {
      if (f.SeekEof()) break;
      double v;
      if (f.TryRead(v)) SetVal(i, v);
    }
    f.Close();
  } catch (const Exception&) {
    return false;
  }
  Changed();
  return true;
}

void TVector::SaveToStream(TMemoryStream*& OutStream, int LowElem, int HighElem) const {
  if (OutStream == nullptr) OutStream = new TMemoryStream();
  SaveToStream(static_cast<TStream&>(*OutStream), LowElem, HighElem);
}

void TVector::SaveToStream(TStream& OutStream, int LowElem, int HighElem) const {
  MakeValidElemRange(LowElem, HighElem);
  WriteExtendedToStream(OutStream, LowElem);
  WriteExtendedToStream(OutStream, HighElem);
  for (int i = LowElem; i <= HighElem; ++i) WriteExtendedToStream(OutStream, FVec[static_cast<std::size_t>(i - 1)]);
}

bool TVector::LoadFromStream(TStream* InStream, bool AdjustVectorSize) {
  if (InStream == nullptr) return false;
  long double a, b;
  if (!ReadExtendedFromStream(*InStream, a) || !ReadExtendedFromStream(*InStream, b)) return false;
  std::int64_t first, last;
  if (!ExtendedToPosition(a, first) || !ExtendedToPosition(b, last)) return false;
  const std::int64_t remaining = InStream->Size() - InStream->Position();
  if (!ValidPositions(first, last, remaining / 10, FNElem, AdjustVectorSize)) return false;
  if (AdjustVectorSize && !LoaderResize(*this, last)) return false;
  bool ok = FNElem >= last;
  if (ok) {
    for (std::int64_t p = first; p <= last; ++p) {
      long double x;
      if (ReadExtendedFromStream(*InStream, x))
        SetVal(static_cast<int>(p), ExtendedToDouble(x));
      else
        ok = false;
    }
  }
  Changed();
  return ok;
}

// ---- TIntVector ---------------------------------------------------------------------

bool TIntVector::StoreOnFile(int FirstElem, int LastElem, const std::string& FileName) const {
  if (LastElem < FirstElem) std::swap(FirstElem, LastElem);
  if (FirstElem <= 0) FirstElem = 1;
  if (LastElem > FNElem) LastElem = FNElem;
  return StoreLines(FirstElem, LastElem, FileName, [this](int i) { return std::to_string(GetVal(i)); });
}

bool TIntVector::LoadFromFile(const std::string& FileName, bool AdjustVectorSize) {
  return LoadLines(*this, FileName, AdjustVectorSize, [this](TTextFile& f, int p) {
    long double v;
    // Values beyond the integer range cannot be stored: treated as unreadable.
    if (f.TryRead(v) && FitsInt32(v)) SetVal(p, RoundToInt(v));
  });
}

void TIntVector::SaveToStream(TMemoryStream*& OutStream, int LowElem, int HighElem) const {
  if (OutStream == nullptr) OutStream = new TMemoryStream();
  SaveToStream(static_cast<TStream&>(*OutStream), LowElem, HighElem);
}

void TIntVector::SaveToStream(TStream& OutStream, int LowElem, int HighElem) const {
  MakeValidElemRange(LowElem, HighElem);
  WriteLongintToStream(OutStream, LowElem);
  WriteLongintToStream(OutStream, HighElem);
  for (int i = LowElem; i <= HighElem; ++i) WriteLongintToStream(OutStream, FVec[static_cast<std::size_t>(i - 1)]);
}

bool TIntVector::LoadFromStream(TStream* InStream, bool AdjustVectorSize) {
  if (InStream == nullptr) return false;
  std::int32_t a, b;
  if (!ReadLongintFromStream(*InStream, a) || !ReadLongintFromStream(*InStream, b)) return false;
  const std::int64_t remaining = InStream->Size() - InStream->Position();
  if (!ValidPositions(a, b, remaining / 4, FNElem, AdjustVectorSize)) return false;
  if (AdjustVectorSize && !LoaderResize(*this, b)) return false;
  bool ok = FNElem >= b;
  if (ok) {
    for (std::int64_t p = a; p <= b; ++p) {
      std::int32_t x;
      if (ReadLongintFromStream(*InStream, x))
        SetVal(static_cast<int>(p), x);
      else
        ok = false;
    }
  }
  Changed();
  return ok;
}

}  // namespace zel
