// Feeds arbitrary bytes to the stream loaders of both vector types: a false
// result leaves the vector as it was, a resize never exceeds what the stream
// can hold, and no read runs past the stream's end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_common.h"
#include "zel_streams.h"
#include "zel_vector.h"

namespace {

using zelfuzz::Fail;

// Each load starts from a fresh four-element vector, so the fingerprint
// compared after a failed load is cheap.
template <class V>
void Check(const std::uint8_t* Data, std::size_t Size, bool Adjust, typename V::ElemType FillValue) {
  zel::TMemoryStream S;
  if (Size > 0) S.WriteBuffer(Data, static_cast<std::int64_t>(Size));
  S.SetPosition(0);
  V Vec;
  Vec.Resize(4);
  Vec.Fill(FillValue);
  const std::string CrcBefore = Vec.CRCofData();
  const bool Ok = Vec.LoadFromStream(&S, Adjust);
  if (Vec.NrOfElem() < 1 || Vec.Data().size() != static_cast<std::size_t>(Vec.NrOfElem()))
    Fail("size and storage disagree");
  if (!Ok && (Vec.NrOfElem() != 4 || Vec.CRCofData() != CrcBefore)) Fail("vector changed on failure");
  if (S.Position() > S.Size()) Fail("read beyond the stream");
  if (Ok && static_cast<std::size_t>(Vec.NrOfElem()) > (std::size_t(1) << 26) + 4) Fail("grown beyond the limit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  for (const bool Adjust : {false, true}) {
    Check<zel::TVector>(Data, Size, Adjust, 3.5);
    Check<zel::TIntVector>(Data, Size, Adjust, 11);
  }
  return 0;
}
