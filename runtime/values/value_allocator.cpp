// The allocator seam for string buffers and array blocks.
#include "runtime/values/value_allocator.h"

#include <cstdlib>

namespace korvane {

namespace {
void* mallocBlock(std::size_t bytes) { return std::malloc(bytes); }
void freeBlock(void* block) { std::free(block); }

ValueAllocator currentAllocator{mallocBlock, freeBlock};
}  // namespace

ValueAllocator defaultValueAllocator() { return {mallocBlock, freeBlock}; }

void setValueAllocator(ValueAllocator allocator) { currentAllocator = allocator; }

void* allocateValueBlock(std::size_t bytes) { return currentAllocator.allocate(bytes); }

void releaseValueBlock(void* block) { currentAllocator.release(block); }

}  // namespace korvane
