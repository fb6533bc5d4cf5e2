// Storage, access, size and the range helpers of TMatrix.
#include "zel_matrix.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <typeinfo>

#include "zel_numeric.h"

namespace zel {

TMatrix::TMatrix(TComponent* AOwner) : TComponent(AOwner) {
  try {
    FMat.assign(1, 0.0);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
}

void TMatrix::Fail(const std::string& Text) const { throw EZELMatrixError(ComponentMessage(Name(), Text)); }

void TMatrix::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TMatrix*>(Source);
  if (src == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  if (src == this) return;
  FMat = src->FMat;
  FLd = src->FLd;
  FNCol = src->FNCol;
  FNRow = src->FNRow;
  FDataID = src->FDataID;
  FPrecis[0] = src->FPrecis[0];
  FPrecis[1] = src->FPrecis[1];
  OnChange = src->OnChange;
  OnSortExchange = src->OnSortExchange;
  OnCalcDistance = src->OnCalcDistance;
}

void TMatrix::AssignTo(TPersistent* Dest) const {
  auto* dst = dynamic_cast<TMatrix*>(Dest);
  if (dst != nullptr && typeid(*dst) == typeid(*this)) {
    dst->Assign(this);
    return;
  }
  TComponent::AssignTo(Dest);
}

void TMatrix::SetNrOfColumns(int Value) { Resize(std::max(Value, 0), FNRow); }

void TMatrix::SetNrOfRows(int Value) { Resize(FNCol, std::max(Value, 0)); }

void TMatrix::SetPrecision(int Ix, int Value) noexcept { FPrecis[Ix <= 1 ? 0 : 1] = std::clamp(Value, -1, 25); }

double TMatrix::GetVal(int Nc, int Nr) const noexcept {
  if (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) return 0;
  return At(Nc, Nr);
}

void TMatrix::SetVal(int Nc, int Nr, double Value) {
  if (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) return;
  At(Nc, Nr) = Value;
  Changed();
}

bool TMatrix::Resize(int Nc, int Nr) {
  Nc = std::max(Nc, 0);
  Nr = std::max(Nr, 0);
  if (Nc == FNCol && Nr == FNRow) return true;
  const std::size_t cols = static_cast<std::size_t>(std::max(Nc, 1));
  const std::size_t ld = static_cast<std::size_t>(std::max(Nr, 1));
  const std::size_t oldCols = static_cast<std::size_t>(std::max(FNCol, 1));
  if (ld != FLd || cols != oldCols) {
    const std::size_t need = cols * ld;
    const std::size_t work = std::max(need, FMat.size());
    try {
      // Grow geometrically so that repeated row or column insertion moves the
      // elements in place instead of allocating (and faulting in) a new
      // buffer every time.
      if (work > FMat.capacity()) {
        try {
          FMat.reserve(std::max(work, FMat.capacity() + FMat.capacity() / 2));
        } catch (const std::bad_alloc&) {
          FMat.reserve(work);
        }
      }
      FMat.resize(work, 0.0);
    } catch (const std::bad_alloc&) {
      Fail("not enough memory on heap");
    } catch (const std::length_error&) {
      Fail("not enough memory on heap");
    }
    // Nothing below can fail: the columns are re-laid in place.
    const std::size_t keepC = std::min(cols, oldCols), keepR = std::min(ld, FLd);
    double* d = FMat.data();
    if (ld > FLd) {
      for (std::size_t c = keepC; c-- > 0;) {
        std::memmove(d + c * ld, d + c * FLd, keepR * sizeof(double));
        std::fill(d + c * ld + keepR, d + (c + 1) * ld, 0.0);
      }
    } else if (ld < FLd) {
      for (std::size_t c = 0; c < keepC; ++c) std::memmove(d + c * ld, d + c * FLd, keepR * sizeof(double));
    }
    std::fill(d + keepC * ld, d + need, 0.0);  // new columns
    FMat.resize(need);
    if (FMat.capacity() > 4 * need && FMat.capacity() > (1u << 20)) {
      try {
        FMat.shrink_to_fit();
      } catch (const std::bad_alloc&) {
      }
    }
    FLd = ld;
  }
  FNCol = Nc;
  FNRow = Nr;
  Changed();
  return true;
}

bool TMatrix::ResizeAndClear(int Nc, int Nr) {
  if (!Resize(Nc, Nr)) return false;
  Fill(0);
  return true;
}

void TMatrix::Fill(double value) {
  std::fill(FMat.begin(), FMat.end(), value);
  Changed();
}

void TMatrix::Fill(int LowCol, int HighCol, int LowRow, int HighRow, double value) {
  if (ValidRect(LowCol, LowRow, HighCol, HighRow))
    for (int c = LowCol; c <= HighCol; ++c)
      std::fill_n(ColumnData(c) + (LowRow - 1), HighRow - LowRow + 1, value);
  Changed();
}

void TMatrix::Changed() {
  if (OnChange) OnChange(this);
}

void TMatrix::MakeValidColRange(int& LowCol, int& HighCol) const noexcept { MakeValidRange(LowCol, HighCol, FNCol); }

void TMatrix::MakeValidRowRange(int& LowRow, int& HighRow) const noexcept { MakeValidRange(LowRow, HighRow, FNRow); }

bool TMatrix::ValidRect(int& LowCol, int& LowRow, int& HighCol, int& HighRow) const noexcept {
  const bool cols = MakeValidRange(LowCol, HighCol, FNCol);
  const bool rows = MakeValidRange(LowRow, HighRow, FNRow);
  return cols && rows;
}

std::vector<double> TMatrix::GatherRange(int LowCol, int HighCol, int LowRow, int HighRow) const {
  std::vector<double> out;
  if (HighCol < LowCol || HighRow < LowRow || LowCol < 1 || LowRow < 1) return out;
  const std::size_t h = static_cast<std::size_t>(HighRow - LowRow + 1);
  out.resize(static_cast<std::size_t>(HighCol - LowCol + 1) * h);
  double* d = out.data();
  for (int c = LowCol; c <= HighCol; ++c, d += h) std::copy_n(ColumnData(c) + (LowRow - 1), h, d);
  return out;
}

std::span<const double> TMatrix::RectSpan(int LowCol, int LowRow, int HighCol, int HighRow,
                                          std::vector<double>& Scratch) const {
  if (HighCol < LowCol || HighRow < LowRow || LowCol < 1 || LowRow < 1) return {};
  if (LowRow == 1 && static_cast<std::size_t>(HighRow) == FLd) {
    // Whole columns are contiguous in column-major storage.
    return std::span<const double>(FMat).subspan(static_cast<std::size_t>(LowCol - 1) * FLd,
                                                 static_cast<std::size_t>(HighCol - LowCol + 1) * FLd);
  }
  Scratch = GatherRange(LowCol, HighCol, LowRow, HighRow);
  return Scratch;
}

void TMatrix::PercDone(TObject* /*Sender*/, int Percent) {
  if (OnPercentDone) OnPercentDone(this, Percent);
}

}  // namespace zel
