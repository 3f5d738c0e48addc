#include "plain_fft.hpp"

#include <cmath>
#include <cstring>
#include <vector>

namespace plain_fft {

namespace {

int stage_count(std::uint32_t n) {
    return static_cast<int>(std::log2(static_cast<double>(n)));
}

std::uint32_t exchange(std::uint32_t v, std::uint32_t mask, int distance) {
    return ((v >> distance) & mask) | ((v << distance) & ~mask);
}

}  // namespace

void bit_reverse(Complex* data, std::uint32_t n) {
    unsigned char* flag = new unsigned char[n]();
    const int bits = stage_count(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (flag[i] != 0) {
            continue;
        }
        std::uint32_t v = i;
        v = exchange(v, 0x55555555u, 1);
        v = exchange(v, 0x33333333u, 2);
        v = exchange(v, 0x0F0F0F0Fu, 4);
        v = exchange(v, 0x00FF00FFu, 8);
        v = (v >> 16) | (v << 16);
        const std::uint32_t pos = bits == 0 ? 0 : v >> (32 - bits);
        const Complex held = data[i];
        data[i] = data[pos];
        data[pos] = held;
        flag[pos] = 1;
    }
    delete[] flag;
}

void fft_1d(Complex* data, std::uint32_t n) {
    bit_reverse(data, n);
    const int bits = stage_count(n);
    if (bits < 1) {
        return;
    }
    std::uint32_t m = 2;
    for (int stage = 0; stage < bits; ++stage) {
        const float angle = -6.2831855f / static_cast<float>(m);
        const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
        const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
        for (std::uint32_t k = 0; k < n; k += m) {
            float wre = 1.0f;
            float wim = 0.0f;
            for (std::uint32_t j = 0; j < m / 2; ++j) {
                const std::uint32_t p = k + j;
                const std::uint32_t q = k + j + m / 2;
                const float tre = data[q].re * wre - data[q].im * wim;
                const float tim = data[q].re * wim + data[q].im * wre;
                const Complex before = data[p];
                data[p].re = tre + before.re;
                data[p].im = tim + before.im;
                data[q].re = before.re - tre;
                data[q].im = before.im - tim;
                const float nre = wre * c - wim * s;
                const float nim = wre * s + wim * c;
                wre = nre;
                wim = nim;
            }
        }
        m = 2 * m;
    }
}

void transpose(Complex* samples, Complex* scratch, std::int32_t width, std::int32_t height) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::memcpy(scratch, samples, count * sizeof(Complex));
    std::size_t k = 0;
    for (std::int32_t a = 0; a < width; ++a) {
        for (std::int32_t b = 0; b < height; ++b) {
            samples[k++] = scratch[a + static_cast<std::size_t>(b) * width];
        }
    }
}

void transform_2d(Complex* samples, std::int32_t side) {
    const std::uint32_t n = static_cast<std::uint32_t>(side);
    std::vector<Complex> scratch(static_cast<std::size_t>(n) * n);
    for (std::uint32_t i = 0; i < n; ++i) {
        fft_1d(samples + static_cast<std::size_t>(i) * n, n);
    }
    transpose(samples, scratch.data(), side, side);
    for (std::uint32_t i = 0; i < n; ++i) {
        fft_1d(samples + static_cast<std::size_t>(i) * n, n);
    }
    transpose(samples, scratch.data(), side, side);
}

}  // namespace plain_fft
