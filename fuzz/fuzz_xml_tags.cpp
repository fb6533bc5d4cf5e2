// Runs the XML tag scanner over arbitrary text, from a string and from a text
// file, and checks that both give the same tags, that every call moves
// forward and that the end is reported at the end of the text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_common.h"
#include "zel_base.h"

namespace {

const zel::TStrArray kTagNames = {"numcols", "numrows", "numplanes", "numtimeslots",
                                  "cell",    "matrix",  "/matrix",   "invalidtag"};

using zelfuzz::Fail;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  zel::TTextFile File;
  File.ResetFromString(Text);

  std::size_t Pos = 0;
  std::string Attr, Content, Name, FAttr, FContent, FName, Value;
  for (;;) {
    const std::size_t Before = Pos;
    const int Index = zel::ReadNextTagInString(Text, Pos, kTagNames, Attr, Content, &Name);
    const int FIndex = zel::ReadNextTagInTextFile(File, kTagNames, FAttr, FContent, &FName);
    if (Pos > Size) Fail("position beyond the text");
    if (Index != FIndex || Attr != FAttr || Content != FContent || Name != FName)
      Fail("string and file readers differ");
    if (Index == zel::tagEndOfText) {
      if (Pos != Size) Fail("end reported before the end of the text");
      break;
    }
    if (Pos <= Before) Fail("no progress");
    if (Index < zel::tagNotInList || Index >= static_cast<int>(kTagNames.size())) Fail("index out of range");
    if (Attr.size() + Content.size() > Size) Fail("output longer than the input");
    if (zel::XmlAttributeValue(Attr, "ix", Value) && Value.size() > Attr.size()) Fail("attribute value too long");
  }
  char Ch;
  if (File.ReadChar(Ch)) Fail("file reader stopped before the end");
  return 0;
}
