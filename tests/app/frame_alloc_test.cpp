// A steady frame allocates nothing: every global operator new of this
// program is counted while hundreds of frames of each test are composed
// through the headless start-up with the real assets, in both layouts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "app/compose_frame.hpp"
#include "app/headless.hpp"

namespace {

std::atomic<long> allocations{0};

void* counted_allocation(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* counted_aligned_allocation(std::size_t size, std::align_val_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    const auto align = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(align, (size + align - 1) / align * align)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return counted_allocation(size);
}
void* operator new[](std::size_t size) {
    return counted_allocation(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return counted_aligned_allocation(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return counted_aligned_allocation(size, alignment);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

TEST(FrameAllocation, SteadyFramesOfEveryTestAllocateNothing) {
    ASSERT_EQ(chdir(ZARVO_ASSETS_DIR), 0) << ZARVO_ASSETS_DIR;
    for (bool condensed : {false, true}) {
        FixedClock clock;
        const long at_start = allocations.load();
        auto app = std::make_unique<AppState>();
        ASSERT_TRUE(start_headless(*app, condensed, fixed_ticks(clock)));
        ASSERT_GT(allocations.load(), at_start) << "the counter sees the start-up's grids";
        for (int test = 0; test < test_count; ++test) {
            app->selection = test;
            app->input = InputState{};
            // The first frame of a test may build what it keeps (tables,
            // scratch arrays).
            compose_frame(*app);
            const long before = allocations.load();
            for (int frame = 0; frame < 300; ++frame) {
                // Both panels of the condensed layout, in turn.
                app->input.toggle = frame % 100 == 0;
                compose_frame(*app);
            }
            EXPECT_EQ(allocations.load() - before, 0)
                << app->catalogue[test].label << (condensed ? ", condensed" : ", full");
        }
        stop_headless(*app);
    }
}

}  // namespace
