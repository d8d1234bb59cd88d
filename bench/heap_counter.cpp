#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

void* Allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    const std::size_t held = malloc_usable_size(block);
    const std::size_t live = liveBytes.fetch_add(held, std::memory_order_relaxed) + held;
    std::size_t peak = peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {}
    return block;
}

void Release(void* block) noexcept {
    if (block == nullptr) return;
    liveBytes.fetch_sub(malloc_usable_size(block), std::memory_order_relaxed);
    std::free(block);
}

}  // namespace

std::size_t tikr::bench::LiveHeapBytes() { return liveBytes.load(std::memory_order_relaxed); }

std::size_t tikr::bench::StartPeakHeapBytes() {
    const std::size_t live = liveBytes.load(std::memory_order_relaxed);
    peakBytes.store(live, std::memory_order_relaxed);
    return live;
}

std::size_t tikr::bench::PeakHeapBytes() { return peakBytes.load(std::memory_order_relaxed); }

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
