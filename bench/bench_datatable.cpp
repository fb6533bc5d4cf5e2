// Structure edits and sorts of a 10^5-row × 50-column TDataTable without
// event handlers, each on a fresh copy of the same random table. Peer: a
// column store of std::vectors (one per column for values and states, plus
// names and attributes) doing the same block moves with vector::insert and
// vector::erase. The table also keeps its scale records in step and rounds
// the moved values of its nominal columns. The printed lines at the end
// compare the sort with and without an OnSortExchange handler (the handler
// makes every exchange go through the matrix and the table one by one).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "zel_datatable.h"
#include "zel_random.h"

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 50;

const zel::TDataTable& Template() {
  static zel::TDataTable* t = [] {
    auto* p = new zel::TDataTable();
    p->Resize(kCols, kRows);
    zel::SetRandSeed(7);
    auto* m = p->NumericData();
    for (int c = 1; c <= kCols; ++c) {
      if (c <= 5) p->SetMScaleType(c, zel::stNominal);
      double* v = m->ColumnData(c);
      for (int r = 0; r < kRows; ++r) v[r] = c <= 5 ? zel::Random(20) : zel::Random() * 1000;
    }
    for (int r = 1; r <= kRows; ++r) {
      p->SetRowName(r, "obj" + std::to_string(zel::Random(kRows)));
      p->SetRowAttrib(r, zel::Random(10));
      if (r % 3 == 0) p->SetCellState(1 + r % kCols, r, zel::csMark1);
    }
    return p;
  }();
  return *t;
}

template <class Op>
void OnFreshCopy(benchmark::State& state, Op op) {
  zel::TDataTable t;
  for (auto _ : state) {
    state.PauseTiming();
    t.CopyContentsFrom(&Template());
    state.ResumeTiming();
    op(t);
  }
}

void BM_InsertRow(benchmark::State& s) {
  OnFreshCopy(s, [](zel::TDataTable& t) { t.InsertRow(1); });
}
void BM_RemoveRow(benchmark::State& s) {
  OnFreshCopy(s, [](zel::TDataTable& t) { t.RemoveRow(1); });
}
void BM_InsertColumn(benchmark::State& s) {
  OnFreshCopy(s, [](zel::TDataTable& t) { t.InsertColumn(1); });
}
void BM_RemoveColumn(benchmark::State& s) {
  OnFreshCopy(s, [](zel::TDataTable& t) { t.RemoveColumn(1); });
}
void BM_SortRowsIncludeHeaders(benchmark::State& s) {
  OnFreshCopy(s, [](zel::TDataTable& t) { t.SortRows(kCols, true, 0, 0, 0, 0, true); });
}
void BM_RemoveMarkedRowsEveryThird(benchmark::State& s) {
  OnFreshCopy(s, [](zel::TDataTable& t) { benchmark::DoNotOptimize(t.RemoveMarkedRows(0, 0, zel::csMark1)); });
}
BENCHMARK(BM_InsertRow)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RemoveRow)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_InsertColumn)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RemoveColumn)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SortRowsIncludeHeaders)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RemoveMarkedRowsEveryThird)->Unit(benchmark::kMillisecond)->Iterations(10);

// The peer: one std::vector per column.
struct ColumnStore {
  std::vector<std::vector<double>> Values;
  std::vector<std::vector<std::uint8_t>> States;
  std::vector<std::string> Names;
  std::vector<int> Att;
  explicit ColumnStore(const zel::TDataTable& T) {
    for (int c = 1; c <= T.NrOfColumns(); ++c) {
      const double* v = T.NumericData()->ColumnData(c);
      Values.emplace_back(v, v + T.NrOfRows());
      States.emplace_back(static_cast<std::size_t>(T.NrOfRows()));
      for (int r = 1; r <= T.NrOfRows(); ++r) States.back()[static_cast<std::size_t>(r - 1)] = T.CellState(c, r);
    }
    for (int r = 1; r <= T.NrOfRows(); ++r) {
      Names.push_back(T.RowName(r));
      Att.push_back(T.RowAttrib(r));
    }
  }
  void InsertRow(std::size_t ix) {
    for (auto& v : Values) v.insert(v.begin() + static_cast<std::ptrdiff_t>(ix), 0.0);
    for (auto& s : States) s.insert(s.begin() + static_cast<std::ptrdiff_t>(ix), 0);
    Names.insert(Names.begin() + static_cast<std::ptrdiff_t>(ix), std::string());
    Att.insert(Att.begin() + static_cast<std::ptrdiff_t>(ix), 0);
  }
  void RemoveRow(std::size_t ix) {
    for (auto& v : Values) v.erase(v.begin() + static_cast<std::ptrdiff_t>(ix));
    for (auto& s : States) s.erase(s.begin() + static_cast<std::ptrdiff_t>(ix));
    Names.erase(Names.begin() + static_cast<std::ptrdiff_t>(ix));
    Att.erase(Att.begin() + static_cast<std::ptrdiff_t>(ix));
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  zel::TDataTable t;
  t.CopyContentsFrom(&Template());
  ColumnStore peer(Template());
  zelbench::PrintRatio(
      "TDataTable::InsertRow(1)", "column store insert",
      [&] {
        t.InsertRow(1);
        return t.NrOfRows();
      },
      [&] {
        peer.InsertRow(0);
        return peer.Names.size();
      });
  zelbench::PrintRatio(
      "TDataTable::RemoveRow(1)", "column store erase",
      [&] {
        t.RemoveRow(1);
        return t.NrOfRows();
      },
      [&] {
        peer.RemoveRow(0);
        return peer.Names.size();
      });

  // One run each: the handler path makes ~10^6 exchanges one by one.
  zel::TDataTable quiet, reported;
  quiet.CopyContentsFrom(&Template());
  reported.CopyContentsFrom(&Template());
  long exchanges = 0;
  reported.OnSortExchange = [&exchanges](zel::TObject*, zel::Byte, int, int, int, int) { ++exchanges; };
  const double fast = zelbench::BestSeconds(
      [&] {
        quiet.SortRows(kCols, true, 0, 0, 0, 0, true);
        return quiet.NrOfRows();
      },
      1);
  const double slow = zelbench::BestSeconds(
      [&] {
        reported.SortRows(kCols, true, 0, 0, 0, 0, true);
        return reported.NrOfRows();
      },
      1);
  std::printf("SortRows %d x %d with headers: %.1f ms without handler, %.1f ms with OnSortExchange (%ld exchanges)\n",
              kRows, kCols, fast * 1e3, slow * 1e3, exchanges);
  return 0;
}
