#include "fuzzing.h"

#include <atomic>
#include <cstddef>

namespace {

constinit std::atomic<bool> watching{false};
constinit std::atomic<std::size_t> largestBlock{0};
constinit std::atomic<bool> seenAny{false};

void note(std::size_t size)
{
    seenAny.store(true, std::memory_order_relaxed);
    if (!watching.load(std::memory_order_relaxed))
        return;
    std::size_t known = largestBlock.load(std::memory_order_relaxed);
    while (size > known && !largestBlock.compare_exchange_weak(known, size)) {
    }
}

} // namespace

#ifdef __GLIBC__
// The executable's definitions come before the C library's for every library
// it loads; glibc's own entry points do the work.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);

void* malloc(std::size_t size) noexcept
{
    note(size);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    std::size_t total = 0;
    note(__builtin_mul_overflow(count, size, &total) ? std::size_t(-1) : total);
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) noexcept
{
    note(size);
    return __libc_realloc(block, size);
}
}
#endif

namespace zentari::test {

AllocationWatch::AllocationWatch()
{
    largestBlock.store(0);
    watching.store(true);
}

AllocationWatch::~AllocationWatch()
{
    watching.store(false);
}

std::size_t AllocationWatch::largest() const
{
    return largestBlock.load();
}

bool AllocationWatch::available()
{
    return seenAny.load();
}

} // namespace zentari::test
