// Runs the built zel tool from a test (it lies beside the test executables
// in the build tree: tests/test_zelnum and tools/zel/zel).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace zel::test {

/// Path of the built tool, empty when it is not built.
inline std::string ToolPath() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::string();
  const auto tool = self.parent_path().parent_path() / "tools" / "zel" / "zel";
  return std::filesystem::exists(tool, ec) ? tool.string() : std::string();
}

/// Output (stdout and stderr) and exit code of "zel COMMAND ARGS".
inline std::string RunTool(const std::string& Tool, const std::string& Command, const std::string& Args,
                           int& ExitCode) {
  std::string out;
  FILE* p = popen(("'" + Tool + "' " + Command + " " + Args + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int status = pclose(p);
  ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

}  // namespace zel::test
