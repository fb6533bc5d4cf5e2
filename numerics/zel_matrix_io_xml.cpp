// The XML element of TMatrix.
//
// Written form (lines end with CR LF; the declaration only with CreateHeader):
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <matrix dataid="...">
//     <numcols>3</numcols>
//     <numrows>2</numrows>
//     <cell ix="1" iy="1">0.5</cell>
//     ...
//   </matrix>
//
// Every cell is written, column by column, with the shortest text that reads
// back as the same double; NaN and infinities are written as NAN, INF and
// -INF, which the reader maps back. The data identifier is an attribute, so
// a file may hold several elements (inside a root of the caller's choice)
// and a reader picks one by it. Bytes outside printable ASCII are written as
// character references, so the file is plain ASCII whatever the identifier.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "zel_ascfile.h"
#include "zel_base.h"
#include "zel_format.h"
#include "zel_math1_text.h"
#include "zel_matrix.h"
#include "zel_strutils.h"

namespace zel {

namespace {

// The cells of an element may be omitted (they are 0), so the announced
// shape is bounded by MaxCellsForInput; when the size of the input is not
// known (a text held in memory) by this many cells (32 MB).
constexpr std::int64_t kUnknownSizeCellBound = std::int64_t(1) << 22;

bool IsXmlSpace(char Ch) { return Ch == ' ' || Ch == '\t' || Ch == '\r' || Ch == '\n'; }

std::string_view TrimXml(std::string_view S) {
  while (!S.empty() && IsXmlSpace(S.front())) S.remove_prefix(1);
  while (!S.empty() && IsXmlSpace(S.back())) S.remove_suffix(1);
  return S;
}

// A dimension: the integer at the start of the content (line breaks before
// it are allowed as well as blanks). ScanDecimal wraps modulo 2^32, which
// would turn 4294967299 into 3; a count beyond the int range is -1 instead,
// which no reader accepts.
int XmlDimValue(std::string_view Content) {
  const std::string_view T = TrimXml(Content);
  if (T.empty()) return 0;
  int Pos = 1;
  const int Value = ScanDecimal(T, Pos);
  std::size_t End = static_cast<std::size_t>(Pos - 1), Start = End;
  while (Start > 0 && T[Start - 1] >= '0' && T[Start - 1] <= '9') --Start;
  int Check = 0;
  if (End > Start && std::from_chars(T.data() + Start, T.data() + End, Check).ec != std::errc()) return -1;
  return Value;
}

// Index attribute: read from just after the first occurrence of Name="
// by the integer rule. False when the attribute text lacks it: reading
// from an arbitrary place instead would store the value in a wrong cell.
bool XmlIndex(const std::string& Attributes, const std::string& Name, int& Index) {
  const std::size_t At = Attributes.find(Name + "=\"");
  if (At == std::string::npos) return false;
  int Pos = static_cast<int>(At + Name.size() + 3);
  Index = ScanDecimal(Attributes, Pos);
  return true;
}

// Produces the element text in pieces of moderate size.
template <class Put>
void EmitMatrixXml(const TMatrix& M, bool CreateHeader, const std::string& DataID, Put&& Out) {
  std::string T;
  if (CreateHeader) T += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  T += "<matrix dataid=\"" + XmlEscapeAscii(DataID) + "\">\r\n";
  T += "  <numcols>" + std::to_string(M.NrOfColumns()) + "</numcols>\r\n";
  T += "  <numrows>" + std::to_string(M.NrOfRows()) + "</numrows>\r\n";
  for (int c = 1; c <= M.NrOfColumns(); ++c) {
    const double* Col = M.ColumnData(c);
    const std::string Ix = "  <cell ix=\"" + std::to_string(c) + "\" iy=\"";
    for (int r = 1; r <= M.NrOfRows(); ++r) {
      T += Ix;
      T += std::to_string(r);
      T += "\">";
      T += FloatToStrShortest(Col[r - 1]);
      T += "</cell>\r\n";
      if (T.size() >= 65536) {
        Out(T);
        T.clear();
      }
    }
  }
  T += "</matrix>\r\n";
  Out(T);
}

// Finds the matrix element selected by DataID (empty: the first) and feeds
// its tags to ProcessXmlTag up to its end. NextTag(Attributes, Content,
// Name) is one of the base package's tag scanners. Matrix elements do not
// nest, so while searching every tag but a "matrix" is passed over, the
// cells of elements with another identifier included.
template <class Next>
bool ReadMatrixElement(TMatrix& M, const std::string& DataID, std::int64_t MaxCells, Next&& NextTag) {
  std::string Attr, Content, Name;
  for (;;) {
    const int Ix = NextTag(Attr, Content, Name);
    if (Ix == tagEndOfText) return false;
    if (Ix != static_cast<int>(xmlMatBegin)) continue;
    std::string Id;
    // Files of other writers are mostly UTF-8; ours are ASCII with
    // character references, which the scanner decodes to the code page.
    if (DataID.empty() || (XmlAttributeValue(Attr, "dataid", Id) && (Id == DataID || UTF8ToCP1252(Id) == DataID)))
      break;
  }
  M.FirstCell = true;
  M.ProcessXmlTag(xmlMatBegin, Attr, Content);
  // The announced dimensions, tracked here as ProcessXmlTag records them,
  // to bound the allocation at the first cell by the size of the input.
  std::int64_t NC = M.NrOfColumns(), NR = M.NrOfRows();
  for (;;) {
    const int Ix = NextTag(Attr, Content, Name);
    if (Ix == tagEndOfText) return false;  // truncated: the element never ends
    // The scanner consumes an element's own closing tag with it; one left
    // over ("</numcols>" after text it could not pair) is not an error.
    if (Ix == tagNotInList && !Name.empty() && Name[0] == '/') continue;
    const TMatXmlTag Tag = Ix < 0 ? xmlInvalid : static_cast<TMatXmlTag>(Ix);
    if (Tag == xmlMatNumCols) NC = XmlDimValue(Content);
    if (Tag == xmlMatNumRows) NR = XmlDimValue(Content);
    if (Tag == xmlMatBegin) NC = M.NrOfColumns(), NR = M.NrOfRows();
    if (Tag == xmlMatCell && M.FirstCell && !StorageWithin(NC, NR, MaxCells)) return false;
    const int Rc = M.ProcessXmlTag(Tag, Attr, Content);
    if (Rc != 0) return Rc == 1;
  }
}

}  // namespace

const TStrArray& MatXmlTagNames() {
  static const TStrArray Names = {"numcols", "numrows", "numplanes", "numtimeslots",
                                  "cell",    "matrix",  "/matrix",   "invalidtag"};
  return Names;
}

int TMatrix::ProcessXmlTag(TMatXmlTag Tag, const std::string& Attributes, const std::string& Content) {
  switch (Tag) {
    case xmlMatNumCols:
      FXmlNCol = XmlDimValue(Content);
      return 0;
    case xmlMatNumRows:
      FXmlNRow = XmlDimValue(Content);
      return 0;
    case xmlMatNumLayers:
    case xmlMatNumTimeSlots:
      return 0;  // a matrix has neither
    case xmlMatCell: {
      int Col = 0, Row = 0;
      if (!XmlIndex(Attributes, "ix", Col) || !XmlIndex(Attributes, "iy", Row)) return -1;
      if (FirstCell) {
        if (FXmlNCol < 0 || FXmlNRow < 0) return -1;
        try {
          Resize(FXmlNCol, FXmlNRow);
        } catch (const EZELMatrixError&) {
          return -1;
        }
        // Resize keeps the elements of an equal shape: the element starts
        // from zeros all the same, so omitted cells never show old values.
        std::fill(FMat.begin(), FMat.end(), 0.0);
        FirstCell = false;
      }
      const std::string_view Text = TrimXml(Content);
      double X = 0;
      if (!NonFiniteWord(Text, X)) {
        int Pos = 1;
        X = ScanFPNum(Text, true, dsPoint, Pos);
      }
      SetVal(Col, Row, X);
      return 0;
    }
    case xmlMatBegin:
      // A new element starts from the present shape until it announces one.
      FXmlNCol = FNCol;
      FXmlNRow = FNRow;
      return 0;
    case xmlMatEnd:
      return 1;
    case xmlInvalid:
      break;
  }
  return -1;
}

void TMatrix::WriteToXMLStream(TStream& OutStream, bool CreateHeader, const std::string& DataID) const {
  try {
    EmitMatrixXml(*this, CreateHeader, DataID,
                  [&](const std::string& T) { OutStream.WriteBuffer(T.data(), static_cast<std::int64_t>(T.size())); });
  } catch (const EStreamError& E) {
    throw EInOutError("Cannot write the XML element of \"" + Name() + "\": " + E.Message());
  }
}

void TMatrix::WriteToOpenXMLFile(TTextFile& OutFile, bool CreateHeader, const std::string& DataID) const {
  EmitMatrixXml(*this, CreateHeader, DataID, [&](const std::string& T) { OutFile.Write(T); });
  if (!OutFile.WriteOK()) throw EInOutError("Cannot write the XML element to \"" + OutFile.FileName() + "\"");
}

void TMatrix::SaveAsXMLFile(const std::string& FName, const std::string& DataID) const {
  TTextFile F;
  try {
    F.Rewrite(FName);
    WriteToOpenXMLFile(F, true, DataID);
    F.Close();
  } catch (...) {
    F.Discard();
    throw;
  }
}

bool TMatrix::ReadFromXMLStream(TStream& InStream, const std::string& DataID) {
  try {
    const std::int64_t Start = InStream.Position();
    const std::int64_t Avail = InStream.Size() - Start;
    if (Avail <= 0) return false;
    std::string Text(static_cast<std::size_t>(Avail), '\0');
    Text.resize(static_cast<std::size_t>(std::max<std::int64_t>(InStream.Read(Text.data(), Avail), 0)));
    std::size_t Pos = 0;
    const bool Ok =
        ReadMatrixElement(*this, DataID, MaxCellsForInput(Avail), [&](std::string& A, std::string& C, std::string& N) {
          return ReadNextTagInString(Text, Pos, MatXmlTagNames(), A, C, &N);
        });
    // Leave the stream after what was read, so that a caller can read the
    // next element from there.
    InStream.SetPosition(Start + static_cast<std::int64_t>(Pos));
    return Ok;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const EStreamError&) {
    return false;
  }
}

bool TMatrix::ReadFromOpenXMLFile(TTextFile& InFile, const std::string& DataID) {
  std::int64_t MaxCells = kUnknownSizeCellBound;
  if (!InFile.FileName().empty()) {
    std::error_code Ec;
    const auto Bytes = std::filesystem::file_size(InFile.FileName(), Ec);
    if (!Ec) MaxCells = MaxCellsForInput(static_cast<std::int64_t>(Bytes));
  }
  try {
    return ReadMatrixElement(*this, DataID, MaxCells, [&](std::string& A, std::string& C, std::string& N) {
      return ReadNextTagInTextFile(InFile, MatXmlTagNames(), A, C, &N);
    });
  } catch (const Exception&) {
    return false;  // a file not open for reading, or a read error
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool TMatrix::LoadFromXMLFile(const std::string& FName, const std::string& DataID) {
  TTextFile F;
  try {
    F.Reset(FName);
  } catch (const Exception&) {
    return false;
  }
  return ReadFromOpenXMLFile(F, DataID);
}

}  // namespace zel
