#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zel_base.h"
#include "zel_test_env.h"

using namespace zel;

namespace {

const TStrArray kMatrixTags = {"numcols", "numrows", "numplanes", "numtimeslots",
                               "cell",    "matrix",  "/matrix",   "invalidtag"};

struct Tag {
  int Index;
  std::string Name, Attributes, Content;
  bool operator==(const Tag&) const = default;
};

std::ostream& operator<<(std::ostream& Os, const Tag& T) {
  return Os << T.Index << " <" << T.Name << "> [" << T.Attributes << "] {" << T.Content << "}";
}

// Every tag of Text up to and including the end marker; checks that each
// call moves forward.
std::vector<Tag> TagsOfString(const std::string& Text, const TStrArray& Names = kMatrixTags) {
  std::vector<Tag> Tags;
  std::size_t Pos = 0;
  for (;;) {
    Tag T;
    const std::size_t Before = Pos;
    T.Index = ReadNextTagInString(Text, Pos, Names, T.Attributes, T.Content, &T.Name);
    Tags.push_back(T);
    if (T.Index == tagEndOfText) {
      EXPECT_EQ(Pos, Text.size());
      return Tags;
    }
    EXPECT_GT(Pos, Before);
    if (Pos <= Before || Tags.size() > Text.size()) return Tags;
  }
}

std::vector<Tag> TagsOfTextFile(TTextFile& F, const TStrArray& Names = kMatrixTags) {
  std::vector<Tag> Tags;
  for (int Guard = 0; Guard < 10000; ++Guard) {
    Tag T;
    T.Index = ReadNextTagInTextFile(F, Names, T.Attributes, T.Content, &T.Name);
    Tags.push_back(T);
    if (T.Index == tagEndOfText) break;
  }
  return Tags;
}

std::vector<Tag> TagsOfMemoryFile(const std::string& Text, const TStrArray& Names = kMatrixTags) {
  TTextFile F;
  F.ResetFromString(Text);
  return TagsOfTextFile(F, Names);
}

const Tag kEnd{tagEndOfText, "", "", ""};

const std::string kMatrixDoc =
    "<?xml version=\"1.0\"?>\r\n<matrix name=\"a\">\r\n  <numcols>3</numcols>\r\n"
    "  <cell ix=\"1\" iy=\"2\">4.5</cell>\r\n</matrix>";

}  // namespace

TEST(XmlTags, MatrixDocumentInStringAndFile) {
  const std::vector<Tag> Expected = {{5, "matrix", "name=\"a\"", "\r\n  "},
                                     {0, "numcols", "", "3"},
                                     {4, "cell", "ix=\"1\" iy=\"2\"", "4.5"},
                                     {6, "/matrix", "", ""},
                                     kEnd};
  EXPECT_EQ(TagsOfString(kMatrixDoc), Expected);
  EXPECT_EQ(TagsOfMemoryFile(kMatrixDoc), Expected);

  const std::string Path = test::TempDir("XmlTags_Matrix") + "/m.xml";
  test::WriteBytes(Path, kMatrixDoc + "\r\n");
  TTextFile F;
  F.Reset(Path);
  std::vector<Tag> FromFile = TagsOfTextFile(F);
  ASSERT_EQ(FromFile.size(), Expected.size());
  FromFile[3].Content.clear();  // the file's final line break follows "</matrix>"
  EXPECT_EQ(FromFile, Expected);
  F.Close();
}

TEST(XmlTags, SkipsCommentsInstructionsAndDeclarations) {
  const std::string Doc =
      "<!DOCTYPE matrix [ <!ELEMENT cell (#PCDATA)> <!-- ] > ' --> <!ATTLIST cell ix CDATA \">\"> ]>"
      "<!-- <cell ix=\"9\">9</cell> -- still comment -->"
      "<numrows>2<!-- two --></numrows><?pi <cell>?>"
      "<cell ix=\"1\"><?skip?>7<!---->5</cell>";
  const std::vector<Tag> Expected = {{1, "numrows", "", "2"}, {4, "cell", "ix=\"1\"", "75"}, kEnd};
  EXPECT_EQ(TagsOfString(Doc), Expected);
  EXPECT_EQ(TagsOfMemoryFile(Doc), Expected);
}

TEST(XmlTags, AttributesSelfClosingAndClosingTags) {
  const std::string Doc =
      "<cell note='a>b' ix=\"2>1\" >x</cell >"   // '>' inside quotes; blanks in the closing tag
      "<cell ix=\"3\"/>after"                    // self-closing: no content
      "<numcols/>"
      "<cell>1</numcols>"                        // a closing tag of another element stays
      "<Cell>2</Cell>"                           // names are case-sensitive
      "</matrix >tail";
  const std::vector<Tag> Expected = {{4, "cell", "note='a>b' ix=\"2>1\"", "x"},
                                     {4, "cell", "ix=\"3\"", ""},
                                     {0, "numcols", "", ""},
                                     {4, "cell", "", "1"},
                                     {tagNotInList, "/numcols", "", ""},
                                     {tagNotInList, "Cell", "", "2"},
                                     {6, "/matrix", "", "tail"},
                                     kEnd};
  EXPECT_EQ(TagsOfString(Doc), Expected);
  EXPECT_EQ(TagsOfMemoryFile(Doc), Expected);
}

TEST(XmlTags, ListedClosingTagIsNeverSwallowed) {
  // The closing tag of an element is consumed with it only when the caller
  // did not ask for it: the end of an empty matrix element must be seen.
  const std::string Doc = "<matrix></matrix><matrix>\r\n</matrix ><numcols>0</numcols>";
  const std::vector<Tag> Expected = {{5, "matrix", "", ""},      {6, "/matrix", "", ""},
                                     {5, "matrix", "", "\r\n"}, {6, "/matrix", "", ""},
                                     {0, "numcols", "", "0"},    kEnd};
  EXPECT_EQ(TagsOfString(Doc), Expected);
  EXPECT_EQ(TagsOfMemoryFile(Doc), Expected);
}

TEST(XmlTags, ContentEntitiesAndCData) {
  const std::string Doc =
      "<cell>&lt;a&gt; &amp; &quot;q&quot; &apos;</cell>"
      "<cell>&#65;&#x42;&#X43;&#xe9;&#233;&#x20AC;&#1114111;</cell>"
      "<cell>&#0;&#1114112;&#xD800;&#;&#x;&#12a;&unknown;&amp &</cell>"
      "<cell><![CDATA[<b>&amp;</b> ]]]>&amp;<![CDATA[]]></cell>";
  const std::vector<Tag> Expected = {
      {4, "cell", "", "<a> & \"q\" '"},
      {4, "cell", "", "AB&#X43;\xE9\xE9\x80?"},
      {4, "cell", "", "&#0;&#1114112;&#xD800;&#;&#x;&#12a;&unknown;&amp &"},
      {4, "cell", "", "<b>&amp;</b> ]&"},
      kEnd};
  EXPECT_EQ(TagsOfString(Doc), Expected);
  EXPECT_EQ(TagsOfMemoryFile(Doc), Expected);

  // What a writer escapes reads back unchanged.
  const std::string Plain = "a<b>&c\"d'e &amp; \xE9";
  EXPECT_EQ(XmlEscape(Plain), "a&lt;b&gt;&amp;c&quot;d&apos;e &amp;amp; \xE9");
  std::size_t Pos = 0;
  std::string Attr, Content;
  EXPECT_EQ(ReadNextTagInString("<cell>" + XmlEscape(Plain) + "</cell>", Pos, kMatrixTags, Attr, Content), 4);
  EXPECT_EQ(Content, Plain);
}

TEST(XmlTags, TruncatedTextEndsAtItsEnd) {
  // A tag, quote, comment or instruction that the text ends inside gives the
  // end marker with the position at the end, never a partial tag.
  for (const std::string Doc : {"", "no tags at all", "<", "<cell", "<cell ix=\"1>2</cell>", "<!-- open",
                                "<?xml", "<!DOCTYPE x [ <!ELEMENT a> ", "<![CDATA[ x"}) {
    std::size_t Pos = 0;
    std::string Attr = "a", Content = "c", Name = "n";
    EXPECT_EQ(ReadNextTagInString(Doc, Pos, kMatrixTags, Attr, Content, &Name), tagEndOfText) << Doc;
    EXPECT_EQ(Pos, Doc.size()) << Doc;
    EXPECT_EQ(Attr + Content + Name, "") << Doc;
    EXPECT_EQ(TagsOfMemoryFile(Doc), std::vector<Tag>{kEnd}) << Doc;
  }
  // A start position beyond the text is its end.
  std::size_t Pos = 100;
  std::string Attr, Content;
  EXPECT_EQ(ReadNextTagInString("<cell>1</cell>", Pos, kMatrixTags, Attr, Content), tagEndOfText);
  EXPECT_EQ(Pos, 14u);

  // A complete tag whose content the text ends in is still returned.
  const std::vector<Tag> Open = {{4, "cell", "", "4.5"}, kEnd};
  EXPECT_EQ(TagsOfString("<cell>4.5"), Open);
  EXPECT_EQ(TagsOfMemoryFile("<cell>4.5"), Open);
  EXPECT_EQ(TagsOfString("<cell>4.5</cell"), (std::vector<Tag>{{4, "cell", "", "4.5"}, kEnd}));
}

TEST(XmlTags, StringReaderStartsAtPos) {
  const std::string Doc = "<numcols>3</numcols><numrows>4</numrows>";
  std::size_t Pos = 20;
  std::string Attr, Content, Name;
  EXPECT_EQ(ReadNextTagInString(Doc, Pos, kMatrixTags, Attr, Content, &Name), 1);
  EXPECT_EQ(Content, "4");
  EXPECT_EQ(Pos, Doc.size());
  // Starting inside a tag skips to the next '<'.
  Pos = 3;
  EXPECT_EQ(ReadNextTagInString(Doc, Pos, kMatrixTags, Attr, Content, &Name), tagNotInList);
  EXPECT_EQ(Name, "/numcols");
}

TEST(XmlTags, AttributeValues) {
  const std::string Attrs = "ixx=\"5\" ix = '3' flag name=\"a &amp; b\" iy=\"&#50;\" it=\"open";
  std::string V = "unchanged";
  EXPECT_TRUE(XmlAttributeValue(Attrs, "ix", V));
  EXPECT_EQ(V, "3");
  EXPECT_TRUE(XmlAttributeValue(Attrs, "ixx", V));
  EXPECT_EQ(V, "5");
  EXPECT_TRUE(XmlAttributeValue(Attrs, "name", V));
  EXPECT_EQ(V, "a & b");
  EXPECT_TRUE(XmlAttributeValue(Attrs, "iy", V));
  EXPECT_EQ(V, "2");
  V = "unchanged";
  EXPECT_FALSE(XmlAttributeValue(Attrs, "it", V));  // unterminated
  EXPECT_FALSE(XmlAttributeValue(Attrs, "iz", V));
  EXPECT_FALSE(XmlAttributeValue(Attrs, "flag", V));
  EXPECT_FALSE(XmlAttributeValue(Attrs, "a", V));  // inside a value, not a name
  EXPECT_EQ(V, "unchanged");
  EXPECT_TRUE(XmlAttributeValue("x=\"\"", "x", V));
  EXPECT_EQ(V, "");
}

TEST(XmlTags, FileLookAheadAcrossReadBlocks) {
  // The closing tag, a comment opener and a CDATA opener each straddle the
  // file's read blocks for some of these lengths (blocks are a power of two
  // in size); the file reader must give what the string reader gives.
  const std::string Dir = test::TempDir("XmlTags_Blocks");
  for (std::size_t Pad = 65520; Pad < 65540; Pad += 3) {
    const std::string Filler(Pad, 'x');
    const std::string Doc = "<cell>" + Filler + "</cell   ><!-- c --><numcols>1<![CDATA[2]]></numcols>" + Filler +
                            "<numrows>" + Filler + "</numrows>";
    const std::vector<Tag> Expected = {
        {4, "cell", "", Filler}, {0, "numcols", "", "12"}, {1, "numrows", "", Filler}, kEnd};
    test::WriteBytes(Dir + "/b.xml", Doc);
    TTextFile F;
    F.Reset(Dir + "/b.xml");
    EXPECT_EQ(TagsOfTextFile(F), Expected) << Pad;
    EXPECT_EQ(TagsOfString(Doc), Expected) << Pad;
  }
}
