// The global progress and abort state of long computations.
#include "zel_base.h"

namespace zel {

std::atomic<bool> AbortMathProc{false};
std::atomic<double> ProcStat{0.0};
std::atomic<TMathFeedBackProc> MathFeedBackProc{nullptr};

bool MathProcStep() {
  const double stat = ProcStat.fetch_add(1.0) + 1.0;
  if (TMathFeedBackProc proc = MathFeedBackProc.load()) proc(stat);
  return !AbortMathProc.load();
}

void ResetMathProcState() {
  ProcStat = 0.0;
  AbortMathProc = false;
  MathFeedBackProc = nullptr;
}

}  // namespace zel
