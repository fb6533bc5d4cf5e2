// zel: command-line front door of the library.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "commands.h"
#include "zel_chemistry.h"
#include "zel_exceptions.h"

namespace zeltool {

const std::vector<Command>& Commands() {
  static const std::vector<Command> list = {
      {"demo", "demo", "a short tour of what the library does", RunDemo},
      {"crc", "crc FILE...", "CRC-32 of files (as zlib and cksum -a crc32b)", RunCrc},
      {"format", "format VALUE WIDTH DECIMALS", "number text in the library's fixed and scientific layouts",
       RunFormat},
      {"num", "num VALUE... [--format F]",
       "a number in every notation: hex, octal, binary, Roman, engineering, degrees", RunNum, true},
      {"dist", "dist LAW p|d|q VALUE [PARAMS]", "probability, density or quantile of a distribution (zel dist: list)",
       RunDist, true},
      {"convert", "convert IN OUT [--from/--to F]", "a matrix between csv/txt, ASC, XML and binary files",
       RunConvert, true},
      {"pca", "pca FILE [--correlation] [...]", "principal components of a CSV, ASC or XML table", RunPca, true},
      {"describe", "describe FILE [--delimiter D] [...]", "statistics of every column of a CSV, ASC or XML table",
       RunDescribe, true},
  };
  return list;
}

}  // namespace zeltool

namespace {

void PrintHelp() {
  std::printf("zel %s - numeric and chemometric components\n\n", zel::ZelMolVersion());
  std::printf("usage: zel COMMAND [ARGS]\n       zel --version | --help\n\ncommands:\n");
  for (const auto& c : zeltool::Commands()) std::printf("  %-30s %s\n", c.usage, c.summary);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintHelp();
    return 2;
  }
  const std::string cmd = argv[1];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    PrintHelp();
    return 0;
  }
  if (cmd == "--version" || cmd == "-V") {
    std::printf("zel %s\n", zel::ZelMolVersion());
    return 0;
  }
  for (const auto& c : zeltool::Commands()) {
    if (cmd != c.name) continue;
    const std::string first = argc > 2 ? argv[2] : "";
    if ((first == "--help" || first == "-h") && !c.ownHelp) {
      std::printf("usage: zel %s\n%s\n", c.usage, c.summary);
      return 0;
    }
    int rc;
    try {
      rc = c.run(zeltool::Args(argv + 2, argv + argc));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "zel %s: %s\n", c.name, e.what());
      rc = 1;
    }
    // A full disk or a closed pipe must not pass for success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      std::fprintf(stderr, "zel %s: cannot write the output: %s\n", c.name, std::strerror(errno));
      return rc == 0 ? 1 : rc;
    }
    return rc;
  }
  std::fprintf(stderr, "zel: unknown command \"%s\" (see zel --help)\n", cmd.c_str());
  return 2;
}
