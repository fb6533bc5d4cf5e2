// Small commands: CRC-32 of files, number layouts.
#include <cstdio>
#include <string>

#include "commands.h"
#include "zel_base.h"
#include "zel_format.h"
#include "zel_strutils.h"
#include "zel_textfile.h"

namespace zeltool {

int RunCrc(const Args& args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: zel crc FILE...\n");
    return 2;
  }
  int status = 0;
  for (const auto& name : args) {
    try {
      zel::TFileStream f(name, zel::fmOpenRead);
      std::uint32_t crc = 0xFFFFFFFFu;
      unsigned char buf[1 << 16];
      for (std::int64_t n; (n = f.Read(buf, sizeof buf)) > 0;)
        crc = zel::CalcNextCRC32(buf, static_cast<std::size_t>(n), crc);
      std::printf("%08X  %s\n", ~crc, name.c_str());
    } catch (const zel::Exception& e) {
      std::fprintf(stderr, "zel crc: %s\n", e.what());
      status = 1;
    }
  }
  return status;
}

int RunFormat(const Args& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: zel format VALUE WIDTH DECIMALS\n");
    return 2;
  }
  long double x = 0;
  int width = 0, decimals = 0;
  if (!zel::TextFileWordToExtended(args[0], x) || !zel::TryStrToInt(args[1], width) ||
      !zel::TryStrToInt(args[2], decimals) || width < 0 || width > 1000 || decimals < -1000 || decimals > 1000) {
    std::fprintf(stderr, "zel format: VALUE must be a number, WIDTH 0..1000 and DECIMALS -1000..1000\n");
    return 2;
  }
  std::printf("[%s]\n", zel::FormatFloat(x, width, decimals).c_str());
  return 0;
}

}  // namespace zeltool
