// Worker threads of TMatrix::Square (the threaded cross-product matrix).
#pragma once

#include <string>

#include "zel_matrix.h"
#include "zel_threads.h"

namespace zel {

namespace detail {
struct TSquareJob;
}  // namespace detail

/// Worker of TMatrix::Square. It takes blocks of consecutive columns of the
/// cross-product matrix from the job, in increasing order, until none is left
/// or the job stops (abort, failure of another worker), and reports each
/// finished block to the calling thread, which alone advances ProcStat and
/// calls MathFeedBackProc. Workers write disjoint elements of ResMat.
class TMatSq1ColThread : public TThread {
 public:
  explicit TMatSq1ColThread(detail::TSquareJob& Job) noexcept : FJob(Job) {}
  std::string ClassName() const override { return "TMatSq1ColThread"; }

  /// First column (from 1) of the block in work; 0 before the first block.
  int Column = 0;
  double Norm = 1;
  const TMatrix* SrcMat = nullptr;
  TMatrix* ResMat = nullptr;

 protected:
  void Execute() override;

 private:
  detail::TSquareJob& FJob;
};

}  // namespace zel
