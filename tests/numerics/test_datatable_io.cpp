// Data table: Serialize and the ASC files.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_datatable_io_util.h"
#include "zel_ascfile.h"
#include "zel_clipboard.h"
#include "zel_datatable.h"
#include "zel_matrix.h"
#include "zel_streams.h"
#include "zel_test_env.h"

namespace zel::test {
namespace {

// Counts every change and resize event of a table.
struct TEventLog {
  std::map<std::string, int> Count;
  void Hook(TDataTable& T) {
    T.OnChange = [this](TObject*) { ++Count["change"]; };
    T.OnChangeSetup = [this](TObject*) { ++Count["setup"]; };
    T.OnChangeNames = [this](TObject*) { ++Count["names"]; };
    T.OnChangeCellState = [this](TObject*) { ++Count["states"]; };
    T.OnChangeAttrib = [this](TObject*) { ++Count["attrib"]; };
    T.OnResize = [this](TObject*, int, int, int, int) { ++Count["resize"]; };
  }
  int Total() const {
    int n = 0;
    for (const auto& [k, v] : Count) n += v;
    return n;
  }
};

std::vector<double> HexDoubles(std::istringstream& In) {
  std::vector<double> V;
  for (std::string H; In >> H;) {
    const std::uint64_t B = std::stoull(H, nullptr, 16);
    double X;
    std::memcpy(&X, &B, sizeof X);
    V.push_back(X);
  }
  return V;
}

// ---- Serialize -------------------------------------------------------------------------------

TEST(DataTableSerialize, DataColumnIsColumnMajorAsNumpyRavelF) {
  std::ifstream F(DataPath("datatable_serialize.tsv"));
  std::string Line, Tag;
  std::getline(F, Line);
  std::istringstream A(Line);
  A >> Tag;
  const std::vector<double> Table = HexDoubles(A);  // 4 rows × 3 columns, row-major
  std::getline(F, Line);
  std::istringstream B(Line);
  B >> Tag;
  const std::vector<double> Serial = HexDoubles(B);
  ASSERT_EQ(Table.size(), 12u);
  ASSERT_EQ(Serial.size(), 12u);

  TDataTable T;
  T.Resize(3, 4);
  for (int r = 1; r <= 4; ++r) {
    T.SetRowName(r, "obj" + std::to_string(r));
    T.SetRowAttrib(r, 10 * r);
    for (int c = 1; c <= 3; ++c) T.SetElem(c, r, Table[static_cast<std::size_t>((r - 1) * 3 + c - 1)]);
  }
  T.SetCellState(2, 3, csEmpty | csMark1);
  T.Serialize(false, false);
  ASSERT_EQ(T.NrOfColumns(), 1);
  ASSERT_EQ(T.NrOfRows(), 12);
  EXPECT_EQ(T.GetColName(1), "(data)");
  for (int k = 1; k <= 12; ++k) {
    EXPECT_EQ(Bits(T.GetElem(1, k)), Bits(Serial[static_cast<std::size_t>(k - 1)])) << k;
    EXPECT_EQ(T.GetRowName(k), "obj" + std::to_string((k - 1) % 4 + 1));
    EXPECT_EQ(T.GetRowAttrib(k), 10 * ((k - 1) % 4 + 1));
    EXPECT_EQ(T.GetCellState(1, k), k == 7 ? (csEmpty | csMark1) : 0) << k;  // former (2, 3)
  }
}

TEST(DataTableSerialize, WithHeadsAndIndicesAndCutIdentifiers) {
  TDataTable T;
  T.Resize(3, 2);
  T.SetColName(2, "Temperature");
  for (int c = 1; c <= 3; ++c)
    for (int r = 1; r <= 2; ++r) T.SetElem(c, r, 10 * c + r);
  T.SetColAttrib(1, 5);
  T.Serialize(true, true);
  ASSERT_EQ(T.NrOfColumns(), 4);
  ASSERT_EQ(T.NrOfRows(), 6);
  EXPECT_EQ(T.GetColName(1), "(column)");
  EXPECT_EQ(T.GetColName(2), "(col. index)");
  EXPECT_EQ(T.GetColName(3), "(row index)");
  EXPECT_EQ(T.GetColName(4), "(data)");
  EXPECT_EQ(T.GetMScaleType(1), stNominal);
  EXPECT_EQ(T.GetNominalID(1, 1), "1:C-1");
  EXPECT_EQ(T.GetNominalID(1, 2), "2:Temperat");  // 10 bytes
  EXPECT_EQ(T.GetNominalID(1, 3), "3:C-3");
  EXPECT_EQ(T.GetColAttrib(1), 5);  // a surviving column keeps its attribute
  // Row 3: former column 2, row 1.
  EXPECT_EQ(T.GetElem(1, 3), 2);
  EXPECT_EQ(T.GetElemNominal(1, 3), "2:Temperat");
  EXPECT_EQ(T.GetElem(2, 3), 2);
  EXPECT_EQ(T.GetElem(3, 3), 1);
  EXPECT_EQ(T.GetElem(4, 3), 21);
  EXPECT_EQ(T.GetElem(4, 6), 32);
  EXPECT_EQ(T.GetMScaleType(4), stInterval);  // the highest scale of the former columns
}

TEST(DataTableSerialize, DataIdentifiersKeptOnlyWhenAllColumnsShareThem) {
  auto Make = [](TDataTable& T, bool SameLists) {
    T.Resize(2, 2);
    for (int c = 1; c <= 2; ++c) {
      T.AddNominalID(c, "yes");
      T.AddNominalID(c, c == 2 && !SameLists ? "maybe" : "no");
      T.SetElem(c, 1, 1);
      T.SetElem(c, 2, 2.4);  // nominal values are read rounded
    }
  };
  TDataTable Same, Mixed;
  Make(Same, true);
  Make(Mixed, false);
  Same.Serialize(false, true);
  Mixed.Serialize(false, true);
  EXPECT_EQ(Same.GetMScaleType(3), stNominal);
  EXPECT_EQ(Same.GetNominalID(3, 2), "no");
  EXPECT_EQ(Same.GetElemNominal(3, 4), "no");
  EXPECT_EQ(Same.NumericData()->GetVal(3, 4), 2);
  EXPECT_EQ(Mixed.CountNominalIDs(3), 0);  // "no" and "maybe" share code 2
  // The index columns are plain numbers whatever the former columns were.
  EXPECT_EQ(Same.GetMScaleType(1), stInterval);
  EXPECT_EQ(Same.CountNominalIDs(1), 0);

  TDataTable Interval;
  Interval.Resize(2, 1);
  Interval.AddNominalID(1, "x");
  Interval.Serialize(false, false);
  EXPECT_EQ(Interval.GetMScaleType(1), stInterval);
  EXPECT_EQ(Interval.CountNominalIDs(1), 0);
}

TEST(DataTableSerialize, FiresEachEventOnce) {
  TDataTable T;
  T.Resize(4, 3);
  TEventLog Log;
  Log.Hook(T);
  T.Serialize(true, true);
  for (const char* E : {"change", "setup", "names", "states", "attrib", "resize"}) EXPECT_EQ(Log.Count[E], 1) << E;

  // Same shape afterwards (one cell, no extra variables): no resize event.
  TDataTable One;
  TEventLog Log1;
  Log1.Hook(One);
  One.Serialize(false, false);
  EXPECT_EQ(Log1.Count["resize"], 0);
  EXPECT_EQ(Log1.Count["change"], 1);
}

TEST(DataTableSerialize, EmptyTableGivesNoRows) {
  TDataTable T;
  T.Resize(3, 0);
  T.Serialize(true, false);
  EXPECT_EQ(T.NrOfColumns(), 2);
  EXPECT_EQ(T.NrOfRows(), 0);
}

// ---- ASC -------------------------------------------------------------------------------------

TEST(DataTableAsc, RoundTripKeepsEverything) {
  const std::string Dir = TempDir("dt_asc_roundtrip");
  TDataTable A, B;
  FillRichTable(A);
  ASSERT_EQ(A.ExportAsASC(Dir + "/t.asc", 0), "");
  ASSERT_EQ(B.ImportASC(Dir + "/t.asc"), 0) << B.LastIOError();
  ExpectSameTable(A, B);

  // The values are those of any ASC reader; cells without a number read 0.
  TMatrix M;
  std::string Comment;
  ASSERT_EQ(M.ImportASC(Dir + "/t.asc", Comment), 0);
  EXPECT_EQ(Comment, A.Comment());
  EXPECT_EQ(M.GetVal(1, 3), 1.7976931348623157e308);
  EXPECT_EQ(M.GetVal(3, 3), 0);
}

TEST(DataTableAsc, PrecisionGivesSignificantDigits) {
  const std::string Dir = TempDir("dt_asc_precision");
  TDataTable A, B;
  A.Resize(1, 3);
  A.SetElem(1, 1, 1234.5678);
  A.SetElem(1, 2, 0.000012345678);
  A.SetElem(1, 3, 0.5);
  ASSERT_EQ(A.ExportAsASC(Dir + "/p.asc", 3), "");
  const std::string Text = ReadBytes(Dir + "/p.asc");
  EXPECT_NE(Text.find("1.23E+03"), std::string::npos) << Text;
  EXPECT_NE(Text.find("1.23E-05"), std::string::npos) << Text;  // small values are not rounded to 0
  EXPECT_NE(Text.find(" 0.5\r\n"), std::string::npos) << Text;
  ASSERT_EQ(B.ImportASC(Dir + "/p.asc"), 0);
  EXPECT_EQ(B.GetElem(1, 2), 1.23e-5);
  // Without the descriptions the file is a plain ASC file.
  EXPECT_NE(Text.find("TRUE TRUE TRUE FALSE\t"), std::string::npos);
}

TEST(DataTableAsc, ForeignFileGetsDefaultsWhereItHasNothing) {
  TDataTable T;
  ASSERT_EQ(T.ImportASC(DataPath("matrix_io_ref.asc")), 0) << T.LastIOError();
  ASSERT_EQ(T.NrOfColumns(), 3);
  ASSERT_EQ(T.NrOfRows(), 5);
  EXPECT_EQ(T.GetColName(2), "col 2");
  EXPECT_EQ(T.GetRowName(5), "row 5");
  EXPECT_EQ(T.GetRowAttrib(5), 0);
  EXPECT_EQ(T.GetElem(2, 2), 5e-324);
  EXPECT_EQ(T.GetMScaleType(1), stInterval);
  EXPECT_EQ(T.Comment(), "reference written by numpy");
}

TEST(DataTableAsc, BadFilesFailAndLeaveTheTable) {
  const std::string Dir = TempDir("dt_asc_bad");
  const std::string Head = "c\r\n2\t;nr. of columns\r\n2\t;nr. of rows\r\n";
  const struct {
    const char* Name;
    std::string Text;
    int Code;
    int Line;
  } Cases[] = {
      {"short row", Head + "TRUE TRUE TRUE FALSE\r\n\"a\" \"b\"\r\n1 \"r1\" 1 2\r\n2 \"r2\" 3\r\n", ascErrBadValue, 2},
      {"bad value", Head + "FALSE FALSE FALSE\r\n1 2\r\n3 x\r\n", ascErrBadValue, 2},
      {"bad attribute", Head + "TRUE FALSE FALSE FALSE\r\n1 1 2\r\n1e99 3 4\r\n", ascErrBadRowAttrib, 2},
      {"open quote", Head + "FALSE TRUE FALSE FALSE\r\n\"a\" \"b\r\n1 2\r\n3 4\r\n", ascErrBadName, 0},
      {"scale 7", Head + "FALSE FALSE FALSE TRUE\r\n1 2\r\n3 4\r\n3 0 0 0\r\n7 0 0 0\r\n",
       TDataTable::dtErrBadColumnInfo, 0},
      {"slot 151", Head + "FALSE FALSE FALSE TRUE\r\n1 2\r\n3 4\r\n1 0 151 0\r\n3 0 0 0\r\n",
       TDataTable::dtErrBadColumnInfo, 0},
      {"state 256", Head + "FALSE FALSE FALSE TRUE\r\n1 2\r\n3 4\r\n3 0 0 2 1 256\r\n3 0 0 0\r\n",
       TDataTable::dtErrBadColumnInfo, 0},
      {"half descriptions", Head + "FALSE FALSE FALSE TRUE\r\n1 2\r\n3 4\r\n3 0 0 0\r\n",
       TDataTable::dtErrBadColumnInfo, 0},
      {"columns without bytes", "c\r\n10000000\t;c\r\n0\t;r\r\nFALSE FALSE FALSE FALSE\r\n", ascErrTooLarge, 0},
      {"rows without bytes", "c\r\n1\t;c\r\n999999\t;r\r\nFALSE FALSE FALSE FALSE\r\n1\r\n", ascErrTooLarge, 0},
  };
  for (const auto& C : Cases) {
    WriteBytes(Dir + "/bad.asc", C.Text);
    TDataTable T;
    FillRichTable(T);
    const std::string Before = Snapshot(T);
    TEventLog Log;
    Log.Hook(T);
    EXPECT_EQ(T.ImportASC(Dir + "/bad.asc"), C.Code) << C.Name;
    EXPECT_FALSE(T.LastIOError().empty()) << C.Name;
    EXPECT_EQ(T.LastIOErrorLine(), C.Line) << C.Name;
    EXPECT_EQ(Snapshot(T), Before) << C.Name;
    EXPECT_EQ(Log.Total(), 0) << C.Name;
  }
  TDataTable T;
  EXPECT_EQ(T.ImportASC(Dir + "/missing.asc"), ascErrNoFile);
  // A table file read by a reader without descriptions: that flag alone,
  // with nothing after the values, is no error.
  WriteBytes(Dir + "/flag.asc", Head + "FALSE FALSE FALSE TRUE\r\n1 2\r\n3 NAN\r\n");
  ASSERT_EQ(T.ImportASC(Dir + "/flag.asc"), 0) << T.LastIOError();
  EXPECT_EQ(T.GetCellState(2, 2), csNoNumber);
}

TEST(DataTableAsc, CustDataStreamAndClipboard) {
  const std::string Dir = TempDir("dt_asc_variants");
  TDataTable A;
  FillRichTable(A);
  const TStr2DArray Cust = {{"one", "two words"}, {}, {"three"}};
  ASSERT_EQ(A.ExportAsASC(Dir + "/c.asc", -1, Cust), "");
  TDataTable B;
  TStr2DArray Back;
  ASSERT_EQ(B.ImportASC(Dir + "/c.asc", Back), 0) << B.LastIOError();
  ExpectSameTable(A, B);
  EXPECT_EQ(Back, Cust);

  TMemoryStream S;
  const char Prefix[] = "xyz";
  S.WriteBuffer(Prefix, 3);
  ASSERT_EQ(A.ExportAsASC(S, 0), "");
  S.SetPosition(3);
  TDataTable C;
  ASSERT_EQ(C.ImportASC(S), 0) << C.LastIOError();
  ExpectSameTable(A, C);

  const std::string Text(reinterpret_cast<const char*>(S.Memory()) + 3, static_cast<std::size_t>(S.Size() - 3));
  TDataTable NoComment;
  TMemoryStream S2;
  ASSERT_EQ(NoComment.ExportAsASC(S2, 0), "");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(S2.Memory()), 40), "Exported by ZEL TDataTable component: \r\n");
  Clipboard().SetAsText(Text);
  TDataTable D;
  ASSERT_EQ(D.ImportASC(Clipboard()), 0) << D.LastIOError();
  ExpectSameTable(A, D);
  Clipboard().SetAsText("not an ASC text");
  EXPECT_NE(D.ImportASC(Clipboard()), 0);
  ExpectSameTable(A, D);

  TTextFile F;
  F.Rewrite(Dir + "/open.asc");
  ASSERT_EQ(A.ExportAsASC(F, 0), "");
  F.Close();
  EXPECT_EQ(ReadBytes(Dir + "/open.asc"), Text);
}

TEST(DataTableAsc, ReadFromAscPlacesBlock) {
  const std::string Dir = TempDir("dt_asc_place");
  TDataTable Block;
  Block.Resize(2, 2);
  Block.SetColName(1, "size");
  Block.SetColName(2, "colour");
  Block.SetRowName(2, "second");
  Block.SetElem(1, 1, 1.5);
  Block.SetElemNominal(2, 1, "blue");
  Block.AddNominalID(2, "red");
  Block.SetElemNominal(2, 2, "red");
  ASSERT_EQ(Block.ExportAsASC(Dir + "/b.asc", 0), "");

  TDataTable T;
  T.Resize(3, 2);
  T.SetComment("kept");
  T.SetElem(1, 1, 7);
  T.SetColName(3, "target");
  T.AddNominalID(3, "RED");  // the file's red must land here, slot 1
  ASSERT_EQ(T.ReadFromASC(Dir + "/b.asc", 2, 2, false), 0) << T.LastIOError();
  EXPECT_EQ(T.NrOfColumns(), 3);
  EXPECT_EQ(T.NrOfRows(), 3);
  EXPECT_EQ(T.Comment(), "kept");
  EXPECT_EQ(T.GetElem(1, 1), 7);
  EXPECT_EQ(T.GetElem(2, 2), 1.5);
  EXPECT_EQ(T.GetColName(2), "size");
  EXPECT_EQ(T.GetColName(3), "colour");
  EXPECT_EQ(T.GetRowName(3), "second");
  EXPECT_EQ(T.GetElemNominal(3, 2), "blue");
  EXPECT_EQ(T.GetElemNominal(3, 3), "RED");
  EXPECT_EQ(T.GetElem(3, 3), 1);
  EXPECT_EQ(T.GetNominalID(3, 2), "blue");

  TDataTable R;
  R.Resize(2, 1);
  R.AddNominalID(2, "RED");
  ASSERT_EQ(R.ReadFromASC(Dir + "/b.asc", 1, 1, true), 0);
  EXPECT_EQ(R.GetNominalID(2, 1), "blue");  // the file's list replaced the target's
  EXPECT_EQ(R.GetElemNominal(2, 2), "red");

  const std::string Before = Snapshot(R);
  EXPECT_EQ(R.ReadFromASC(Dir + "/b.asc", 0, 1, false), TDataTable::dtErrBadPosition);
  EXPECT_EQ(R.ReadFromASC(Dir + "/b.asc", 2147483647, 1, false), TDataTable::dtErrBadPosition);
  EXPECT_EQ(Snapshot(R), Before);

  TDataTable Full;
  Full.Resize(2, 1);
  for (int k = 1; k <= kMaxNominalIDs; ++k) Full.AddNominalID(2, "v" + std::to_string(k));
  const std::string FullBefore = Full.CRCofNamesAndAttributes();
  EXPECT_EQ(Full.ReadFromASC(Dir + "/b.asc", 1, 1, false), TDataTable::dtErrTooManyIDs);
  EXPECT_EQ(Full.CRCofNamesAndAttributes(), FullBefore);
}

}  // namespace
}  // namespace zel::test
