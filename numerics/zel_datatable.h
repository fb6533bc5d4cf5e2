// Data table component: TDataTable, a rectangular table of measurements.
//
// The values live in a TMatrix (owned, or borrowed through
// AssignAnotherDataMatrix); every cell also has a one-byte state, every
// column a name, an integer attribute, a measurement scale and up to 150
// nominal identifiers, every row a name and an integer attribute. Indices
// are 1-based and never raise: getters return 0, empty or stUnknown, setters
// do nothing. A dimension may be 0 (RemoveMarkedRows can remove every row);
// ranges over it are empty.
//
// Events: OnChange (values), OnChangeSetup (structure, scales, identifiers,
// comment), OnChangeNames, OnChangeCellState, OnChangeAttrib, OnResize,
// OnSortExchange, OnPercentDone. Bulk operations silence the change events
// while they work and fire each affected one once at the end.
//
// The model is in zel_datatable.cpp (and siblings), the file formats and
// Serialize in zel_datatable_io*.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zel_classes.h"
#include "zel_clipboard.h"
#include "zel_exceptions.h"
#include "zel_matrix.h"
#include "zel_streams.h"
#include "zel_textfile.h"
#include "zel_types.h"

namespace zel {

/// Error raised by the data table.
ZEL_DECLARE_EXCEPTION(EZELDataTableError, EZELError)

/// Measurement scale of a column (stored as one byte 0..4).
enum class TMScaleType : Byte { stUnknown, stNominal, stOrdinal, stInterval, stRatio };
using enum TMScaleType;

/// "Unknown", "Nominal", "Ordinal", "Interval", "Ratio".
extern const std::array<const char*, 5> MScaleTypeNames;

/// Longest nominal identifier and longest row/column name, in bytes;
/// longer input is cut.
inline constexpr std::size_t kMaxNominalIDLength = 10;
inline constexpr std::size_t kMaxDTNameLength = 50;
/// Nominal identifier slots per column.
inline constexpr int kMaxNominalIDs = 150;

/// A nominal identifier (at most 10 bytes) and a row/column name (at most 50).
using TNominalIDStr = std::string;
using TDTNameStr = std::string;

/// The kMaxNominalIDs identifier slots of a column. Storage is taken when a
/// slot is first written through a non-const access, so the many columns
/// without identifiers cost a pointer each (a wide file cannot make the
/// reader allocate 150 strings per column). Reads of an untouched column
/// see empty slots.
class TNominalIDSlots {
 public:
  using TSlots = std::array<TNominalIDStr, kMaxNominalIDs>;
  TNominalIDSlots() noexcept = default;
  TNominalIDSlots(const TNominalIDSlots& O) : FSlots(O.FSlots ? std::make_unique<TSlots>(*O.FSlots) : nullptr) {}
  TNominalIDSlots& operator=(const TNominalIDSlots& O) {
    if (this != &O) FSlots = O.FSlots ? std::make_unique<TSlots>(*O.FSlots) : nullptr;
    return *this;
  }
  TNominalIDSlots(TNominalIDSlots&&) noexcept = default;
  TNominalIDSlots& operator=(TNominalIDSlots&&) noexcept = default;

  static constexpr std::size_t size() noexcept { return kMaxNominalIDs; }
  const TNominalIDStr& operator[](std::size_t I) const noexcept { return View()[I]; }
  /// Takes the storage when the column has none yet.
  TNominalIDStr& operator[](std::size_t I) { return Own()[I]; }
  TSlots::const_iterator begin() const noexcept { return View().begin(); }
  TSlots::const_iterator end() const noexcept { return View().end(); }
  TSlots::iterator begin() { return Own().begin(); }
  TSlots::iterator end() { return Own().end(); }
  /// Every slot empty again (the storage is released).
  void Clear() noexcept { FSlots.reset(); }
  bool operator==(const TNominalIDSlots& O) const noexcept { return View() == O.View(); }

 private:
  const TSlots& View() const noexcept;
  TSlots& Own() {
    if (!FSlots) FSlots = std::make_unique<TSlots>();
    return *FSlots;
  }
  std::unique_ptr<TSlots> FSlots;
};

/// Scale type and identifier slots of one column; slot k (1-based) holds the
/// text of nominal value k, an empty slot is free.
struct TVTypeSpecs {
  TMScaleType MScaleType = stInterval;
  TNominalIDSlots IDs;
};

/// OnResize: the shape before and after.
using TDataTableResizeEvent =
    std::function<void(TObject* Sender, int OldColumns, int OldRows, int NewColumns, int NewRows)>;

/// Bits of the cell state byte.
inline constexpr Byte csNoNumber = 1;
inline constexpr Byte csEmpty = 2;
inline constexpr Byte csImputed = 32;
inline constexpr Byte csMark1 = 64;
inline constexpr Byte csMark2 = 128;

/// The XML vocabulary of the data table, in the order of DTxmlTagNames().
enum class TDTxmlTags {
  xmlDataTableId,
  xmlDataTableEndId,
  xmlComment,
  xmlSize,
  xmlColNames,
  xmlRowNames,
  xmlColAttrib,
  xmlRowAttrib,
  xmlColId,
  xmlRowId,
  xmlDataCells,
  xmlCellID,
  xmlVarType,
  xmlVarIdentifier,
  xmlDTInvalid
};
using enum TDTxmlTags;

/// "datatable", "/datatable", "comment", "size", "colnames", "rownames",
/// "colattrib", "rowattrib", "col", "row", "datacells", "cell", "vardef",
/// "idf", "invalid".
const TStrArray& DTxmlTagNames();

/// Table of measurements with cell states, names, attributes and scales.
class TDataTable : public TComponent {
 public:
  /// 1 column × 1 row holding 0, names C-1 and R-1, stInterval, states 0.
  /// Raises "…: failed to initialize (out of memory)".
  explicit TDataTable(TComponent* AOwner = nullptr);
  /// Frees an owned matrix; a borrowed one is left alive with its
  /// OnChange and OnSortExchange cleared.
  ~TDataTable() override;
  std::string ClassName() const override { return "TDataTable"; }

  /// From a TDataTable: comment, size, sort flag, values, attributes, names,
  /// scale records, cell states and all event handlers; fires nothing. The
  /// table's matrix (its own, or a borrowed one, which is resized and
  /// overwritten) stays hooked to this table.
  void Assign(const TPersistent* Source) override;

  // ---- size -------------------------------------------------------------------

  int NrOfColumns() const noexcept { return FNrOfCols; }
  int NrOfRows() const noexcept { return FNrOfRows; }
  /// Resize with the other dimension kept.
  void SetNrOfColumns(int NrCols);
  void SetNrOfRows(int NrRows);
  /// New shape (negative counts as 0); overlap kept, new columns C-n /
  /// stInterval, new rows R-n, new cells 0 with state 0; fires OnResize only.
  void Resize(int NrCols, int NrRows);
  /// The range rule: both 0 → whole dimension; bounds clipped to 1..size,
  /// reversed bounds swapped. An empty dimension gives 0, 0 (empty range).
  void MakeValidColRange(int& Lo, int& Hi) const noexcept;
  void MakeValidRowRange(int& Lo, int& Hi) const noexcept;

  // ---- cells --------------------------------------------------------------------

  /// Value; nominal/ordinal columns give the value rounded half-even. 0 outside.
  double Elem(int ACol, int ARow) const noexcept { return GetElem(ACol, ARow); }
  /// Stores Value inside the table and fires OnChange exactly once.
  void SetElem(int ACol, int ARow, double Value);
  double GetElem(int ACol, int ARow) const noexcept;
  /// Identifier of a nominal/ordinal cell (or the decimal text of an
  /// out-of-slot value); empty otherwise.
  TNominalIDStr GetElemNominal(int ACol, int ARow) const;
  /// Stores the slot of Value (found ignoring case, else added to the first
  /// free slot); raises "…: number of available nominal values exceeded".
  void SetElemNominal(int ACol, int ARow, const TNominalIDStr& Value);
  TNominalIDStr ElemNominal(int ACol, int ARow) const { return GetElemNominal(ACol, ARow); }

  /// The state byte; 0 outside.
  Byte GetCellState(int ACol, int ARow) const noexcept;
  /// Fires OnChangeCellState only when the byte changes.
  void SetCellState(int ACol, int ARow, Byte Value);
  Byte CellState(int ACol, int ARow) const noexcept { return GetCellState(ACol, ARow); }
  /// (state AND 3) = 0; state bits 2 and 32. A cell outside the table is
  /// none of them (an empty dimension has no phantom number).
  bool IsNumber(int ACol, int ARow) const noexcept;
  bool IsEmpty(int ACol, int ARow) const noexcept;
  bool IsImputed(int ACol, int ARow) const noexcept;
  /// Set or clear one bit through SetCellState, then always fire OnChange.
  void SetIsEmpty(int ACol, int ARow, bool Value);
  void SetIsImputed(int ACol, int ARow, bool Value);

  // ---- attributes and names ----------------------------------------------------------

  /// Attributes: 0 outside; the setters fire OnChangeAttrib.
  int GetRowAttrib(int RowNr) const noexcept;
  int GetColAttrib(int ColNr) const noexcept;
  void SetRowAttrib(int RowNr, int Value);
  void SetColAttrib(int ColNr, int Value);
  int RowAttrib(int RowNr) const noexcept { return GetRowAttrib(RowNr); }
  int ColAttrib(int ColNr) const noexcept { return GetColAttrib(ColNr); }
  /// Every attribute := Attrib (or, with Mask, only the masked bits); one OnChangeAttrib.
  void SetRowAttributes(int Attrib);
  void SetRowAttributes(int Attrib, int Mask);
  void SetColAttributes(int Attrib);
  void SetColAttributes(int Attrib, int Mask);

  /// Names; empty outside.
  TDTNameStr GetColName(int ColNr) const;
  TDTNameStr GetRowName(int RowNr) const;
  /// Cut to 50 bytes; fires OnChangeNames.
  void SetColName(int ColNr, const TDTNameStr& HLine);
  void SetRowName(int RowNr, const TDTNameStr& HLine);
  TDTNameStr ColName(int ColNr) const { return GetColName(ColNr); }
  TDTNameStr RowName(int RowNr) const { return GetRowName(RowNr); }

  /// stUnknown outside.
  TMScaleType GetMScaleType(int ColNr) const noexcept;
  /// Fires OnChangeSetup; values and identifiers are untouched.
  void SetMScaleType(int ColNr, TMScaleType Value);
  TMScaleType MScaleType(int ColNr) const noexcept { return GetMScaleType(ColNr); }

  const std::string& Comment() const noexcept { return FComment; }
  /// Stores the text without control characters; fires OnChangeSetup.
  void SetComment(const std::string& Value);

  // ---- nominal identifiers ---------------------------------------------------------------

  /// Lowest slot holding ID (cut to 10 bytes; exactly, or ignoring ASCII
  /// case); 0 when none, for an invalid column, an empty ID or a column that
  /// is not nominal/ordinal.
  int OrdinalOfNominalID(int Col, const TNominalIDStr& ID, bool IgnoreCase) const;
  /// Existing slot, or the lowest free one (the column becomes stNominal,
  /// OnChangeSetup); 0 when all slots are taken or the column is invalid.
  int AddNominalID(int Col, const TNominalIDStr& MScaleID);
  /// Empty MScaleID clears the slot; a non-empty one is stored only in a
  /// nominal/ordinal column. OnChangeSetup.
  void SetNominalID(int ColIx, int OrdVal, const TNominalIDStr& MScaleID);
  /// Slot text; empty outside or for a column that is not nominal/ordinal.
  TNominalIDStr GetNominalID(int ColIx, int OrdVal) const;
  TNominalIDStr NominalID(int ColIx, int OrdVal) const { return GetNominalID(ColIx, OrdVal); }
  /// Empties all 150 slots; OnChangeSetup.
  void ClearNominalIDs(int Col);
  /// Non-empty slots (0 for an invalid column).
  int CountNominalIDs(int Col) const;
  /// Columns that are nominal or ordinal, ascending.
  TIntArray ListOfCategorialVars() const;
  /// Largest scale over the columns, at least stNominal.
  TMScaleType FindHighestMLevel(int FirstCol, int LastCol) const;
  /// Smallest scale over the columns, starting from stRatio.
  TMScaleType FindLowestMLevel(int FirstCol, int LastCol) const;
  /// The scale record of a column (null outside).
  const TVTypeSpecs* VTypeSpecs(int ColNr) const noexcept;

  // ---- structure -------------------------------------------------------------------------

  /// Inserts an empty row/column at ix (1..size + 1; empty name, attribute
  /// 0, values and states 0, a new column stInterval). The lines after it
  /// move on, their values read as GetElem reads them (rounded in nominal
  /// and ordinal columns). With a handler of OnChange, OnChangeCellState,
  /// OnChangeNames or OnChangeAttrib every move goes through the setters and
  /// fires their events. OnResize comes first (the table grows before the
  /// moves), OnChangeSetup last.
  void InsertRow(int ix);
  void InsertColumn(int ColNr);
  /// Removes a row/column unless it is the only one; OnResize and
  /// OnChangeSetup. The columns that move left take the scale type of their
  /// right neighbour, its identifiers only when it is nominal or ordinal.
  void RemoveRow(int ix);
  void RemoveColumn(int ix);
  /// Removes the rows of the range that have a cell matching CState;
  /// returns their number, −1 for a bound outside the table.
  int RemoveMarkedRows(int FirstRow, int LastRow, Byte CState);
  /// Exchange everything of two rows/columns (invalid numbers: nothing);
  /// OnChange, OnChangeCellState, OnChangeAttrib, OnChangeNames, OnChangeSetup.
  void ExchangeRows(int r1, int r2);
  void ExchangeColumns(int c1, int c2);
  /// Reverse the order of all columns/rows; the same five events once.
  void MirrorColumns();
  void MirrorRows();
  /// Keeps the size; defaults everywhere, values 0, comment empty.
  void Clear();
  /// First column/row whose trimmed, upper-cased name equals ColID's; 0 if none.
  int FindColIndex(const std::string& ColID) const;
  int FindRowIndex(const std::string& RowID) const;
  /// Longest name in bytes (0 for an empty dimension).
  int MaxColNameLength() const noexcept;
  int MaxRowNameLength() const noexcept;
  /// Extreme attribute of the validated range, its first line in Row/Col
  /// (0 and 0 for an empty dimension).
  int MaxRowAttrib(int FirstRow, int LastRow, int& Row) const;
  int MinRowAttrib(int FirstRow, int LastRow, int& Row) const;
  int MaxColAttrib(int FirstCol, int LastCol, int& Col) const;
  int MinColAttrib(int FirstCol, int LastCol, int& Col) const;
  /// Distinct attribute values in 0..255 (others are not counted).
  int RowAttribLevels() const;
  int ColAttribLevels() const;

  // ---- cell states ------------------------------------------------------------------------

  /// Every cell := CellState / without the marks 64 and 128 / XOR
  /// StateMask / marks 64 and 128 exchanged; one OnChangeCellState each.
  void SetAllCellStates(Byte CellState);
  void UnmarkAllCells();
  void InvertCellStates(Byte StateMask);
  void ExchangeMarkings();
  /// Value into every cell whose state matches StateMask (one OnChange per
  /// cell, then one more when any was written); returns the count.
  int FillMarkedCells(double Value, Byte StateMask);
  /// Whether a cell of the row/column/validated rectangle matches CellState.
  bool IfRowHasCellState(int row, Byte CellState) const;
  bool IfColHasCellState(int col, Byte CellState) const;
  bool IfAnyCellHasCellState(int LowCol, int LowRow, int HighCol, int HighRow, Byte CellState) const;
  /// Cells of a row/column matching StateMask (0 for an invalid one).
  int CountMarkedCellsInRow(int Row, Byte StateMask) const;
  int CountMarkedCellsInColumn(int Col, Byte StateMask) const;
  /// Cells of the validated rectangle that are numbers / empty / imputed /
  /// numbers in interval or ratio columns.
  int CountValidCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
  int CountEmptyCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
  int CountImputedCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
  int CountNumCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
  /// 8-lane fingerprints (64 hex digits) of the cell states and of the names,
  /// attributes, scales and identifiers.
  std::string CRCofCellStates() const;
  std::string CRCofNamesAndAttributes() const;

  // ---- copying ----------------------------------------------------------------------------

  /// Becomes a copy of ExtTab (not its events); fires the five change events,
  /// then OnResize (and, when the size changes, one more OnResize before, from
  /// the resize itself).
  void CopyContentsFrom(const TDataTable* ExtTab);
  /// All states when the sizes agree (OnChangeCellState, true); else false.
  bool CopyCellStatesFrom(const TDataTable* ExtTab);
  /// Values and states of the source block to (DestCol, DestRow) on.
  void CopyFrom(const TDataTable* ExtTab, int SourceColLo, int SourceRowLo, int SourceColHi, int SourceRowHi,
                int DestCol, int DestRow);
  /// The stored values of a column/row into DstArray, or min(size, length)
  /// values from SrcArray (each write relayed to OnChange); 0, or −1 for an
  /// invalid index.
  int CopyDataColumnToArray(int Col, TDoubleArray& DstArray) const;
  int CopyDataRowToArray(int Row, TDoubleArray& DstArray) const;
  int CopyDataColumnFromArray(int Col, const TDoubleArray& SrcArray);
  int CopyDataRowFromArray(int Row, const TDoubleArray& SrcArray);
  /// [column][row] of all values.
  void CopyDataToArray(TDouble2DArray& DstArray) const;
  /// Copies the overlap; −1 when the array's shape differs from the table's.
  int CopyDataFromArray(const TDouble2DArray& SrcArray);
  int CopyDataFromArray(const TInt2DArray& SrcArray);
  /// Borrows NewDMat as the table's values (the caller keeps it alive).
  /// Null: nothing. The table's current matrix: nothing.
  void AssignAnotherDataMatrix(TMatrix* NewDMat);
  /// The values (owned or borrowed).
  TMatrix* NumericData() const noexcept { return FNumericData; }
  /// Whether the matrix has the table's shape (a borrowed matrix resized
  /// while another table held its handlers may not); the writers refuse a
  /// table that is out of step.
  bool MatrixInStep() const noexcept {
    return FNumericData->NrOfColumns() == FNrOfCols && FNumericData->NrOfRows() == FNrOfRows;
  }
  bool ExtMatAssigned() const noexcept { return FExtMatAssigned; }

  // ---- sorting ------------------------------------------------------------------------------

  /// The matrix's comb sort of the columns (rows) by row SortRowIx (column
  /// SortColIx); states, and with IncludeHeaders names, attributes (and
  /// scale records), move along. OnChange, then with IncludeHeaders
  /// OnChangeNames and OnChangeAttrib. Without an OnSortExchange handler the
  /// order is computed once and applied (the same result).
  void SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow, bool IncludeHeaders);
  void SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow, bool IncludeHeaders);
  /// The matrix's exchange handler: keeps states (and headers) in step.
  void ExchangeDuringSort(TObject* Sender, Byte ExchgWhat, int Index1, int Index2, int First, int Last);
  /// Comb sort of the rows/columns of the validated range by name (byte
  /// order; IgnoreCase: code-point order of the lower-cased text) or by
  /// attribute, moving the values and states of the other range along;
  /// each exchange to OnSortExchange (kind 2 rows, 1 columns). OnChange,
  /// then OnChangeNames or OnChangeAttrib.
  void SortRowNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
  void SortRowNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow, int HighCol, int HighRow);
  void SortRowAttributes(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
  void SortColNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
  void SortColNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow, int HighCol, int HighRow);
  void SortColAttributes(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);

  // ---- notifications ---------------------------------------------------------------------------

  /// Fire OnChange, OnChangeSetup, OnChangeNames, OnChangeAttrib,
  /// OnChangeCellState when assigned.
  void ChangedData();
  void ChangedSetup();
  void ChangedNames();
  void ChangedAttrib();
  void ChangedCellStates();
  /// The matrix's OnChange handler.
  void DataHasChanged(TObject* Sender);
  /// OnPercentDone(this, Percent).
  void PercDone(TObject* Sender, int Percent);

  // ---- conversion and files -----------------------------------------------------------------------

  /// Turns the table in place into one row per former cell, column by
  /// column: an optional "(column)" variable (nominal, identifiers
  /// "<s>:<name>" cut to 10 bytes), optional "(col. index)" and "(row index)"
  /// variables, and "(data)" with the former values (GetElem), the former
  /// row's name and attribute and the former cell state. "(data)" gets the
  /// highest scale of the columns; it keeps an identifier list only when it
  /// is nominal/ordinal and every former column had that same list (the
  /// codes of different lists would be mislabelled), else its list is
  /// cleared. The index columns become stInterval without identifiers.
  /// Events are silenced and each fires once at the end (OnChange,
  /// OnChangeCellState, OnChangeSetup, OnChangeNames, OnChangeAttrib, then
  /// OnResize). Nothing happens when columns × rows exceeds INT32_MAX.
  void Serialize(bool ColHeadsAsVar, bool IncludeColRowNumbers);

  // Every reader loads into a temporary table and takes it over with
  // CopyContentsFrom only when the whole input was read: a failure leaves
  // the table (and its events) untouched and LastIOError says why.
  // Exporters return "" on success or the reason of the failure; files are
  // replaced only by complete ones. Precision (ASC and CSV): 1..16 writes
  // that many significant digits, any other value the shortest text that
  // reads back as the same double. The layouts are described in
  // zel_datatable_io.cpp (ASC), zel_datatable_csv.cpp and zel_datatable_xml.cpp.

  /// Result codes of the table's readers beyond those of the ASC files
  /// (zel_ascfile.h, zel_base.h: -1, -4..-15).
  enum : int {
    dtErrBadPosition = -2,    // ReadFromASC: PosX or PosY below 1, or the block would pass INT32_MAX
    dtErrBadColumnInfo = -3,  // ASC: the column descriptions after the values are malformed
    dtErrTooManyIDs = -16,    // ReadFromASC without ReplaceIDs: a column would need more than 150 identifiers
    csvErrNoFile = -1,        // CSV: the file is missing or cannot be read
    csvErrEmpty = -2,         // CSV: no record at all (a header alone gives a table of 0 rows)
    csvErrRagged = -3,        // CSV: a record with another number of fields than the first (LastIOErrorLine)
    csvErrOpenQuote = -4,     // CSV: the file ends inside a quoted field (LastIOErrorLine: where it opened)
    csvErrTooLarge = -5,      // CSV: more than INT32_MAX rows or columns, or out of memory
  };

  /// ASC file of the whole table (layout in zel_datatable_io.cpp).
  std::string ExportAsASC(const std::string& FName, int Precision) const;
  /// The same followed by a table of strings (one line per outer element).
  std::string ExportAsASC(const std::string& FName, int Precision, const TStr2DArray& CustData) const;
  /// The ASC text written to a stream at its position, or to a text file
  /// that the caller has opened with Rewrite or Append.
  std::string ExportAsASC(TStream& OutStream, int Precision) const;
  std::string ExportAsASC(TTextFile& OutFile, int Precision) const;
  /// Replaces the table by an ASC file (any writer's: a matrix file reads
  /// with default names). 0 or a negative code; the comment comes from line 1.
  int ImportASC(const std::string& FName);
  /// The same from the rest of a stream, or from the process clipboard's text.
  int ImportASC(TStream& InStream);
  int ImportASC(TClipboard& ClipBd);
  /// The same, also reading the table of strings that follows (CustData is
  /// changed only on success).
  int ImportASC(const std::string& FName, TStr2DArray& CustData);
  /// Reads an ASC file into the table with its first value at column PosX,
  /// row PosY (1-based); the table grows to hold the block and keeps
  /// everything outside it, including its comment. Column names, scales and
  /// attributes of the file replace those of the target columns when the
  /// file has them (row names and attributes likewise). ReplaceIDs: the
  /// target columns take the file's identifier lists; otherwise they keep
  /// theirs and the file's nominal values are recoded by identifier text
  /// (ignoring case), new identifiers taking free slots (dtErrTooManyIDs
  /// when none is left).
  int ReadFromASC(const std::string& FName, int PosX, int PosY, bool ReplaceIDs);
  int ReadFromASC(TStream& InStream, int PosX, int PosY, bool ReplaceIDs);
  int ReadFromASC(TClipboard& ClipBd, int PosX, int PosY, bool ReplaceIDs);

  /// CSV file (layout in zel_datatable_csv.cpp): optional header record of
  /// column names, optional first field of row names, then optionally the
  /// row attributes and a first record holding the comment.
  std::string ExportAsCSV(const std::string& FName, int Precision, TCSVDelimiters Delimiter, bool IncludeColHeaders,
                          bool IncludeRowHeaders) const;
  std::string ExportAsCSV(const std::string& FName, int Precision, TCSVDelimiters Delimiter, bool IncludeColHeaders,
                          bool IncludeRowHeaders, bool IncludeRowAttributes) const;
  std::string ExportAsCSV(const std::string& FName, int Precision, TCSVDelimiters Delimiter, bool IncludeColHeaders,
                          bool IncludeRowHeaders, bool IncludeRowAttributes, bool IncludeComment) const;
  /// Replaces the table by a CSV file: 0 or a csvErr code. Empty fields are
  /// empty cells (csEmpty), "NAN" cells without a number (csNoNumber), both
  /// holding 0; a column with text that is not a number becomes nominal.
  int ImportFromCSV(const std::string& FName, TCSVDelimiters Delimiter, bool IncludeColHeaders,
                    bool IncludeRowHeaders);

  /// XML element "datatable" (layout in zel_datatable_xml.cpp) as a file
  /// with declaration, into an open text file or into a stream; DataID is
  /// the element's "dataid" attribute. Values are always written exactly
  /// (the element is the table's storage form), whatever Precision says.
  /// Raise EInOutError when writing fails (a file is then left untouched).
  void SaveAsXMLFile(const std::string& FName, int Precision, const std::string& DataID) const;
  void WriteToOpenXMLFile(TTextFile& OutFile, bool CreateHeader, int Precision, const std::string& DataID) const;
  void WriteToXMLStream(TStream& OutStream, bool CreateHeader, int Precision, const std::string& DataID) const;
  /// Read the first "datatable" element whose dataid equals DataID (empty:
  /// the first one); false when there is none or it is malformed
  /// (LastIOError). The stream and the open file are left after the element.
  bool LoadFromXMLFile(const std::string& FName, const std::string& DataID);
  bool ReadFromOpenXMLFile(TTextFile& InFile, const std::string& DataID);
  bool ReadFromXMLStream(TStream& InStream, const std::string& DataID);
  /// The same from InString starting at the 1-based position StartAt; on
  /// success StartAt is moved past the element's end tag (and the text
  /// after it up to the next tag). A StartAt outside the text gives false.
  bool ReadFromXMLString(const std::string& InString, int& StartAt, const std::string& DataID);

  /// State of an XML element being read (the readers reset it).
  struct TDTXmlReadState {
    /// The open list: xmlColNames, xmlRowNames, xmlColAttrib, xmlRowAttrib,
    /// xmlVarType, xmlDataCells, or xmlDTInvalid before the first.
    TDTxmlTags Group = xmlDTInvalid;
    /// Column of the open "vardef".
    int VarCol = 0;
    bool SizeSeen = false;
    /// "/datatable" was processed.
    bool Done = false;
    /// Set with LastIOError at the first malformed element; reading stops.
    bool Failed = false;
    /// The text holds bytes above 127 (not character references): texts
    /// that are valid UTF-8 are then converted to the code page.
    bool RawHighBytes = false;
    /// Whether the text still holds at least the given number of bytes;
    /// bounds the size announced by "size" (unset: no bound).
    std::function<bool(std::int64_t Bytes)> TextHolds;
  };
  TDTXmlReadState XmlState;
  /// Applies one element of a "datatable" element to this table: Tag and
  /// TagText name it, Attributes and Content are as the tag scanner returns
  /// them, Index is the element's 1-based position in the text (for the
  /// error message). Problems set XmlState.Failed.
  void ProcessXmlTag(TDTxmlTags Tag, const std::string& TagText, const std::string& Attributes,
                     const std::string& Content, std::int64_t Index);

  /// Why the last import or read failed (empty after a success).
  const std::string& LastIOError() const noexcept { return FIOError; }
  /// The line (CSV, ASC: row) the last failure refers to, 0 when none.
  int LastIOErrorLine() const noexcept { return FIOErrorLine; }

 protected:
  /// Records a failure for LastIOError and returns Code.
  int IOFail(int Code, const std::string& Text, int Line = 0);
  /// The end of an XML read into the temporary T: takes T over when Ok,
  /// else records Why; returns Ok.
  bool XmlTakeOver(TDataTable& T, bool Ok, const std::string& Why);
  std::string FIOError;
  int FIOErrorLine = 0;

 public:

  TNotifyEvent OnChange;
  TNotifyEvent OnChangeSetup;
  TNotifyEvent OnChangeNames;
  TNotifyEvent OnChangeCellState;
  TNotifyEvent OnChangeAttrib;
  TOnPercentDoneEvent OnPercentDone;
  TDataTableResizeEvent OnResize;
  TSortExchgEvent OnSortExchange;

 protected:
  void AssignTo(TPersistent* Dest) const override;
  [[noreturn]] void Fail(const std::string& Text) const;
  /// State byte of a valid cell, unchecked.
  Byte& StateAt(int c, int r) noexcept {
    return FCState[static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(FNrOfRows) +
                   static_cast<std::size_t>(r - 1)];
  }
  Byte StateAt(int c, int r) const noexcept {
    return FCState[static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(FNrOfRows) +
                   static_cast<std::size_t>(r - 1)];
  }
  bool ValidCell(int c, int r) const noexcept { return c >= 1 && c <= FNrOfCols && r >= 1 && r <= FNrOfRows; }
  /// Installs DataHasChanged and ExchangeDuringSort on the matrix.
  void HookMatrix();
  /// Clears the matrix's handlers where they are still this table's (a
  /// matrix lent to two tables keeps the other one's).
  void UnhookMatrix() noexcept;
  struct TChangeHook;
  struct TSortHook;
  /// A borrowed matrix may be resized behind the table's back: the per-line
  /// arrays then follow the matrix's shape (OnResize). Every operation that
  /// indexes the storage directly calls it first.
  void SyncShapeWithMatrix();
  /// Brings the states, names, attributes and scale records (and first the
  /// matrix, when WithMatrix) to NrCols × NrRows, keeping the overlap and
  /// giving new entries their defaults; no event. A failing matrix resize
  /// leaves the table unchanged; a failing allocation of the table's own
  /// arrays resizes the matrix back and raises "not enough memory on heap".
  void ResizeStorage(int NrCols, int NrRows, bool WithMatrix);
  /// OnResize(OldCols, OldRows, current size) when assigned.
  void FireResize(int OldCols, int OldRows);
  /// OnChange, OnChangeCellState, OnChangeAttrib, OnChangeNames, OnChangeSetup.
  void ChangedAll();
  /// Whether one of the events fired per cell or per line by the setters
  /// (OnChange, OnChangeCellState, OnChangeNames, OnChangeAttrib) has a
  /// handler: bulk edits then run event by event, else on the storage.
  bool HasPerCellHandlers() const noexcept {
    return OnChange || OnChangeCellState || OnChangeNames || OnChangeAttrib;
  }
  /// Column ColNr (valid) is nominal or ordinal.
  bool IsCategorial(int ColNr) const noexcept {
    const TMScaleType t = FVType[static_cast<std::size_t>(ColNr - 1)].MScaleType;
    return t == stNominal || t == stOrdinal;
  }
  /// Exchange the states (and the values when Values) of two rows within the
  /// columns ColLo..ColHi, and their names and attributes when Headers.
  /// The range is clipped to the table; false (nothing done) for an invalid row.
  bool ExchangeRowParts(int r1, int r2, int ColLo, int ColHi, bool Values, bool Headers);
  /// The same for two columns within the rows RowLo..RowHi; the headers
  /// include the scale records.
  bool ExchangeColParts(int c1, int c2, int RowLo, int RowHi, bool Values, bool Headers);
  /// Row Lo + k receives former row Lo + Perm[k]: values and states of the
  /// valid columns ColLo..ColHi, the value of KeyCol when it lies outside
  /// them (0: none), and names and attributes when Headers.
  void PermuteRowParts(int Lo, const std::vector<int>& Perm, int ColLo, int ColHi, int KeyCol, bool Headers);
  /// The same for columns within the rows RowLo..RowHi (headers include the
  /// scale records).
  void PermuteColParts(int Lo, const std::vector<int>& Perm, int RowLo, int RowHi, int KeyRow, bool Headers);
  /// The name and attribute sorts: the comb sort of the columns (Cols) or
  /// rows of the validated range by their names (ByNames) or attributes,
  /// moving names, attributes, scale records and the values and states of
  /// the other dimension's range; each exchange goes to OnSortExchange when
  /// assigned. Then OnChange and OnChangeNames or OnChangeAttrib.
  void SortLines(bool Cols, bool ByNames, bool IgnoreCase, bool Ascending, int LowCol, int LowRow, int HighCol,
                 int HighRow);

  /// Everything but the shape and the values, copied from a table, for
  /// Assign and CopyContentsFrom to take over once nothing can fail any more.
  struct TContents {
    explicit TContents(const TDataTable& T);
    /// Exchanges the copy with T's own (T must have the copy's shape).
    void SwapInto(TDataTable& T) noexcept;
    std::string Comment;
    TIntArray RowAtt, ColAtt;
    std::vector<TVTypeSpecs> VType;
    std::vector<Byte> CState;
    std::vector<TDTNameStr> ColName, RowName;
  };

  /// Clears the five change events (or only OnChange and OnChangeSetup)
  /// while it lives and restores them afterwards, also after an exception.
  class TEventSilencer {
   public:
    explicit TEventSilencer(TDataTable& T, bool OnlyDataAndSetup = false);
    ~TEventSilencer();
    TEventSilencer(const TEventSilencer&) = delete;
    TEventSilencer& operator=(const TEventSilencer&) = delete;

   private:
    TDataTable& FT;
    TNotifyEvent FChange, FSetup, FNames, FCellSt, FAttrib;
    bool FOnly;
  };
  /// Detaches the matrix's OnChange while it lives, so the matrix's own
  /// notifications do not reach the table, and re-attaches it afterwards.
  class TRelayDetach {
   public:
    explicit TRelayDetach(TMatrix* M);
    ~TRelayDetach();
    TRelayDetach(const TRelayDetach&) = delete;
    TRelayDetach& operator=(const TRelayDetach&) = delete;

   private:
    TMatrix* FM;
    TNotifyEvent FSaved;
  };

  std::string FComment;
  TIntArray FRowAtt;
  TIntArray FColAtt;
  std::vector<TVTypeSpecs> FVType;
  /// Cell states, column-major: column c, row r at (c − 1)·FNrOfRows + r − 1.
  std::vector<Byte> FCState;
  std::vector<TDTNameStr> FColName;
  std::vector<TDTNameStr> FRowName;
  int FNrOfCols = 1;
  int FNrOfRows = 1;
  bool FSortIncludeHd = false;
  bool FExtMatAssigned = false;
  TMatrix* FNumericData = nullptr;
};

}  // namespace zel
