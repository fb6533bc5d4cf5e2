// TStringList: an ordered list of strings with optional sorting and
// name=value access, loaded from and saved to text files.
#pragma once

#include <string>
#include <vector>

#include "zel_classes.h"
#include "zel_types.h"

namespace zel {

class TStream;

class TStringList : public TPersistent {
 public:
  std::string ClassName() const override { return "TStringList"; }

  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  /// The Index-th string (0-based); EListError "List index out of bounds (i)"
  /// when out of range.
  const std::string& Strings(int Index) const;
  void SetStrings(int Index, const std::string& S);

  /// Appends S (or inserts it in order when Sorted); returns its index.
  /// With Sorted and Duplicates = false an existing equal string is not
  /// added again and its index is returned.
  int Add(const std::string& S);
  void Insert(int Index, const std::string& S);
  void Delete(int Index);
  void Clear();
  void Exchange(int Index1, int Index2);
  /// Index of S (exact, or ignoring ASCII case when CaseSensitive is false),
  /// or -1.
  int IndexOf(const std::string& S) const;
  /// Sorts ascending by byte value (or ignoring ASCII case).
  void Sort();

  bool Sorted() const noexcept { return FSorted; }
  void SetSorted(bool Value);
  bool CaseSensitive() const noexcept { return FCaseSensitive; }
  /// A sorted list is sorted again under the new comparison.
  void SetCaseSensitive(bool Value);
  /// Whether a sorted list accepts equal strings.
  bool Duplicates() const noexcept { return FDuplicates; }
  void SetDuplicates(bool Value) { FDuplicates = Value; }

  /// "name=value" access: the value of the first line whose name is Name.
  std::string Values(const std::string& Name) const;
  void SetValues(const std::string& Name, const std::string& Value);
  /// Name part of the Index-th line (text before the first "=").
  std::string Names(int Index) const;

  /// All lines joined by CR LF (each line followed by one).
  std::string Text() const;
  /// Replaces the lines by the lines of Value (CR LF, LF or CR ends a line).
  void SetText(const std::string& Value);
  /// Comma-separated text; strings with blanks, commas or quotes are quoted.
  std::string CommaText() const;

  /// Replaces the lines by those of a text file; raises EFOpenError.
  void LoadFromFile(const std::string& FileName);
  /// Writes the lines with CR LF; replaces the file only when complete.
  void SaveToFile(const std::string& FileName) const;
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream) const;

  void Assign(const TPersistent* Source) override;

  const std::vector<std::string>& Items() const noexcept { return FItems; }

  /// Fires after every change of the list.
  TNotifyEvent OnChange;

 private:
  int Compare(const std::string& A, const std::string& B) const;
  bool FindSorted(const std::string& S, int& Index) const;
  void Changed();

  std::vector<std::string> FItems;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FDuplicates = true;
};

}  // namespace zel
