#include "engine/SharedLevels.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

// Kept in front of the levels: how the block was obtained and how long it is.
struct alignas(16) BlockHeader {
  size_t bytes;
  bool mapped;
};

// From this size on a block is mapped: below it, calloc's zeroing costs less than a mapping.
constexpr size_t MapFromBytes = 32 * 1024;

void* NewZeroBlock(size_t bytes, bool mapped) {
  if (!mapped) return std::calloc(1, bytes);
  void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return block == MAP_FAILED ? nullptr : block;
}

}  // namespace

SharedFloat* NewLevels(unsigned count) {
  const size_t bytes = sizeof(BlockHeader) + size_t(std::max(count, 1u)) * sizeof(SharedFloat);
  const bool mapped = bytes >= MapFromBytes;
  void* block = NewZeroBlock(bytes, mapped);
  if (!block) throw std::bad_alloc();
  auto* header = new (block) BlockHeader{bytes, mapped};
  return reinterpret_cast<SharedFloat*>(header + 1);
}

void DeleteLevels(SharedFloat* levels) {
  if (!levels) return;
  auto* header = reinterpret_cast<BlockHeader*>(levels) - 1;
  if (header->mapped)
    munmap(header, header->bytes);
  else
    std::free(header);
}
