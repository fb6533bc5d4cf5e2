// zel: command-line front door of the library.
#include <cstdio>
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
      {"num", "num VALUE...", "a number in every notation: hex, octal, binary, Roman, engineering, degrees", RunNum},
      {"dist", "dist LAW p|d|q VALUE [PARAMS]", "probability, density or quantile of a distribution (zel dist: list)",
       RunDist},
      {"convert", "convert IN OUT [--from/--to F]", "a matrix between csv/txt, ASC, XML and binary files",
       RunConvert},
      {"pca", "pca FILE [--correlation] [...]", "principal components of a CSV or ASC data file", RunPca},
      {"describe", "describe FILE [--delimiter D] [...]", "statistics of every column of a CSV, ASC or XML table",
       RunDescribe},
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
    const bool ownHelp = cmd == "convert" || cmd == "describe" || cmd == "pca";
    if ((first == "--help" || first == "-h") && !ownHelp) {
      std::printf("usage: zel %s\n%s\n", c.usage, c.summary);
      return 0;
    }
    try {
      return c.run(zeltool::Args(argv + 2, argv + argc));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "zel %s: %s\n", c.name, e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "zel: unknown command \"%s\" (see zel --help)\n", cmd.c_str());
  return 2;
}
