// Commands of the zel tool. Each command gets its arguments (after the
// command word) and returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace zeltool {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(const Args& args);
  bool ownHelp = false;  // answers --help itself (else: usage and summary)
};

/// All commands, in the order --help lists them.
const std::vector<Command>& Commands();

int RunDemo(const Args& args);
int RunCrc(const Args& args);
int RunFormat(const Args& args);
int RunNum(const Args& args);
int RunDist(const Args& args);
int RunConvert(const Args& args);
int RunPca(const Args& args);
int RunDescribe(const Args& args);

/// Folder of the bundled data (the source tree's data/ or the installed copy).
std::string DataDir();

}  // namespace zeltool
