// Feeds an arbitrary file to the data table's CSV reader with every
// delimiter and checks what callers rely on: a known result code, a failed
// read leaves the table as it was (and fires nothing), a successful one
// gives a table whose storage, scales and identifiers agree, and what was
// read writes and reads back to the same shape and cell states.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_datatable_common.h"
#include "zel_datatable.h"

namespace {

using zelfuzz::Fail;

const std::string& TempPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_dtcsv_", ".csv");
  return Path;
}
const std::string& CopyPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_dtcsv_copy_", ".csv");
  return Path;
}

void CheckTable(const zel::TDataTable& T) {
  if (T.NumericData()->NrOfColumns() != T.NrOfColumns() || T.NumericData()->NrOfRows() != T.NrOfRows())
    Fail("matrix and table sizes differ");
  for (int c = 1; c <= T.NrOfColumns(); ++c) {
    const bool Nominal = T.GetMScaleType(c) == zel::stNominal;
    if (!Nominal && T.GetMScaleType(c) != zel::stInterval) Fail("a scale the reader never sets");
    for (int r = 1; r <= T.NrOfRows(); ++r) {
      const zel::Byte S = T.GetCellState(c, r);
      if (S != 0 && S != zel::csEmpty && S != zel::csNoNumber) Fail("a state the reader never sets");
      if (Nominal && S == 0 && T.GetElemNominal(c, r).empty()) Fail("a nominal cell without identifier");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (!zelfuzz::WriteScratch(TempPath(), Data, Size)) return 0;

  for (const zel::TCSVDelimiters D : {zel::csvComma, zel::csvSemicolon, zel::csvTab, zel::csvBlank}) {
    const bool Headers = (Size & 1) != 0, RowNames = (Size & 2) != 0;
    zel::TDataTable T;
    zelfuzz::FillStartTable(T);
    const std::string Before = zelfuzz::TableFingerprint(T);
    int Events = 0;
    T.OnChange = T.OnChangeSetup = T.OnChangeNames = [&](zel::TObject*) { ++Events; };
    const int Rc = T.ImportFromCSV(TempPath(), D, Headers, RowNames);
    if (Rc < zel::TDataTable::csvErrTooLarge || Rc > 0) Fail("unknown result code");
    if (Rc != 0) {
      if (zelfuzz::TableFingerprint(T) != Before || Events != 0) Fail("table changed by a failed import");
      continue;
    }
    CheckTable(T);
    if (!T.ExportAsCSV(CopyPath(), 0, D, Headers, RowNames).empty()) Fail("cannot write what was read");
    zel::TDataTable U;
    // Names that were cut or case-folded identifiers may read differently,
    // but the shape and which cells hold numbers must survive.
    if (U.ImportFromCSV(CopyPath(), D, Headers, RowNames) != 0) Fail("cannot read what was written");
    if (U.NrOfColumns() != T.NrOfColumns() || U.NrOfRows() != T.NrOfRows() ||
        U.CRCofCellStates() != T.CRCofCellStates())
      Fail("shape or states changed by a round trip");
  }
  std::remove(TempPath().c_str());  // libFuzzer may end the process without running exit handlers
  std::remove(CopyPath().c_str());
  return 0;
}
