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

/// Reports a broken invariant; libFuzzer records the input that caused it.
[[noreturn]] inline void Fail(const char* What) {
  std::fprintf(stderr, "invariant violated: %s\n", What);
  std::abort();
}

}  // namespace zelfuzz
