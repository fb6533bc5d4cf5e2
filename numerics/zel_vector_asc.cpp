// ASC files of the vector components: one data column.
#include <algorithm>
#include <span>
#include <string>

#include "zel_ascfile.h"
#include "zel_numeric.h"
#include "zel_strutils.h"
#include "zel_vector.h"

namespace zel {

namespace {

template <class V, class Format>
int ExportColumn(const V& Vec, const std::string& FName, const std::string& Comment, Format FormatElem) {
  return WriteAscFile(FName, AscCommentLine(Comment, Vec.ClassName(), FName), 1, Vec.NrOfElem(), TAscFlags{},
                      [&](TTextFile& F) {
                        for (const auto X : Vec.Data()) F.WriteLn(FormatElem(X));
                      });
}

// The import steps both vectors share; ToElem converts a value read from
// the file or reports that the element type cannot hold it.
template <class V, class Convert>
int ImportColumn(V& Vec, const std::string& FName, std::string& Comment, Convert ToElem) {
  if (!FileExists(FName)) return ascErrNoFile;
  TAscHeader H;
  if (const int Rc = ReadAscHeader(FName, H); Rc != 0) return Rc;
  // No column at all is no single column either.
  if (H.NCols != 1) return ascErrTooManyCols;
  // A vector always holds at least one element, so an empty file cannot be
  // represented; keeping the old contents and reporting success would hide it.
  if (H.NRows < 1) return ascErrNoRows;
  TAscReader R;
  if (!R.Open(FName, 4)) return ascErrNoFile;
  Comment = H.Comment;
  try {
    Vec.Resize(H.NRows);
  } catch (const EZELVectorError&) {
    return ascErrNoMemory;
  }
  TStrArray ColNames;
  int FailRow = 1;
  const int Rc = ReadAscBody(
      R, H, ColNames,
      [&](int Row, double, const std::string&, std::span<const double> Values) {
        typename V::ElemType X{};
        if (!ToElem(Values[0], X)) return static_cast<int>(ascErrBadValue);
        Vec.SetVal(Row, X);
        return 0;
      },
      FailRow);
  if (Rc != 0) Vec.Resize(FailRow);  // shrinking: the rows read before stay
  return Rc;
}

}  // namespace

int TVector::ExportAsASC(const std::string& FName, int Precision, const std::string& Comment) const {
  Precision = std::min(Precision, 25);
  return ExportColumn(*this, FName, Comment, [Precision](double X) { return strff(X, 12, Precision); });
}

int TVector::ImportASC(const std::string& FName, std::string& Comment) {
  return ImportColumn(*this, FName, Comment, [](double X, double& Elem) {
    Elem = X;
    return true;
  });
}

int TIntVector::ExportAsASC(const std::string& FName, const std::string& Comment) const {
  return ExportColumn(*this, FName, Comment, [](int X) { return std::to_string(X); });
}

int TIntVector::ImportASC(const std::string& FName, std::string& Comment) {
  return ImportColumn(*this, FName, Comment, [](double X, int& Elem) {
    if (!FitsInt32(X)) return false;
    Elem = RoundToInt(X);
    return true;
  });
}

}  // namespace zel
