// Helpers of the TDataTable tests: a random table, a full snapshot of a
// table's content and an event log.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "zel_datatable.h"
#include "zel_random.h"

namespace zel::test {

/// Everything a table holds except its events, read through the public interface.
struct TableSnapshot {
  int NC = 0, NR = 0;
  std::vector<double> Values;  // raw matrix values, column by column
  std::vector<int> States;
  std::vector<std::string> ColNames, RowNames;
  std::vector<int> ColAtt, RowAtt;
  std::vector<int> Scales;
  std::vector<std::string> IDs;  // 150 per column, read from the record (also for non-nominal columns)
  std::string Comment;

  explicit TableSnapshot(const TDataTable& T) : NC(T.NrOfColumns()), NR(T.NrOfRows()), Comment(T.Comment()) {
    for (int c = 1; c <= NC; ++c) {
      ColNames.push_back(T.ColName(c));
      ColAtt.push_back(T.ColAttrib(c));
      Scales.push_back(static_cast<int>(T.MScaleType(c)));
      for (const auto& id : T.VTypeSpecs(c)->IDs) IDs.push_back(id);
      for (int r = 1; r <= NR; ++r) {
        Values.push_back(T.NumericData()->GetVal(c, r));
        States.push_back(T.CellState(c, r));
      }
    }
    for (int r = 1; r <= NR; ++r) {
      RowNames.push_back(T.RowName(r));
      RowAtt.push_back(T.RowAttrib(r));
    }
  }
  double Val(int c, int r) const { return Values[static_cast<std::size_t>((c - 1) * NR + r - 1)]; }
  int State(int c, int r) const { return States[static_cast<std::size_t>((c - 1) * NR + r - 1)]; }
  // Bitwise on the values, so NaNs and signed zeros compare too.
  bool operator==(const TableSnapshot& o) const {
    return NC == o.NC && NR == o.NR && Values.size() == o.Values.size() &&
           (Values.empty() || std::memcmp(Values.data(), o.Values.data(), Values.size() * sizeof(double)) == 0) &&
           States == o.States && ColNames == o.ColNames && RowNames == o.RowNames && ColAtt == o.ColAtt &&
           RowAtt == o.RowAtt && Scales == o.Scales && IDs == o.IDs && Comment == o.Comment;
  }
};

/// A table of NC × NR with random values (some fractional values in the
/// nominal and ordinal columns 2 and 3), states, names and attributes drawn
/// from few values (so that sort keys tie) and identifiers in columns 2, 3.
inline void FillRandomTable(TDataTable& T, int NC, int NR, int KeyLevels = 5) {
  T.Resize(NC, NR);
  T.SetComment("random");
  for (int c = 1; c <= NC; ++c) {
    T.SetColName(c, "n" + std::to_string(Random(KeyLevels)));
    T.SetColAttrib(c, Random(KeyLevels) - 2);
    T.SetMScaleType(c, c == 2 ? stNominal : c == 3 ? stOrdinal : c == 4 ? stRatio : stInterval);
    for (int r = 1; r <= NR; ++r) {
      T.SetElem(c, r, c <= 3 ? Random(8) * 0.5 : static_cast<double>(Random(KeyLevels)));
      T.SetCellState(c, r, static_cast<Byte>(Random(256)));
    }
  }
  for (int k = 1; k <= 3; ++k) {
    T.SetNominalID(2, k, "v" + std::to_string(k));
    T.SetNominalID(3, k, "o" + std::to_string(k));
  }
  for (int r = 1; r <= NR; ++r) {
    T.SetRowName(r, "r" + std::to_string(Random(KeyLevels)));
    T.SetRowAttrib(r, Random(KeyLevels) * 100 - 200);
  }
}

/// Records the table's events in order: "change", "setup", "names",
/// "cellstate", "attrib", "resize a,b->c,d", "sort k i j f l".
struct EventLog {
  std::vector<std::string> Seq;
  void Attach(TDataTable& T) {
    auto rec = [this](const char* s) { return [this, s](TObject*) { Seq.push_back(s); }; };
    T.OnChange = rec("change");
    T.OnChangeSetup = rec("setup");
    T.OnChangeNames = rec("names");
    T.OnChangeCellState = rec("cellstate");
    T.OnChangeAttrib = rec("attrib");
    T.OnResize = [this](TObject*, int oc, int orr, int nc, int nr) {
      Seq.push_back("resize " + std::to_string(oc) + "," + std::to_string(orr) + "->" + std::to_string(nc) + "," +
                    std::to_string(nr));
    };
  }
  int Count(const std::string& s) const {
    int n = 0;
    for (const auto& e : Seq) n += e == s ? 1 : 0;
    return n;
  }
  std::vector<std::string> Take() { return std::exchange(Seq, {}); }
};

}  // namespace zel::test
