// The tables of the radix-2 transform for one size: computed once, then
// only read. A grid builds the plan for its side at its first transform and
// owns it from then on (see ComplexGrid::plan).
//
// Nothing here changes a result. The twiddle table holds exactly the values
// that the single-precision recurrence w <- w * step walks through inside one
// group of a stage (the walk restarts at 1 in every group, so every group sees
// the same sequence), and the permutation is the bit reversal itself. A
// transform that reads these tables gives the same bits as one that runs the
// recurrence and reverses the bits on every call.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct FftPlan {
    std::uint32_t n = 0;
    int bits = 0;  // log2(n)
    // Stage s (span m = 2^(s+1), half h = 2^s) owns entries h - 1 .. 2h - 2,
    // so the stages sit back to back and n - 1 entries hold them all. Real and
    // imaginary parts are kept apart for broadcast loads.
    std::vector<float> twiddle_re;
    std::vector<float> twiddle_im;
    // reversed[i]: the low `bits` bits of i in reverse order.
    std::vector<std::uint32_t> reversed;
    // The exchanges of the bit-reversal permutation, as flattened pairs
    // (i, reversed[i]) with i < reversed[i], in increasing i.
    std::vector<std::uint32_t> swaps;
};

// Sides up to 2^kFftMaxPlanBits get a plan (at most about 1 MiB); longer
// rows run the recurrence directly.
constexpr int kFftMaxPlanBits = 16;

// A new plan for n, or null when n is not a power of two or is larger than
// 2^kFftMaxPlanBits.
std::unique_ptr<FftPlan> fft_plan_create(std::uint32_t n);

bool fft_is_power_of_two(std::uint32_t n);

// log2(n) for a power of two, taken in double and truncated.
int fft_stage_count(std::uint32_t n);

// All 32 bits of v in reverse order, by the mask cascade.
std::uint32_t fft_reverse_bits(std::uint32_t v);

// The step of the twiddle recurrence for the stage of span m: cos and sin of
// -6.2831855f / m, each in double on the widened angle, rounded to float.
void fft_stage_step(std::uint32_t m, float& c, float& s);
