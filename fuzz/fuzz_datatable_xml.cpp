// Feeds an arbitrary text to the data table's XML reader and checks what
// callers rely on: a failed read leaves the table and StartAt as they were
// (and fires nothing), a successful one moves StartAt forward and gives a
// table whose storage agrees with its size, and what was read writes and
// reads back to exactly the same table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_datatable_common.h"
#include "zel_datatable.h"
#include "zel_streams.h"

namespace {

using zelfuzz::Fail;

// XML 1.0 has no form for control characters other than TAB, CR and LF:
// the writer replaces them, so such texts cannot come back unchanged.
bool Unwritable(const std::string& S) {
  for (const char Ch : S)
    if (static_cast<unsigned char>(Ch) < 0x20 && Ch != '\t' && Ch != '\r' && Ch != '\n') return true;
  return false;
}

bool HasUnwritableText(const zel::TDataTable& T) {
  for (int c = 1; c <= T.NrOfColumns(); ++c) {
    if (Unwritable(T.GetColName(c))) return true;
    for (const std::string& ID : T.VTypeSpecs(c)->IDs)
      if (Unwritable(ID)) return true;
  }
  for (int r = 1; r <= T.NrOfRows(); ++r)
    if (Unwritable(T.GetRowName(r))) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  zel::TDataTable T;
  zelfuzz::FillStartTable(T);
  const std::string Before = zelfuzz::TableFingerprint(T);
  int Events = 0;
  T.OnChange = T.OnChangeSetup = T.OnChangeNames = T.OnChangeCellState = [&](zel::TObject*) { ++Events; };
  // The first byte picks where to start (mostly at 1) and the identifier.
  int StartAt = Size > 0 && Data[0] < 16 ? Data[0] : 1;
  const int Start = StartAt;
  const bool Ok = T.ReadFromXMLString(Text, StartAt, Size > 1 && Data[1] == 'I' ? "I" : "");
  if (!Ok && (zelfuzz::TableFingerprint(T) != Before || Events != 0 || StartAt != Start))
    Fail("table changed by a failed read");
  if (Ok && (StartAt <= Start || static_cast<std::size_t>(StartAt) > Size + 1)) Fail("StartAt not moved forward");
  if (T.NumericData()->NrOfColumns() != T.NrOfColumns() || T.NumericData()->NrOfRows() != T.NrOfRows())
    Fail("matrix and table sizes differ");
  if (Ok && !HasUnwritableText(T)) {
    zel::TMemoryStream S;
    T.WriteToXMLStream(S, true, 10, "x");
    S.SetPosition(0);
    zel::TDataTable U;
    if (!U.ReadFromXMLStream(S, "x")) Fail("cannot read what was written");
    if (zelfuzz::TableFingerprint(U) != zelfuzz::TableFingerprint(T)) Fail("the table changed by a round trip");
  }
  return 0;
}
