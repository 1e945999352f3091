// The allocator seam for string buffers and array blocks.
#include "runtime/values/value_allocator.h"

#include <cstdlib>

namespace korvane {

namespace {
void* mallocBlock(std::size_t bytes) { return std::malloc(bytes); }
void* reallocBlock(void* block, std::size_t bytes) { return std::realloc(block, bytes); }
void freeBlock(void* block) { std::free(block); }

ValueAllocator currentAllocator{mallocBlock, reallocBlock, freeBlock};
}  // namespace

ValueAllocator defaultValueAllocator() { return {mallocBlock, reallocBlock, freeBlock}; }

void setValueAllocator(ValueAllocator allocator) { currentAllocator = allocator; }

void* allocateValueBlock(std::size_t bytes) { return currentAllocator.allocate(bytes); }

void* reallocateValueBlock(void* block, std::size_t bytes) {
  return currentAllocator.reallocate(block, bytes);
}

void releaseValueBlock(void* block) { currentAllocator.release(block); }

}  // namespace korvane
