// Helpers shared by the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace zelfuzz {

/// A per-process scratch file name in the temporary folder.
inline std::string ScratchPath(const std::string& Stem, const std::string& Ext) {
  return (std::filesystem::temp_directory_path() / (Stem + std::to_string(::getpid()) + Ext)).string();
}

/// Writes the fuzzer's input to Path; false when that fails (the input is
/// then skipped).
inline bool WriteScratchFile(const std::string& Path, const void* Data, std::size_t Size) {
  std::FILE* F = std::fopen(Path.c_str(), "wb");
  if (F == nullptr) return false;
  const bool Written = std::fwrite(Data, 1, Size, F) == Size;
  return std::fclose(F) == 0 && Written;
}

/// Reports a broken invariant; libFuzzer records the input that caused it.
[[noreturn]] inline void Fail(const char* What) {
  std::fprintf(stderr, "invariant violated: %s\n", What);
  std::abort();
}

}  // namespace zelfuzz
