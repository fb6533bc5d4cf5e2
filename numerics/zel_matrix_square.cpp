// The cross-product matrix AᵀA / Norm (TMatrix::Square), on the calling
// thread or on worker threads.
//
// A is first packed into column strips (zel_matrix_kernels.h); a unit of
// work is a block of consecutive columns i, for which the kernel computes
// C(i, j) for every j ≥ i, each as Σ_k A(i, k)·A(j, k) in increasing k from
// 0, then divides by Norm and writes C(i, j) and C(j, i). Which thread
// computes a block does not change a single operation, so every thread
// count gives the same bits.
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "zel_base.h"
#include "zel_matrix_kernels.h"
#include "zel_matrix_square.h"

namespace zel {

namespace detail {

// Strips per unit of work: small units balance the triangular work across
// threads, and each unit streams only the strips from its own on.
constexpr std::size_t kBlockStrips = 1;

struct TSquareJob {
  const double* P = nullptr;  // A in full-depth column strips
  std::size_t K = 0;          // rows of A: the depth of every sum
  std::size_t N = 0;          // columns of A
  std::size_t NStrips = 0;
  std::size_t NBlocks = 0;
  double Norm = 1;
  double* R = nullptr;  // storage of the result, leading dimension Ldr
  std::size_t Ldr = 0;

  // Hand-out state, under Mx.
  std::mutex Mx;
  std::condition_variable Cv;
  std::size_t Next = 0;         // next block to hand out
  std::size_t Completed = 0;    // blocks finished
  std::size_t DoneColumns = 0;  // finished columns the caller has not counted yet
  int Running = 0;              // workers still taking blocks
  bool Stop = false;
  std::exception_ptr Error;

  std::size_t FirstColumn(std::size_t B) const noexcept { return B * kBlockStrips * kStrip; }
  std::size_t ColumnsOf(std::size_t B) const noexcept {
    return std::min(N, FirstColumn(B) + kBlockStrips * kStrip) - FirstColumn(B);
  }

  void ComputeBlock(std::size_t B, std::vector<double>& Buf) const {
    const std::size_t s0 = B * kBlockStrips;
    const std::size_t ns = std::min(kBlockStrips, NStrips - s0), ms = NStrips - s0;
    const std::size_t ldc = ms * kStrip;
    Buf.resize(ldc * ns * kStrip);
    SquareBlock(P, K, s0, ms, ns, Buf.data(), ldc);
    const std::size_t c0 = FirstColumn(B), c1 = c0 + ColumnsOf(B);
    for (std::size_t i = c0; i < c1; ++i)
      for (std::size_t j = i; j < N; ++j) {
        const double v = Buf[(i - c0) * ldc + (j - c0)] / Norm;
        R[i * Ldr + j] = v;
        R[j * Ldr + i] = v;
      }
  }
};

namespace {

// All blocks on the calling thread; before each column the abort flag is
// checked and the progress step made.
bool SquareOnCaller(TSquareJob& Job) {
  std::vector<double> buf;
  for (std::size_t b = 0; b < Job.NBlocks; ++b) {
    for (std::size_t c = 0; c < Job.ColumnsOf(b); ++c) {
      if (AbortMathProc.load()) return false;
      MathProcStep();
    }
    Job.ComputeBlock(b, buf);
  }
  return true;
}

// The workers of one call. Destroying the crew stops the job and joins every
// started worker, so no worker outlives the job even when the caller leaves
// by an exception.
class TSquareCrew {
 public:
  explicit TSquareCrew(TSquareJob& Job) : FJob(Job) {}
  TSquareCrew(const TSquareCrew&) = delete;
  TSquareCrew& operator=(const TSquareCrew&) = delete;
  ~TSquareCrew() {
    {
      std::lock_guard<std::mutex> lk(FJob.Mx);
      FJob.Stop = true;
    }
    JoinAll();
  }

  // Creates and starts Count workers; on failure the ones started so far run on.
  void Start(int Count, const TMatrix* Src, TMatrix* Res) {
    {
      std::lock_guard<std::mutex> lk(FJob.Mx);
      FJob.Running = Count;
    }
    for (int i = 0; i < Count; ++i) {
      try {
        auto w = std::make_unique<TMatSq1ColThread>(FJob);
        w->Norm = FJob.Norm;
        w->SrcMat = Src;
        w->ResMat = Res;
        w->Start();
        FWorkers.push_back(std::move(w));
      } catch (...) {
        std::lock_guard<std::mutex> lk(FJob.Mx);
        FJob.Running -= Count - i;
        throw;
      }
    }
  }

  void JoinAll() noexcept {
    for (auto& w : FWorkers) try {
        w->WaitFor();
      } catch (...) {
        // Execute keeps its failures in the job; nothing else can arrive here.
      }
    FWorkers.clear();
  }

 private:
  TSquareJob& FJob;
  std::vector<std::unique_ptr<TMatSq1ColThread>> FWorkers;
};

// Coordinates Count workers: counts finished columns into ProcStat, calls
// MathFeedBackProc and watches the abort flag, all on the calling thread.
bool SquareOnWorkers(TSquareJob& Job, int Count, const TMatrix* Src, TMatrix* Res) {
  TSquareCrew crew(Job);
  crew.Start(Count, Src, Res);
  bool aborted = false;
  {
    std::unique_lock<std::mutex> lk(Job.Mx);
    for (;;) {
      Job.Cv.wait(lk, [&] { return Job.DoneColumns > 0 || Job.Running == 0; });
      const std::size_t done = std::exchange(Job.DoneColumns, 0);
      const bool finished = Job.Running == 0;
      lk.unlock();
      for (std::size_t c = 0; c < done; ++c) MathProcStep();
      if (AbortMathProc.load()) aborted = true;
      lk.lock();
      if (aborted) Job.Stop = true;
      if (finished) break;
    }
  }
  crew.JoinAll();
  if (Job.Error) std::rethrow_exception(Job.Error);
  if (aborted || Job.Completed < Job.NBlocks) return false;
  if (TMathFeedBackProc proc = MathFeedBackProc.load()) proc(ProcStat.load());
  return true;
}

}  // namespace
}  // namespace detail

void TMatSq1ColThread::Execute() {
  detail::TSquareJob& job = FJob;
  std::vector<double> buf;
  for (;;) {
    std::size_t b = 0;
    {
      std::lock_guard<std::mutex> lk(job.Mx);
      if (job.Stop || AbortMathProc.load() || job.Next >= job.NBlocks) break;
      b = job.Next++;
    }
    Column = static_cast<int>(job.FirstColumn(b)) + 1;
    try {
      job.ComputeBlock(b, buf);
    } catch (...) {
      std::lock_guard<std::mutex> lk(job.Mx);
      if (!job.Error) job.Error = std::current_exception();
      job.Stop = true;
      break;
    }
    {
      std::lock_guard<std::mutex> lk(job.Mx);
      job.DoneColumns += job.ColumnsOf(b);
      ++job.Completed;
    }
    job.Cv.notify_one();
  }
  std::lock_guard<std::mutex> lk(job.Mx);
  --job.Running;
  job.Cv.notify_one();
}

bool TMatrix::Square(TMatrix* MatRes, double Norm) { return Square(MatRes, Norm, CPUCount()); }

bool TMatrix::Square(TMatrix* MatRes, double Norm, int NThreads) {
  if (MatRes == nullptr || MatRes == this) return false;
  // A zero (or non-finite) Norm would turn every element into inf or NaN.
  if (Norm == 0 || !std::isfinite(Norm)) return false;
  MatRes->Resize(FNCol, FNCol);
  detail::TSquareJob job;
  job.K = static_cast<std::size_t>(FNRow);
  job.N = static_cast<std::size_t>(FNCol);
  job.NStrips = detail::StripCeil(job.N) / detail::kStrip;
  job.NBlocks = (job.NStrips + detail::kBlockStrips - 1) / detail::kBlockStrips;
  job.Norm = Norm;
  job.R = MatRes->Data().data();
  job.Ldr = MatRes->LeadingDim();
  bool ok = false;
  try {
    // Not zeroed: the packing writes every element, padding included.
    const std::unique_ptr<double[]> packed(new double[job.NStrips * detail::kStrip * job.K]);
    detail::PackColumnStrips(FMat.data(), FLd, job.K, job.N, 0, job.NStrips, packed.get());
    job.P = packed.get();
    // More workers than processors or than blocks cannot finish sooner.
    const int workers =
        std::min({std::max(NThreads, 1), static_cast<int>(std::min<std::size_t>(job.NBlocks, 1 << 20)), CPUCount()});
    ok = workers <= 1 ? detail::SquareOnCaller(job) : detail::SquareOnWorkers(job, workers, this, MatRes);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  if (ok) MatRes->Changed();
  return ok;
}

}  // namespace zel
