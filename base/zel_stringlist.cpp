// TStringList.
#include "zel_stringlist.h"

#include <algorithm>

#include "zel_streams.h"
#include "zel_strutils.h"

namespace zel {

namespace {

[[noreturn]] void RaiseIndex(long long Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}
[[noreturn]] void RaiseSorted() { throw EListError("Operation not allowed on sorted list"); }

bool NeedsQuotes(const std::string& S) {
  return std::any_of(S.begin(), S.end(), [](char C) {
           return static_cast<unsigned char>(C) <= ' ' || C == ',' || C == '"';
         });
}

// Orders Items as adding them one by one to a sorted list would: equal
// strings in their original order, or only the first of them.
template <class Cmp>
void SortAsAdded(std::vector<std::string>& Items, Cmp Compare, bool Duplicates) {
  std::stable_sort(Items.begin(), Items.end(),
                   [&](const std::string& A, const std::string& B) { return Compare(A, B) < 0; });
  if (!Duplicates)
    Items.erase(std::unique(Items.begin(), Items.end(),
                            [&](const std::string& A, const std::string& B) { return Compare(A, B) == 0; }),
                Items.end());
}

}  // namespace

int TStringList::Compare(const std::string& A, const std::string& B) const {
  return FCaseSensitive ? A.compare(B) : CompareText(A, B);
}

bool TStringList::FindSorted(const std::string& S, int& Index) const {
  // First position whose string is not less than S.
  const auto It = std::lower_bound(FItems.begin(), FItems.end(), S,
                                   [this](const std::string& A, const std::string& B) { return Compare(A, B) < 0; });
  Index = static_cast<int>(It - FItems.begin());
  return It != FItems.end() && Compare(*It, S) == 0;
}

void TStringList::Changed() {
  if (OnChange) OnChange(this);
}

const std::string& TStringList::Strings(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseIndex(Index);
  return FItems[static_cast<std::size_t>(Index)];
}

void TStringList::SetStrings(int Index, const std::string& S) {
  if (FSorted) RaiseSorted();
  if (Index < 0 || Index >= Count()) RaiseIndex(Index);
  FItems[static_cast<std::size_t>(Index)] = S;
  Changed();
}

int TStringList::Add(const std::string& S) {
  int Index = Count();
  if (FSorted) {
    if (FindSorted(S, Index)) {
      if (!FDuplicates) return Index;
      // Equal strings keep the order in which they were added.
      while (Index < Count() && Compare(FItems[static_cast<std::size_t>(Index)], S) == 0) ++Index;
    }
  }
  FItems.insert(FItems.begin() + Index, S);
  Changed();
  return Index;
}

void TStringList::Insert(int Index, const std::string& S) {
  if (FSorted) RaiseSorted();
  if (Index < 0 || Index > Count()) RaiseIndex(Index);
  FItems.insert(FItems.begin() + Index, S);
  Changed();
}

void TStringList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) RaiseIndex(Index);
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= Count()) RaiseIndex(Index1);
  if (Index2 < 0 || Index2 >= Count()) RaiseIndex(Index2);
  std::swap(FItems[static_cast<std::size_t>(Index1)], FItems[static_cast<std::size_t>(Index2)]);
  Changed();
}

int TStringList::IndexOf(const std::string& S) const {
  if (FSorted) {
    int Index = 0;
    return FindSorted(S, Index) ? Index : -1;
  }
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (Compare(FItems[i], S) == 0) return static_cast<int>(i);
  return -1;
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const std::string& A, const std::string& B) { return Compare(A, B) < 0; });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  FSorted = Value;
  if (FSorted) Sort();
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  if (FSorted) Sort();
}

std::string TStringList::Names(int Index) const {
  const std::string& S = Strings(Index);
  const std::size_t Eq = S.find('=');
  return Eq == std::string::npos ? std::string() : S.substr(0, Eq);
}

namespace {
// Index of the first line "Name=..." under the list's comparison, or -1.
template <class Cmp>
int IndexOfName(const std::vector<std::string>& Items, const std::string& Name, Cmp Compare) {
  for (std::size_t i = 0; i < Items.size(); ++i) {
    const std::size_t Eq = Items[i].find('=');
    if (Eq != std::string::npos && Compare(Items[i].substr(0, Eq), Name) == 0) return static_cast<int>(i);
  }
  return -1;
}
}  // namespace

std::string TStringList::Values(const std::string& Name) const {
  const int i = IndexOfName(FItems, Name, [this](const std::string& A, const std::string& B) { return Compare(A, B); });
  if (i < 0) return {};
  const std::string& S = FItems[static_cast<std::size_t>(i)];
  return S.substr(S.find('=') + 1);
}

void TStringList::SetValues(const std::string& Name, const std::string& Value) {
  const int i = IndexOfName(FItems, Name, [this](const std::string& A, const std::string& B) { return Compare(A, B); });
  // As in the framework, an empty value removes the line.
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) {
    Add(Name + "=" + Value);
  } else if (FSorted) {
    // The line's position may change with its text.
    FItems.erase(FItems.begin() + i);
    const int Before = Count();
    Add(Name + "=" + Value);
    if (Count() == Before) Changed();  // an equal line existed: only the removal shows
  } else {
    SetStrings(i, Name + "=" + Value);
  }
}

std::string TStringList::Text() const {
  std::size_t Length = 0;
  for (const std::string& S : FItems) Length += S.size() + 2;
  std::string R;
  R.reserve(Length);
  for (const std::string& S : FItems) {
    R += S;
    R += "\r\n";
  }
  return R;
}

void TStringList::SetText(const std::string& Value) {
  std::vector<std::string> Lines;
  std::size_t i = 0;
  const std::size_t n = Value.size();
  while (i < n) {
    const std::size_t Start = i;
    while (i < n && Value[i] != '\r' && Value[i] != '\n') ++i;
    Lines.emplace_back(Value, Start, i - Start);
    if (i < n) {
      const char Ending = Value[i++];
      if (Ending == '\r' && i < n && Value[i] == '\n') ++i;
    }
  }
  FItems = std::move(Lines);
  if (FSorted) SortAsAdded(FItems, [this](const std::string& A, const std::string& B) { return Compare(A, B); }, FDuplicates);
  Changed();
}

std::string TStringList::CommaText() const {
  if (FItems.size() == 1 && FItems[0].empty()) return "\"\"";
  std::string R;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) R += ',';
    const std::string& S = FItems[i];
    if (S.empty() || !NeedsQuotes(S)) {
      R += S;
      continue;
    }
    R += '"';
    for (char C : S) {
      if (C == '"') R += '"';
      R += C;
    }
    R += '"';
  }
  return R;
}

void TStringList::LoadFromFile(const std::string& FileName) {
  TFileStream File(FileName, fmOpenRead);
  LoadFromStream(File);
}

void TStringList::SaveToFile(const std::string& FileName) const {
  TFileStream File(FileName, fmCreate);
  SaveToStream(File);
  File.Commit();
}

void TStringList::LoadFromStream(TStream& Stream) {
  // Reads up to the true end rather than trusting a size read in advance.
  std::string Bytes;
  std::string Chunk(64 * 1024, '\0');
  for (;;) {
    const std::int64_t n = Stream.Read(Chunk.data(), static_cast<std::int64_t>(Chunk.size()));
    if (n <= 0) break;
    Bytes.append(Chunk, 0, static_cast<std::size_t>(n));
  }
  SetText(Bytes);
}

void TStringList::SaveToStream(TStream& Stream) const {
  std::string Block;
  for (const std::string& S : FItems) {
    Block += S;
    Block += "\r\n";
    if (Block.size() >= 64 * 1024) {
      Stream.WriteBuffer(Block.data(), static_cast<std::int64_t>(Block.size()));
      Block.clear();
    }
  }
  Stream.WriteBuffer(Block.data(), static_cast<std::int64_t>(Block.size()));
}

void TStringList::Assign(const TPersistent* Source) {
  const auto* List = dynamic_cast<const TStringList*>(Source);
  if (List == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (List == this) return;
  // The same result as adding the strings one by one to this list.
  FItems = List->FItems;
  if (FSorted) SortAsAdded(FItems, [this](const std::string& A, const std::string& B) { return Compare(A, B); }, FDuplicates);
  Changed();
}

}  // namespace zel
