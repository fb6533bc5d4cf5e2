// Large blocks on huge-page boundaries (see zel_memory.h).
#include "zel_memory.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace zel::detail {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void* AllocateLargeBlock(std::size_t Bytes) {
  const std::size_t rounded = (Bytes + kHugePage - 1) / kHugePage * kHugePage;
  if (rounded < Bytes) throw std::bad_alloc();
  void* p = std::aligned_alloc(kHugePage, rounded);
  if (p == nullptr) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only advice: where huge pages are off the call fails harmlessly.
  (void)madvise(p, rounded, MADV_HUGEPAGE);
#endif
  return p;
}

void FreeLargeBlock(void* P) noexcept { std::free(P); }

}  // namespace zel::detail
