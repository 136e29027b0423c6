#pragma once

#include <cstddef>

namespace orvane::content_memory {

// Memory for the stored files and attachments that records keep: often
// hundreds of megabytes per scan, written once and kept until the next scan.
//
// Small blocks come from the ordinary heap. Larger ones are cut from chunks
// that the system is asked to back with 2 MiB pages, so that holding a big
// backup's files costs a few hundred page faults instead of one per 4 KiB,
// and no system call per block. A chunk whose last block is released is
// kept, up to a limit, for the blocks of the next scan: its pages are
// already in place, though the system may take them back when it runs
// short of memory.
//
// Safe to use from any thread.

// A block of at least `bytes` bytes, aligned for any scalar type.
// Throws std::bad_alloc when the system has no memory left.
void* allocate(std::size_t bytes);

// Gives back a block from allocate(); `bytes` is the size asked for.
void release(void* block, std::size_t bytes) noexcept;

// Copies `bytes` bytes into a block. Large copies bypass the cache: a
// scan's files are written once and read again, if at all, long after,
// and writing them through the cache would first read every line of the
// block from memory.
void copyInto(void* destination, const void* source, std::size_t bytes) noexcept;

// What the chunks hold now, for tests and benchmarks.
struct Usage {
  std::size_t chunks = 0;          // chunks and single-block mappings
  std::size_t mappedBytes = 0;     // their address space
  std::size_t blocksInChunks = 0;  // blocks alive inside them
  std::size_t spareChunks = 0;     // empty chunks kept for reuse
};
Usage usage();

// Blocks of at least this size are cut from chunks; smaller ones come from
// the heap.
inline constexpr std::size_t kChunkedBlockMinimum = 64 * 1024;
// Blocks of at least this size get a mapping of their own.
inline constexpr std::size_t kOwnMappingMinimum = 16 * 1024 * 1024;

}  // namespace orvane::content_memory
