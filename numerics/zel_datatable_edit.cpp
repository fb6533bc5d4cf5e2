// TDataTable: structure edits (insert, remove, exchange, mirror, clear),
// searches over names and attributes, the cell-state operations and counts,
// and the two change fingerprints.
//
// Insert runs event by event through the setters when a per-cell handler is
// assigned (a bound grid sees every cell move); otherwise it moves whole
// blocks of the storage and ends in the same state. The other edits fire
// only their summary events, so they always work on the storage.
#include <algorithm>
#include <array>
#include <cstring>

#include "zel_base.h"
#include "zel_datatable.h"
#include "zel_math1_text.h"
#include "zel_numeric.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// Rounds the values of a moved nominal or ordinal column as GetElem reads them.
void RoundCategorial(double* V, std::size_t N) {
  for (std::size_t k = 0; k < N; ++k) V[k] = RoundHalfEven(V[k]);
}

}  // namespace

// ---- insert and remove --------------------------------------------------------------

void TDataTable::InsertRow(int ix) {
  SyncShapeWithMatrix();
  if (ix < 1 || ix > FNrOfRows + 1) return;
  const int oldRows = FNrOfRows;
  Resize(FNrOfCols, oldRows + 1);
  // An OnResize handler may have reshaped the table: then the checked path too.
  if (HasPerCellHandlers() || FNrOfRows != oldRows + 1 || !MatrixInStep()) {
    // Every move through the setters, so each one is announced. A handler
    // may reshape the table meanwhile: the setters check every index.
    for (int r = oldRows + 1; r > ix; --r) {
      SetRowName(r, GetRowName(r - 1));
      SetRowAttrib(r, GetRowAttrib(r - 1));
      for (int c = 1; c <= FNrOfCols; ++c) {
        SetElem(c, r, GetElem(c, r - 1));
        SetCellState(c, r, GetCellState(c, r - 1));
      }
    }
    SetRowName(ix, "");
    SetRowAttrib(ix, 0);
    for (int c = 1; c <= FNrOfCols; ++c) {
      SetElem(c, ix, 0);
      SetCellState(c, ix, 0);
    }
  } else {
    const auto nr = static_cast<std::size_t>(FNrOfRows);
    const auto first = static_cast<std::size_t>(ix - 1), moved = static_cast<std::size_t>(oldRows - ix + 1);
    for (int c = 1; c <= FNrOfCols; ++c) {
      double* v = FNumericData->ColumnData(c);
      std::copy_backward(v + first, v + first + moved, v + first + moved + 1);
      if (IsCategorial(c)) RoundCategorial(v + first + 1, moved);
      v[first] = 0;
      Byte* s = FCState.data() + static_cast<std::size_t>(c - 1) * nr;
      std::copy_backward(s + first, s + first + moved, s + first + moved + 1);
      s[first] = 0;
    }
    std::move_backward(FRowName.begin() + ix - 1, FRowName.begin() + oldRows, FRowName.begin() + oldRows + 1);
    FRowName[first].clear();
    std::copy_backward(FRowAtt.begin() + ix - 1, FRowAtt.begin() + oldRows, FRowAtt.begin() + oldRows + 1);
    FRowAtt[first] = 0;
  }
  ChangedSetup();
}

void TDataTable::InsertColumn(int ColNr) {
  SyncShapeWithMatrix();
  if (ColNr < 1 || ColNr > FNrOfCols + 1) return;
  const int oldCols = FNrOfCols;
  Resize(oldCols + 1, FNrOfRows);
  if (HasPerCellHandlers() || FNrOfCols != oldCols + 1 || !MatrixInStep()) {
    for (int c = oldCols + 1; c > ColNr; --c) {
      SetColName(c, GetColName(c - 1));
      SetColAttrib(c, GetColAttrib(c - 1));
      // The scale record moves silently: OnChangeSetup at the end covers it.
      if (c <= FNrOfCols) FVType[static_cast<std::size_t>(c - 1)] = FVType[static_cast<std::size_t>(c - 2)];
      for (int r = 1; r <= FNrOfRows; ++r) {
        SetElem(c, r, GetElem(c - 1, r));
        SetCellState(c, r, GetCellState(c - 1, r));
      }
    }
    SetColName(ColNr, "");
    SetColAttrib(ColNr, 0);
    if (ColNr <= FNrOfCols) FVType[static_cast<std::size_t>(ColNr - 1)] = TVTypeSpecs();
    for (int r = 1; r <= FNrOfRows; ++r) {
      SetElem(ColNr, r, 0);
      SetCellState(ColNr, r, 0);
    }
  } else {
    // Column-major storage: the columns ColNr.. are one block that moves right by one column.
    const auto nr = static_cast<std::size_t>(FNrOfRows);
    const auto first = static_cast<std::size_t>(ColNr - 1), moved = static_cast<std::size_t>(oldCols - ColNr + 1);
    std::move_backward(FVType.begin() + ColNr - 1, FVType.begin() + oldCols, FVType.begin() + oldCols + 1);
    FVType[first] = TVTypeSpecs();
    if (nr > 0) {
      double* v = FNumericData->ColumnData(ColNr);
      std::copy_backward(v, v + moved * nr, v + (moved + 1) * nr);
      std::fill_n(v, nr, 0.0);
      for (int c = ColNr + 1; c <= FNrOfCols; ++c)
        if (IsCategorial(c)) RoundCategorial(FNumericData->ColumnData(c), nr);
      Byte* s = FCState.data() + first * nr;
      std::copy_backward(s, s + moved * nr, s + (moved + 1) * nr);
      std::fill_n(s, nr, Byte{0});
    }
    std::move_backward(FColName.begin() + ColNr - 1, FColName.begin() + oldCols, FColName.begin() + oldCols + 1);
    FColName[first].clear();
    std::copy_backward(FColAtt.begin() + ColNr - 1, FColAtt.begin() + oldCols, FColAtt.begin() + oldCols + 1);
    FColAtt[first] = 0;
  }
  ChangedSetup();
}

void TDataTable::RemoveRow(int ix) {
  SyncShapeWithMatrix();
  if (ix < 1 || ix > FNrOfRows || FNrOfRows < 2) return;
  const int oldRows = FNrOfRows;
  {
    const TRelayDetach detach(FNumericData);
    FNumericData->RemoveRow(ix);
  }
  // Compacted in place: every column moves towards the front, so no column
  // is overwritten before it has moved.
  const auto nr = static_cast<std::size_t>(oldRows), above = static_cast<std::size_t>(ix - 1);
  Byte* s = FCState.data();
  for (std::size_t c = 0; c < static_cast<std::size_t>(FNrOfCols); ++c) {
    std::memmove(s + c * (nr - 1), s + c * nr, above);
    std::memmove(s + c * (nr - 1) + above, s + c * nr + above + 1, nr - above - 1);
  }
  FCState.resize(static_cast<std::size_t>(FNrOfCols) * (nr - 1));
  FRowName.erase(FRowName.begin() + ix - 1);
  FRowAtt.erase(FRowAtt.begin() + ix - 1);
  FNrOfRows = oldRows - 1;
  FireResize(FNrOfCols, oldRows);
  ChangedSetup();
}

void TDataTable::RemoveColumn(int ix) {
  SyncShapeWithMatrix();
  if (ix < 1 || ix > FNrOfCols || FNrOfCols < 2) return;
  const int oldCols = FNrOfCols;
  {
    const TRelayDetach detach(FNumericData);
    FNumericData->RemoveColumn(ix);
  }
  const auto nr = static_cast<std::size_t>(FNrOfRows);
  FCState.erase(FCState.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(ix - 1) * nr),
                FCState.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(ix) * nr));
  FColName.erase(FColName.begin() + ix - 1);
  FColAtt.erase(FColAtt.begin() + ix - 1);
  // A moved column takes the scale type of its right neighbour, but the
  // identifiers only from a nominal or ordinal one (it keeps its own otherwise).
  for (std::size_t c = static_cast<std::size_t>(ix - 1); c + 1 < static_cast<std::size_t>(oldCols); ++c) {
    const TVTypeSpecs& next = FVType[c + 1];
    FVType[c].MScaleType = next.MScaleType;
    if (next.MScaleType == stNominal || next.MScaleType == stOrdinal) FVType[c].IDs = next.IDs;
  }
  FVType.pop_back();
  FNrOfCols = oldCols - 1;
  FireResize(oldCols, FNrOfRows);
  ChangedSetup();
}

int TDataTable::RemoveMarkedRows(int FirstRow, int LastRow, Byte CState) {
  SyncShapeWithMatrix();
  if (FirstRow == 0 && LastRow == 0) {
    if (FNrOfRows == 0) return 0;
    FirstRow = 1;
    LastRow = FNrOfRows;
  } else if (FirstRow < 1 || FirstRow > FNrOfRows || LastRow < 1 || LastRow > FNrOfRows) {
    return -1;
  }
  if (FirstRow > LastRow) std::swap(FirstRow, LastRow);
  std::vector<char> marked(static_cast<std::size_t>(FNrOfRows), 0);
  int count = 0, firstMarked = 0;
  for (int r = FirstRow; r <= LastRow; ++r)
    if (IfRowHasCellState(r, CState)) {
      marked[static_cast<std::size_t>(r - 1)] = 1;
      if (count++ == 0) firstMarked = r;
    }
  if (count == 0) return 0;
  {
    const TEventSilencer silence(*this, true);
    {
      const TRelayDetach detach(FNumericData);
      // The survivors move up in order; the freed tail is dropped by the resize.
      const auto nr = static_cast<std::size_t>(FNrOfRows);
      const auto from = static_cast<std::size_t>(firstMarked - 1);
      for (int c = 1; c <= FNrOfCols; ++c) {
        double* v = FNumericData->ColumnData(c);
        Byte* s = FCState.data() + static_cast<std::size_t>(c - 1) * nr;
        std::size_t w = from;
        for (std::size_t r = from; r < nr; ++r)
          if (!marked[r]) {
            v[w] = v[r];
            s[w++] = s[r];
          }
      }
      std::size_t w = from;
      for (std::size_t r = from; r < nr; ++r)
        if (!marked[r]) {
          FRowName[w] = std::move(FRowName[r]);
          FRowAtt[w++] = FRowAtt[r];
        }
    }
    Resize(FNrOfCols, FNrOfRows - count);
  }
  ChangedSetup();
  return count;
}

// ---- exchange, mirror, clear ----------------------------------------------------------------

void TDataTable::ExchangeRows(int r1, int r2) {
  SyncShapeWithMatrix();
  if (r1 < 1 || r1 > FNrOfRows || r2 < 1 || r2 > FNrOfRows) return;
  {
    const TRelayDetach detach(FNumericData);
    FNumericData->ExchangeRows(r1, r2);
  }
  ExchangeRowParts(r1, r2, 1, FNrOfCols, false, true);
  ChangedAll();
}

void TDataTable::ExchangeColumns(int c1, int c2) {
  SyncShapeWithMatrix();
  if (c1 < 1 || c1 > FNrOfCols || c2 < 1 || c2 > FNrOfCols) return;
  {
    const TRelayDetach detach(FNumericData);
    FNumericData->ExchangeColumns(c1, c2);
  }
  ExchangeColParts(c1, c2, 1, FNrOfRows, false, true);
  ChangedAll();
}

void TDataTable::MirrorColumns() {
  SyncShapeWithMatrix();
  {
    const TRelayDetach detach(FNumericData);
    FNumericData->MirrorColumns();
  }
  const auto nr = static_cast<std::size_t>(FNrOfRows);
  for (int c = 1, d = FNrOfCols; c < d; ++c, --d)
    std::swap_ranges(FCState.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(c - 1) * nr),
                     FCState.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(c) * nr),
                     FCState.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(d - 1) * nr));
  std::reverse(FColName.begin(), FColName.end());
  std::reverse(FColAtt.begin(), FColAtt.end());
  std::reverse(FVType.begin(), FVType.end());
  ChangedAll();
}

void TDataTable::MirrorRows() {
  SyncShapeWithMatrix();
  {
    const TRelayDetach detach(FNumericData);
    FNumericData->MirrorRows();
  }
  const auto nr = static_cast<std::ptrdiff_t>(FNrOfRows);
  for (std::ptrdiff_t c = 0; c < FNrOfCols; ++c) std::reverse(FCState.begin() + c * nr, FCState.begin() + (c + 1) * nr);
  std::reverse(FRowName.begin(), FRowName.end());
  std::reverse(FRowAtt.begin(), FRowAtt.end());
  ChangedAll();
}

void TDataTable::Clear() {
  SyncShapeWithMatrix();
  for (int c = 1; c <= FNrOfCols; ++c) FColName[static_cast<std::size_t>(c - 1)] = "C-" + IntToStr(c);
  for (int r = 1; r <= FNrOfRows; ++r) FRowName[static_cast<std::size_t>(r - 1)] = "R-" + IntToStr(r);
  std::fill(FCState.begin(), FCState.end(), Byte{0});
  std::fill(FRowAtt.begin(), FRowAtt.end(), 0);
  std::fill(FColAtt.begin(), FColAtt.end(), 0);
  std::fill(FVType.begin(), FVType.end(), TVTypeSpecs());
  FComment.clear();
  FNumericData->Fill(0);  // its relay fires OnChange
  ChangedNames();
  ChangedAttrib();
  ChangedCellStates();
  ChangedSetup();
}

// ---- names and attributes --------------------------------------------------------------------

namespace {

// The comparison form of a name: blanks (spaces only) trimmed, upper case.
std::string NameKey(const std::string& S) {
  const auto b = S.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return UpperCase(std::string_view(S).substr(b, S.find_last_not_of(' ') - b + 1));
}

int FindName(const std::vector<TDTNameStr>& Names, const std::string& ID) {
  const std::string key = NameKey(ID);
  for (std::size_t k = 0; k < Names.size(); ++k)
    if (NameKey(Names[k]) == key) return static_cast<int>(k) + 1;
  return 0;
}

int MaxLength(const std::vector<TDTNameStr>& Names) {
  std::size_t n = 0;
  for (const auto& s : Names) n = std::max(n, s.size());
  return static_cast<int>(n);
}

// The largest (Max) or smallest attribute of the range First..Last (after
// the range rule) and in Ix the first line that holds it; 0 and 0 for an
// empty dimension.
int ExtremeAttrib(const TIntArray& Att, int First, int Last, bool Max, int& Ix) {
  if (!MakeValidRange(First, Last, static_cast<int>(Att.size()))) {
    Ix = 0;
    return 0;
  }
  const auto b = Att.begin() + First - 1, e = Att.begin() + Last;
  const auto it = Max ? std::max_element(b, e) : std::min_element(b, e);
  Ix = static_cast<int>(it - Att.begin()) + 1;
  return *it;
}

// Distinct values among the attributes in 0..255; others are not counted.
int AttribLevels(const TIntArray& Att) {
  std::array<bool, 256> seen{};
  int n = 0;
  for (const int a : Att)
    if (a >= 0 && a <= 255 && !seen[static_cast<std::size_t>(a)]) {
      seen[static_cast<std::size_t>(a)] = true;
      ++n;
    }
  return n;
}

}  // namespace

int TDataTable::FindColIndex(const std::string& ColID) const { return FindName(FColName, ColID); }

int TDataTable::FindRowIndex(const std::string& RowID) const { return FindName(FRowName, RowID); }

int TDataTable::MaxColNameLength() const noexcept { return MaxLength(FColName); }

int TDataTable::MaxRowNameLength() const noexcept { return MaxLength(FRowName); }

int TDataTable::MaxRowAttrib(int FirstRow, int LastRow, int& Row) const {
  return ExtremeAttrib(FRowAtt, FirstRow, LastRow, true, Row);
}

int TDataTable::MinRowAttrib(int FirstRow, int LastRow, int& Row) const {
  return ExtremeAttrib(FRowAtt, FirstRow, LastRow, false, Row);
}

int TDataTable::MaxColAttrib(int FirstCol, int LastCol, int& Col) const {
  return ExtremeAttrib(FColAtt, FirstCol, LastCol, true, Col);
}

int TDataTable::MinColAttrib(int FirstCol, int LastCol, int& Col) const {
  return ExtremeAttrib(FColAtt, FirstCol, LastCol, false, Col);
}

int TDataTable::RowAttribLevels() const { return AttribLevels(FRowAtt); }

int TDataTable::ColAttribLevels() const { return AttribLevels(FColAtt); }

// ---- cell states -------------------------------------------------------------------------------

void TDataTable::SetAllCellStates(Byte CellState) {
  std::fill(FCState.begin(), FCState.end(), CellState);
  ChangedCellStates();
}

void TDataTable::UnmarkAllCells() {
  for (Byte& s : FCState) s = static_cast<Byte>(s & ~(csMark1 | csMark2));
  ChangedCellStates();
}

void TDataTable::InvertCellStates(Byte StateMask) {
  for (Byte& s : FCState) s = static_cast<Byte>(s ^ StateMask);
  ChangedCellStates();
}

void TDataTable::ExchangeMarkings() {
  for (Byte& s : FCState) s = static_cast<Byte>((s & 0x3F) | ((s & csMark1) << 1) | ((s & csMark2) >> 1));
  ChangedCellStates();
}

int TDataTable::FillMarkedCells(double Value, Byte StateMask) {
  SyncShapeWithMatrix();
  int count = 0;
  if (OnChange) {
    // One OnChange per written cell; a handler may reshape the table, so
    // the bounds are read afresh and every access is checked.
    for (int c = 1; c <= FNrOfCols; ++c)
      for (int r = 1; r <= FNrOfRows; ++r)
        if ((GetCellState(c, r) & StateMask) != 0) {
          SetElem(c, r, Value);
          ++count;
        }
  } else {
    const auto nr = static_cast<std::size_t>(FNrOfRows);
    for (int c = 1; c <= FNrOfCols; ++c) {
      double* v = FNumericData->ColumnData(c);
      const Byte* s = FCState.data() + static_cast<std::size_t>(c - 1) * nr;
      for (std::size_t r = 0; r < nr; ++r)
        if ((s[r] & StateMask) != 0) {
          v[r] = Value;
          ++count;
        }
    }
  }
  if (count > 0) ChangedData();
  return count;
}

bool TDataTable::IfRowHasCellState(int row, Byte CellState) const {
  if (row < 1 || row > FNrOfRows) return false;
  for (int c = 1; c <= FNrOfCols; ++c)
    if ((StateAt(c, row) & CellState) != 0) return true;
  return false;
}

bool TDataTable::IfColHasCellState(int col, Byte CellState) const {
  if (col < 1 || col > FNrOfCols) return false;
  const auto nr = static_cast<std::ptrdiff_t>(FNrOfRows);
  const auto b = FCState.begin() + (col - 1) * nr;
  return std::any_of(b, b + nr, [CellState](Byte s) { return (s & CellState) != 0; });
}

namespace {

// Number of cells of the rectangle (after the range rule) whose state
// satisfies Pred(column, state); States is column-major with NR rows.
template <class Pred>
int CountInRect(const std::vector<Byte>& States, int NC, int NR, int LowCol, int LowRow, int HighCol, int HighRow,
                Pred pred) {
  const bool cols = MakeValidRange(LowCol, HighCol, NC);
  if (!MakeValidRange(LowRow, HighRow, NR) || !cols) return 0;
  int n = 0;
  for (int c = LowCol; c <= HighCol; ++c) {
    const Byte* s = States.data() + static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(NR);
    for (int r = LowRow; r <= HighRow; ++r) n += pred(c, s[r - 1]) ? 1 : 0;
  }
  return n;
}

}  // namespace

bool TDataTable::IfAnyCellHasCellState(int LowCol, int LowRow, int HighCol, int HighRow, Byte CellState) const {
  return CountInRect(FCState, FNrOfCols, FNrOfRows, LowCol, LowRow, HighCol, HighRow,
                     [CellState](int, Byte s) { return (s & CellState) != 0; }) > 0;
}

int TDataTable::CountMarkedCellsInRow(int Row, Byte StateMask) const {
  if (Row < 1 || Row > FNrOfRows) return 0;
  return CountInRect(FCState, FNrOfCols, FNrOfRows, 0, Row, 0, Row,
                     [StateMask](int, Byte s) { return (s & StateMask) != 0; });
}

int TDataTable::CountMarkedCellsInColumn(int Col, Byte StateMask) const {
  if (Col < 1 || Col > FNrOfCols) return 0;
  return CountInRect(FCState, FNrOfCols, FNrOfRows, Col, 0, Col, 0,
                     [StateMask](int, Byte s) { return (s & StateMask) != 0; });
}

int TDataTable::CountValidCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
  return CountInRect(FCState, FNrOfCols, FNrOfRows, LowCol, LowRow, HighCol, HighRow,
                     [](int, Byte s) { return (s & (csNoNumber | csEmpty)) == 0; });
}

int TDataTable::CountEmptyCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
  return CountInRect(FCState, FNrOfCols, FNrOfRows, LowCol, LowRow, HighCol, HighRow,
                     [](int, Byte s) { return (s & csEmpty) != 0; });
}

int TDataTable::CountImputedCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
  return CountInRect(FCState, FNrOfCols, FNrOfRows, LowCol, LowRow, HighCol, HighRow,
                     [](int, Byte s) { return (s & csImputed) != 0; });
}

int TDataTable::CountNumCells(int LowCol, int LowRow, int HighCol, int HighRow) const {
  return CountInRect(FCState, FNrOfCols, FNrOfRows, LowCol, LowRow, HighCol, HighRow, [this](int c, Byte s) {
    const TMScaleType t = FVType[static_cast<std::size_t>(c - 1)].MScaleType;
    return (t == stInterval || t == stRatio) && (s & (csNoNumber | csEmpty)) == 0;
  });
}

// ---- fingerprints ----------------------------------------------------------------------------------

namespace {

// Eight CRC-32 lanes; byte k (1-based) of each item goes to lane k mod 8.
class TLaneCRC {
 public:
  TLaneCRC() { FCrc.fill(0xFFFFFFFFu); }

  void Item(const void* Data, std::size_t N) {
    const auto* p = static_cast<const Byte*>(Data);
    // A lane's bytes are gathered chunk by chunk and folded with the bulk
    // CRC; chunks start at multiples of 8, so the lane pattern repeats.
    constexpr std::size_t kChunk = 8 * 1024;
    std::array<Byte, kChunk / 8> buf;
    for (std::size_t start = 0; start < N; start += kChunk) {
      const std::size_t m = std::min(kChunk, N - start);
      for (std::size_t lane = 0; lane < 8; ++lane) {
        std::size_t n = 0;
        for (std::size_t k = (lane + 7) % 8; k < m; k += 8) buf[n++] = p[start + k];
        FCrc[lane] = CalcNextCRC32(buf.data(), n, FCrc[lane]);
      }
    }
  }
  void Item(const std::string& S) { Item(S.data(), S.size()); }

  std::string Result() const {
    std::string out;
    for (const std::uint32_t c : FCrc) out += Hex(static_cast<int>(~c), 8);
    return out;
  }

 private:
  std::array<std::uint32_t, 8> FCrc;
};

std::vector<Byte> LowBytes(const TIntArray& Att) {
  std::vector<Byte> b(Att.size());
  std::transform(Att.begin(), Att.end(), b.begin(), [](int a) { return static_cast<Byte>(a & 0xFF); });
  return b;
}

}  // namespace

std::string TDataTable::CRCofCellStates() const {
  TLaneCRC crc;
  const auto nr = static_cast<std::size_t>(FNrOfRows);
  for (std::size_t c = 0; c < static_cast<std::size_t>(FNrOfCols); ++c) crc.Item(FCState.data() + c * nr, nr);
  return crc.Result();
}

std::string TDataTable::CRCofNamesAndAttributes() const {
  TLaneCRC crc;
  crc.Item(FComment);
  for (const auto& s : FColName) crc.Item(s);
  const std::vector<Byte> colAtt = LowBytes(FColAtt);
  crc.Item(colAtt.data(), colAtt.size());
  for (const auto& s : FRowName) crc.Item(s);
  const std::vector<Byte> rowAtt = LowBytes(FRowAtt);
  crc.Item(rowAtt.data(), rowAtt.size());
  std::vector<Byte> scales(FVType.size());
  std::transform(FVType.begin(), FVType.end(), scales.begin(),
                 [](const TVTypeSpecs& v) { return static_cast<Byte>(v.MScaleType); });
  crc.Item(scales.data(), scales.size());
  for (const auto& v : FVType)
    for (const auto& id : v.IDs) crc.Item(id);
  return crc.Result();
}

}  // namespace zel
