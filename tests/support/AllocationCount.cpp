#include "AllocationCount.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

bool counting = false;
int calls = 0;

void* Allocate(std::size_t size, std::size_t alignment) {
  if (counting) ++calls;
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (void* p = std::aligned_alloc(alignment, rounded ? rounded : alignment)) return p;
  throw std::bad_alloc();
}

}  // namespace

// The standard library's array forms call these.
void* operator new(std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return Allocate(size, static_cast<std::size_t>(alignment));
}
// The nothrow forms too, but AddressSanitizer puts its own in their place,
// whose blocks the free below would then release (std::stable_sort's
// temporary buffer takes one): so they are replaced here as well.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size, alignof(std::max_align_t));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size, static_cast<std::size_t>(alignment));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace tessaro::test {

AllocationCount::AllocationCount() {
  calls = 0;
  counting = true;
}

AllocationCount::~AllocationCount() { counting = false; }

int AllocationCount::Calls() const { return calls; }

void AllocateOneOfEachForm() {
  void* (*volatile plain)(std::size_t) = &::operator new;
  void (*volatile freePlain)(void*) noexcept = &::operator delete;
  void* (*volatile aligned)(std::size_t, std::align_val_t) = &::operator new;
  void (*volatile freeAligned)(void*, std::align_val_t) noexcept = &::operator delete;
  freePlain(plain(1));
  freeAligned(aligned(1, std::align_val_t{64}), std::align_val_t{64});
}

}  // namespace tessaro::test
