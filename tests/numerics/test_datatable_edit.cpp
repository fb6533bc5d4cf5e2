// TDataTable edits: insert and remove (the storage path against the
// event-by-event path), exchange, mirror, clear, the cell-state operations,
// the sorts (without an exchange handler against with one, on tied keys) and
// the fingerprints against zlib.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_datatable_util.h"
#include "zel_datatable.h"
#include "zel_test_env.h"

using namespace zel;
using zel::test::EventLog;
using zel::test::TableSnapshot;

namespace {

// Two equal random tables; the second counts its OnChange events, which
// sends every bulk edit down its event-by-event path.
struct TwinTables {
  TDataTable Fast, Slow;
  int SlowChanges = 0;
  TwinTables(int NC, int NR, int KeyLevels = 5) {
    zel::test::FillRandomTable(Fast, NC, NR, KeyLevels);
    Slow.CopyContentsFrom(&Fast);
    Slow.OnChange = [this](TObject*) { ++SlowChanges; };
  }
  bool Same() const { return TableSnapshot(Fast) == TableSnapshot(Slow); }
};

}  // namespace

TEST(DataTableEdit, InsertRowStoragePathMatchesEventPath) {
  for (const int ix : {1, 4, 7, 8}) {
    TwinTables tw(5, 7);
    const TableSnapshot before(tw.Fast);
    tw.Fast.InsertRow(ix);
    tw.Slow.InsertRow(ix);
    EXPECT_TRUE(tw.Same()) << ix;
    EXPECT_EQ(tw.SlowChanges, (7 - ix + 2) * 5) << ix;  // every moved cell and every new one
    const TableSnapshot after(tw.Fast);
    EXPECT_EQ(after.RowNames[static_cast<std::size_t>(ix - 1)], "");
    for (int c = 1; c <= 5; ++c) {
      EXPECT_EQ(after.Val(c, ix), 0);
      EXPECT_EQ(after.State(c, ix), 0);
      for (int r = 1; r <= 7; ++r) {
        const int to = r < ix ? r : r + 1;
        // Moved values went through GetElem: rounded in the nominal and ordinal columns 2 and 3.
        const double v = before.Val(c, r);
        EXPECT_EQ(after.Val(c, to), r >= ix && (c == 2 || c == 3) ? std::nearbyint(v) : v);
        EXPECT_EQ(after.State(c, to), before.State(c, r));
      }
    }
  }
  TDataTable t;
  EventLog log;
  log.Attach(t);
  t.InsertRow(0);
  t.InsertRow(3);
  EXPECT_TRUE(log.Seq.empty());
  t.InsertRow(2);  // appends: an empty name, not R-2
  EXPECT_EQ(t.RowName(2), "");
  EXPECT_EQ(log.Seq.front() + " " + log.Seq.back(), "resize 1,1->1,2 setup");
}

TEST(DataTableEdit, InsertColumnStoragePathMatchesEventPath) {
  for (const int ix : {1, 3, 6}) {
    TwinTables tw(5, 6);
    const TableSnapshot before(tw.Fast);
    tw.Fast.InsertColumn(ix);
    tw.Slow.InsertColumn(ix);
    EXPECT_TRUE(tw.Same()) << ix;
    EXPECT_TRUE(tw.Fast.MScaleType(ix) == stInterval && tw.Fast.ColName(ix).empty() && !tw.Fast.CountNominalIDs(ix));
    if (ix <= 2) {
      EXPECT_EQ(tw.Fast.MScaleType(3), stNominal);
      EXPECT_EQ(tw.Fast.NominalID(3, 2), "v2");
      EXPECT_EQ(tw.Fast.NumericData()->GetVal(3, 1), std::nearbyint(before.Val(2, 1)));
    }
  }
}

TEST(DataTableEdit, RemoveRowsAndColumns) {
  TDataTable t;
  zel::test::FillRandomTable(t, 4, 5);
  const TableSnapshot before(t);
  EventLog log;
  log.Attach(t);
  t.RemoveRow(2);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"resize 4,5->4,4", "setup"}));
  for (int c = 1; c <= 4; ++c)
    for (int r = 1; r <= 4; ++r) {
      const int from = r < 2 ? r : r + 1;
      EXPECT_EQ(t.NumericData()->GetVal(c, r), before.Val(c, from));  // moved as stored, not rounded
      EXPECT_EQ(t.CellState(c, r), before.State(c, from));
    }
  EXPECT_EQ(t.RowName(2) + std::to_string(t.RowAttrib(4)), before.RowNames[2] + std::to_string(before.RowAtt[4]));

  // Column 1 takes column 2's nominal identifiers; column 3 keeps its own
  // when its right neighbour (ratio) has none to give.
  t.SetNominalID(3, 1, "mine");
  t.RemoveColumn(1);
  t.RemoveColumn(2);
  EXPECT_EQ(t.NrOfColumns(), 2);
  EXPECT_EQ(t.MScaleType(1), stNominal);
  EXPECT_EQ(t.NominalID(1, 1), "v1");
  EXPECT_EQ(t.MScaleType(2), stRatio);
  EXPECT_EQ(t.VTypeSpecs(2)->IDs[0], "mine");
  EXPECT_EQ(t.CellState(2, 4), before.State(4, 5));
  log.Take();
  TDataTable one;
  one.RemoveRow(1);
  t.RemoveColumn(3);
  EXPECT_EQ(one.NrOfRows(), 1);
  EXPECT_TRUE(log.Seq.empty());
}

TEST(DataTableEdit, RemoveMarkedRowsKeepsSurvivorsInOrder) {
  TDataTable t;
  zel::test::FillRandomTable(t, 3, 10);
  t.UnmarkAllCells();
  for (int r = 3; r <= 10; r += 3) t.SetCellState(2, r, static_cast<Byte>(t.CellState(2, r) | csMark1));
  const TableSnapshot before(t);
  EventLog log;
  log.Attach(t);
  EXPECT_EQ(t.RemoveMarkedRows(0, 11, csMark1), -1);
  EXPECT_EQ(t.RemoveMarkedRows(2, 10, csMark2), 0);  // none qualifies: untouched, silent
  EXPECT_TRUE(log.Seq.empty());
  EXPECT_EQ(t.RemoveMarkedRows(10, 4, csMark1), 2);  // rows 6 and 9; row 3 is outside the range
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"resize 3,10->3,8", "setup"}));
  const std::vector<int> kept = {1, 2, 3, 4, 5, 7, 8, 10};
  for (std::size_t k = 0; k < kept.size(); ++k) {
    const int r = static_cast<int>(k) + 1;
    EXPECT_EQ(t.RowName(r), before.RowNames[static_cast<std::size_t>(kept[k] - 1)]);
    EXPECT_EQ(t.RowAttrib(r), before.RowAtt[static_cast<std::size_t>(kept[k] - 1)]);
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(t.NumericData()->GetVal(c, r), before.Val(c, kept[k]));
      EXPECT_EQ(t.CellState(c, r), before.State(c, kept[k]));
    }
  }
  t.SetAllCellStates(csMark1);
  EXPECT_EQ(t.RemoveMarkedRows(0, 0, csMark1), 8);
  EXPECT_EQ(t.NrOfRows(), 0);
  EXPECT_EQ(t.RemoveMarkedRows(0, 0, csMark1), 0);
  t.InsertRow(1);
  EXPECT_EQ(t.NrOfRows(), 1);
}

TEST(DataTableEdit, ExchangeMirrorAndClear) {
  TDataTable t;
  zel::test::FillRandomTable(t, 4, 3);
  const TableSnapshot before(t);
  EventLog log;
  log.Attach(t);
  const std::vector<std::string> five = {"change", "cellstate", "attrib", "names", "setup"};
  t.ExchangeColumns(1, 3);
  EXPECT_EQ(log.Take(), five);
  EXPECT_EQ(t.NominalID(1, 3), "o3");  // the scale record moved along
  EXPECT_EQ(t.ColName(3), before.ColNames[0]);
  t.ExchangeRows(1, 3);
  EXPECT_EQ(log.Take(), five);
  t.ExchangeRows(0, 1);
  t.ExchangeColumns(1, 5);
  EXPECT_TRUE(log.Seq.empty());

  t.ExchangeRows(1, 3);
  t.ExchangeColumns(1, 3);
  t.MirrorColumns();
  t.MirrorRows();
  EXPECT_EQ(log.Take().size(), 20u);  // the five events once per call
  for (int c = 1; c <= 4; ++c)
    for (int r = 1; r <= 3; ++r) {
      EXPECT_EQ(t.NumericData()->GetVal(c, r), before.Val(5 - c, 4 - r));
      EXPECT_EQ(t.CellState(c, r), before.State(5 - c, 4 - r));
    }
  EXPECT_EQ(t.RowName(1) + t.ColName(1), before.RowNames[2] + before.ColNames[3]);
  EXPECT_EQ(t.VTypeSpecs(2)->IDs[0], "o1");

  t.Clear();
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"change", "names", "attrib", "cellstate", "setup"}));
  TDataTable fresh;
  fresh.Resize(4, 3);
  EXPECT_TRUE(TableSnapshot(t) == TableSnapshot(fresh));
}

TEST(DataTableStates, BulkStateOperationsAndCounts) {
  TDataTable t;
  t.Resize(3, 4);
  t.SetCellState(1, 1, csMark1 | csEmpty);
  t.SetCellState(2, 2, csMark2 | csNoNumber);
  t.SetCellState(3, 4, csImputed);
  t.SetMScaleType(1, stRatio);
  t.SetMScaleType(2, stNominal);
  t.ExchangeMarkings();
  EXPECT_EQ(t.CellState(1, 1), csMark2 | csEmpty);
  EXPECT_EQ(t.CellState(2, 2), csMark1 | csNoNumber);
  EXPECT_TRUE(t.IfRowHasCellState(2, csMark1));
  EXPECT_FALSE(t.IfRowHasCellState(3, 0xFF));
  EXPECT_TRUE(t.IfAnyCellHasCellState(3, 4, 2, 3, csImputed));
  EXPECT_FALSE(t.IfAnyCellHasCellState(1, 1, 2, 3, csImputed));
  EXPECT_EQ(t.CountMarkedCellsInRow(1, csMark2), 1);
  EXPECT_EQ(t.CountValidCells(0, 0, 0, 0), 10);
  EXPECT_EQ(t.CountImputedCells(1, 1, 3, 3), 0);
  EXPECT_EQ(t.CountNumCells(0, 0, 0, 0), 7);  // the nominal column does not count

  // One OnChange per filled cell and one more at the end; the storage path
  // without a handler fills the same cells.
  TDataTable quiet;
  quiet.CopyContentsFrom(&t);
  int changes = 0;
  t.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(t.FillMarkedCells(-1, csMark1 | csMark2), 2);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(quiet.FillMarkedCells(-1, csMark1 | csMark2), 2);
  EXPECT_TRUE(TableSnapshot(quiet) == TableSnapshot(t));
  EXPECT_EQ(t.Elem(2, 2), -1);

  t.InvertCellStates(csImputed);
  EXPECT_EQ(t.CellState(3, 4), 0);
  EXPECT_EQ(t.CellState(3, 3), csImputed);
  t.UnmarkAllCells();
  EXPECT_EQ(t.CellState(1, 1), csEmpty | csImputed);
}

TEST(DataTableSort, ValueSortsWithoutHandlerMatchTheMatrixPath) {
  struct Case {
    bool Rows, Asc, Headers;
    int Key, LowCol, LowRow, HighCol, HighRow;
  };
  const Case cases[] = {
      {true, true, true, 5, 0, 0, 0, 0},   {true, false, false, 5, 2, 3, 4, 18},  // key column outside the moved ones
      {true, true, true, 1, 0, 0, 0, 0},   {false, true, true, 4, 0, 0, 0, 0},
      {false, false, true, 2, 2, 1, 6, 9}, {false, true, false, 7, 1, 8, 6, 20},  // key row outside
  };
  for (const Case& k : cases) {
    TwinTables tw(7, 20, 3);
    tw.Fast.NumericData()->SetVal(5, 4, std::numeric_limits<double>::quiet_NaN());
    tw.Fast.NumericData()->SetVal(1, 4, std::numeric_limits<double>::quiet_NaN());
    tw.Slow.CopyContentsFrom(&tw.Fast);
    int reports = 0;
    tw.Slow.OnSortExchange = [&](TObject*, Byte, int, int, int, int) { ++reports; };
    EventLog log;
    log.Attach(tw.Fast);
    for (TDataTable* t : {&tw.Fast, &tw.Slow}) {
      if (k.Rows)
        t->SortRows(k.Key, k.Asc, k.LowCol, k.LowRow, k.HighCol, k.HighRow, k.Headers);
      else
        t->SortCols(k.Key, k.Asc, k.LowCol, k.LowRow, k.HighCol, k.HighRow, k.Headers);
    }
    EXPECT_GT(reports, 0);
    EXPECT_TRUE(tw.Same()) << k.Rows << k.Key;
    EXPECT_EQ(log.Take(),
              k.Headers ? (std::vector<std::string>{"change", "names", "attrib"}) : std::vector<std::string>{"change"});
  }
  // Rows of an ascending sort without NaN keys come out ordered, each with its own state.
  TDataTable t;
  zel::test::FillRandomTable(t, 3, 30, 4);
  for (int r = 1; r <= 30; ++r) t.SetCellState(3, r, static_cast<Byte>(t.Elem(3, r) * 2));
  t.SortRows(3, true, 0, 0, 0, 0, false);
  for (int r = 1; r <= 30; ++r) {
    EXPECT_EQ(t.CellState(3, r), static_cast<Byte>(t.Elem(3, r) * 2));
    if (r > 1) {
      EXPECT_LE(t.NumericData()->GetVal(3, r - 1), t.NumericData()->GetVal(3, r));
    }
  }
}

TEST(DataTableSort, NameAndAttributeSortsWithoutHandlerMatchTheExchangePath) {
  for (int variant = 0; variant < 6; ++variant) {
    TwinTables tw(6, 25, 4);
    std::vector<std::vector<int>> reports;
    tw.Slow.OnSortExchange = [&](TObject* s, Byte kind, int i, int j, int first, int last) {
      EXPECT_EQ(s, &tw.Slow);
      reports.push_back({kind, i, j, first, last});
    };
    for (TDataTable* t : {&tw.Fast, &tw.Slow}) {
      switch (variant) {
        case 0:
          t->SortRowNames(true, 2, 0, 5, 0);
          break;
        case 1:
          t->SortRowNames(false, true, 0, 3, 0, 22);
          break;
        case 2:
          t->SortRowAttributes(true, 0, 0, 0, 0);
          break;
        case 3:
          t->SortColNames(true, 0, 2, 0, 9);
          break;
        case 4:
          t->SortColNames(false, true, 2, 0, 6, 0);
          break;
        default:
          t->SortColAttributes(false, 0, 0, 0, 0);
          break;
      }
    }
    ASSERT_FALSE(reports.empty()) << variant;
    EXPECT_TRUE(tw.Same()) << variant;
    const bool rows = variant < 3;
    // Kind 2 for rows, 1 for columns, and the validated range of the other dimension.
    const int other[6][2] = {{2, 5}, {1, 6}, {1, 6}, {2, 9}, {1, 25}, {1, 25}};
    EXPECT_EQ(reports[0][0], rows ? 2 : 1);
    EXPECT_EQ(reports[0][3], other[variant][0]);
    EXPECT_EQ(reports[0][4], other[variant][1]);
  }
  // Keys: bytes, or lower-cased code points (the euro sign U+20AC sorts
  // after é, though its byte 0x80 comes first).
  TDataTable t;
  t.Resize(1, 5);
  const std::vector<std::string> names = {"b", "A", "\xE9", "E", "\x80"};
  for (int r = 1; r <= 5; ++r) {
    t.SetRowName(r, names[static_cast<std::size_t>(r - 1)]);
    t.SetElem(1, r, r);
  }
  t.SortRowNames(true, 0, 0, 0, 0);
  EXPECT_EQ(TableSnapshot(t).RowNames, (std::vector<std::string>{"A", "E", "b", "\x80", "\xE9"}));
  t.SortRowNames(true, true, 0, 0, 0, 0);
  EXPECT_EQ(TableSnapshot(t).RowNames, (std::vector<std::string>{"A", "b", "E", "\xE9", "\x80"}));
  EXPECT_EQ(t.Elem(1, 3), 4);  // the values travel with their rows

  t.Resize(1, 2);
  t.SetRowAttrib(1, 300);
  t.SetRowAttrib(2, 5);
  EventLog log;
  log.Attach(t);
  t.SortRowAttributes(true, 0, 0, 0, 0);
  EXPECT_EQ(t.RowAttrib(1), 5);
  EXPECT_EQ(t.RowAttrib(2), 300);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"change", "attrib"}));
  t.SortColNames(true, 0, 0, 0, 0);  // one column: nothing to do
  EXPECT_TRUE(log.Seq.empty());
}

TEST(DataTableSort, ExchangeDuringSortChecksIndices) {
  TDataTable t;
  zel::test::FillRandomTable(t, 3, 4);
  const TableSnapshot before(t);
  int forwarded = 0;
  t.OnSortExchange = [&](TObject*, Byte, int, int, int, int) { ++forwarded; };
  t.ExchangeDuringSort(&t, 2, 0, 9, 1, 3);
  t.ExchangeDuringSort(&t, 1, 1, 4, -5, 99);
  EXPECT_EQ(forwarded, 0);
  EXPECT_TRUE(TableSnapshot(t) == before);
  t.ExchangeDuringSort(&t, 2, 1, 4, 2, 99);  // states of columns 2..3 only, no headers
  EXPECT_EQ(forwarded, 1);
  EXPECT_EQ(t.CellState(1, 1), before.State(1, 1));
  EXPECT_EQ(t.CellState(3, 1), before.State(3, 4));
  EXPECT_EQ(t.RowName(1), before.RowNames[0]);
}

TEST(DataTableCRC, FingerprintsMatchZlibLanes) {
  std::ifstream in(zel::test::DataPath("datatable_crc.tsv"), std::ios::binary);
  ASSERT_TRUE(in.good());
  TDataTable t;
  std::map<std::string, std::string> expected;
  std::map<int, int> scale;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string x; std::getline(ss, x, '\t');) f.push_back(x);
    if (line.back() == '\t') f.push_back("");
    const auto n = [&f](std::size_t i) { return std::stoi(f[i]); };
    if (f[0] == "size")
      t.Resize(n(1), n(2));
    else if (f[0] == "comment")
      t.SetComment(f[1]);
    else if (f[0] == "colname")
      t.SetColName(n(1), f[2]);
    else if (f[0] == "rowname")
      t.SetRowName(n(1), f[2]);
    else if (f[0] == "colattrib")
      t.SetColAttrib(n(1), n(2));
    else if (f[0] == "rowattrib")
      t.SetRowAttrib(n(1), n(2));
    else if (f[0] == "scale")
      scale[n(1)] = n(2);
    else if (f[0] == "idf") {
      t.SetMScaleType(n(1), stNominal);
      t.SetNominalID(n(1), n(2), f[3]);
    } else if (f[0] == "state")
      t.SetCellState(n(1), n(2), static_cast<Byte>(n(3)));
    else
      expected[f[0]] = f[1];
  }
  for (const auto& [c, s] : scale) t.SetMScaleType(c, static_cast<TMScaleType>(s));
  EXPECT_EQ(t.CRCofCellStates(), expected["crc_states"]);
  EXPECT_EQ(t.CRCofNamesAndAttributes(), expected["crc_names"]);

  TDataTable u;
  u.Assign(&t);
  u.SetCellState(2, 9, static_cast<Byte>(u.CellState(2, 9) ^ 4));
  EXPECT_NE(u.CRCofCellStates(), t.CRCofCellStates());
  u.SetNominalID(3, 150, "tOp");
  EXPECT_NE(u.CRCofNamesAndAttributes(), t.CRCofNamesAndAttributes());
}
