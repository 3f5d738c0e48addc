#include "spectrum/fft_plan.hpp"

#include <cmath>
#include <memory>

bool fft_is_power_of_two(std::uint32_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

int fft_stage_count(std::uint32_t n) {
    return static_cast<int>(std::log2(static_cast<double>(n)));
}

std::uint32_t fft_reverse_bits(std::uint32_t v) {
    v = ((v >> 1) & 0x55555555u) | ((v << 1) & ~0x55555555u);
    v = ((v >> 2) & 0x33333333u) | ((v << 2) & ~0x33333333u);
    v = ((v >> 4) & 0x0F0F0F0Fu) | ((v << 4) & ~0x0F0F0F0Fu);
    v = ((v >> 8) & 0x00FF00FFu) | ((v << 8) & ~0x00FF00FFu);
    return (v >> 16) | (v << 16);
}

void fft_stage_step(std::uint32_t m, float& c, float& s) {
    // The angle is rounded to float before it is widened: the float nearest
    // to -2*pi divided by m in single precision.
    const float angle = -6.2831855f / static_cast<float>(m);
    c = static_cast<float>(std::cos(static_cast<double>(angle)));
    s = static_cast<float>(std::sin(static_cast<double>(angle)));
}

std::unique_ptr<FftPlan> fft_plan_create(std::uint32_t n) {
    if (!fft_is_power_of_two(n) || fft_stage_count(n) > kFftMaxPlanBits) {
        return nullptr;
    }
    auto plan = std::make_unique<FftPlan>();
    plan->n = n;
    plan->bits = fft_stage_count(n);
    plan->twiddle_re.resize(n > 1 ? n - 1 : 0);
    plan->twiddle_im.resize(n > 1 ? n - 1 : 0);
    for (int stage = 0; stage < plan->bits; ++stage) {
        const std::uint32_t half = std::uint32_t{1} << stage;
        float c = 0.0f;
        float s = 0.0f;
        fft_stage_step(2 * half, c, s);
        float wre = 1.0f;
        float wim = 0.0f;
        for (std::uint32_t j = 0; j < half; ++j) {
            plan->twiddle_re[half - 1 + j] = wre;
            plan->twiddle_im[half - 1 + j] = wim;
            // Two products and one sum or difference per part, each rounded:
            // with contraction off this is the recurrence of every group.
            const float nre = wre * c - wim * s;
            const float nim = wre * s + wim * c;
            wre = nre;
            wim = nim;
        }
    }
    plan->reversed.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        plan->reversed[i] = plan->bits == 0 ? 0 : fft_reverse_bits(i) >> (32 - plan->bits);
        if (i < plan->reversed[i]) {
            plan->swaps.push_back(i);
            plan->swaps.push_back(plan->reversed[i]);
        }
    }
    return plan;
}
