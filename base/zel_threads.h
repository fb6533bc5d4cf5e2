// Threads and critical sections.
#pragma once

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "zel_classes.h"

namespace zel {

/// Number of processors available to the process (at least 1).
int CPUCount() noexcept;

/// A worker thread: derive, override Execute, then Start and WaitFor.
/// An exception leaving Execute is kept and raised again by WaitFor in the
/// waiting thread. The destructor waits for a running thread, but by then
/// the derived part is gone: a class whose Execute uses its own members
/// calls WaitFor before it is destroyed.
class TThread : public TObject {
 public:
  TThread() = default;
  ~TThread() override;
  std::string ClassName() const override { return "TThread"; }

  /// Starts Execute on a new thread (once).
  void Start();
  /// Waits for the end of Execute; raises the exception Execute left with.
  void WaitFor();
  /// Asks Execute to stop: sets Terminated, which Execute should poll.
  void Terminate() noexcept { FTerminated = true; }
  bool Terminated() const noexcept { return FTerminated; }
  bool Finished() const noexcept { return FFinished; }

 protected:
  virtual void Execute() = 0;

 private:
  std::thread FThread;
  std::exception_ptr FError;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
};

/// A lock shared by several threads.
class TCriticalSection : public TObject {
 public:
  std::string ClassName() const override { return "TCriticalSection"; }
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  bool TryEnter() { return FMutex.try_lock(); }
  // Makes it usable with std::lock_guard.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::mutex FMutex;
};

}  // namespace zel
