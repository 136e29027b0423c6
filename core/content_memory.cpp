#include "core/content_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_ASAN 1
#endif
#endif

#ifdef ORVANE_ASAN
#include <sanitizer/asan_interface.h>
// Space between blocks stays poisoned, so that AddressSanitizer still sees
// a read or write past the end of a block.
#define POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define POISON(address, size) ((void)(address), (void)(size))
#define UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace orvane::content_memory {

namespace {

constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kChunkBytes = 64 * 1024 * 1024;
constexpr std::size_t kBlockAlignment = 64;
// Empty chunks kept for reuse; more are unmapped.
constexpr std::size_t kSpareChunks = 16;

constexpr std::size_t roundUp(std::size_t value, std::size_t step) {
  return (value + step - 1) / step * step;
}

// Anonymous memory of `bytes` (a multiple of kHugePage) starting on a huge
// page boundary, advised to be backed by huge pages. Where the system has
// no transparent huge pages the advice is ignored and 4 KiB pages serve.
std::uint8_t* mapAligned(std::size_t bytes) {
  const std::size_t padded = bytes + kHugePage;
  void* mapped =
      ::mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto* raw = static_cast<std::uint8_t*>(mapped);
  const auto address = reinterpret_cast<std::uintptr_t>(raw);
  auto* aligned = reinterpret_cast<std::uint8_t*>(roundUp(address, kHugePage));
  const std::size_t head = static_cast<std::size_t>(aligned - raw);
  if (head > 0) ::munmap(raw, head);
  if (kHugePage - head > 0) ::munmap(aligned + bytes, kHugePage - head);
  ::madvise(aligned, bytes, MADV_HUGEPAGE);
  return aligned;
}

// The shadow of poisoned memory outlives the mapping; whatever is mapped
// there next must not inherit it.
void unmap(std::uint8_t* base, std::size_t size) {
  UNPOISON(base, size);
  ::munmap(base, size);
}

struct Region {
  std::size_t size = 0;     // mapped bytes
  std::size_t used = 0;     // bytes handed out from the start (chunks only)
  std::size_t touched = 0;  // the most that was ever handed out
  std::size_t live = 0;     // blocks not yet released
  bool chunk = true;        // false: one block's own mapping
};

class Chunks {
 public:
  Chunks() { spares_.reserve(kSpareChunks); }  // release() must not allocate

  void* allocate(std::size_t bytes) {
    const std::lock_guard lock(mutex_);
    if (bytes >= kOwnMappingMinimum) {
      const std::size_t size = roundUp(bytes, kHugePage);
      std::uint8_t* block = mapAligned(size);
      track(block, Region{.size = size, .used = size, .live = 1, .chunk = false});
      return block;
    }
    const std::size_t step = roundUp(bytes, kBlockAlignment);
    if (current_ == nullptr || regions_.at(current_).size - regions_.at(current_).used < step) {
      current_ = freshChunk();
    }
    Region& region = regions_.at(current_);
    std::uint8_t* block = current_ + region.used;
    region.used += step;
    region.touched = std::max(region.touched, region.used);
    ++region.live;
    UNPOISON(block, bytes);
    return block;
  }

  void release(void* pointer, std::size_t bytes) {
    auto* block = static_cast<std::uint8_t*>(pointer);
    const std::lock_guard lock(mutex_);
    auto found = regions_.upper_bound(block);
    if (found == regions_.begin()) return;  // not ours: nothing safe to do
    found = std::prev(found);
    std::uint8_t* base = found->first;
    Region& region = found->second;
    if (block >= base + region.size) return;
    if (!region.chunk) {
      unmap(base, region.size);
      regions_.erase(found);
      return;
    }
    POISON(block, bytes);
    if (--region.live > 0) return;
    // An empty chunk stays mapped for the next blocks (most often the next
    // scan's), its pages already faulted in. Until then the system may take
    // them back if it runs short of memory; whole huge pages, so that none
    // is split.
    ::madvise(base, roundUp(region.touched, kHugePage), MADV_FREE);
    region.used = 0;
    if (base == current_) current_ = nullptr;
    if (spares_.size() < kSpareChunks) {
      spares_.push_back(base);
    } else {
      unmap(base, region.size);
      regions_.erase(found);
    }
  }

  Usage usage() {
    const std::lock_guard lock(mutex_);
    Usage result;
    result.spareChunks = spares_.size();
    for (const auto& [base, region] : regions_) {
      ++result.chunks;
      result.mappedBytes += region.size;
      if (region.chunk) result.blocksInChunks += region.live;
    }
    return result;
  }

 private:
  // The spare whose pages reach furthest, else a new chunk.
  std::uint8_t* freshChunk() {
    if (!spares_.empty()) {
      const auto best = std::ranges::max_element(
          spares_, {}, [&](std::uint8_t* base) { return regions_.at(base).touched; });
      std::uint8_t* spare = *best;
      spares_.erase(best);
      return spare;
    }
    std::uint8_t* base = mapAligned(kChunkBytes);
    track(base, Region{.size = kChunkBytes});
    POISON(base, kChunkBytes);
    return base;
  }

  // Records a new mapping; without room to record it, it goes back.
  void track(std::uint8_t* base, const Region& region) {
    try {
      regions_.emplace(base, region);
    } catch (...) {
      ::munmap(base, region.size);
      throw;
    }
  }

  std::mutex mutex_;
  std::map<std::uint8_t*, Region, std::less<>> regions_;
  std::uint8_t* current_ = nullptr;
  std::vector<std::uint8_t*> spares_;  // empty chunks
};

Chunks& chunks() {
  // Never destroyed: records released during static destruction still
  // find their chunk.
  static auto* instance = new Chunks;
  return *instance;
}

}  // namespace

void* allocate(std::size_t bytes) {
  if (bytes < kChunkedBlockMinimum) return ::operator new(bytes);
  return chunks().allocate(bytes);
}

void release(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes < kChunkedBlockMinimum) {
    ::operator delete(block);
    return;
  }
  chunks().release(block, bytes);
}

void copyInto(void* destination, const void* source, std::size_t bytes) noexcept {
  auto* to = static_cast<std::uint8_t*>(destination);
  const auto* from = static_cast<const std::uint8_t*>(source);
#if defined(__SSE2__)
  constexpr std::size_t kStreamingMinimum = 4096;
  if (bytes >= kStreamingMinimum) {
    const std::size_t head =
        (16 - reinterpret_cast<std::uintptr_t>(to) % 16) % 16;  // to a 16-byte boundary
    std::memcpy(to, from, head);
    std::size_t done = head;
    for (; bytes - done >= 64; done += 64) {
      const auto* in = reinterpret_cast<const __m128i*>(from + done);
      auto* out = reinterpret_cast<__m128i*>(to + done);
      const __m128i a = _mm_loadu_si128(in), b = _mm_loadu_si128(in + 1);
      const __m128i c = _mm_loadu_si128(in + 2), d = _mm_loadu_si128(in + 3);
      _mm_stream_si128(out, a);
      _mm_stream_si128(out + 1, b);
      _mm_stream_si128(out + 2, c);
      _mm_stream_si128(out + 3, d);
    }
    std::memcpy(to + done, from + done, bytes - done);
    // streamed stores are not ordered by the locks that publish the record
    _mm_sfence();
    return;
  }
#endif
  if (bytes > 0) std::memcpy(to, from, bytes);
}

Usage usage() { return chunks().usage(); }

}  // namespace orvane::content_memory
