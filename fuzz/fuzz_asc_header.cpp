// Reads the header of an arbitrary file as an ASC header and checks what a
// caller relies on: a known result code, outputs untouched on failure, and on
// success counts that the file can hold.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_common.h"
#include "zel_base.h"

namespace {

const std::string& TempPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_asc_", ".asc");
  return Path;
}

using zelfuzz::Fail;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::FILE* F = std::fopen(TempPath().c_str(), "wb");
  if (F == nullptr) return 0;
  const bool Written = std::fwrite(Data, 1, Size, F) == Size;
  if (std::fclose(F) != 0 || !Written) return 0;

  std::string Comment = "sentinel";
  int NCols = -5, NRows = -6;
  bool Flags[4] = {true, false, true, false};
  const int Result =
      zel::ReadHeaderOfASC(TempPath(), Comment, NCols, NRows, Flags[0], Flags[1], Flags[2], Flags[3]);
  std::remove(TempPath().c_str());  // libFuzzer may end the process without running exit handlers
  switch (Result) {
    case 0:
      if (NCols < 0 || NRows < 0) Fail("negative count");
      // Each announced value, name and row attribute needs a character and a
      // separator after the header.
      {
        const auto C = static_cast<std::uint64_t>(NCols);
        const auto R = static_cast<std::uint64_t>(NRows);
        const std::uint64_t Items = R * (C + (Flags[0] ? 1 : 0) + (Flags[2] ? 1 : 0)) + (Flags[1] ? C : 0);
        if (Items > (Size + 1) / 2) Fail("counts beyond the file size");
        if (C > Size + 65536 || R > Size + 65536) Fail("a count without items beyond the margin");
      }
      if (Comment.size() > Size) Fail("comment longer than the file");
      break;
    case zel::ascErrTruncated:
    case zel::ascErrBadNCols:
    case zel::ascErrBadNRows:
    case zel::ascErrBadFlags:
    case zel::ascErrTooLarge:
      if (Comment != "sentinel" || NCols != -5 || NRows != -6 || !Flags[0] || Flags[1] || !Flags[2] || Flags[3])
        Fail("outputs changed on failure");
      break;
    default:
      Fail("unexpected result");
  }
  return 0;
}
