// Byte streams over files and memory.
#include "zel_streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>

#include "zel_strutils.h"

namespace zel {

namespace {

constexpr int kOpNone = 0;
constexpr int kOpRead = 1;
constexpr int kOpWrite = 2;

constexpr std::int64_t kCopyChunk = 64 * 1024;

[[noreturn]] void RaiseSeekError() { throw EStreamError("Invalid stream position"); }
[[noreturn]] void RaiseClosed() { throw EStreamError("Stream is closed"); }

}  // namespace

// ---- TStream -------------------------------------------------------------------

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count == 0) return;
  if (Count < 0 || Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count == 0) return;
  if (Count < 0 || Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count < 0) throw EReadError("Stream read error");
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  std::vector<std::uint8_t> Buffer(static_cast<std::size_t>(std::min(Count, kCopyChunk)));
  for (std::int64_t Left = Count; Left > 0;) {
    const std::int64_t n = std::min(Left, kCopyChunk);
    Source.ReadBuffer(Buffer.data(), n);
    WriteBuffer(Buffer.data(), n);
    Left -= n;
  }
  return Count;
}

// ---- TFileStream ---------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, unsigned Mode)
    : FFileName(FileName), FUncaught(std::uncaught_exceptions()) {
  if ((Mode & 0xFF00u) == fmCreate) {
    FFile = CreateTempFileBeside(FileName, FTempName);
    const int Err = errno;
    if (FFile == nullptr) throw EFOpenError(FileErrorMessage("Cannot create file", FileName, Err));
    return;
  }

  int Err = 0;
  switch (Mode & 3u) {
    case fmOpenRead:
      FFile = OpenFileForReading(FileName, Err);
      break;
    case fmOpenWrite: {
      // Write-only without truncation, as the mode promises.
      const int fd = ::open(FileName.c_str(), O_WRONLY | O_CLOEXEC);
      Err = errno;
      if (fd >= 0) {
        FFile = ::fdopen(fd, "wb");
        Err = errno;
        if (FFile == nullptr) ::close(fd);
      }
      break;
    }
    case fmOpenReadWrite:
      FFile = std::fopen(FileName.c_str(), "r+be");
      Err = errno;
      break;
    default:
      Err = EINVAL;
      break;
  }
  if (FFile == nullptr) throw EFOpenError(FileErrorMessage("Cannot open file", FileName, Err));
}

TFileStream::~TFileStream() {
  if (FTempName.empty()) {
    if (FFile != nullptr) std::fclose(FFile);
    return;
  }
  if (std::uncaught_exceptions() > FUncaught) {
    Discard();
    return;
  }
  // A failed commit cannot be reported from here; it leaves the target as it
  // was and removes the temporary file. Callers that must know call Commit.
  try {
    Commit();
  } catch (...) {
  }
}

void TFileStream::Commit() {
  if (FTempName.empty()) {
    if (FFile != nullptr && FLastOp == kOpWrite && std::fflush(FFile) != 0) {
      const int Err = errno;
      throw EWriteError(FileErrorMessage("Cannot write file", FFileName, Err));
    }
    return;
  }
  std::FILE* File = FFile;
  const std::string Temp = std::move(FTempName);
  FFile = nullptr;
  FTempName.clear();
  const int Err = CommitTempFile(File, Temp, FFileName, !FWriteFailed);
  if (Err != 0) throw EWriteError(FileErrorMessage("Cannot write file", FFileName, Err));
}

void TFileStream::Discard() {
  if (FTempName.empty()) return;
  if (FFile != nullptr) std::fclose(FFile);
  FFile = nullptr;
  std::remove(FTempName.c_str());
  FTempName.clear();
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  if (FFile == nullptr || Count <= 0) return 0;
  if (FLastOp == kOpWrite && std::fflush(FFile) != 0) FWriteFailed = true;
  FLastOp = kOpRead;
  return static_cast<std::int64_t>(std::fread(Buffer, 1, static_cast<std::size_t>(Count), FFile));
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  if (FFile == nullptr || Count <= 0) return 0;
  if (FLastOp == kOpRead) ::fseeko(FFile, 0, SEEK_CUR);
  FLastOp = kOpWrite;
  const auto n = static_cast<std::int64_t>(std::fwrite(Buffer, 1, static_cast<std::size_t>(Count), FFile));
  if (n != Count) FWriteFailed = true;
  return n;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  if (FFile == nullptr) RaiseClosed();
  if (Offset == 0 && Origin == soCurrent) {
    // Position queries keep the stdio buffer.
    const off_t Pos = ::ftello(FFile);
    if (Pos < 0) RaiseSeekError();
    return Pos;
  }
  const int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  if (FLastOp == kOpWrite && std::fflush(FFile) != 0) FWriteFailed = true;
  if (::fseeko(FFile, Offset, Whence) != 0) RaiseSeekError();
  FLastOp = kOpNone;
  return ::ftello(FFile);
}

std::int64_t TFileStream::Size() {
  if (FFile == nullptr) RaiseClosed();
  if (FLastOp == kOpWrite && std::fflush(FFile) != 0) FWriteFailed = true;
  struct stat St {};
  if (::fstat(::fileno(FFile), &St) != 0) {
    const int Err = errno;
    throw EStreamError(FileErrorMessage("Cannot read file", FFileName, Err));
  }
  return St.st_size;
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (FFile == nullptr) RaiseClosed();
  if (NewSize < 0) RaiseSeekError();
  if (FLastOp == kOpWrite && std::fflush(FFile) != 0) FWriteFailed = true;
  const off_t Pos = ::ftello(FFile);
  if (::ftruncate(::fileno(FFile), NewSize) != 0) {
    const int Err = errno;
    throw EWriteError(FileErrorMessage("Cannot write file", FFileName, Err));
  }
  // Re-seeking also drops stdio data buffered from before the change.
  ::fseeko(FFile, std::min<std::int64_t>(Pos, NewSize), SEEK_SET);
  FLastOp = kOpNone;
}

// ---- TMemoryStream -------------------------------------------------------------

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  const std::int64_t Available = Size() - FPosition;
  if (Count <= 0 || Available <= 0) return 0;
  const std::int64_t n = std::min(Count, Available);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition > std::numeric_limits<std::int64_t>::max() - Count) return 0;
  const std::int64_t End = FPosition + Count;
  if (End > Size()) {
    // Growth beyond the end (also after a Seek past it) fills the gap with zeros.
    try {
      if (static_cast<std::uint64_t>(End) > FData.max_size()) return 0;
      FData.resize(static_cast<std::size_t>(End));
    } catch (const std::bad_alloc&) {
      return 0;
    } catch (const std::length_error&) {
      return 0;
    }
  }
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
  FPosition = End;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const std::int64_t Base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : Size();
  if ((Offset > 0 && Base > std::numeric_limits<std::int64_t>::max() - Offset) || Base + Offset < 0)
    RaiseSeekError();
  FPosition = Base + Offset;
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) RaiseSeekError();
  try {
    if (static_cast<std::uint64_t>(NewSize) > FData.max_size()) throw std::length_error("size");
    FData.resize(static_cast<std::size_t>(NewSize));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  } catch (const std::length_error&) {
    throw EOutOfMemory("Out of memory");
  }
  if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  const std::int64_t Count = Stream.Size();
  SetSize(Count);
  FPosition = 0;
  Stream.ReadBuffer(FData.data(), Count);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream File(FileName, fmOpenRead);
  LoadFromStream(File);
}

void TMemoryStream::SaveToStream(TStream& Stream) { Stream.WriteBuffer(FData.data(), Size()); }

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream File(FileName, fmCreate);
  SaveToStream(File);
  File.Commit();
}

}  // namespace zel
