#include "zel_threads.h"

namespace zel {

int CPUCount() noexcept {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

TThread::~TThread() {
  if (FThread.joinable()) {
    FTerminated = true;
    FThread.join();
  }
}

void TThread::Start() {
  if (FThread.joinable() || FFinished) return;
  FThread = std::thread([this] {
    try {
      Execute();
    } catch (...) {
      FError = std::current_exception();
    }
    FFinished = true;
  });
}

void TThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
  if (FError) {
    std::exception_ptr e = FError;
    FError = nullptr;
    std::rethrow_exception(e);
  }
}

}  // namespace zel
