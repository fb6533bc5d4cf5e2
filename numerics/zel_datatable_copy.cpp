// TDataTable: copying between tables and arrays, and borrowing a matrix.
#include <algorithm>

#include "zel_datatable.h"

namespace zel {

namespace {

// Column c's values of Src in Dst (NR values); through the checked reads
// when Src's matrix is not in step with the table.
void CopyColumnValues(const TMatrix& Src, bool InStep, int c, int NR, double* Dst) {
  if (InStep) {
    std::copy_n(Src.ColumnData(c), NR, Dst);
    return;
  }
  for (int r = 1; r <= NR; ++r) Dst[r - 1] = Src.GetVal(c, r);
}

// Both bounds of a source range clipped to 1..Count, reversed bounds exchanged.
void ClampSourceRange(int& Lo, int& Hi, int Count) {
  Lo = std::clamp(Lo, 1, Count);
  Hi = std::clamp(Hi, 1, Count);
  if (Hi < Lo) std::swap(Lo, Hi);
}

}  // namespace

void TDataTable::CopyContentsFrom(const TDataTable* ExtTab) {
  if (ExtTab == nullptr || ExtTab == this) return;
  SyncShapeWithMatrix();
  const int oldCols = FNrOfCols, oldRows = FNrOfRows;
  const int nc = ExtTab->FNrOfCols, nr = ExtTab->FNrOfRows;
  // Copied before anything changes, so a failing allocation leaves the table as it was.
  TContents contents(*ExtTab);
  {
    const TEventSilencer silence(*this);
    Resize(nc, nr);  // OnResize is not silenced
    // (An OnResize handler that reshapes the table leaves it as it made it.)
    if (FNrOfCols == nc && FNrOfRows == nr && MatrixInStep()) {
      contents.SwapInto(*this);
      const bool inStep = ExtTab->MatrixInStep();
      for (int c = 1; c <= nc; ++c) CopyColumnValues(*ExtTab->FNumericData, inStep, c, nr, FNumericData->ColumnData(c));
    }
  }
  ChangedData();
  ChangedCellStates();
  ChangedSetup();
  ChangedNames();
  ChangedAttrib();
  if (OnResize) OnResize(this, oldCols, oldRows, nc, nr);
}

bool TDataTable::CopyCellStatesFrom(const TDataTable* ExtTab) {
  if (ExtTab == nullptr || ExtTab->FNrOfCols != FNrOfCols || ExtTab->FNrOfRows != FNrOfRows) return false;
  std::copy(ExtTab->FCState.begin(), ExtTab->FCState.end(), FCState.begin());
  ChangedCellStates();
  return true;
}

void TDataTable::CopyFrom(const TDataTable* ExtTab, int SourceColLo, int SourceRowLo, int SourceColHi, int SourceRowHi,
                          int DestCol, int DestRow) {
  if (ExtTab == nullptr) return;
  SyncShapeWithMatrix();
  {
    const TEventSilencer silence(*this);
    {
      // The matrix copies the values with its own clipping (and a snapshot
      // when both are the same matrix).
      const TRelayDetach detach(FNumericData);
      FNumericData->CopyFrom(ExtTab->FNumericData, SourceColLo, SourceRowLo, SourceColHi, SourceRowHi, DestCol,
                             DestRow);
    }
    const int snc = ExtTab->FNrOfCols, snr = ExtTab->FNrOfRows;
    if (snc >= 1 && snr >= 1) {
      ClampSourceRange(SourceColLo, SourceColHi, snc);
      ClampSourceRange(SourceRowLo, SourceRowHi, snr);
      // A snapshot of the source block, so a copy within this table does not
      // read states it has already overwritten.
      const auto h = static_cast<std::size_t>(SourceRowHi - SourceRowLo + 1);
      std::vector<Byte> block;
      block.reserve(static_cast<std::size_t>(SourceColHi - SourceColLo + 1) * h);
      for (int c = SourceColLo; c <= SourceColHi; ++c)
        for (int r = SourceRowLo; r <= SourceRowHi; ++r) block.push_back(ExtTab->StateAt(c, r));
      for (int i = 0; i <= SourceColHi - SourceColLo; ++i) {
        const std::int64_t c = static_cast<std::int64_t>(DestCol) + i;
        if (c < 1 || c > FNrOfCols) continue;
        for (std::size_t j = 0; j < h; ++j) {
          const std::int64_t r = static_cast<std::int64_t>(DestRow) + static_cast<std::int64_t>(j);
          if (r >= 1 && r <= FNrOfRows)
            StateAt(static_cast<int>(c), static_cast<int>(r)) = block[static_cast<std::size_t>(i) * h + j];
        }
      }
    }
  }
  ChangedData();
  ChangedCellStates();
}

int TDataTable::CopyDataColumnToArray(int Col, TDoubleArray& DstArray) const {
  if (Col < 1 || Col > FNrOfCols) return -1;
  DstArray.resize(static_cast<std::size_t>(FNrOfRows));
  for (int r = 1; r <= FNrOfRows; ++r) DstArray[static_cast<std::size_t>(r - 1)] = FNumericData->GetVal(Col, r);
  return 0;
}

int TDataTable::CopyDataRowToArray(int Row, TDoubleArray& DstArray) const {
  if (Row < 1 || Row > FNrOfRows) return -1;
  DstArray.resize(static_cast<std::size_t>(FNrOfCols));
  for (int c = 1; c <= FNrOfCols; ++c) DstArray[static_cast<std::size_t>(c - 1)] = FNumericData->GetVal(c, Row);
  return 0;
}

int TDataTable::CopyDataColumnFromArray(int Col, const TDoubleArray& SrcArray) {
  if (Col < 1 || Col > FNrOfCols) return -1;
  const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(FNrOfRows), SrcArray.size()));
  for (int r = 1; r <= n; ++r) FNumericData->SetVal(Col, r, SrcArray[static_cast<std::size_t>(r - 1)]);
  return 0;
}

int TDataTable::CopyDataRowFromArray(int Row, const TDoubleArray& SrcArray) {
  if (Row < 1 || Row > FNrOfRows) return -1;
  const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(FNrOfCols), SrcArray.size()));
  for (int c = 1; c <= n; ++c) FNumericData->SetVal(c, Row, SrcArray[static_cast<std::size_t>(c - 1)]);
  return 0;
}

void TDataTable::CopyDataToArray(TDouble2DArray& DstArray) const {
  DstArray.assign(static_cast<std::size_t>(FNrOfCols), TDoubleArray(static_cast<std::size_t>(FNrOfRows)));
  for (int c = 1; c <= FNrOfCols; ++c)
    for (int r = 1; r <= FNrOfRows; ++r)
      DstArray[static_cast<std::size_t>(c - 1)][static_cast<std::size_t>(r - 1)] = FNumericData->GetVal(c, r);
}

namespace {

// −1 when the array's outer length differs from the column count or its
// first inner length from the row count, else 0.
template <class T>
int ShapeCode(const std::vector<std::vector<T>>& A, int NC, int NR) {
  if (A.size() != static_cast<std::size_t>(NC)) return -1;
  if (!A.empty() && A[0].size() != static_cast<std::size_t>(NR)) return -1;
  return 0;
}

}  // namespace

int TDataTable::CopyDataFromArray(const TDouble2DArray& SrcArray) {
  const int code = ShapeCode(SrcArray, FNrOfCols, FNrOfRows);
  FNumericData->CopyFromArray(SrcArray, 1, 1);  // the overlap, each write relayed to OnChange
  return code;
}

int TDataTable::CopyDataFromArray(const TInt2DArray& SrcArray) {
  const int code = ShapeCode(SrcArray, FNrOfCols, FNrOfRows);
  FNumericData->CopyFromArray(SrcArray, 1, 1);
  return code;
}

void TDataTable::AssignAnotherDataMatrix(TMatrix* NewDMat) {
  if (NewDMat == nullptr || NewDMat == FNumericData) return;
  const int oldCols = FNrOfCols, oldRows = FNrOfRows;
  {
    const TEventSilencer silence(*this, true);
    // Only the table's own arrays follow the new shape: the matrix being let
    // go is not resized (a borrowed one still belongs to its caller).
    ResizeStorage(NewDMat->NrOfColumns(), NewDMat->NrOfRows(), false);
    if (FExtMatAssigned) {
      UnhookMatrix();
    } else {
      delete FNumericData;
    }
    FNumericData = NewDMat;
    FExtMatAssigned = true;
    HookMatrix();
    for (auto& v : FVType) v.MScaleType = stInterval;
    if (FNrOfCols != oldCols || FNrOfRows != oldRows) FireResize(oldCols, oldRows);  // the resize's own
    FireResize(oldCols, oldRows);
  }
  ChangedData();
  ChangedSetup();
  ChangedNames();
  ChangedAttrib();
  ChangedCellStates();
}

}  // namespace zel
