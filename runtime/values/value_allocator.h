// The allocator behind string buffers and array blocks. Tests replace it to make allocation
// fail on purpose (Linux overcommits, so a merely huge request rarely fails).
#pragma once

#include <cstddef>

namespace korvane {

struct ValueAllocator {
  void* (*allocate)(std::size_t bytes);  // null on failure; blocks are aligned for any element
  // Grows a block keeping its bytes (the block may move); null on failure, the block then
  // unchanged and still owned by the caller.
  void* (*reallocate)(void* block, std::size_t bytes);
  void (*release)(void* block);  // never given null
};

// The malloc-based allocator in use at start.
ValueAllocator defaultValueAllocator();

// Replaces the allocator. Only while no string buffer or array block is alive that the
// previous one allocated, unless both release functions are compatible.
void setValueAllocator(ValueAllocator allocator);

// Through the current allocator.
void* allocateValueBlock(std::size_t bytes);
void* reallocateValueBlock(void* block, std::size_t bytes);
void releaseValueBlock(void* block);

}  // namespace korvane
