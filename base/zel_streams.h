// Byte streams: the abstract TStream, a file stream and a memory stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "zel_classes.h"

namespace zel {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };
using enum TSeekOrigin;

/// Abstract byte stream with a position and a size. Read and Write move as
/// many bytes as they can and return that count; ReadBuffer and WriteBuffer
/// raise EReadError / EWriteError when the full count cannot be moved.
class TStream : public TObject {
 public:
  std::string ClassName() const override { return "TStream"; }

  /// Reads up to Count bytes into Buffer; returns the number read (0 at the end).
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  /// Writes Count bytes from Buffer; returns the number written.
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  /// Moves the position; returns the new position. A target before the
  /// start raises EStreamError.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual std::int64_t Size() = 0;
  /// Truncates or extends the stream.
  virtual void SetSize(std::int64_t NewSize) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }

  /// Reads exactly Count bytes or raises EReadError "Stream read error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  /// Writes exactly Count bytes or raises EWriteError "Stream write error".
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  /// Copies Count bytes from Source (all of Source from its start when
  /// Count is 0); returns the number copied.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};

/// File open modes. fmCreate makes a new file (replacing one that exists);
/// the others open an existing file.
enum TFileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFF00,
};

/// Stream over a file. A file opened with fmCreate is written to a temporary
/// file beside the target and renamed over it when the stream is closed
/// normally, so an existing file is replaced only by a complete one; a
/// stream destroyed while an exception unwinds, or after Discard, leaves
/// the old file untouched.
class TFileStream : public TStream {
 public:
  /// Opens FileName; raises EFOpenError "Cannot open file \"<name>\"" or
  /// "Cannot create file \"<name>\"" with the system's reason on failure.
  TFileStream(const std::string& FileName, unsigned Mode);
  ~TFileStream() override;

  std::string ClassName() const override { return "TFileStream"; }
  const std::string& FileName() const noexcept { return FFileName; }

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t NewSize) override;

  /// Finishes a created file: flushes it and renames it over the target.
  /// Raises EWriteError when that fails (the target is then untouched).
  /// Called by the destructor unless an exception is unwinding; a failure
  /// there cannot be reported (the target stays untouched), so a writer
  /// that must know calls Commit itself.
  void Commit();
  /// Abandons a created file: the target keeps its old content.
  void Discard();

 private:
  std::string FFileName;
  std::string FTempName;  // non-empty while a created file is pending
  std::FILE* FFile = nullptr;
  int FUncaught = 0;
  int FLastOp = 0;  // 0 none, 1 read, 2 write: stdio needs a flush or seek between the two
  bool FWriteFailed = false;
};

/// Stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  std::string ClassName() const override { return "TMemoryStream"; }

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  void SetSize(std::int64_t NewSize) override;

  /// Empties the stream.
  void Clear();
  /// The stream's bytes.
  const std::uint8_t* Memory() const noexcept { return FData.data(); }
  std::uint8_t* Memory() noexcept { return FData.data(); }
  /// Replaces the content with the whole of Stream (from its start).
  void LoadFromStream(TStream& Stream);
  /// Replaces the content with the bytes of a file; raises EFOpenError.
  void LoadFromFile(const std::string& FileName);
  /// Writes the whole content to Stream at its position.
  void SaveToStream(TStream& Stream);
  /// Writes the content to a file, replacing it only when complete.
  void SaveToFile(const std::string& FileName);

 private:
  std::vector<std::uint8_t> FData;
  std::int64_t FPosition = 0;
};

}  // namespace zel
