// Helpers shared by the tests.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zel_base.h"
#include "zel_random.h"

namespace zel::test {

/// Seed every test starts from.
inline constexpr std::uint32_t kTestSeed = 20261207;

inline void ResetProcessState() {
  ResetMathProcState();
  SetRandSeed(kTestSeed);
}

/// A fresh, empty folder for the files of one test.
inline std::string TempDir(const std::string& name) {
  const char* base = std::getenv("ZEL_TEST_TMP");
  std::filesystem::path dir = base ? std::filesystem::path(base) : std::filesystem::temp_directory_path() / ("zel_tests_" + std::to_string(::getpid()));
  dir /= name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

/// Writes bytes to a file exactly as given (no line-end conversion).
inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// The bytes of a file.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

/// Path of a file under tests/data.
inline std::string DataPath(const std::string& name) { return std::string(ZEL_TEST_DATA_DIR) + "/" + name; }

}  // namespace zel::test
