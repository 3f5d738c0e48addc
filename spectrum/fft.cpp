#include "spectrum/fft.hpp"

#include <cassert>
#include <cmath>
#include <utility>

namespace {

bool is_power_of_two(std::uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

int stage_count(std::uint32_t n) { return static_cast<int>(std::log2(static_cast<double>(n))); }

std::uint32_t reverse_bits(std::uint32_t v) {
    v = ((v >> 1) & 0x55555555u) | ((v << 1) & ~0x55555555u);
    v = ((v >> 2) & 0x33333333u) | ((v << 2) & ~0x33333333u);
    v = ((v >> 4) & 0x0F0F0F0Fu) | ((v << 4) & ~0x0F0F0F0Fu);
    v = ((v >> 8) & 0x00FF00FFu) | ((v << 8) & ~0x00FF00FFu);
    return (v >> 16) | (v << 16);
}

}  // namespace

void fft_bit_reverse(Complex* data, std::uint32_t n) {
    assert(is_power_of_two(n));
    if (!is_power_of_two(n)) {
        return;
    }
    const int bits = stage_count(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t pos = bits == 0 ? 0 : reverse_bits(i) >> (32 - bits);
        if (i < pos) {
            std::swap(data[i], data[pos]);
        }
    }
}

void fft_1d(Complex* data, std::uint32_t n) {
    assert(is_power_of_two(n));
    if (!is_power_of_two(n)) {
        return;
    }
    fft_bit_reverse(data, n);
    const int bits = stage_count(n);
    std::uint32_t m = 2;
    for (int stage = 0; stage < bits; ++stage, m *= 2) {
        const float angle = -6.2831855f / static_cast<float>(m);
        const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
        const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
        const std::uint32_t half = m / 2;
        for (std::uint32_t k = 0; k < n; k += m) {
            float wre = 1.0f;
            float wim = 0.0f;
            for (std::uint32_t j = 0; j < half; ++j) {
                Complex& p = data[k + j];
                Complex& q = data[k + j + half];
                const float tre = q.re * wre - q.im * wim;
                const float tim = q.re * wim + q.im * wre;
                const Complex old = p;
                p.re = tre + old.re;
                p.im = tim + old.im;
                q.re = old.re - tre;
                q.im = old.im - tim;
                const float nre = wre * c - wim * s;
                const float nim = wre * s + wim * c;
                wre = nre;
                wim = nim;
            }
        }
    }
}

void ComplexGrid::transform_2d() {
    assert(width == height);
    for (std::int32_t i = 0; i < height; ++i) {
        fft_1d(samples + std::int64_t{i} * width, static_cast<std::uint32_t>(width));
    }
    transpose();
    for (std::int32_t i = 0; i < width; ++i) {
        fft_1d(samples + std::int64_t{i} * height, static_cast<std::uint32_t>(height));
    }
    transpose();
}
