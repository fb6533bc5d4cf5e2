// TDataTable model: defaults and resizing, accessors and their events,
// nominal identifiers, names and attributes, the wiring of the matrix
// handlers (Assign, borrowed matrices, destruction) and copying.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "test_datatable_util.h"
#include "zel_datatable.h"
#include "zel_test_env.h"

using namespace zel;
using zel::test::EventLog;
using zel::test::TableSnapshot;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(DataTableModel, FreshTableResizeAndEmptyDimensions) {
  TDataTable t;
  EXPECT_EQ(t.NrOfColumns(), 1);
  EXPECT_EQ(t.NrOfRows(), 1);
  EXPECT_EQ(t.Elem(1, 1), 0);
  EXPECT_EQ(t.ColName(1), "C-1");
  EXPECT_EQ(t.RowName(1), "R-1");
  EXPECT_EQ(t.MScaleType(1), stInterval);
  EXPECT_STREQ(MScaleTypeNames[static_cast<int>(stOrdinal)], "Ordinal");

  EventLog log;
  log.Attach(t);
  t.Resize(2, 3);
  t.SetColName(1, "first");
  t.SetColName(2, "second");
  t.SetElem(2, 3, 7.5);
  t.SetCellState(2, 3, 9);
  t.SetColAttrib(2, 4);
  t.SetMScaleType(2, stRatio);
  log.Take();
  t.SetNrOfColumns(4);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"resize 2,3->4,3"});  // the only event
  EXPECT_EQ(t.ColName(2) + t.ColName(3) + t.ColName(4), "secondC-3C-4");
  EXPECT_EQ(t.MScaleType(4), stInterval);
  EXPECT_TRUE(t.Elem(2, 3) == 7.5 && t.CellState(2, 3) == 9 && t.ColAttrib(2) == 4 && t.MScaleType(2) == stRatio);
  t.Resize(4, 3);
  EXPECT_TRUE(log.Take().empty());  // same shape: nothing

  // Shrinking and regrowing regenerates the defaults; rows keep their cells.
  t.Resize(1, 5);
  t.Resize(3, 5);
  EXPECT_EQ(t.ColName(2), "C-2");
  EXPECT_EQ(t.Elem(2, 3), 0);
  EXPECT_EQ(t.CellState(2, 3), 0);
  EXPECT_EQ(t.RowName(5), "R-5");

  // Negative sizes count as 0; an empty dimension gives empty ranges.
  t.Resize(2, -4);
  EXPECT_EQ(t.NrOfRows(), 0);
  EXPECT_EQ(t.NumericData()->NrOfRows(), 0);
  int lo = 1, hi = 1;
  t.MakeValidRowRange(lo, hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);
  EXPECT_FALSE(t.IsNumber(1, 1));
  EXPECT_EQ(t.CountValidCells(1, 1, 1, 1), 0);
  int row = -1;
  EXPECT_EQ(t.MaxRowAttrib(1, 1, row), 0);
  EXPECT_EQ(row, 0);
}

TEST(DataTableModel, ResizeKeepsTheOverlapOfStatesAndValues) {
  TDataTable t;
  zel::test::FillRandomTable(t, 4, 5);
  for (const auto& [nc, nr] : std::vector<std::pair<int, int>>{{3, 7}, {6, 9}, {5, 2}, {2, 4}, {7, 1}}) {
    const TableSnapshot before(t);
    t.Resize(nc, nr);
    for (int c = 1; c <= nc; ++c)
      for (int r = 1; r <= nr; ++r) {
        const bool kept = c <= before.NC && r <= before.NR;
        EXPECT_EQ(t.CellState(c, r), kept ? before.State(c, r) : 0) << nc << "x" << nr << " " << c << "," << r;
        EXPECT_EQ(t.NumericData()->GetVal(c, r), kept ? before.Val(c, r) : 0);
      }
  }
}

TEST(DataTableModel, FailingMatrixResizeLeavesTableIntactAndRelayAttached) {
  TDataTable t;
  t.Resize(3, 2);
  t.SetElem(3, 2, 4);
  EventLog log;
  log.Attach(t);
  try {
    t.Resize(INT_MAX, INT_MAX);
    ADD_FAILURE() << "no exception";
  } catch (const EZELError& e) {
    EXPECT_NE(std::string(e.Message()).find("not enough memory on heap"), std::string::npos);
  }
  EXPECT_TRUE(t.NrOfColumns() == 3 && t.NrOfRows() == 2 && t.NumericData()->NrOfColumns() == 3);
  EXPECT_EQ(t.Elem(3, 2), 4);
  EXPECT_TRUE(log.Seq.empty());
  t.NumericData()->SetVal(1, 1, 2);  // the relay is attached again
  EXPECT_EQ(log.Take(), std::vector<std::string>{"change"});
}

TEST(DataTableCells, ValuesStatesAndTheirEvents) {
  TDataTable t;
  t.Resize(2, 2);
  EventLog log;
  log.Attach(t);
  t.SetElem(1, 1, 2.5);
  t.SetElem(3, 1, 1);                                         // outside: ignored
  EXPECT_EQ(log.Take(), std::vector<std::string>{"change"});  // once, not again through the relay

  // Nominal columns read rounded half-even; NaN and huge values pass unharmed.
  t.SetMScaleType(1, stNominal);
  EXPECT_EQ(t.Elem(1, 1), 2);
  t.SetElem(1, 2, 3.5);
  EXPECT_EQ(t.Elem(1, 2), 4);
  t.SetElem(2, 1, 2.6);
  EXPECT_EQ(t.Elem(2, 1), 2.6);  // interval: as stored
  t.SetNominalID(1, 2, "two");
  EXPECT_EQ(t.ElemNominal(1, 1), "two");  // 2.5 holds slot 2
  EXPECT_EQ(t.ElemNominal(2, 1), "");  // not nominal
  const std::vector<std::pair<double, std::string>> outside = {
      {0, "0"}, {151, "151"}, {-3.4, "-3"}, {1e15, "1000000000"}, {kNaN, "0"}, {1e300, "9223372036"}};
  for (const auto& [v, text] : outside) {
    t.SetElem(1, 2, v);
    EXPECT_EQ(t.ElemNominal(1, 2), text) << v;
  }
  t.SetElem(1, 2, kNaN);
  EXPECT_TRUE(std::isnan(t.Elem(1, 2)));
  t.SetElem(1, 2, 1e300);
  EXPECT_EQ(t.Elem(1, 2), 1e300);

  log.Take();
  t.SetCellState(1, 1, 0);  // unchanged: no event
  t.SetCellState(1, 1, csNoNumber);
  t.SetCellState(5, 1, 3);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"cellstate"});
  EXPECT_FALSE(t.IsNumber(1, 1));
  t.SetIsEmpty(1, 2, true);
  t.SetIsEmpty(1, 2, true);  // bit already set: only OnChange
  t.SetIsImputed(1, 2, true);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"cellstate", "change", "change", "cellstate", "change"}));
  EXPECT_EQ(t.CellState(1, 2), csEmpty | csImputed);
  EXPECT_TRUE(t.IsEmpty(1, 2) && t.IsImputed(1, 2) && !t.IsNumber(1, 2));
  t.SetIsEmpty(0, 2, true);
  EXPECT_TRUE(log.Seq.empty());
  EXPECT_FALSE(t.IsNumber(3, 1));
}

TEST(DataTableNominal, IdentifierSlotsAndScaleLevels) {
  TDataTable t;
  t.SetName("T");
  t.Resize(4, 2);
  t.SetMScaleType(1, stNominal);
  t.SetElemNominal(1, 1, "abc");
  t.SetElemNominal(1, 2, "ABC");
  EXPECT_TRUE(t.Elem(1, 1) == 1 && t.Elem(1, 2) == 1);
  EXPECT_EQ(t.OrdinalOfNominalID(1, "ABC", false), 0);
  EXPECT_EQ(t.OrdinalOfNominalID(1, "ABC", true), 1);
  t.SetElemNominal(1, 1, "abcdefghijKLM");
  EXPECT_EQ(t.NominalID(1, 2), "abcdefghij");  // cut to 10 bytes
  EXPECT_EQ(t.OrdinalOfNominalID(1, "abcdefghijXYZ", false), 2);
  for (int k = 3; k <= kMaxNominalIDs; ++k) t.SetElemNominal(1, 1, "id" + std::to_string(k));
  EXPECT_EQ(t.CountNominalIDs(1), kMaxNominalIDs);
  try {
    t.SetElemNominal(1, 1, "one more");
    ADD_FAILURE() << "no exception";
  } catch (const EZELDataTableError& e) {
    EXPECT_EQ(e.Message(), "Component \"T\": number of available nominal values exceeded");
  }
  EXPECT_EQ(t.AddNominalID(1, "another"), 0);
  EXPECT_EQ(t.AddNominalID(1, "ID7"), 7);

  EventLog log;
  log.Attach(t);
  EXPECT_EQ(t.AddNominalID(2, "x"), 1);  // interval column: becomes nominal
  EXPECT_EQ(t.MScaleType(2), stNominal);
  EXPECT_EQ(log.Take(), std::vector<std::string>{"setup"});
  t.SetMScaleType(2, stInterval);
  EXPECT_EQ(t.NominalID(2, 1), "");         // hidden while not nominal ...
  EXPECT_EQ(t.VTypeSpecs(2)->IDs[0], "x");  // ... but kept
  EXPECT_EQ(t.AddNominalID(2, "x"), 2);     // the lookup ran before the type was set
  t.SetMScaleType(3, stInterval);
  t.SetNominalID(3, 1, "y");  // not stored in an interval column, event all the same
  t.SetNominalID(2, 1, "");   // cleared whatever the type
  t.SetNominalID(2, 151, "z");
  EXPECT_EQ(log.Take(), std::vector<std::string>(5, "setup"));
  EXPECT_EQ(t.VTypeSpecs(3)->IDs[0], "");
  EXPECT_EQ(t.VTypeSpecs(2)->IDs[0], "");
  t.ClearNominalIDs(1);
  EXPECT_EQ(t.CountNominalIDs(1), 0);

  t.SetMScaleType(3, stOrdinal);
  t.SetMScaleType(4, stUnknown);
  EXPECT_EQ(t.ListOfCategorialVars(), (TIntArray{1, 2, 3}));
  EXPECT_EQ(t.FindHighestMLevel(1, 2), stNominal);
  EXPECT_EQ(t.FindHighestMLevel(0, 0), stOrdinal);
  EXPECT_EQ(t.FindLowestMLevel(0, 0), stUnknown);
  EXPECT_EQ(t.FindLowestMLevel(3, 1), stNominal);
  EXPECT_EQ(t.MScaleType(0), stUnknown);
}

TEST(DataTableNames, NamesAttributesCommentAndSearches) {
  TDataTable t;
  t.Resize(3, 4);
  EventLog log;
  log.Attach(t);
  std::string longName(49, 'x');
  longName += "\xE9\xE8tail";
  t.SetColName(2, longName);
  EXPECT_EQ(t.ColName(2), longName.substr(0, 50));
  t.SetComment("line 1\r\nline\t2\x7F");
  EXPECT_EQ(t.Comment(), "line 1line2");
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"names", "setup"}));

  t.SetColName(1, "C-1");
  EXPECT_EQ(t.FindColIndex("  c-1 "), 1);
  EXPECT_EQ(t.FindColIndex("\tc-1"), 0);  // only spaces are trimmed
  EXPECT_EQ(t.FindRowIndex("R-5"), 0);

  const int att[] = {300, 5, 300, -1};
  for (int r = 1; r <= 4; ++r) t.SetRowAttrib(r, att[r - 1]);
  int row = 0;
  EXPECT_EQ(t.MaxRowAttrib(0, 0, row), 300);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(t.MinRowAttrib(2, 3, row), 5);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(t.RowAttribLevels(), 1);  // 300 and -1 are outside 0..255
  t.SetColAttributes(7);
  log.Take();
  t.SetColAttributes(static_cast<int>(0x80000001u), static_cast<int>(0x80000003u));
  EXPECT_EQ(t.ColAttrib(3), static_cast<int>(0x80000005u));
  EXPECT_EQ(log.Take(), std::vector<std::string>{"attrib"});
  t.SetRowAttrib(5, 1);
  t.SetColName(0, "x");
  EXPECT_TRUE(log.Seq.empty());
}

TEST(DataTableWiring, AssignCopiesContentAndHooksTheCopysMatrix) {
  auto a = std::make_unique<TDataTable>();
  zel::test::FillRandomTable(*a, 4, 9);
  int aChanges = 0, sortReports = 0;
  a->OnChange = [&](TObject*) { ++aChanges; };
  a->OnSortExchange = [&](TObject*, Byte, int, int, int, int) { ++sortReports; };
  TDataTable b;
  b.Assign(a.get());
  EXPECT_TRUE(TableSnapshot(b) == TableSnapshot(*a));
  EXPECT_EQ(aChanges, 0);  // Assign fires nothing
  EXPECT_FALSE(b.ExtMatAssigned());

  // Sorting the copy moves the copy's states; the source stays as it was.
  const TableSnapshot before(*a);
  b.SortRows(1, true, 0, 0, 0, 0, true);
  EXPECT_GT(sortReports, 0);  // the copied handler
  EXPECT_TRUE(TableSnapshot(*a) == before);
  const int changesBefore = aChanges;
  a->OnChange = nullptr;
  b.NumericData()->SetVal(1, 1, 99);  // reaches b's (copied) handler through b's relay
  EXPECT_EQ(aChanges, changesBefore + 1);
  a.reset();
  b.SortRows(2, false, 0, 0, 0, 0, true);  // nothing dangles once the source is gone

  TMatrix m;
  EXPECT_THROW(b.Assign(&m), EConvertError);
  EXPECT_THROW(m.Assign(&b), EConvertError);
}

TEST(DataTableWiring, BorrowedMatricesAreHookedAndReleased) {
  auto m1 = std::make_unique<TMatrix>();
  auto m2 = std::make_unique<TMatrix>();
  m1->Resize(2, 3);
  m2->Resize(4, 5);
  m2->SetVal(4, 5, 8);
  {
    TDataTable t;
    t.AssignAnotherDataMatrix(m1.get());
    EXPECT_TRUE(t.ExtMatAssigned());
    t.SetMScaleType(1, stNominal);
    t.SetNominalID(1, 1, "keep");
    EventLog log;
    log.Attach(t);
    m1->SetVal(1, 1, 3);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"change"});
    t.AssignAnotherDataMatrix(nullptr);
    t.AssignAnotherDataMatrix(m1.get());
    EXPECT_TRUE(log.Seq.empty());

    t.AssignAnotherDataMatrix(m2.get());
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"resize 2,3->4,5", "resize 2,3->4,5", "change", "setup", "names",
                                                    "attrib", "cellstate"}));
    EXPECT_FALSE(m1->OnChange || m1->OnSortExchange);  // the old one is unhooked ...
    EXPECT_EQ(m1->NrOfColumns(), 2);                   // ... and not resized
    EXPECT_EQ(t.Elem(4, 5), 8);
    EXPECT_EQ(t.MScaleType(1), stInterval);
    EXPECT_EQ(t.VTypeSpecs(1)->IDs[0], "keep");
    m1->SetVal(1, 1, 4);
    EXPECT_TRUE(log.Seq.empty());

    // A borrowed matrix resized behind the table's back: the table follows.
    m2->Resize(3, 7);
    EXPECT_EQ(t.NrOfColumns(), 3);
    EXPECT_EQ(t.NrOfRows(), 7);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"resize 4,5->3,7", "change"}));
    m2->OnChange = nullptr;  // even without the relay
    m2->Resize(2, 2);
    t.InsertRow(1);
    EXPECT_EQ(t.NrOfRows(), 3);
    EXPECT_EQ(m2->NrOfRows(), 3);
  }
  // The table is gone; the borrowed matrix lives on without its handlers.
  EXPECT_FALSE(m2->OnChange || m2->OnSortExchange);
  m2->SetVal(1, 1, 2);
  m2->SortRows(1, true, 0, 0, 0, 0);
  EXPECT_EQ(m2->GetVal(1, 3), 2);
}

TEST(DataTableCopy, CopyContentsFromAndCellStates) {
  TDataTable src, t;
  zel::test::FillRandomTable(src, 5, 4);
  int srcEvents = 0;
  src.OnChange = [&](TObject*) { ++srcEvents; };
  EventLog log;
  log.Attach(t);
  t.CopyContentsFrom(&src);
  EXPECT_TRUE(TableSnapshot(t) == TableSnapshot(src));
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"resize 1,1->5,4", "change", "cellstate", "setup", "names", "attrib",
                                                  "resize 1,1->5,4"}));
  t.CopyContentsFrom(&src);  // same size: OnResize once, at the end
  EXPECT_EQ(log.Take().back(), "resize 5,4->5,4");
  t.SetElem(1, 1, 5);
  EXPECT_EQ(srcEvents, 0);  // events are not copied
  EXPECT_EQ(log.Take(), std::vector<std::string>{"change"});

  TDataTable other;
  other.Resize(5, 4);
  other.SetAllCellStates(6);
  EXPECT_TRUE(t.CopyCellStatesFrom(&other));
  EXPECT_EQ(t.CountMarkedCellsInColumn(3, 4), 4);
  other.Resize(5, 3);
  EXPECT_FALSE(t.CopyCellStatesFrom(&other));
}

TEST(DataTableCopy, CopyFromClipsTheBlockAndSurvivesOverlap) {
  TDataTable t;
  t.Resize(4, 4);
  for (int c = 1; c <= 4; ++c)
    for (int r = 1; r <= 4; ++r) {
      t.SetElem(c, r, 10 * c + r);
      t.SetCellState(c, r, static_cast<Byte>(10 * c + r));
    }
  const TableSnapshot before(t);
  EventLog log;
  log.Attach(t);
  // Source bounds reversed and beyond the table: the block is (2..4) × (1..2).
  t.CopyFrom(&t, 9, 2, 2, -5, 3, 2);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"change", "cellstate"}));
  for (int c = 1; c <= 4; ++c)
    for (int r = 1; r <= 4; ++r) {
      const bool target = c >= 3 && r >= 2 && r <= 3;  // targets in columns 5, 6 are dropped
      const int sc = target ? c - 1 : c, sr = target ? r - 1 : r;
      EXPECT_EQ(t.Elem(c, r), before.Val(sc, sr)) << c << "," << r;
      EXPECT_EQ(t.CellState(c, r), before.State(sc, sr)) << c << "," << r;
    }
  EXPECT_EQ(t.ColName(3), "C-3");
  t.CopyFrom(nullptr, 1, 1, 1, 1, 1, 1);
  EXPECT_TRUE(log.Seq.empty());
}

TEST(DataTableCopy, ArraysOfValues) {
  TDataTable t;
  t.Resize(3, 2);
  TDoubleArray a;
  EXPECT_EQ(t.CopyDataRowToArray(2, a), 0);
  EXPECT_EQ(a.size(), 3u);  // NrOfColumns values
  int changes = 0;
  t.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(t.CopyDataColumnFromArray(2, {1, 2, 3}), 0);  // writes min(2, 3) values
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(t.CopyDataRowFromArray(0, {1}), -1);
  EXPECT_EQ(t.CopyDataFromArray(TInt2DArray{{1, 2}, {3, 4}, {5, 6}}), 0);
  EXPECT_EQ(t.CopyDataFromArray(TDouble2DArray{{7}, {8, 9, 10}}), -1);  // overlap copied all the same
  TDouble2DArray all;
  t.CopyDataToArray(all);
  EXPECT_EQ(all, (TDouble2DArray{{7, 2}, {8, 9}, {5, 6}}));
}

TEST(DataTableWiring, MatrixLentToTwoTables) {
  TMatrix m;
  m.Resize(2, 2);
  const std::string dir = zel::test::TempDir("dt_two_tables");
  auto a = std::make_unique<TDataTable>();
  TDataTable b;
  a->AssignAnotherDataMatrix(&m);
  b.AssignAnotherDataMatrix(&m);  // b's handlers replace a's
  // a is out of step once the matrix changes shape under b: its writers
  // refuse instead of reading past the matrix.
  m.Resize(1, 1);
  EXPECT_EQ(b.NrOfRows(), 1);
  EXPECT_EQ(a->NrOfRows(), 2);
  EXPECT_FALSE(a->MatrixInStep());
  EXPECT_NE(a->ExportAsCSV(dir + "/a.csv", 6, csvComma, true, false), "");
  EXPECT_NE(a->ExportAsASC(dir + "/a.asc", 6), "");
  EXPECT_THROW(a->SaveAsXMLFile(dir + "/a.xml", 0, ""), Exception);
  EXPECT_FALSE(std::filesystem::exists(dir + "/a.csv"));
  // Letting go of the matrix leaves b's handlers in place.
  a.reset();
  ASSERT_TRUE(m.OnChange && m.OnSortExchange);
  m.Resize(3, 4);
  EXPECT_EQ(b.NrOfRows(), 4);
  m.SetVal(1, 4, -5);
  b.SetCellState(1, 4, csMark1);
  m.SortRows(1, true, 0, 0, 0, 0);  // b's exchange relay moves the states along
  EXPECT_EQ(b.GetElem(1, 1), -5);
  EXPECT_EQ(b.GetCellState(1, 1), csMark1);
}

TEST(DataTableNominal, IdentifierStorageIsTakenOnlyWhenWritten) {
  TDataTable t;
  t.Resize(3, 1);
  const TDataTable& c = t;
  EXPECT_EQ(c.VTypeSpecs(2)->IDs[149], "");
  EXPECT_EQ(c.CountNominalIDs(2), 0);
  t.SetMScaleType(2, stNominal);
  EXPECT_EQ(t.AddNominalID(2, "red"), 1);
  EXPECT_EQ(t.AddNominalID(2, "blue"), 2);
  t.SetNominalID(2, 1, "");
  EXPECT_EQ(t.AddNominalID(2, "green"), 1);  // the first free slot again
  TDataTable copy;
  copy.CopyContentsFrom(&t);
  EXPECT_EQ(copy.GetNominalID(2, 2), "blue");
  t.ClearNominalIDs(2);
  EXPECT_EQ(t.CountNominalIDs(2), 0);
  EXPECT_EQ(copy.CountNominalIDs(2), 2);  // a deep copy
  EXPECT_FALSE(copy.VTypeSpecs(2)->IDs == t.VTypeSpecs(2)->IDs);
  EXPECT_TRUE(t.VTypeSpecs(1)->IDs == t.VTypeSpecs(2)->IDs);  // cleared equals untouched
}
