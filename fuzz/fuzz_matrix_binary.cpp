// Feeds arbitrary bytes to the binary readers of the matrix: the block file
// (LoadBinary, ReadBinaryHeader) and the stream form (LoadFromStream). The
// input's first 276 bytes become the header fields (the rest of the header
// block is zero) and the remaining bytes the elements, so the fuzzer works
// on the fields rather than on 4 KB of reserved bytes; an input starting
// with '!' is written as it is. A failed read must leave the matrix as it
// was, and a successful one must have read no more than the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_common.h"
#include "zel_blockfile.h"
#include "zel_matrix.h"

namespace {

using zelfuzz::Fail;

const std::string& TempPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_matbin_", ".bin");
  return Path;
}

void CheckUnchangedOnFailure(const zel::TMatrix& M, bool Ok) {
  const auto Ld = static_cast<std::size_t>(M.NrOfRows() > 0 ? M.NrOfRows() : 1);
  const auto Cols = static_cast<std::size_t>(M.NrOfColumns() > 0 ? M.NrOfColumns() : 1);
  if (M.LeadingDim() != Ld || M.Data().size() != Cols * Ld) Fail("shape and storage disagree");
  if (Ok) return;
  if (M.NrOfColumns() != 3 || M.NrOfRows() != 2) Fail("shape changed by a failed read");
  for (const double X : M.Data())
    if (X != -1) Fail("values changed by a failed read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::string File;
  if (Size > 0 && Data[0] == '!') {
    File.assign(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  } else {
    const std::size_t Head = Size < 276 ? Size : 276;
    File.assign(reinterpret_cast<const char*>(Data), Head);
    File.resize(static_cast<std::size_t>(zel::kBlockSize), '\0');
    File.append(reinterpret_cast<const char*>(Data) + Head, Size - Head);
  }
  if (!zelfuzz::WriteScratchFile(TempPath(), File.data(), File.size())) return 0;

  zel::TMatrix M;
  M.Resize(3, 2);
  M.Fill(-1);
  const int Rc = M.LoadBinary(TempPath());
  if (Rc > 0 || Rc < zel::binErrNoMemory) Fail("unknown result code");
  CheckUnchangedOnFailure(M, Rc == 0);
  if (Rc == 0 && static_cast<std::size_t>(M.NrOfColumns()) * static_cast<std::size_t>(M.NrOfRows()) * 8 >
                     File.size() - static_cast<std::size_t>(zel::kBlockSize))
    Fail("more elements than the file holds");
  int NC = 0, NR = 0, Format = 0;
  std::string Id;
  try {
    const bool Mine = zel::TMatrix::ReadBinaryHeader(TempPath(), NC, NR, Id, Format);
    if (Id.size() > 255 || (Rc == 0 && !Mine)) Fail("header and loader disagree");
  } catch (const zel::EInOutError&) {
    if (File.size() >= static_cast<std::size_t>(zel::kBlockSize)) Fail("a full header block was not read");
  }
  std::remove(TempPath().c_str());  // libFuzzer may end the process without running exit handlers

  for (const bool Adjust : {false, true}) {
    zel::TMemoryStream S;
    if (Size > 0) S.WriteBuffer(Data, static_cast<std::int64_t>(Size));
    S.SetPosition(0);
    zel::TMatrix N;
    N.Resize(3, 2);
    N.Fill(-1);
    const bool Ok = N.LoadFromStream(&S, Adjust);
    CheckUnchangedOnFailure(N, Ok);
    if (S.Position() > S.Size()) Fail("read beyond the stream");
  }
  return 0;
}
