// Storage for large arrays of numbers. Blocks of several megabytes are
// placed on 2 MB boundaries and offered to the kernel as candidates for huge
// pages: a fresh 40 MB matrix then costs a few dozen page faults instead of
// ten thousand, which dominates growing or copying big matrices. Smaller
// blocks start on a cache line, so that whole-register loads of aligned
// columns never straddle two lines.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace zel {

namespace detail {
/// Bytes from which a block goes the huge-page way.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{4} << 20;
/// An uninitialised block of Bytes bytes (≥ kLargeBlockBytes);
/// raises std::bad_alloc.
void* AllocateLargeBlock(std::size_t Bytes);
void FreeLargeBlock(void* P) noexcept;
}  // namespace detail

/// Alignment of every block.
inline constexpr std::size_t kBlockAlign = 64;

/// std::allocator, except that blocks start on a cache line and large
/// blocks go through AllocateLargeBlock.
template <class T>
struct TLargeBlockAllocator {
  using value_type = T;
  TLargeBlockAllocator() noexcept = default;
  template <class U>
  TLargeBlockAllocator(const TLargeBlockAllocator<U>&) noexcept {}

  T* allocate(std::size_t N) {
    if (N > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t bytes = N * sizeof(T);
    if (bytes < detail::kLargeBlockBytes) return static_cast<T*>(::operator new(bytes, std::align_val_t{kBlockAlign}));
    return static_cast<T*>(detail::AllocateLargeBlock(bytes));
  }
  void deallocate(T* P, std::size_t N) noexcept {
    if (N * sizeof(T) < detail::kLargeBlockBytes)
      ::operator delete(P, std::align_val_t{kBlockAlign});
    else
      detail::FreeLargeBlock(P);
  }
  template <class U>
  bool operator==(const TLargeBlockAllocator<U>&) const noexcept {
    return true;
  }
};

/// The storage of the matrix classes.
using TRealStorage = std::vector<double, TLargeBlockAllocator<double>>;

}  // namespace zel
