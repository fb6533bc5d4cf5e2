// String and file helpers of the framework. Strings are single-byte text
// (Windows-1252); case folding is ASCII-only. Positions are 1-based where the
// framework's are (Pos, Copy), and every index is checked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zel {

std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
inline char UpCase(char C) noexcept { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }
inline char LoCase(char C) noexcept { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C; }
/// Blank or TAB: the white space inside a line.
inline bool IsBlankOrTab(char C) noexcept { return C == ' ' || C == '\t'; }
/// Equal ignoring ASCII case.
bool SameText(std::string_view A, std::string_view B) noexcept;
/// <0, 0, >0 comparing ignoring ASCII case.
int CompareText(std::string_view A, std::string_view B) noexcept;

/// Removes leading and trailing characters ≤ ' ' (blanks and control characters).
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

/// 1-based position of Sub in S, 0 when absent (or Sub empty).
int Pos(std::string_view Sub, std::string_view S) noexcept;
/// Count characters from 1-based Index; out-of-range parts are cut off.
std::string Copy(std::string_view S, long long Index, long long Count);
std::string StringOfChar(char C, int Count);

std::string IntToStr(long long Value);
/// Strict decimal integer conversion (optional blanks around, optional
/// sign, digits only, within int32). Raises EConvertError
/// "'<text>' is not a valid integer value".
int StrToInt(std::string_view S);
/// As StrToInt, returning false instead of raising.
bool TryStrToInt(std::string_view S, int& Value) noexcept;
bool TryStrToInt64(std::string_view S, std::int64_t& Value) noexcept;
int StrToIntDef(std::string_view S, int Default) noexcept;

// ---- code page ------------------------------------------------------------------
// The library's text is single-byte Windows-1252. Bytes 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D, which the code page leaves undefined, stand for the C1
// controls of the same number.

/// The Unicode code point of a Windows-1252 byte.
char32_t CP1252ToUnicode(unsigned char B) noexcept;
/// The Windows-1252 byte of a code point, or -1 when the code page lacks it.
int UnicodeToCP1252(char32_t Code) noexcept;
/// Windows-1252 text as UTF-8, for people's consoles and files.
std::string CP1252ToUTF8(std::string_view S);
/// UTF-8 text as Windows-1252; characters the code page lacks (and bytes
/// that are not valid UTF-8) become Replacement.
std::string UTF8ToCP1252(std::string_view S, char Replacement = '?');

// ---- files -------------------------------------------------------------------
bool FileExists(const std::string& FileName);
/// Deletes a file; false when it could not be deleted.
bool DeleteFile(const std::string& FileName);
/// Part of the name after the last path delimiter.
std::string ExtractFileName(const std::string& FileName);
/// Part up to and including the last path delimiter.
std::string ExtractFilePath(const std::string& FileName);
/// Extension including the ".", or empty.
std::string ExtractFileExt(const std::string& FileName);
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);

/// A fresh name for a temporary file in the folder of Target, used by the
/// writers to replace files only when complete.
std::string TempFileNameBeside(const std::string& Target);
/// Renames From over To (atomically on one file system); false on failure.
bool ReplaceFile(const std::string& From, const std::string& To);

/// Creates a new, empty temporary file beside Target (never an existing one;
/// with Target's permissions when Target exists) and opens it for reading
/// and writing. TempName receives its name. Null with errno set on failure
/// (EISDIR when Target is a folder).
std::FILE* CreateTempFileBeside(const std::string& Target, std::string& TempName);
/// Finishes a file made by CreateTempFileBeside: flushes it to disk, closes
/// it and renames it over Target. When WritesOK is false or a step fails,
/// the temporary file is removed and Target is left untouched. Returns 0,
/// or the errno value of the failure (EIO when WritesOK was false).
int CommitTempFile(std::FILE* File, const std::string& TempName, const std::string& Target, bool WritesOK);
/// Opens an existing regular file for binary reading; null on failure with
/// Err set to the errno value (EISDIR for a folder, which POSIX would open).
std::FILE* OpenFileForReading(const std::string& FileName, int& Err);

}  // namespace zel
