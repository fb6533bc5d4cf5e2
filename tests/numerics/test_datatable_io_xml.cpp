// Data table: the XML element.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "test_datatable_io_util.h"
#include "zel_datatable.h"
#include "zel_streams.h"
#include "zel_test_env.h"

namespace zel::test {
namespace {

// A missing cell keeps its value in XML, unlike ASC and CSV.
void FillXmlTable(TDataTable& T) {
  FillRichTable(T);
  T.NumericData()->SetVal(3, 3, -12.75);
  T.SetColName(5, "q\"uo'te\r\n\t");
}

// The learner's pair: written into its open model file without declaration
// (precision 10, identifier MBLModel), read back from the element's text.
TEST(DataTableXml, LearnerPairRoundTripsEverything) {
  const std::string Dir = TempDir("dt_xml_learner");
  TDataTable A, B;
  FillXmlTable(A);
  TTextFile F;
  F.Rewrite(Dir + "/model.xml");
  F.WriteLn("<modeldata>");
  A.WriteToOpenXMLFile(F, false, 10, "MBLModel");
  F.WriteLn("</modeldata>");
  F.Close();
  const std::string File = ReadBytes(Dir + "/model.xml");
  EXPECT_EQ(File.find("<?xml"), std::string::npos);
  const std::string Text = File.substr(File.find("<datatable"));
  int StartAt = 1;
  ASSERT_TRUE(B.ReadFromXMLString(Text, StartAt, "")) << B.LastIOError();
  ExpectSameTable(A, B);
  EXPECT_EQ(Text.substr(static_cast<std::size_t>(StartAt - 1)), "</modeldata>\r\n");
  // Every byte outside printable ASCII is a character reference.
  for (const char Ch : File)
    EXPECT_TRUE(Ch == '\r' || Ch == '\n' || (Ch >= ' ' && Ch < 127)) << static_cast<int>(Ch);
}

TEST(DataTableXml, PythonReadsTheElementAsWritten) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
  const std::string Dir = TempDir("dt_xml_python");
  TDataTable A;
  FillXmlTable(A);
  A.SaveAsXMLFile(Dir + "/t.xml", 15, "id <&> \xE9");
  // ElementTree parses strictly (well-formedness, entities, references);
  // it prints every text as hex of its code-page bytes.
  const std::string Py =
      "import sys, xml.etree.ElementTree as ET\n"
      "h = lambda s: (s or '').encode('cp1252').hex()\n"
      "e = ET.parse(sys.argv[1]).getroot()\n"
      "print('id', h(e.get('dataid')))\n"
      "print('comment', h(e.find('comment').text))\n"
      "for c in e.find('colnames'): print('col', c.get('ix'), h(c.text))\n"
      "for c in e.find('rownames'): print('row', c.get('ix'), h(c.text))\n"
      "for v in e.findall('vardef'):\n"
      "  for i in v: print('idf', v.get('ix'), i.get('ix'), h(i.text))\n"
      "print('cells', len(e.find('datacells')))\n";
  std::ofstream(Dir + "/check.py") << Py;
  FILE* P = popen(("/usr/bin/python3 " + Dir + "/check.py " + Dir + "/t.xml 2>&1").c_str(), "r");
  ASSERT_NE(P, nullptr);
  std::string Out;
  char Buf[4096];
  for (std::size_t n; (n = std::fread(Buf, 1, sizeof Buf, P)) > 0;) Out.append(Buf, n);
  ASSERT_EQ(pclose(P), 0) << Out;

  auto Hex = [](const std::string& S) {
    std::string H;
    char B[3];
    for (const char Ch : S) {
      std::snprintf(B, sizeof B, "%02x", static_cast<unsigned char>(Ch));
      H += B;
    }
    return H;
  };
  std::string Expected = "id " + Hex("id <&> \xE9") + "\ncomment " + Hex(A.Comment()) + "\n";
  for (int c = 1; c <= A.NrOfColumns(); ++c) {
    // Written as references, line breaks survive XML's line-end folding.
    Expected += "col " + std::to_string(c) + " " + Hex(A.GetColName(c)) + "\n";
  }
  for (int r = 1; r <= A.NrOfRows(); ++r) Expected += "row " + std::to_string(r) + " " + Hex(A.GetRowName(r)) + "\n";
  for (int c = 1; c <= A.NrOfColumns(); ++c)
    for (int k = 1; k <= kMaxNominalIDs; ++k)
      if (const std::string& ID = A.VTypeSpecs(c)->IDs[static_cast<std::size_t>(k - 1)]; !ID.empty())
        Expected += "idf " + std::to_string(c) + " " + std::to_string(k) + " " + Hex(ID) + "\n";
  Expected += "cells 20\n";
  EXPECT_EQ(Out, Expected);
}

TEST(DataTableXml, ReadsElementTreeFileByIdentifier) {
  TDataTable T;
  ASSERT_TRUE(T.LoadFromXMLFile(DataPath("datatable_ref.xml"), "T\xE4st")) << T.LastIOError();
  std::ifstream F(DataPath("datatable_ref_xml.tsv"));
  auto FromHex = [](const std::string& H) {
    std::string S;
    for (std::size_t i = 0; i + 1 < H.size(); i += 2)
      S.push_back(static_cast<char>(std::stoi(H.substr(i, 2), nullptr, 16)));
    return S;
  };
  for (std::string Line; std::getline(F, Line);) {
    std::istringstream In(Line);
    std::string Kind, H;
    int A = 0, B = 0, C = 0;
    In >> Kind;
    if (Kind == "shape") {
      In >> A >> B;
      ASSERT_EQ(T.NrOfColumns(), A);
      ASSERT_EQ(T.NrOfRows(), B);
    } else if (Kind == "comment") {
      In >> H;
      EXPECT_EQ(T.Comment(), FromHex(H));
    } else if (Kind == "col") {
      In >> A >> H >> B >> C;
      EXPECT_EQ(T.GetColName(A), FromHex(H));
      EXPECT_EQ(T.GetColAttrib(A), B);
      EXPECT_EQ(static_cast<int>(T.GetMScaleType(A)), C);
    } else if (Kind == "row") {
      In >> A >> H >> B;
      EXPECT_EQ(T.GetRowName(A), FromHex(H));
      EXPECT_EQ(T.GetRowAttrib(A), B);
    } else if (Kind == "idf") {
      In >> A >> B >> H;
      EXPECT_EQ(T.GetNominalID(A, B), FromHex(H));
    } else if (Kind == "cell") {
      In >> A >> B >> C >> H;
      EXPECT_EQ(T.GetCellState(A, B), C);
      EXPECT_EQ(Bits(Stored(T, A, B)), std::stoull(H, nullptr, 16)) << Line;
    }
  }
  TDataTable U;
  EXPECT_FALSE(U.LoadFromXMLFile(DataPath("datatable_ref.xml"), "other"));
}

TEST(DataTableXml, SeveralElementsInOneFileAndStream) {
  const std::string Dir = TempDir("dt_xml_several");
  TDataTable A, B;
  FillXmlTable(A);
  B.Resize(2, 3);
  B.SetComment("second");
  TTextFile F;
  F.Rewrite(Dir + "/two.xml");
  F.WriteLn("<root>");
  A.WriteToOpenXMLFile(F, false, 10, "first");
  B.WriteToOpenXMLFile(F, false, 10, "second");
  F.WriteLn("</root>");
  F.Close();
  TDataTable X;
  ASSERT_TRUE(X.LoadFromXMLFile(Dir + "/two.xml", "second"));
  ExpectSameTable(B, X);
  // An open file is left after the element read, so the next read goes on.
  TTextFile In;
  In.Reset(Dir + "/two.xml");
  ASSERT_TRUE(X.ReadFromOpenXMLFile(In, ""));
  ExpectSameTable(A, X);
  ASSERT_TRUE(X.ReadFromOpenXMLFile(In, ""));
  ExpectSameTable(B, X);
  EXPECT_FALSE(X.ReadFromOpenXMLFile(In, ""));
  ExpectSameTable(B, X);

  TMemoryStream S;
  A.WriteToXMLStream(S, true, 10, "a");
  B.WriteToXMLStream(S, false, 10, "b");
  S.SetPosition(0);
  ASSERT_TRUE(X.ReadFromXMLStream(S, ""));
  ExpectSameTable(A, X);
  ASSERT_TRUE(X.ReadFromXMLStream(S, "b"));
  ExpectSameTable(B, X);
  EXPECT_EQ(S.Position(), S.Size());
}

TEST(DataTableXml, HostileElementsFailAndLeaveTheTable) {
  const std::string Head = "<datatable><size ncols=\"2\" nrows=\"2\"/>";
  const struct {
    const char* Name;
    std::string Text;
    int StartAt;
  } Cases[] = {
      {"idf slot 0", Head + "<vardef ix=\"1\" scale=\"1\"><idf ix=\"0\">a</idf></vardef></datatable>", 1},
      {"idf slot 151", Head + "<vardef ix=\"1\" scale=\"1\"><idf ix=\"151\">a</idf></vardef></datatable>", 1},
      {"idf without vardef", Head + "<idf ix=\"1\">a</idf></datatable>", 1},
      {"scale 5", Head + "<vardef ix=\"1\" scale=\"5\"/></datatable>", 1},
      {"vardef column 3", Head + "<vardef ix=\"3\" scale=\"1\"/></datatable>", 1},
      {"cell outside", Head + "<datacells><cell ix=\"3\" iy=\"1\">1</cell></datacells></datatable>", 1},
      {"cell row 0", Head + "<datacells><cell ix=\"1\" iy=\"0\">1</cell></datacells></datatable>", 1},
      {"state 256", Head + "<datacells><cell ix=\"1\" iy=\"1\" st=\"256\">1</cell></datacells></datatable>", 1},
      {"value text", Head + "<datacells><cell ix=\"1\" iy=\"1\">one</cell></datacells></datatable>", 1},
      {"no end tag", Head + "<datacells><cell ix=\"1\" iy=\"1\">1</cell></datacells>", 1},
      {"no size", "<datatable><comment>x</comment></datatable>", 1},
      {"two sizes", Head + "<size ncols=\"1\" nrows=\"1\"/></datatable>", 1},
      {"huge size", "<datatable><size ncols=\"2000000000\" nrows=\"2000000000\"/></datatable>", 1},
      {"columns beyond the text", "<datatable><size ncols=\"10000000\" nrows=\"0\"/></datatable>", 1},
      {"negative size", "<datatable><size ncols=\"-1\" nrows=\"2\"/></datatable>", 1},
      {"name outside a list", Head + "<col ix=\"1\">a</col></datatable>", 1},
      {"attribute text", Head + "<colattrib><col ix=\"1\">x</col></colattrib></datatable>", 1},
      {"unknown element", Head + "<foo/></datatable>", 1},
      {"nested table", Head + "<datatable></datatable></datatable>", 1},
      {"StartAt 0", Head + "</datatable>", 0},
      {"StartAt past the end", Head + "</datatable>", 1000},
      {"StartAt after the element", Head + "</datatable>", 3},
      {"empty text", "", 1},
  };
  for (const auto& C : Cases) {
    TDataTable T;
    FillXmlTable(T);
    const std::string Before = Snapshot(T);
    int Events = 0;
    T.OnChange = T.OnChangeSetup = T.OnChangeNames = T.OnChangeCellState = [&](TObject*) { ++Events; };
    int StartAt = C.StartAt;
    EXPECT_FALSE(T.ReadFromXMLString(C.Text, StartAt, "")) << C.Name;
    EXPECT_EQ(StartAt, C.StartAt) << C.Name;
    EXPECT_FALSE(T.LastIOError().empty()) << C.Name;
    EXPECT_EQ(Snapshot(T), Before) << C.Name;
    EXPECT_EQ(Events, 0) << C.Name;
  }
  // The same bounds hold without the closing tags of the lists, and a
  // well-formed minimal element is read.
  TDataTable T;
  int StartAt = 1;
  ASSERT_TRUE(T.ReadFromXMLString(Head + "<datacells><cell ix=\"2\" iy=\"2\" st=\"3\">NAN</cell></datatable>", StartAt,
                                  ""))
      << T.LastIOError();
  EXPECT_EQ(T.GetCellState(2, 2), 3);
  EXPECT_TRUE(std::isnan(Stored(T, 2, 2)));
  EXPECT_EQ(T.GetColName(2), "C-2");
}

}  // namespace
}  // namespace zel::test

TEST(DataTableXml, StateAttributeIsFoundByItsWholeName) {
  // "last" ends in "st": a foreign attribute, not a state.
  const std::string xml =
      "<datatable dataid=\"x\">\r\n<size ncols=\"1\" nrows=\"1\"/>\r\n<datacells>\r\n"
      "<cell ix=\"1\" iy=\"1\" last=\"yes\">2.5</cell>\r\n</datacells>\r\n</datatable>\r\n";
  zel::TDataTable t;
  int at = 1;
  ASSERT_TRUE(t.ReadFromXMLString(xml, at, "")) << t.LastIOError();
  EXPECT_EQ(t.GetElem(1, 1), 2.5);
  EXPECT_EQ(t.GetCellState(1, 1), 0);
}
