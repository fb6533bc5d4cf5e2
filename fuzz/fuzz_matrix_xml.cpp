// Feeds arbitrary text to the XML readers of the matrix, from a memory
// stream (the first element and the one named "a") and from a text held in
// a text file object. Checks that the readers end, never throw, keep shape
// and storage in agreement, allocate no more than the input's size allows,
// and leave the stream inside its bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_common.h"
#include "zel_matrix.h"

namespace {

using zelfuzz::Fail;

void CheckStorage(const zel::TMatrix& M, std::size_t InputSize) {
  const auto Ld = static_cast<std::size_t>(M.NrOfRows() > 0 ? M.NrOfRows() : 1);
  const auto Cols = static_cast<std::size_t>(M.NrOfColumns() > 0 ? M.NrOfColumns() : 1);
  if (M.NrOfColumns() < 0 || M.NrOfRows() < 0 || M.LeadingDim() != Ld || M.Data().size() != Cols * Ld)
    Fail("shape and storage disagree");
  // The readers' bounds: 2^20 cells plus 8 per byte of the input, or 2^22
  // cells for a text of unknown size.
  if (M.Data().size() > (std::size_t(1) << 20) + 8 * InputSize && M.Data().size() > (std::size_t(1) << 22))
    Fail("allocated beyond the bound");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  for (const char* Id : {"", "a"}) {
    zel::TMemoryStream S;
    if (Size > 0) S.WriteBuffer(Data, static_cast<std::int64_t>(Size));
    S.SetPosition(0);
    zel::TMatrix M;
    M.Resize(4, 4);
    // Reading the stream again from where the last element ended must end too.
    for (int Pass = 0; Pass < 3; ++Pass) {
      const std::int64_t Before = S.Position();
      const bool Ok = M.ReadFromXMLStream(S, Id);
      CheckStorage(M, Size);
      if (S.Position() < Before || S.Position() > S.Size()) Fail("stream position out of bounds");
      if (!Ok) break;
    }
  }
  zel::TMatrix M;
  M.Resize(4, 4);
  zel::TTextFile T;
  T.ResetFromString(Text);
  M.ReadFromOpenXMLFile(T, "");
  CheckStorage(M, Size);
  return 0;
}
