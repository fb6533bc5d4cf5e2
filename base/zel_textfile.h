// Typed text files with the framework's reading rules.
//
// Reading: a number read skips blanks, TABs and line breaks, then takes the
// next word (up to white space) and converts it; ReadLn skips to the start of
// the next line; Eof is true when no character is left. CR LF, LF and CR all
// end a line. Writing: lines end with CR LF. A file opened with Rewrite is
// written to a temporary file and renamed over the target by Close, so an
// existing file is replaced only by a complete one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "zel_types.h"

namespace zel {

class TTextFile {
 public:
  TTextFile() = default;
  ~TTextFile();
  TTextFile(const TTextFile&) = delete;
  TTextFile& operator=(const TTextFile&) = delete;

  /// Opens an existing file for reading; raises EInOutError
  /// "File not found: <name>" (or the system's reason) on failure.
  void Reset(const std::string& FileName);
  /// Reads from a text held in memory instead of a file.
  void ResetFromString(std::string Text);
  /// Creates a file for writing (replacing one that exists on Close);
  /// raises EInOutError when it cannot be created.
  void Rewrite(const std::string& FileName);
  /// Opens a file for writing at its end, creating it when missing;
  /// raises EInOutError on failure.
  void Append(const std::string& FileName);
  /// Finishes the file. For Rewrite: flushes and renames over the target,
  /// raising EInOutError when that fails (the target is then untouched).
  void Close();
  /// Closes without committing: a file being rewritten is abandoned.
  void Discard() noexcept;

  bool IsOpen() const noexcept { return FMode != Mode::Closed; }
  const std::string& FileName() const noexcept { return FFileName; }

  // ---- reading -------------------------------------------------------------
  /// True when no character is left.
  bool Eof();
  /// True at a line end or at the end of the file.
  bool Eoln();
  /// Skips blanks and TABs, then reports Eoln.
  bool SeekEoln();
  /// Skips white space including line breaks, then reports Eof.
  bool SeekEof();
  /// Next character without consuming it; false at the end.
  bool PeekChar(char& Ch);
  /// The character Offset places ahead (0: the next one, as PeekChar)
  /// without consuming anything; false when the text ends before it. Lets a
  /// parser look at a short prefix before it decides to consume it.
  bool PeekCharAt(std::size_t Offset, char& Ch);
  /// Number of bytes consumed from the start of the text.
  std::uint64_t Position() const noexcept { return FBufferStart + FPos; }
  /// Consumes one character; false at the end.
  bool ReadChar(char& Ch);
  /// Reads the rest of the current line (without its line break) and moves
  /// to the start of the next line. At the end of the file: an empty line.
  void ReadLn(std::string& Line);
  /// Skips the rest of the current line and its line break.
  void ReadLn();
  /// Skips white space (blanks, TABs, control characters, line breaks) and
  /// reads the next word up to white space. False when no word is left.
  bool ReadWord(std::string& Word);

  /// Reads a number with the framework's rules: white space and line breaks
  /// are skipped, the next word must be a complete decimal number (optional
  /// sign, digits with an optional point, optional exponent). Raises
  /// EInOutError "Invalid numeric format" for a bad word (which is consumed)
  /// and "Read beyond end of file" when no word is left.
  void Read(double& Value);
  void Read(long double& Value);
  void Read(int& Value);
  void Read(std::int64_t& Value);
  /// As Read, but reports failure by the result instead of raising; the
  /// offending word is consumed either way.
  bool TryRead(double& Value);
  bool TryRead(long double& Value);
  bool TryRead(int& Value);
  bool TryRead(std::int64_t& Value);

  // ---- writing -------------------------------------------------------------
  void Write(std::string_view Text);
  void Write(char Ch);
  /// Writes Text followed by CR LF.
  void WriteLn(std::string_view Text = {});
  /// Writes a number in the framework's layout (see zel_format.h).
  void Write(double Value, int Width, int Decimals);
  void Write(long long Value, int Width = 0);
  /// True when every write so far has succeeded.
  bool WriteOK() const noexcept { return !FWriteFailed; }

 private:
  enum class Mode { Closed, ReadFile, ReadString, Write };
  bool Fill();       // refills the read buffer; false at the end
  bool ReadChunk();  // appends the next chunk of the file; false at the end
  void WriteRaw(const char* Data, std::size_t Count);

  Mode FMode = Mode::Closed;
  std::string FFileName;
  std::string FTempName;
  std::FILE* FFile = nullptr;
  std::string FBuffer;  // read buffer (or the whole text for ResetFromString)
  std::size_t FPos = 0;
  std::uint64_t FBufferStart = 0;  // offset of FBuffer[0] in the text
  bool FWriteFailed = false;
};

/// True when Word is a complete decimal number in the text-file syntax:
/// optional sign, digits with an optional decimal point (at least one digit),
/// optional exponent "E"/"e" with optional sign and at least one digit.
bool IsTextFileNumber(std::string_view Word) noexcept;

/// Converts a word in the text-file number syntax; false when it is not one.
/// A value beyond the type's range is a failure; an underflow gives 0 or
/// the nearest denormal.
bool TextFileWordToDouble(std::string_view Word, double& Value) noexcept;
bool TextFileWordToExtended(std::string_view Word, long double& Value) noexcept;

}  // namespace zel
