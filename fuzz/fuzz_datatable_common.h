// Helpers shared by the data table fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_common.h"
#include "zel_datatable.h"

namespace zelfuzz {

/// Writes the input to a scratch file; false when that fails.
inline bool WriteScratch(const std::string& Path, const std::uint8_t* Data, std::size_t Size) {
  std::FILE* F = std::fopen(Path.c_str(), "wb");
  if (F == nullptr) return false;
  const bool Written = std::fwrite(Data, 1, Size, F) == Size;
  return std::fclose(F) == 0 && Written;
}

/// Everything a table holds, to see whether a failed read changed it.
inline std::string TableFingerprint(const zel::TDataTable& T) {
  return std::to_string(T.NrOfColumns()) + "x" + std::to_string(T.NrOfRows()) + T.Comment() + T.CRCofCellStates() +
         T.NumericData()->CRCofData() + T.CRCofNamesAndAttributes();
}

/// A 2 × 3 table with a value and an identifier, as the targets start from.
inline void FillStartTable(zel::TDataTable& T) {
  T.Resize(2, 3);
  T.SetElem(2, 3, 7.5);
  T.AddNominalID(1, "x");
}

}  // namespace zelfuzz
