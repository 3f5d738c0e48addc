#include "inputs/picture_fill.hpp"

#include <cassert>

namespace {

// byte / 255.0f for every byte, computed by the same division.
struct Quotients {
    float of[256];
};

const Quotients& quotients() {
    static const Quotients table = [] {
        Quotients made{};
        for (int b = 0; b < 256; ++b) {
            made.of[b] = static_cast<float>(b) / 255.0f;
        }
        return made;
    }();
    return table;
}

}  // namespace

void fill_real_from_bytes_portable(ComplexGrid& grid, const std::uint8_t* bytes) {
    const Quotients& table = quotients();
    const std::int64_t count = grid.size();
    for (std::int64_t k = 0; k < count; ++k) {
        grid.samples[k] = {table.of[bytes[k]], 0.0f};
    }
}

#if defined(__x86_64__)

#include <immintrin.h>

bool picture_fill_avx2_supported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

__attribute__((target("avx2"))) void fill_real_from_bytes_avx2(ComplexGrid& grid,
                                                               const std::uint8_t* bytes) {
    assert(picture_fill_avx2_supported());
    const std::int64_t count = grid.size();
    const __m256 v255 = _mm256_set1_ps(255.0f);
    const __m256 zero = _mm256_setzero_ps();
    std::int64_t k = 0;
    for (; k + 8 <= count; k += 8) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + k));
        const __m256 re = _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(eight)), v255);
        const __m256 low = _mm256_unpacklo_ps(re, zero);   // samples 0 1 | 4 5
        const __m256 high = _mm256_unpackhi_ps(re, zero);  // samples 2 3 | 6 7
        float* out = &grid.samples[k].re;
        _mm256_storeu_ps(out, _mm256_permute2f128_ps(low, high, 0x20));
        _mm256_storeu_ps(out + 8, _mm256_permute2f128_ps(low, high, 0x31));
    }
    for (; k < count; ++k) {
        grid.samples[k] = {static_cast<float>(bytes[k]) / 255.0f, 0.0f};
    }
}

#else

bool picture_fill_avx2_supported() {
    return false;
}

void fill_real_from_bytes_avx2(ComplexGrid& grid, const std::uint8_t* bytes) {
    fill_real_from_bytes_portable(grid, bytes);
}

#endif

void fill_real_from_bytes(ComplexGrid& grid, const std::uint8_t* bytes) {
    static const bool use_avx2 = picture_fill_avx2_supported();
    if (use_avx2) {
        fill_real_from_bytes_avx2(grid, bytes);
    } else {
        fill_real_from_bytes_portable(grid, bytes);
    }
}
