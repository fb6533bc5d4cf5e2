// Feeds an arbitrary file to the data table's ASC readers and checks what
// callers rely on: a failed read leaves the table as it was (and fires
// nothing), a successful one gives a table whose storage agrees with its
// size, and what was read writes and reads back to the same cell states
// and values of the cells that hold numbers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_datatable_common.h"
#include "zel_datatable.h"

namespace {

using zelfuzz::Fail;

const std::string& TempPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_dtasc_", ".asc");
  return Path;
}
const std::string& CopyPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_dtasc_copy_", ".asc");
  return Path;
}

// The values of the cells that hold numbers, bit for bit: the ASC form
// writes the others as missing-value words, so their values read as 0.
std::string NumberCells(const zel::TDataTable& T) {
  std::string S;
  for (int c = 1; c <= T.NrOfColumns(); ++c)
    for (int r = 1; r <= T.NrOfRows(); ++r) {
      const double X = T.IsNumber(c, r) ? T.NumericData()->GetVal(c, r) : 0.0;
      S.append(reinterpret_cast<const char*>(&X), sizeof X);
    }
  return S;
}

void CheckShape(const zel::TDataTable& T) {
  const zel::TMatrix& M = *T.NumericData();
  if (M.NrOfColumns() != T.NrOfColumns() || M.NrOfRows() != T.NrOfRows()) Fail("matrix and table sizes differ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (!zelfuzz::WriteScratch(TempPath(), Data, Size)) return 0;

  zel::TDataTable T;
  zelfuzz::FillStartTable(T);
  const std::string Before = zelfuzz::TableFingerprint(T);
  int Events = 0;
  T.OnChange = T.OnChangeSetup = T.OnChangeNames = [&](zel::TObject*) { ++Events; };
  const int Rc = T.ImportASC(TempPath());
  if (Rc != 0 && (zelfuzz::TableFingerprint(T) != Before || Events != 0)) Fail("table changed by a failed import");
  if (Rc != 0 && T.LastIOError().empty()) Fail("failure without a reason");
  CheckShape(T);
  if (Rc == 0) {
    if (!T.ExportAsASC(CopyPath(), 0).empty()) Fail("cannot write what was read");
    zel::TDataTable U;
    if (U.ImportASC(CopyPath()) != 0) Fail("cannot read what was written");
    if (U.NrOfColumns() != T.NrOfColumns() || U.NrOfRows() != T.NrOfRows() ||
        NumberCells(U) != NumberCells(T) || U.CRCofCellStates() != T.CRCofCellStates())
      Fail("values or states changed by a round trip");
  }
  // Placing the block elsewhere either works or leaves the table.
  zel::TDataTable P;
  P.Resize(1, 1);
  const std::string PBefore = zelfuzz::TableFingerprint(P);
  const int PRc = P.ReadFromASC(TempPath(), 2, 3, Size % 2 == 0);
  if (PRc != 0 && zelfuzz::TableFingerprint(P) != PBefore) Fail("table changed by a failed ReadFromASC");
  if (PRc == 0 && Rc == 0 && (P.NrOfColumns() != T.NrOfColumns() + 1 || P.NrOfRows() != T.NrOfRows() + 2))
    Fail("block not placed at 2, 3");
  CheckShape(P);
  std::remove(TempPath().c_str());  // libFuzzer may end the process without running exit handlers
  std::remove(CopyPath().c_str());
  return 0;
}
