// TDataTable: construction, ownership of the matrix, shape, the per-cell and
// per-line accessors, nominal identifiers and the notifications.
#include "zel_datatable.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <typeinfo>
#include <utility>

#include "zel_base.h"
#include "zel_numeric.h"
#include "zel_strutils.h"

namespace zel {

const std::array<const char*, 5> MScaleTypeNames = {"Unknown", "Nominal", "Ordinal", "Interval", "Ratio"};

namespace {

// Names and identifiers are single-byte text, so a byte cut never splits a character.
std::string CutTo(const std::string& S, std::size_t MaxLen) { return S.size() <= MaxLen ? S : S.substr(0, MaxLen); }

}  // namespace

// ---- guards ---------------------------------------------------------------------

TDataTable::TEventSilencer::TEventSilencer(TDataTable& T, bool OnlyDataAndSetup)
    : FT(T),
      FChange(std::exchange(T.OnChange, nullptr)),
      FSetup(std::exchange(T.OnChangeSetup, nullptr)),
      FOnly(OnlyDataAndSetup) {
  if (FOnly) return;
  FNames = std::exchange(T.OnChangeNames, nullptr);
  FCellSt = std::exchange(T.OnChangeCellState, nullptr);
  FAttrib = std::exchange(T.OnChangeAttrib, nullptr);
}

TDataTable::TEventSilencer::~TEventSilencer() {
  FT.OnChange = std::move(FChange);
  FT.OnChangeSetup = std::move(FSetup);
  if (FOnly) return;
  FT.OnChangeNames = std::move(FNames);
  FT.OnChangeCellState = std::move(FCellSt);
  FT.OnChangeAttrib = std::move(FAttrib);
}

TDataTable::TRelayDetach::TRelayDetach(TMatrix* M) : FM(M), FSaved(std::exchange(M->OnChange, nullptr)) {}

TDataTable::TRelayDetach::~TRelayDetach() { FM->OnChange = std::move(FSaved); }

// ---- construction and ownership ----------------------------------------------------

TDataTable::TDataTable(TComponent* AOwner) : TComponent(AOwner) {
  try {
    FNumericData = new TMatrix(nullptr);
    FRowAtt.assign(1, 0);
    FColAtt.assign(1, 0);
    FVType.resize(1);
    FCState.assign(1, 0);
    FColName.assign(1, "C-1");
    FRowName.assign(1, "R-1");
    HookMatrix();
  } catch (const std::bad_alloc&) {
    delete FNumericData;
    FNumericData = nullptr;
    Fail("failed to initialize (out of memory)");
  } catch (const EZELError&) {
    delete FNumericData;
    FNumericData = nullptr;
    Fail("failed to initialize (out of memory)");
  }
}

const TNominalIDSlots::TSlots& TNominalIDSlots::View() const noexcept {
  static const TSlots kNone{};
  return FSlots ? *FSlots : kNone;
}

TDataTable::~TDataTable() {
  if (FNumericData == nullptr) return;
  if (FExtMatAssigned) {
    UnhookMatrix();
  } else {
    delete FNumericData;
  }
}

void TDataTable::Fail(const std::string& Text) const { throw EZELDataTableError(ComponentMessage(Name(), Text)); }

// The handlers a table puts on its matrix, as named types so that the table
// can tell its own handlers from another table's.
struct TDataTable::TChangeHook {
  TDataTable* Table;
  void operator()(TObject* Sender) const { Table->DataHasChanged(Sender); }
};
struct TDataTable::TSortHook {
  TDataTable* Table;
  void operator()(TObject* Sender, Byte ExchgWhat, int Index1, int Index2, int First, int Last) const {
    Table->ExchangeDuringSort(Sender, ExchgWhat, Index1, Index2, First, Last);
  }
};

void TDataTable::HookMatrix() {
  FNumericData->OnChange = TChangeHook{this};
  FNumericData->OnSortExchange = TSortHook{this};
}

void TDataTable::UnhookMatrix() noexcept {
  if (const auto* h = FNumericData->OnChange.target<TChangeHook>(); h != nullptr && h->Table == this)
    FNumericData->OnChange = nullptr;
  if (const auto* h = FNumericData->OnSortExchange.target<TSortHook>(); h != nullptr && h->Table == this)
    FNumericData->OnSortExchange = nullptr;
}

void TDataTable::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TDataTable*>(Source);
  if (src == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  if (src == this) return;
  // Everything that allocates is copied first, so a failure leaves this table as it was.
  TContents contents(*src);
  FNumericData->Assign(src->FNumericData);  // fires nothing
  // The matrix's Assign brought along the source matrix's handlers, which
  // drive the source table: this table's matrix reports to this table.
  HookMatrix();
  FNrOfCols = src->FNrOfCols;
  FNrOfRows = src->FNrOfRows;
  contents.SwapInto(*this);
  FSortIncludeHd = src->FSortIncludeHd;
  OnChange = src->OnChange;
  OnChangeSetup = src->OnChangeSetup;
  OnChangeNames = src->OnChangeNames;
  OnChangeCellState = src->OnChangeCellState;
  OnChangeAttrib = src->OnChangeAttrib;
  OnPercentDone = src->OnPercentDone;
  OnResize = src->OnResize;
  OnSortExchange = src->OnSortExchange;
  // A source whose borrowed matrix went out of step had copied a matrix of another shape.
  SyncShapeWithMatrix();
}

TDataTable::TContents::TContents(const TDataTable& T)
    : Comment(T.FComment),
      RowAtt(T.FRowAtt),
      ColAtt(T.FColAtt),
      VType(T.FVType),
      CState(T.FCState),
      ColName(T.FColName),
      RowName(T.FRowName) {}

void TDataTable::TContents::SwapInto(TDataTable& T) noexcept {
  T.FComment.swap(Comment);
  T.FRowAtt.swap(RowAtt);
  T.FColAtt.swap(ColAtt);
  T.FVType.swap(VType);
  T.FCState.swap(CState);
  T.FColName.swap(ColName);
  T.FRowName.swap(RowName);
}

void TDataTable::AssignTo(TPersistent* Dest) const {
  auto* dst = dynamic_cast<TDataTable*>(Dest);
  if (dst != nullptr) {
    dst->Assign(this);
    return;
  }
  TComponent::AssignTo(Dest);
}

// ---- shape ---------------------------------------------------------------------------

void TDataTable::SetNrOfColumns(int NrCols) { Resize(NrCols, FNrOfRows); }

void TDataTable::SetNrOfRows(int NrRows) { Resize(FNrOfCols, NrRows); }

void TDataTable::Resize(int NrCols, int NrRows) {
  NrCols = std::max(NrCols, 0);
  NrRows = std::max(NrRows, 0);
  if (NrCols == FNrOfCols && NrRows == FNrOfRows && MatrixInStep()) return;
  const int oldCols = FNrOfCols, oldRows = FNrOfRows;
  {
    const TRelayDetach detach(FNumericData);
    ResizeStorage(NrCols, NrRows, true);
  }
  FireResize(oldCols, oldRows);
}

namespace {

// Capacity for N elements, grown by half at least, so that a run of inserts
// reuses memory instead of touching fresh pages every time.
template <class V>
void ReserveFor(V& Vec, std::size_t N) {
  if (Vec.capacity() < N) Vec.reserve(std::max(N, Vec.capacity() + Vec.capacity() / 2));
}

// The column-major states of OldCols × OldRows laid out in place as
// NewCols × NewRows (capacity reserved): the overlap is kept, the rest is 0.
void RelayoutStates(std::vector<Byte>& S, std::size_t OldCols, std::size_t OldRows, std::size_t NewCols,
                    std::size_t NewRows) {
  const std::size_t keepC = std::min(OldCols, NewCols), keepR = std::min(OldRows, NewRows);
  if (NewRows > OldRows) {
    // Columns move towards the back: the last one first, so none is
    // overwritten before it has moved.
    S.resize(std::max(S.size(), NewCols * NewRows));
    for (std::size_t c = keepC; c-- > 0;) {
      std::memmove(S.data() + c * NewRows, S.data() + c * OldRows, keepR);
      std::memset(S.data() + c * NewRows + keepR, 0, NewRows - keepR);
    }
  } else if (NewRows < OldRows) {
    for (std::size_t c = 0; c < keepC; ++c) std::memmove(S.data() + c * NewRows, S.data() + c * OldRows, keepR);
  }
  S.resize(NewCols * NewRows);
  if (NewCols > keepC) std::memset(S.data() + keepC * NewRows, 0, (NewCols - keepC) * NewRows);
}

}  // namespace

void TDataTable::ResizeStorage(int NrCols, int NrRows, bool WithMatrix) {
  const int oldCols = FNrOfCols, oldRows = FNrOfRows;
  const std::size_t nc = static_cast<std::size_t>(NrCols), nr = static_cast<std::size_t>(NrRows);
  // The matrix first: it needs eight times the bytes of the states, so a
  // shape that cannot be held fails there before anything else is touched.
  if (WithMatrix) FNumericData->Resize(NrCols, NrRows);
  try {
    ReserveFor(FCState, nc * nr);
    ReserveFor(FColName, nc);
    ReserveFor(FColAtt, nc);
    ReserveFor(FVType, nc);
    ReserveFor(FRowName, nr);
    ReserveFor(FRowAtt, nr);
  } catch (const std::exception&) {  // bad_alloc, length_error
    if (WithMatrix) {
      try {
        FNumericData->Resize(oldCols, oldRows);
      } catch (const EZELError&) {
        // The later bulk operations re-synchronise with whatever shape the matrix kept.
      }
    }
    Fail("not enough memory on heap");
  }
  // From here on nothing allocates beyond the reserved capacity (the default
  // names fit into the strings' own buffers).
  RelayoutStates(FCState, static_cast<std::size_t>(oldCols), static_cast<std::size_t>(oldRows), nc, nr);
  FColName.resize(std::min(nc, FColName.size()));
  for (int c = static_cast<int>(FColName.size()) + 1; c <= NrCols; ++c) FColName.push_back("C-" + IntToStr(c));
  FRowName.resize(std::min(nr, FRowName.size()));
  for (int r = static_cast<int>(FRowName.size()) + 1; r <= NrRows; ++r) FRowName.push_back("R-" + IntToStr(r));
  FColAtt.resize(nc, 0);
  FRowAtt.resize(nr, 0);
  FVType.resize(nc);
  FNrOfCols = NrCols;
  FNrOfRows = NrRows;
}

void TDataTable::SyncShapeWithMatrix() {
  if (MatrixInStep()) return;
  const int oldCols = FNrOfCols, oldRows = FNrOfRows;
  ResizeStorage(FNumericData->NrOfColumns(), FNumericData->NrOfRows(), false);
  FireResize(oldCols, oldRows);
}

void TDataTable::FireResize(int OldCols, int OldRows) {
  if (OnResize) OnResize(this, OldCols, OldRows, FNrOfCols, FNrOfRows);
}

void TDataTable::MakeValidColRange(int& Lo, int& Hi) const noexcept { MakeValidRange(Lo, Hi, FNrOfCols); }

void TDataTable::MakeValidRowRange(int& Lo, int& Hi) const noexcept { MakeValidRange(Lo, Hi, FNrOfRows); }

// ---- cells ----------------------------------------------------------------------------

double TDataTable::GetElem(int ACol, int ARow) const noexcept {
  if (!ValidCell(ACol, ARow)) return 0;
  const double v = FNumericData->GetVal(ACol, ARow);  // also checked against the matrix's own shape
  // RoundHalfEven keeps NaN and infinities, so no value is out of range here.
  return IsCategorial(ACol) ? RoundHalfEven(v) : v;
}

void TDataTable::SetElem(int ACol, int ARow, double Value) {
  if (!ValidCell(ACol, ARow) || ACol > FNumericData->NrOfColumns() || ARow > FNumericData->NrOfRows()) return;
  // Written past the matrix's relay and announced here, so there is exactly
  // one OnChange per call, also while an operation has detached the relay.
  FNumericData->ColumnData(ACol)[ARow - 1] = Value;
  ChangedData();
}

TNominalIDStr TDataTable::GetElemNominal(int ACol, int ARow) const {
  if (!ValidCell(ACol, ARow) || !IsCategorial(ACol)) return {};
  const std::int64_t k = RoundToInt64(FNumericData->GetVal(ACol, ARow));  // NaN gives 0, huge values saturate
  if (k >= 1 && k <= kMaxNominalIDs)
    return FVType[static_cast<std::size_t>(ACol - 1)].IDs[static_cast<std::size_t>(k - 1)];
  return CutTo(IntToStr(k), kMaxNominalIDLength);
}

void TDataTable::SetElemNominal(int ACol, int ARow, const TNominalIDStr& Value) {
  if (!ValidCell(ACol, ARow)) return;
  const TNominalIDStr id = CutTo(Value, kMaxNominalIDLength);
  int slot = OrdinalOfNominalID(ACol, id, true);
  if (slot == 0) {
    auto& ids = FVType[static_cast<std::size_t>(ACol - 1)].IDs;
    const auto& view = std::as_const(ids);
    const auto free = std::find_if(view.begin(), view.end(), [](const TNominalIDStr& s) { return s.empty(); });
    if (free == view.end()) Fail("number of available nominal values exceeded");
    slot = static_cast<int>(free - view.begin()) + 1;
    ids[static_cast<std::size_t>(slot - 1)] = id;
  }
  SetElem(ACol, ARow, slot);
}

Byte TDataTable::GetCellState(int ACol, int ARow) const noexcept {
  return ValidCell(ACol, ARow) ? StateAt(ACol, ARow) : 0;
}

void TDataTable::SetCellState(int ACol, int ARow, Byte Value) {
  if (!ValidCell(ACol, ARow) || StateAt(ACol, ARow) == Value) return;
  StateAt(ACol, ARow) = Value;
  ChangedCellStates();
}

// A cell outside the table is neither a number nor empty nor imputed: a
// range over an empty dimension must not count a phantom cell.
bool TDataTable::IsNumber(int ACol, int ARow) const noexcept {
  return ValidCell(ACol, ARow) && (StateAt(ACol, ARow) & (csNoNumber | csEmpty)) == 0;
}

bool TDataTable::IsEmpty(int ACol, int ARow) const noexcept { return (GetCellState(ACol, ARow) & csEmpty) != 0; }

bool TDataTable::IsImputed(int ACol, int ARow) const noexcept { return (GetCellState(ACol, ARow) & csImputed) != 0; }

void TDataTable::SetIsEmpty(int ACol, int ARow, bool Value) {
  if (!ValidCell(ACol, ARow)) return;
  const Byte s = StateAt(ACol, ARow);
  SetCellState(ACol, ARow, Value ? static_cast<Byte>(s | csEmpty) : static_cast<Byte>(s & ~csEmpty));
  ChangedData();
}

void TDataTable::SetIsImputed(int ACol, int ARow, bool Value) {
  if (!ValidCell(ACol, ARow)) return;
  const Byte s = StateAt(ACol, ARow);
  SetCellState(ACol, ARow, Value ? static_cast<Byte>(s | csImputed) : static_cast<Byte>(s & ~csImputed));
  ChangedData();
}

// ---- attributes and names -------------------------------------------------------------------

int TDataTable::GetRowAttrib(int RowNr) const noexcept {
  return RowNr >= 1 && RowNr <= FNrOfRows ? FRowAtt[static_cast<std::size_t>(RowNr - 1)] : 0;
}

int TDataTable::GetColAttrib(int ColNr) const noexcept {
  return ColNr >= 1 && ColNr <= FNrOfCols ? FColAtt[static_cast<std::size_t>(ColNr - 1)] : 0;
}

void TDataTable::SetRowAttrib(int RowNr, int Value) {
  if (RowNr < 1 || RowNr > FNrOfRows) return;
  FRowAtt[static_cast<std::size_t>(RowNr - 1)] = Value;
  ChangedAttrib();
}

void TDataTable::SetColAttrib(int ColNr, int Value) {
  if (ColNr < 1 || ColNr > FNrOfCols) return;
  FColAtt[static_cast<std::size_t>(ColNr - 1)] = Value;
  ChangedAttrib();
}

namespace {

// Each attribute := old AND NOT Mask OR Attrib AND Mask, in unsigned so the
// sign bit is a plain bit.
void MaskAttributes(TIntArray& Att, int Attrib, int Mask) {
  const auto m = static_cast<std::uint32_t>(Mask), a = static_cast<std::uint32_t>(Attrib) & m;
  for (int& x : Att) x = static_cast<int>((static_cast<std::uint32_t>(x) & ~m) | a);
}

}  // namespace

// Without a mask every bit is replaced: the mask of all ones.
void TDataTable::SetRowAttributes(int Attrib) { SetRowAttributes(Attrib, -1); }

void TDataTable::SetRowAttributes(int Attrib, int Mask) {
  MaskAttributes(FRowAtt, Attrib, Mask);
  ChangedAttrib();
}

void TDataTable::SetColAttributes(int Attrib) { SetColAttributes(Attrib, -1); }

void TDataTable::SetColAttributes(int Attrib, int Mask) {
  MaskAttributes(FColAtt, Attrib, Mask);
  ChangedAttrib();
}

TDTNameStr TDataTable::GetColName(int ColNr) const {
  return ColNr >= 1 && ColNr <= FNrOfCols ? FColName[static_cast<std::size_t>(ColNr - 1)] : TDTNameStr();
}

TDTNameStr TDataTable::GetRowName(int RowNr) const {
  return RowNr >= 1 && RowNr <= FNrOfRows ? FRowName[static_cast<std::size_t>(RowNr - 1)] : TDTNameStr();
}

void TDataTable::SetColName(int ColNr, const TDTNameStr& HLine) {
  if (ColNr < 1 || ColNr > FNrOfCols) return;
  FColName[static_cast<std::size_t>(ColNr - 1)] = CutTo(HLine, kMaxDTNameLength);
  ChangedNames();
}

void TDataTable::SetRowName(int RowNr, const TDTNameStr& HLine) {
  if (RowNr < 1 || RowNr > FNrOfRows) return;
  FRowName[static_cast<std::size_t>(RowNr - 1)] = CutTo(HLine, kMaxDTNameLength);
  ChangedNames();
}

TMScaleType TDataTable::GetMScaleType(int ColNr) const noexcept {
  return ColNr >= 1 && ColNr <= FNrOfCols ? FVType[static_cast<std::size_t>(ColNr - 1)].MScaleType : stUnknown;
}

void TDataTable::SetMScaleType(int ColNr, TMScaleType Value) {
  if (ColNr < 1 || ColNr > FNrOfCols) return;
  FVType[static_cast<std::size_t>(ColNr - 1)].MScaleType = Value;
  ChangedSetup();
}

void TDataTable::SetComment(const std::string& Value) {
  FComment = RemoveControlChars(Value);
  ChangedSetup();
}

// ---- nominal identifiers -------------------------------------------------------------------

int TDataTable::OrdinalOfNominalID(int Col, const TNominalIDStr& ID, bool IgnoreCase) const {
  if (Col < 1 || Col > FNrOfCols || ID.empty() || !IsCategorial(Col)) return 0;
  const TNominalIDStr id = CutTo(ID, kMaxNominalIDLength);
  const auto& ids = FVType[static_cast<std::size_t>(Col - 1)].IDs;
  for (std::size_t k = 0; k < ids.size(); ++k)
    if (IgnoreCase ? SameText(ids[k], id) : ids[k] == id) return static_cast<int>(k) + 1;
  return 0;
}

int TDataTable::AddNominalID(int Col, const TNominalIDStr& MScaleID) {
  if (Col < 1 || Col > FNrOfCols) return 0;
  const int found = OrdinalOfNominalID(Col, MScaleID, true);
  if (found > 0) return found;
  TVTypeSpecs& vt = FVType[static_cast<std::size_t>(Col - 1)];
  const auto& view = std::as_const(vt.IDs);
  const auto free = std::find_if(view.begin(), view.end(), [](const TNominalIDStr& s) { return s.empty(); });
  if (free == view.end()) return 0;
  const int slot = static_cast<int>(free - view.begin()) + 1;
  vt.IDs[static_cast<std::size_t>(slot - 1)] = CutTo(MScaleID, kMaxNominalIDLength);
  vt.MScaleType = stNominal;
  ChangedSetup();
  return slot;
}

void TDataTable::SetNominalID(int ColIx, int OrdVal, const TNominalIDStr& MScaleID) {
  if (ColIx < 1 || ColIx > FNrOfCols || OrdVal < 1 || OrdVal > kMaxNominalIDs) return;
  auto& ids = FVType[static_cast<std::size_t>(ColIx - 1)].IDs;
  const auto k = static_cast<std::size_t>(OrdVal - 1);
  if (MScaleID.empty()) {
    if (!std::as_const(ids)[k].empty()) ids[k].clear();
  } else if (IsCategorial(ColIx)) {
    ids[k] = CutTo(MScaleID, kMaxNominalIDLength);
  }
  ChangedSetup();
}

TNominalIDStr TDataTable::GetNominalID(int ColIx, int OrdVal) const {
  if (ColIx < 1 || ColIx > FNrOfCols || OrdVal < 1 || OrdVal > kMaxNominalIDs || !IsCategorial(ColIx)) return {};
  return FVType[static_cast<std::size_t>(ColIx - 1)].IDs[static_cast<std::size_t>(OrdVal - 1)];
}

void TDataTable::ClearNominalIDs(int Col) {
  if (Col < 1 || Col > FNrOfCols) return;
  FVType[static_cast<std::size_t>(Col - 1)].IDs.Clear();
  ChangedSetup();
}

int TDataTable::CountNominalIDs(int Col) const {
  if (Col < 1 || Col > FNrOfCols) return 0;
  const auto& ids = FVType[static_cast<std::size_t>(Col - 1)].IDs;
  return static_cast<int>(std::count_if(ids.begin(), ids.end(), [](const TNominalIDStr& s) { return !s.empty(); }));
}

TIntArray TDataTable::ListOfCategorialVars() const {
  TIntArray list;
  for (int c = 1; c <= FNrOfCols; ++c)
    if (IsCategorial(c)) list.push_back(c);
  return list;
}

TMScaleType TDataTable::FindHighestMLevel(int FirstCol, int LastCol) const {
  TMScaleType level = stNominal;
  if (MakeValidRange(FirstCol, LastCol, FNrOfCols))
    for (int c = FirstCol; c <= LastCol; ++c)
      level = std::max(level, FVType[static_cast<std::size_t>(c - 1)].MScaleType);
  return level;
}

TMScaleType TDataTable::FindLowestMLevel(int FirstCol, int LastCol) const {
  TMScaleType level = stRatio;
  if (MakeValidRange(FirstCol, LastCol, FNrOfCols))
    for (int c = FirstCol; c <= LastCol; ++c)
      level = std::min(level, FVType[static_cast<std::size_t>(c - 1)].MScaleType);
  return level;
}

const TVTypeSpecs* TDataTable::VTypeSpecs(int ColNr) const noexcept {
  return ColNr >= 1 && ColNr <= FNrOfCols ? &FVType[static_cast<std::size_t>(ColNr - 1)] : nullptr;
}

// ---- notifications ------------------------------------------------------------------------

void TDataTable::ChangedData() {
  if (OnChange) OnChange(this);
}

void TDataTable::ChangedSetup() {
  if (OnChangeSetup) OnChangeSetup(this);
}

void TDataTable::ChangedNames() {
  if (OnChangeNames) OnChangeNames(this);
}

void TDataTable::ChangedAttrib() {
  if (OnChangeAttrib) OnChangeAttrib(this);
}

void TDataTable::ChangedCellStates() {
  if (OnChangeCellState) OnChangeCellState(this);
}

void TDataTable::ChangedAll() {
  ChangedData();
  ChangedCellStates();
  ChangedAttrib();
  ChangedNames();
  ChangedSetup();
}

void TDataTable::DataHasChanged(TObject* /*Sender*/) {
  // A resize of a borrowed matrix arrives here too; the table follows it.
  SyncShapeWithMatrix();
  ChangedData();
}

void TDataTable::PercDone(TObject* /*Sender*/, int Percent) {
  if (OnPercentDone) OnPercentDone(this, Percent);
}

}  // namespace zel
