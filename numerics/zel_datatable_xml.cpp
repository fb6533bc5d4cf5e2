// The XML element of TDataTable.
//
// Written form (lines end with CR LF; the declaration only with CreateHeader):
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <datatable dataid="...">
//     <comment>...</comment>
//     <size ncols="3" nrows="2"/>
//     <colnames>
//       <col ix="1">name</col>             one per column
//     </colnames>
//     <colattrib>
//       <col ix="1">0</col>                one per column
//     </colattrib>
//     <rownames> <row ix="1">name</row> ... </rownames>
//     <rowattrib> <row ix="1">0</row> ... </rowattrib>
//     <vardef ix="1" scale="3"/>           one per column: scale 0..4
//     <vardef ix="2" scale="1">            with identifiers
//       <idf ix="1">red</idf>              slot 1..150
//     </vardef>
//     <datacells>
//       <cell ix="1" iy="1">0.5</cell>     every cell, column by column
//       <cell ix="1" iy="2" st="2">0</cell>   st: the state when not 0
//     </datacells>
//   </datatable>
//
// Values are the stored doubles (nominal codes unrounded) in the shortest
// text that reads back as the same double, NaN and infinities as NAN, INF
// and -INF. Texts are written with entities and with character references
// for every byte outside printable ASCII, so the element is plain ASCII and
// well-formed XML whatever the names hold; XML 1.0 has no form for the
// control characters other than TAB, CR and LF, which are written as "?".
//
// The reader is strict: an element outside its list, an index outside the
// size, a scale above 4, an identifier slot outside 1..150, a state above
// 255, a value that is not a number, a second size, a missing size, an
// unknown element or a missing end tag fail the whole read. Omitted items
// keep their defaults, but the size must be backed by the text: a table of
// C columns and R rows needs 16·(C + R + C·R) − 4096 bytes after the size
// element, which every element this writer produces has.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "zel_ascfile.h"
#include "zel_base.h"
#include "zel_datatable.h"
#include "zel_datatable_text.h"
#include "zel_format.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// Text a size element may announce without the text backing it: 256 table
// units (columns, rows, cells), at most about a megabyte of scale records.
constexpr std::int64_t kFreeXmlBytes = 4096;

// Whether S is well-formed UTF-8 (shortest forms, no surrogates).
bool IsUtf8(std::string_view S) {
  std::size_t i = 0;
  while (i < S.size()) {
    const auto B = static_cast<unsigned char>(S[i]);
    const std::size_t N = B < 0x80 ? 1 : (B >> 5) == 6 ? 2 : (B >> 4) == 14 ? 3 : (B >> 3) == 30 ? 4 : 0;
    if (N == 0 || i + N > S.size()) return false;
    std::uint32_t Code = N == 1 ? B : B & (0x7Fu >> N);
    for (std::size_t k = 1; k < N; ++k) {
      const auto C = static_cast<unsigned char>(S[i + k]);
      if ((C & 0xC0) != 0x80) return false;
      Code = (Code << 6) | (C & 0x3Fu);
    }
    static constexpr std::uint32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (Code < Least[N] || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return false;
    i += N;
  }
  return true;
}

bool HasHighBytes(std::string_view S) {
  return std::any_of(S.begin(), S.end(), [](char Ch) { return static_cast<unsigned char>(Ch) >= 0x80; });
}

// A decoded text in the code page. The scanner turns character references
// into code-page bytes but passes raw bytes on: in a text with raw bytes
// above 127 (UTF-8 unless it says otherwise) a text that is valid UTF-8 is
// converted; one that is not came from references and is kept.
std::string CodePageText(const std::string& S, bool RawHighBytes) {
  if (!RawHighBytes || !HasHighBytes(S) || !IsUtf8(S)) return S;
  return UTF8ToCP1252(S);
}

std::string_view TrimXml(std::string_view S) {
  auto Space = [](char Ch) { return Ch == ' ' || Ch == '\t' || Ch == '\r' || Ch == '\n'; };
  while (!S.empty() && Space(S.front())) S.remove_prefix(1);
  while (!S.empty() && Space(S.back())) S.remove_suffix(1);
  return S;
}

// Produces the element text in pieces of moderate size.
template <class Put>
void EmitTableXml(const TDataTable& T, bool CreateHeader, const std::string& DataID, Put&& Out) {
  if (!T.MatrixInStep()) throw EZELDataTableError("The table and its data matrix differ in size");
  const int NC = T.NrOfColumns(), NR = T.NrOfRows();
  std::string X;
  auto Flush = [&] {
    if (X.size() >= 65536) {
      Out(X);
      X.clear();
    }
  };
  auto Item = [&](const char* Tag, int Ix, const std::string& Text) {
    X += "    <";
    X += Tag;
    X += " ix=\"" + std::to_string(Ix) + "\">" + Text + "</" + Tag + ">\r\n";
    Flush();
  };
  if (CreateHeader) X += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  X += "<datatable dataid=\"" + XmlEscapeAscii(DataID) + "\">\r\n";
  X += "  <comment>" + XmlEscapeAscii(T.Comment()) + "</comment>\r\n";
  X += "  <size ncols=\"" + std::to_string(NC) + "\" nrows=\"" + std::to_string(NR) + "\"/>\r\n";
  X += "  <colnames>\r\n";
  for (int c = 1; c <= NC; ++c) Item("col", c, XmlEscapeAscii(T.GetColName(c)));
  X += "  </colnames>\r\n  <colattrib>\r\n";
  for (int c = 1; c <= NC; ++c) Item("col", c, std::to_string(T.GetColAttrib(c)));
  X += "  </colattrib>\r\n  <rownames>\r\n";
  for (int r = 1; r <= NR; ++r) Item("row", r, XmlEscapeAscii(T.GetRowName(r)));
  X += "  </rownames>\r\n  <rowattrib>\r\n";
  for (int r = 1; r <= NR; ++r) Item("row", r, std::to_string(T.GetRowAttrib(r)));
  X += "  </rowattrib>\r\n";
  for (int c = 1; c <= NC; ++c) {
    const TVTypeSpecs* VT = T.VTypeSpecs(c);
    X += "  <vardef ix=\"" + std::to_string(c) + "\" scale=\"" + std::to_string(static_cast<int>(VT->MScaleType)) +
         "\"";
    // The record itself: a column that is not nominal may keep identifiers.
    bool Open = false;
    for (int k = 1; k <= kMaxNominalIDs; ++k) {
      const std::string& ID = VT->IDs[static_cast<std::size_t>(k - 1)];
      if (ID.empty()) continue;
      if (!Open) X += ">\r\n";
      Open = true;
      Item("idf", k, XmlEscapeAscii(ID));
    }
    X += Open ? "  </vardef>\r\n" : "/>\r\n";
  }
  X += "  <datacells>\r\n";
  const TMatrix& M = *T.NumericData();
  for (int c = 1; c <= NC; ++c) {
    const double* V = M.ColumnData(c);
    const std::string Ix = "    <cell ix=\"" + std::to_string(c) + "\" iy=\"";
    for (int r = 1; r <= NR; ++r) {
      X += Ix;
      X += std::to_string(r);
      if (const Byte S = T.GetCellState(c, r); S != 0) X += "\" st=\"" + std::to_string(S);
      X += "\">";
      X += FloatToStrShortest(V[r - 1]);
      X += "</cell>\r\n";
      Flush();
    }
  }
  X += "  </datacells>\r\n</datatable>\r\n";
  Out(X);
}

// Finds the datatable element selected by DataID (empty: the first) and
// feeds its elements to T.ProcessXmlTag up to its end. NextTag(Attributes,
// Content, Name, Index) is one of the base package's tag scanners; Index
// receives the 1-based position where the scan for the tag started.
template <class Next>
bool ReadTableElement(TDataTable& T, const std::string& DataID, Next&& NextTag, std::string& Why) {
  std::string Attr, Content, Name;
  std::int64_t Index = 0;
  for (;;) {
    const int Ix = NextTag(Attr, Content, Name, Index);
    if (Ix == tagEndOfText) {
      Why = DataID.empty() ? "no datatable element" : "no datatable element with dataid \"" + DataID + "\"";
      return false;
    }
    if (Ix != static_cast<int>(xmlDataTableId)) continue;
    std::string Id;
    // Our files are ASCII with character references, which the scanner
    // decodes to the code page; other writers' are mostly UTF-8.
    if (DataID.empty() || (XmlAttributeValue(Attr, "dataid", Id) && (Id == DataID || UTF8ToCP1252(Id) == DataID)))
      break;
  }
  T.ProcessXmlTag(xmlDataTableId, Name, Attr, Content, Index);
  for (;;) {
    const int Ix = NextTag(Attr, Content, Name, Index);
    if (Ix == tagEndOfText) {
      Why = "the datatable element ends without </datatable>";
      return false;
    }
    // The scanner consumes an element's own closing tag with it; those of
    // the lists ("</colnames>") come on their own.
    if (Ix == tagNotInList && !Name.empty() && Name[0] == '/') continue;
    T.ProcessXmlTag(Ix < 0 ? xmlDTInvalid : static_cast<TDTxmlTags>(Ix), Name, Attr, Content, Index);
    if (T.XmlState.Failed) {
      Why = T.LastIOError();
      return false;
    }
    if (T.XmlState.Done) return true;
  }
}

// ReadTableElement with the failures of the text source (a file not open
// for reading, a read error, memory) as a reason instead of an exception.
template <class Next>
bool ReadGuarded(TDataTable& T, const std::string& DataID, Next&& NextTag, std::string& Why) {
  try {
    return ReadTableElement(T, DataID, NextTag, Why);
  } catch (const Exception& E) {
    Why = E.Message();
  } catch (const std::bad_alloc&) {
    Why = "not enough memory";
  }
  return false;
}

// Whether the attribute Name is present (as a whole name, not inside another).
bool HasAttribute(const std::string& Attributes, const char* Name) {
  std::string V;
  return XmlAttributeValue(Attributes, Name, V);
}

bool AttributeInt(const std::string& Attributes, const char* Name, std::int64_t Lo, std::int64_t Hi,
                  std::int64_t& X) {
  std::string V;
  return XmlAttributeValue(Attributes, Name, V) && TryStrToInt64(StripLTBlanks(V), X) && X >= Lo && X <= Hi;
}

}  // namespace

const TStrArray& DTxmlTagNames() {
  static const TStrArray Names = {"datatable", "/datatable", "comment", "size",   "colnames", "rownames", "colattrib",
                                  "rowattrib", "col",        "row",     "datacells", "cell",  "vardef",   "idf",
                                  "invalid"};
  return Names;
}

void TDataTable::ProcessXmlTag(TDTxmlTags Tag, const std::string& TagText, const std::string& Attributes,
                               const std::string& Content, std::int64_t Index) {
  SyncShapeWithMatrix();  // cells are written straight into the matrix
  TDTXmlReadState& St = XmlState;
  if (St.Failed || St.Done) return;
  auto Fail = [&](const std::string& Why) {
    St.Failed = true;
    IOFail(-1, "<" + TagText + "> at byte " + std::to_string(Index) + ": " + Why);
  };
  const std::int64_t NC = FNrOfCols, NR = FNrOfRows;
  std::int64_t Ix = 0, Iy = 0;
  auto NeedSize = [&] {
    if (!St.SizeSeen) Fail("comes before <size>");
    return St.SizeSeen;
  };
  switch (Tag) {
    case xmlDataTableId:
      if (St.SizeSeen || St.Group != xmlDTInvalid) Fail("a datatable inside a datatable");
      return;
    case xmlDataTableEndId:
      if (NeedSize()) {
        St.Done = true;
        FNumericData->Changed();
      }
      return;
    case xmlComment:
      SetComment(CodePageText(Content, St.RawHighBytes));
      return;
    case xmlSize: {
      if (St.SizeSeen) return Fail("a second size");
      if (!AttributeInt(Attributes, "ncols", 0, INT32_MAX, Ix) || !AttributeInt(Attributes, "nrows", 0, INT32_MAX, Iy))
        return Fail("ncols and nrows must be counts");
      // Every column, row and cell of a written element takes more than 16
      // bytes, so a size the text cannot back is refused before allocating;
      // small tables may omit what they like.
      const std::int64_t Units = Ix + Iy + Ix * Iy;
      if (Units > std::numeric_limits<std::int64_t>::max() / 16 ||
          (St.TextHolds && !St.TextHolds(16 * Units - kFreeXmlBytes)))
        return Fail("the size is larger than the text can describe");
      try {
        Resize(static_cast<int>(Ix), static_cast<int>(Iy));
      } catch (const EZELError&) {  // the table's or its matrix's memory failure
        return Fail("not enough memory for the table");
      } catch (const std::bad_alloc&) {
        return Fail("not enough memory for the table");
      }
      St.SizeSeen = true;
      return;
    }
    case xmlColNames:
    case xmlRowNames:
    case xmlColAttrib:
    case xmlRowAttrib:
    case xmlDataCells:
      if (NeedSize()) St.Group = Tag;
      return;
    case xmlColId:
    case xmlRowId: {
      if (!NeedSize()) return;
      const bool IsCol = Tag == xmlColId;
      if (!AttributeInt(Attributes, "ix", 1, IsCol ? NC : NR, Ix)) return Fail("ix outside the size");
      const int I = static_cast<int>(Ix);
      if (St.Group == (IsCol ? xmlColNames : xmlRowNames)) {
        if (IsCol)
          SetColName(I, CodePageText(Content, St.RawHighBytes));
        else
          SetRowName(I, CodePageText(Content, St.RawHighBytes));
      } else if (St.Group == (IsCol ? xmlColAttrib : xmlRowAttrib)) {
        int A = 0;
        if (!TryStrToInt(TrimXml(Content), A)) return Fail("the attribute is not an integer");
        if (IsCol)
          SetColAttrib(I, A);
        else
          SetRowAttrib(I, A);
      } else {
        Fail("outside its list");
      }
      return;
    }
    case xmlVarType:
      if (!NeedSize()) return;
      if (!AttributeInt(Attributes, "ix", 1, NC, Ix)) return Fail("ix outside the size");
      if (!AttributeInt(Attributes, "scale", 0, 4, Iy)) return Fail("scale must be 0..4");
      SetMScaleType(static_cast<int>(Ix), static_cast<TMScaleType>(Iy));
      St.Group = xmlVarType;
      St.VarCol = static_cast<int>(Ix);
      return;
    case xmlVarIdentifier:
      if (St.Group != xmlVarType) return Fail("outside a vardef");
      if (!AttributeInt(Attributes, "ix", 1, kMaxNominalIDs, Ix)) return Fail("the slot must be 1..150");
      DTStoreNominalID(*this, St.VarCol, static_cast<int>(Ix), CodePageText(Content, St.RawHighBytes));
      return;
    case xmlCellID: {
      if (!NeedSize()) return;
      std::int64_t State = 0;
      if (!AttributeInt(Attributes, "ix", 1, NC, Ix) || !AttributeInt(Attributes, "iy", 1, NR, Iy))
        return Fail("the cell lies outside the size");
      if (HasAttribute(Attributes, "st") && !AttributeInt(Attributes, "st", 0, 255, State))
        return Fail("the state must be 0..255");
      double X = 0;
      if (!NumberWord(TrimXml(Content), X)) return Fail("the value is not a number");
      FNumericData->ColumnData(static_cast<int>(Ix))[Iy - 1] = X;
      SetCellState(static_cast<int>(Ix), static_cast<int>(Iy), static_cast<Byte>(State));
      return;
    }
    case xmlDTInvalid:
      break;
  }
  Fail("not an element of a datatable");
}

// ---- writers -------------------------------------------------------------------------------

void TDataTable::WriteToXMLStream(TStream& OutStream, bool CreateHeader, int, const std::string& DataID) const {
  try {
    EmitTableXml(*this, CreateHeader, DataID,
                 [&](const std::string& T) { OutStream.WriteBuffer(T.data(), static_cast<std::int64_t>(T.size())); });
  } catch (const EStreamError& E) {
    throw EInOutError("Cannot write the XML element of \"" + Name() + "\": " + E.Message());
  }
}

void TDataTable::WriteToOpenXMLFile(TTextFile& OutFile, bool CreateHeader, int, const std::string& DataID) const {
  EmitTableXml(*this, CreateHeader, DataID, [&](const std::string& T) { OutFile.Write(T); });
  if (!OutFile.WriteOK()) throw EInOutError("Cannot write the XML element to \"" + OutFile.FileName() + "\"");
}

void TDataTable::SaveAsXMLFile(const std::string& FName, int Precision, const std::string& DataID) const {
  TTextFile F;
  try {
    F.Rewrite(FName);
    WriteToOpenXMLFile(F, true, Precision, DataID);
    F.Close();
  } catch (...) {
    F.Discard();
    throw;
  }
}

// ---- readers -------------------------------------------------------------------------------

bool TDataTable::XmlTakeOver(TDataTable& T, bool Ok, const std::string& Why) {
  if (!Ok) {
    IOFail(-1, Why);
    return false;
  }
  CopyContentsFrom(&T);
  IOFail(0, std::string());
  return true;
}

bool TDataTable::ReadFromXMLString(const std::string& InString, int& StartAt, const std::string& DataID) {
  if (StartAt < 1 || static_cast<std::size_t>(StartAt) > InString.size()) {
    IOFail(-1, "StartAt " + std::to_string(StartAt) + " lies outside the text");
    return false;
  }
  std::size_t Pos = static_cast<std::size_t>(StartAt - 1);
  TDataTable T;
  T.XmlState.TextHolds = [&](std::int64_t Bytes) {
    return Bytes <= static_cast<std::int64_t>(InString.size() - Pos);
  };
  T.XmlState.RawHighBytes = HasHighBytes(std::string_view(InString).substr(Pos));
  std::string Why;
  const bool Ok = ReadGuarded(
      T, DataID,
      [&](std::string& A, std::string& C, std::string& N, std::int64_t& Ix) {
        Ix = static_cast<std::int64_t>(Pos) + 1;
        return ReadNextTagInString(InString, Pos, DTxmlTagNames(), A, C, &N);
      },
      Why);
  if (Ok) StartAt = static_cast<int>(std::min<std::size_t>(Pos + 1, INT32_MAX));
  return XmlTakeOver(T, Ok, Why);
}

bool TDataTable::ReadFromOpenXMLFile(TTextFile& InFile, const std::string& DataID) {
  TDataTable T;
  T.XmlState.TextHolds = [&](std::int64_t Bytes) {
    char Ch;
    return Bytes <= 0 || InFile.PeekCharAt(static_cast<std::size_t>(Bytes - 1), Ch);
  };
  std::string Why;
  bool Scanned = false;
  const bool Ok = ReadGuarded(
      T, DataID,
      [&](std::string& A, std::string& C, std::string& N, std::int64_t& Ix) {
        if (!Scanned) {
          // Looks through the rest of the file once (the text file buffers it).
          Scanned = true;
          char Ch;
          for (std::size_t i = 0; !T.XmlState.RawHighBytes && InFile.PeekCharAt(i, Ch); ++i)
            T.XmlState.RawHighBytes = static_cast<unsigned char>(Ch) >= 0x80;
        }
        Ix = static_cast<std::int64_t>(InFile.Position()) + 1;
        return ReadNextTagInTextFile(InFile, DTxmlTagNames(), A, C, &N);
      },
      Why);
  return XmlTakeOver(T, Ok, Why);
}

bool TDataTable::LoadFromXMLFile(const std::string& FName, const std::string& DataID) {
  TTextFile F;
  try {
    F.Reset(FName);
  } catch (const Exception& E) {
    IOFail(-1, E.Message());
    return false;
  }
  return ReadFromOpenXMLFile(F, DataID);
}

bool TDataTable::ReadFromXMLStream(TStream& InStream, const std::string& DataID) {
  std::string Text;
  std::int64_t Start = 0;
  try {
    Start = InStream.Position();
    const std::int64_t Avail = InStream.Size() - Start;
    Text.assign(static_cast<std::size_t>(std::max<std::int64_t>(Avail, 0)), '\0');
    Text.resize(static_cast<std::size_t>(std::max<std::int64_t>(InStream.Read(Text.data(), Avail), 0)));
  } catch (const Exception& E) {
    IOFail(-1, E.Message());
    return false;
  } catch (const std::bad_alloc&) {
    IOFail(-1, "not enough memory");
    return false;
  }
  if (Text.size() > INT32_MAX) {
    IOFail(-1, "the stream is too long");
    return false;
  }
  int StartAt = 1;
  const bool Ok = !Text.empty() && ReadFromXMLString(Text, StartAt, DataID);
  if (Text.empty()) IOFail(-1, "the stream is empty");
  // Leave the stream after what was read, so that a caller can read on.
  InStream.SetPosition(Ok ? Start + StartAt - 1 : Start);
  return Ok;
}

}  // namespace zel
