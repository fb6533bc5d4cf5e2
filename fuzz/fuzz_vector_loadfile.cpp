// Feeds an arbitrary file to the text loaders of both vector types and checks
// what callers rely on: a false result leaves the vector as it was, the size
// never drops below 1 or beyond what the file can describe, and storage and
// size agree.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_common.h"
#include "zel_vector.h"

namespace {

const std::string& TempPath() {
  static const std::string Path = zelfuzz::ScratchPath("zel_fuzz_vecfile_", ".txt");
  return Path;
}

using zelfuzz::Fail;

// Each load starts from a fresh three-element vector, so the fingerprint
// compared after a failed load is cheap.
template <class V, class Load>
void Check(Load LoadIt, std::size_t Size, typename V::ElemType FillValue) {
  V Vec;
  Vec.Resize(3);
  Vec.Fill(FillValue);
  const std::string CrcBefore = Vec.CRCofData();
  const bool Ok = LoadIt(Vec);
  if (Vec.NrOfElem() < 1 || Vec.Data().size() != static_cast<std::size_t>(Vec.NrOfElem()))
    Fail("size and storage disagree");
  if (!Ok && (Vec.NrOfElem() != 3 || Vec.CRCofData() != CrcBefore)) Fail("vector changed on failure");
  // A resize follows the header's last position (bounded by the loaders'
  // growth limit) or, for a list of numbers, the file's line count.
  const auto Grown = static_cast<std::size_t>(Vec.NrOfElem());
  if (Ok && Grown > (std::size_t(1) << 26) && Grown > Size + 1) Fail("grown beyond the limit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::FILE* F = std::fopen(TempPath().c_str(), "wb");
  if (F == nullptr) return 0;
  const bool Written = std::fwrite(Data, 1, Size, F) == Size;
  if (std::fclose(F) != 0 || !Written) return 0;

  using zel::TIntVector;
  using zel::TVector;
  Check<TVector>([](TVector& X) { return X.LoadFromFile(TempPath(), false); }, Size, 7);
  Check<TVector>([](TVector& X) { return X.LoadFromFile(TempPath(), true); }, Size, 7);
  Check<TVector>([](TVector& X) { return X.LoadFromFile(TempPath(), true, true); }, Size, 7);
  Check<TIntVector>([](TIntVector& X) { return X.LoadFromFile(TempPath(), false); }, Size, -7);
  Check<TIntVector>([](TIntVector& X) { return X.LoadFromFile(TempPath(), true); }, Size, -7);
  std::remove(TempPath().c_str());  // libFuzzer may end the process without running exit handlers
  return 0;
}
