// Feeds an arbitrary file to the text readers of the matrix (ASC import
// with and without the string table, the plain text form and the table of
// numbers) and to the vectors' ASC import. Checks what callers rely on: a
// matrix is changed only by a successful read, storage and shape agree, and
// a vector keeps at least one element.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "fuzz_common.h"
#include "zel_matrix.h"
#include "zel_vector.h"

namespace {

using zelfuzz::Fail;

const std::string& TempPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_matasc_", ".asc");
  return Path;
}

void CheckStorage(const zel::TMatrix& M) {
  const auto Ld = static_cast<std::size_t>(M.NrOfRows() > 0 ? M.NrOfRows() : 1);
  const auto Cols = static_cast<std::size_t>(M.NrOfColumns() > 0 ? M.NrOfColumns() : 1);
  if (M.NrOfColumns() < 0 || M.NrOfRows() < 0 || M.LeadingDim() != Ld || M.Data().size() != Cols * Ld)
    Fail("shape and storage disagree");
}

// Loads into a fresh 2 x 3 matrix of fives; a failed load must leave it so.
void CheckMatrix(const std::function<bool(zel::TMatrix&)>& Load) {
  zel::TMatrix M;
  M.Resize(2, 3);
  M.Fill(5);
  const bool Ok = Load(M);
  CheckStorage(M);
  if (Ok) return;
  if (M.NrOfColumns() != 2 || M.NrOfRows() != 3) Fail("shape changed by a failed read");
  for (const double X : M.Data())
    if (X != 5) Fail("values changed by a failed read");
}

template <class V>
void CheckVector() {
  V Vec;
  std::string Comment;
  Vec.ImportASC(TempPath(), Comment);
  if (Vec.NrOfElem() < 1 || Vec.Data().size() != static_cast<std::size_t>(Vec.NrOfElem()))
    Fail("vector size and storage disagree");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (!zelfuzz::WriteScratchFile(TempPath(), Data, Size)) return 0;

  const std::string& P = TempPath();
  CheckMatrix([&](zel::TMatrix& M) {
    std::string Comment;
    return M.ImportASC(P, Comment) == 0;
  });
  CheckMatrix([&](zel::TMatrix& M) {
    std::string Comment;
    zel::TStr2DArray Cust;
    return M.ImportASC(P, Comment, Cust) == 0;
  });
  for (const bool Adjust : {false, true}) {
    CheckMatrix([&](zel::TMatrix& M) { return M.LoadFromFile(P, Adjust); });
    CheckMatrix([&](zel::TMatrix& M) { return M.LoadFromFile(P, Adjust, true); });
  }
  CheckVector<zel::TVector>();
  CheckVector<zel::TIntVector>();
  std::remove(P.c_str());  // libFuzzer may end the process without running exit handlers
  return 0;
}
