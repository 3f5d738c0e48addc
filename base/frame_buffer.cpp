#include "base/frame_buffer.hpp"

#include <sys/mman.h>

#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::align_val_t alignment_for(std::size_t bytes) {
    return std::align_val_t{bytes >= kHugePage ? kHugePage : 64};
}

}  // namespace

void* allocate_frame_buffer(std::size_t bytes) {
    void* buffer = ::operator new(bytes, alignment_for(bytes));
#ifdef MADV_HUGEPAGE
    // Advice only: without transparent huge pages (or with them off) the
    // buffer simply keeps small pages, so the result is not checked.
    if (bytes >= kHugePage) {
        madvise(buffer, bytes - bytes % kHugePage, MADV_HUGEPAGE);
    }
#endif
    return buffer;
}

void release_frame_buffer(void* buffer, std::size_t bytes) {
    if (buffer != nullptr) {
        ::operator delete(buffer, alignment_for(bytes));
    }
}
