// The XML tag scanner shared by the readers of the library's XML files, and
// the small XML text helpers.
//
// One scanner serves strings and text files: it reads through a character
// source that can look a few characters ahead without consuming them, so the
// decision whether the next tag closes the current element never consumes a
// tag that turns out to belong to the next call. Every character is looked at
// a bounded number of times, and nothing recurses, so hostile text costs
// linear time and no stack.
#include <cstdint>
#include <string>
#include <string_view>

#include "zel_base.h"
#include "zel_strutils.h"

namespace zel {

namespace {

bool IsXmlSpace(char Ch) noexcept { return Ch == ' ' || Ch == '\t' || Ch == '\r' || Ch == '\n'; }

class TStringSource {
 public:
  TStringSource(std::string_view Text, std::size_t Pos) : FText(Text), FPos(Pos < Text.size() ? Pos : Text.size()) {}
  bool PeekAt(std::size_t Offset, char& Ch) const noexcept {
    if (Offset >= FText.size() - FPos) return false;
    Ch = FText[FPos + Offset];
    return true;
  }
  bool Get(char& Ch) noexcept {
    if (FPos >= FText.size()) return false;
    Ch = FText[FPos++];
    return true;
  }
  void Skip(std::size_t N) noexcept { FPos += N < FText.size() - FPos ? N : FText.size() - FPos; }
  std::size_t Pos() const noexcept { return FPos; }

 private:
  std::string_view FText;
  std::size_t FPos;
};

class TTextFileSource {
 public:
  explicit TTextFileSource(TTextFile& F) : FFile(F) {}
  bool PeekAt(std::size_t Offset, char& Ch) { return FFile.PeekCharAt(Offset, Ch); }
  bool Get(char& Ch) { return FFile.ReadChar(Ch); }
  void Skip(std::size_t N) {
    char Ch;
    while (N-- > 0 && FFile.ReadChar(Ch)) {
    }
  }

 private:
  TTextFile& FFile;
};

template <class Src>
bool LookingAt(Src& S, std::string_view Lit) {
  char Ch;
  for (std::size_t I = 0; I < Lit.size(); ++I)
    if (!S.PeekAt(I, Ch) || Ch != Lit[I]) return false;
  return true;
}

// Consumes up to and including Term (at most three characters); false when
// the text ends first (everything is then consumed).
template <class Src>
bool SkipPast(Src& S, std::string_view Term) {
  char Last[3] = {0, 0, 0};
  std::size_t Seen = 0;
  char Ch;
  while (S.Get(Ch)) {
    Last[0] = Last[1];
    Last[1] = Last[2];
    Last[2] = Ch;
    if (++Seen >= Term.size() && std::string_view(Last + 3 - Term.size(), Term.size()) == Term) return true;
  }
  return false;
}

// Skips a declaration after its "<!": up to the '>' that is neither quoted
// nor inside an internal subset [...]; comments in the subset are skipped
// whole. False when the text ends first.
template <class Src>
bool SkipDeclaration(Src& S) {
  std::size_t Depth = 0;
  char Quote = 0;
  char Ch;
  while (S.Get(Ch)) {
    if (Quote != 0) {
      if (Ch == Quote) Quote = 0;
    } else if (Ch == '"' || Ch == '\'') {
      Quote = Ch;
    } else if (Ch == '[') {
      ++Depth;
    } else if (Ch == ']') {
      if (Depth > 0) --Depth;
    } else if (Ch == '<' && Depth > 0 && LookingAt(S, "!--")) {
      S.Skip(3);
      if (!SkipPast(S, "-->")) return false;
    } else if (Ch == '>' && Depth == 0) {
      return true;
    }
  }
  return false;
}

// Skips what a '<' that does not open an element starts: a comment, a
// processing instruction, a CDATA section outside content or a declaration.
// Called with the '<' not yet consumed. Returns false when this is an element
// tag (nothing consumed); sets Ended when the text ends inside the construct.
template <class Src>
bool SkipMarkup(Src& S, bool& Ended) {
  Ended = false;
  if (LookingAt(S, "<!--")) {
    S.Skip(4);
    Ended = !SkipPast(S, "-->");
  } else if (LookingAt(S, "<?")) {
    S.Skip(2);
    Ended = !SkipPast(S, "?>");
  } else if (LookingAt(S, "<![CDATA[")) {
    S.Skip(9);
    Ended = !SkipPast(S, "]]>");
  } else if (LookingAt(S, "<!")) {
    S.Skip(2);
    Ended = !SkipDeclaration(S);
  } else {
    return false;
  }
  return true;
}

void AppendCodePoint(std::string& Out, std::uint32_t Code) {
  // The library's text is Windows-1252: what the code page lacks becomes '?'.
  const int Byte = UnicodeToCP1252(static_cast<char32_t>(Code));
  Out.push_back(Byte < 0 ? '?' : static_cast<char>(Byte));
}

// Decodes a character reference body ("#65", "#x41") or a named entity
// ("amp"); false when it is not a valid reference.
bool DecodeReference(std::string_view Ref, std::string& Out) {
  if (Ref.size() >= 2 && Ref[0] == '#') {
    const bool Hex = Ref[1] == 'x';
    std::size_t I = Hex ? 2 : 1;
    if (I >= Ref.size()) return false;
    std::uint32_t Code = 0;
    for (; I < Ref.size(); ++I) {
      const char C = Ref[I];
      std::uint32_t Digit;
      if (C >= '0' && C <= '9')
        Digit = static_cast<std::uint32_t>(C - '0');
      else if (Hex && C >= 'a' && C <= 'f')
        Digit = static_cast<std::uint32_t>(C - 'a' + 10);
      else if (Hex && C >= 'A' && C <= 'F')
        Digit = static_cast<std::uint32_t>(C - 'A' + 10);
      else
        return false;
      Code = Code * (Hex ? 16 : 10) + Digit;
      if (Code > 0x10FFFF) return false;
    }
    // NUL and the surrogate halves are not characters.
    if (Code == 0 || (Code >= 0xD800 && Code <= 0xDFFF)) return false;
    AppendCodePoint(Out, Code);
    return true;
  }
  static constexpr struct {
    std::string_view Name;
    char Ch;
  } Named[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& E : Named)
    if (Ref == E.Name) {
      Out.push_back(E.Ch);
      return true;
    }
  return false;
}

// Appends Raw with its entity and character references decoded; a reference
// that is not valid stays as it is written.
void AppendDecoded(std::string& Out, std::string_view Raw) {
  // "&#x0000010FFFF;" and the like are valid but rare; the bound keeps the
  // search for ';' from running over the whole text at every '&'.
  constexpr std::size_t MaxRefLength = 32;
  std::size_t I = 0;
  while (I < Raw.size()) {
    const std::size_t Amp = Raw.find('&', I);
    if (Amp == std::string_view::npos) {
      Out.append(Raw.substr(I));
      return;
    }
    Out.append(Raw.substr(I, Amp - I));
    const std::size_t Semi = Raw.substr(Amp + 1, MaxRefLength + 1).find(';');
    if (Semi != std::string_view::npos && DecodeReference(Raw.substr(Amp + 1, Semi), Out)) {
      I = Amp + Semi + 2;
    } else {
      Out.push_back('&');
      I = Amp + 1;
    }
  }
}

// Reads content up to the next tag: comments and processing instructions are
// dropped, CDATA sections are taken literally, the rest is decoded. Stops with
// the '<' of the next tag unconsumed.
template <class Src>
void ReadContent(Src& S, std::string& Content) {
  std::string Raw;
  char Ch;
  while (S.PeekAt(0, Ch)) {
    if (Ch == '<') {
      if (LookingAt(S, "<![CDATA[")) {
        AppendDecoded(Content, Raw);
        Raw.clear();
        S.Skip(9);
        const std::size_t Start = Content.size();
        while (S.Get(Ch)) {
          Content.push_back(Ch);
          if (Content.size() - Start >= 3 && Content.compare(Content.size() - 3, 3, "]]>") == 0) {
            Content.resize(Content.size() - 3);
            break;
          }
        }
        continue;
      }
      bool Ended;
      if (LookingAt(S, "<!--") || LookingAt(S, "<?")) {
        SkipMarkup(S, Ended);
        continue;
      }
      break;
    }
    S.Get(Ch);
    Raw.push_back(Ch);
  }
  AppendDecoded(Content, Raw);
}

// Consumes "</Name>" (blanks allowed before the '>') when it comes next.
template <class Src>
void SkipClosingTag(Src& S, std::string_view Name) {
  if (!LookingAt(S, "</")) return;
  char Ch;
  for (std::size_t I = 0; I < Name.size(); ++I)
    if (!S.PeekAt(2 + I, Ch) || Ch != Name[I]) return;
  std::size_t Off = 2 + Name.size();
  while (S.PeekAt(Off, Ch) && IsXmlSpace(Ch)) ++Off;
  if (!S.PeekAt(Off, Ch) || Ch != '>') return;
  S.Skip(Off + 1);
}

std::string_view TrimXmlSpace(std::string_view S) {
  while (!S.empty() && IsXmlSpace(S.front())) S.remove_prefix(1);
  while (!S.empty() && IsXmlSpace(S.back())) S.remove_suffix(1);
  return S;
}

int TagIndex(const TStrArray& TagNames, std::string_view Name) {
  for (std::size_t I = 0; I < TagNames.size(); ++I)
    if (TagNames[I] == Name) return static_cast<int>(I);
  return tagNotInList;
}

template <class Src>
int ReadNextTag(Src& S, const TStrArray& TagNames, std::string& Attributes, std::string& Content,
                std::string* TagName) {
  Attributes.clear();
  Content.clear();
  if (TagName) TagName->clear();

  // Find the next element tag.
  char Ch;
  for (;;) {
    if (!S.PeekAt(0, Ch)) return tagEndOfText;
    if (Ch != '<') {
      S.Get(Ch);
      continue;
    }
    bool Ended;
    if (!SkipMarkup(S, Ended)) break;
    if (Ended) return tagEndOfText;
  }
  S.Get(Ch);  // the '<'

  // The name runs up to white space, '/' or '>'; a closing tag keeps its '/'.
  std::string Name;
  if (S.PeekAt(0, Ch) && Ch == '/') {
    S.Get(Ch);
    Name.push_back('/');
  }
  while (S.PeekAt(0, Ch) && !IsXmlSpace(Ch) && Ch != '/' && Ch != '>') {
    S.Get(Ch);
    Name.push_back(Ch);
  }

  // Attributes up to the '>' that is not inside a quoted value.
  std::string Attr;
  char Quote = 0;
  for (;;) {
    if (!S.Get(Ch)) return tagEndOfText;
    if (Quote != 0) {
      if (Ch == Quote) Quote = 0;
    } else if (Ch == '"' || Ch == '\'') {
      Quote = Ch;
    } else if (Ch == '>') {
      break;
    }
    Attr.push_back(Ch);
  }
  std::string_view A = TrimXmlSpace(Attr);
  const bool SelfClosing = !A.empty() && A.back() == '/';
  if (SelfClosing) A = TrimXmlSpace(A.substr(0, A.size() - 1));
  Attributes.assign(A);

  if (!SelfClosing) {
    ReadContent(S, Content);
    // A closing tag that the caller listed ("/matrix") is a tag of its own:
    // swallowing it here would hide the end of an empty element.
    if (!Name.empty() && Name[0] != '/' && TagIndex(TagNames, "/" + Name) == tagNotInList)
      SkipClosingTag(S, Name);
  }

  const int Index = TagIndex(TagNames, Name);
  if (TagName) *TagName = std::move(Name);
  return Index;
}

}  // namespace

int ReadNextTagInString(std::string_view Text, std::size_t& Pos, const TStrArray& TagNames,
                        std::string& Attributes, std::string& Content, std::string* TagName) {
  TStringSource S(Text, Pos);
  const int Result = ReadNextTag(S, TagNames, Attributes, Content, TagName);
  Pos = Result == tagEndOfText ? Text.size() : S.Pos();
  return Result;
}

int ReadNextTagInTextFile(TTextFile& InFile, const TStrArray& TagNames, std::string& Attributes,
                          std::string& Content, std::string* TagName) {
  TTextFileSource S(InFile);
  const int Result = ReadNextTag(S, TagNames, Attributes, Content, TagName);
  if (Result == tagEndOfText) S.Skip(SIZE_MAX);
  return Result;
}

bool XmlAttributeValue(std::string_view Attributes, std::string_view Name, std::string& Value) {
  std::size_t I = 0;
  const std::size_t N = Attributes.size();
  while (I < N) {
    while (I < N && IsXmlSpace(Attributes[I])) ++I;
    const std::size_t NameStart = I;
    while (I < N && !IsXmlSpace(Attributes[I]) && Attributes[I] != '=' && Attributes[I] != '"' &&
           Attributes[I] != '\'')
      ++I;
    const std::string_view AttrName = Attributes.substr(NameStart, I - NameStart);
    if (AttrName.empty() && I < N && Attributes[I] != '=') {
      ++I;  // a stray quote
      continue;
    }
    while (I < N && IsXmlSpace(Attributes[I])) ++I;
    if (I >= N || Attributes[I] != '=') continue;  // an attribute without a value
    ++I;
    while (I < N && IsXmlSpace(Attributes[I])) ++I;
    std::string_view Raw;
    if (I < N && (Attributes[I] == '"' || Attributes[I] == '\'')) {
      const std::size_t Close = Attributes.find(Attributes[I], I + 1);
      if (Close == std::string_view::npos) return false;  // unterminated: nothing after it is reliable
      Raw = Attributes.substr(I + 1, Close - I - 1);
      I = Close + 1;
    } else {
      const std::size_t Start = I;
      while (I < N && !IsXmlSpace(Attributes[I])) ++I;
      Raw = Attributes.substr(Start, I - Start);
    }
    if (AttrName == Name) {
      Value.clear();
      AppendDecoded(Value, Raw);
      return true;
    }
  }
  return false;
}

std::string XmlEscape(std::string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (const char Ch : Text) {
    switch (Ch) {
      case '&': Out += "&amp;"; break;
      case '<': Out += "&lt;"; break;
      case '>': Out += "&gt;"; break;
      case '"': Out += "&quot;"; break;
      case '\'': Out += "&apos;"; break;
      default: Out.push_back(Ch);
    }
  }
  return Out;
}

std::string XmlEscapeAscii(std::string_view Text) {
  std::string Out;
  for (const char Ch : XmlEscape(Text)) {
    const auto B = static_cast<unsigned char>(Ch);
    if (B >= 0x20 && B < 0x7F)
      Out.push_back(Ch);
    else if (B == '\t' || B == '\n' || B == '\r' || B >= 0x7F)
      Out += "&#" + std::to_string(static_cast<std::uint32_t>(CP1252ToUnicode(B))) + ";";
    else
      Out.push_back('?');
  }
  return Out;
}

}  // namespace zel
