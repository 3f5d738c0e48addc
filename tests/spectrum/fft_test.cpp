#include "spectrum/fft.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/bit_compare.hpp"
#include "plain_fft.hpp"
#include "spectrum/complex_grid.hpp"
#include "spectrum/fft_kernels.hpp"
#include "base/simd_targets.hpp"

namespace {

using Samples = std::vector<Complex>;

enum class Input { kRandom, kSignedZeros, kNonFinite, kImpulse, kOnes };

std::string input_name(Input input) {
    switch (input) {
        case Input::kRandom:
            return "random";
        case Input::kSignedZeros:
            return "signed_zeros";
        case Input::kNonFinite:
            return "non_finite";
        case Input::kImpulse:
            return "impulse";
        case Input::kOnes:
            return "ones";
    }
    return "?";
}

// kRandom: values of mixed magnitude. kSignedZeros: +0.0 and -0.0 only; every
// output is a zero whose sign depends on each product with a twiddle,
// including the trivial 1 + 0i. kNonFinite: signed zeros with a few ones,
// denormals and one infinity, which turns into a pattern of infinities and
// NaNs (inf * 0, inf - inf) that tells operations and operand pairs apart.
// A fixed seed per size.
Samples make_input(Input input, std::size_t count) {
    Samples samples(count, Complex{0.0f, 0.0f});
    std::mt19937 random(static_cast<std::uint32_t>(count) * 7919u +
                        static_cast<std::uint32_t>(input));
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-20, 20);
    std::uniform_int_distribution<std::size_t> where(0, count - 1);
    std::bernoulli_distribution negative(0.5);
    switch (input) {
        case Input::kRandom:
            for (Complex& c : samples) {
                c = {std::ldexp(value(random), exponent(random)),
                     std::ldexp(value(random), exponent(random))};
            }
            break;
        case Input::kSignedZeros:
        case Input::kNonFinite:
            for (Complex& c : samples) {
                c = {negative(random) ? -0.0f : 0.0f, negative(random) ? -0.0f : 0.0f};
            }
            break;
        case Input::kImpulse:
            samples[count / 3] = {1.0f, 0.0f};
            break;
        case Input::kOnes:
            for (Complex& c : samples) {
                c = {1.0f, 0.0f};
            }
            break;
    }
    if (input == Input::kNonFinite) {
        const float rare[] = {1.0f, -1.0f, std::numeric_limits<float>::denorm_min(), -3.0e-39f};
        for (std::size_t k = 0; k < count / 64 + 1; ++k) {
            Complex& c = samples[where(random)];
            (k % 2 == 0 ? c.re : c.im) = rare[k % 4];
        }
        Complex& c = samples[where(random)];
        (negative(random) ? c.re : c.im) = negative(random)
                                               ? -std::numeric_limits<float>::infinity()
                                               : std::numeric_limits<float>::infinity();
    }
    return samples;
}

// ---- one dimension --------------------------------------------------------

class Fft1dMatchesPlain : public testing::TestWithParam<Input> {};

TEST_P(Fft1dMatchesPlain, EveryPowerOfTwoUpTo1024) {
    for (std::uint32_t n = 1; n <= 1024; n *= 2) {
        SCOPED_TRACE("n = " + std::to_string(n));
        const Samples input = make_input(GetParam(), n);
        Samples expected = input;
        plain_fft::fft_1d(expected.data(), n);
        Samples actual = input;
        fft_1d(actual.data(), n);
        ASSERT_TRUE(same_samples(actual.data(), expected.data(), n));

        Samples permuted = input;
        plain_fft::bit_reverse(permuted.data(), n);
        Samples reversed = input;
        fft_bit_reverse(reversed.data(), n);
        ASSERT_TRUE(same_samples(reversed.data(), permuted.data(), n));
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Fft1dMatchesPlain,
                         testing::Values(Input::kRandom, Input::kSignedZeros, Input::kNonFinite,
                                         Input::kImpulse, Input::kOnes),
                         [](const testing::TestParamInfo<Input>& case_info) {
                             return input_name(case_info.param);
                         });

// Longer than the cached tables reach: the direct recurrence.
TEST(Fft1d, RowBeyondTheCachedTablesMatchesPlain) {
    const std::uint32_t n = 1u << 17;
    const Samples input = make_input(Input::kRandom, n);
    Samples expected = input;
    plain_fft::fft_1d(expected.data(), n);
    Samples actual = input;
    fft_1d(actual.data(), n);
    EXPECT_TRUE(same_samples(actual.data(), expected.data(), n));
}

TEST(Fft1d, SingleSampleIsLeftAsItIs) {
    Complex sample{std::numeric_limits<float>::quiet_NaN(), -0.0f};
    fft_1d(&sample, 1);
    EXPECT_TRUE(std::isnan(sample.re));
    EXPECT_TRUE(std::signbit(sample.im));
}

TEST(Fft1d, TwoSamplesGiveSumAndDifference) {
    const Complex cases[][2] = {{{1.5f, -2.0f}, {0.25f, 3.0f}},
                                {{1.0e8f, 1.0f}, {1.0f, -1.0e-8f}},
                                {{-7.0f, 0.0f}, {-7.0f, 0.0f}}};
    for (const auto& pair : cases) {
        Complex data[2] = {pair[0], pair[1]};
        fft_1d(data, 2);
        const Complex sum{pair[0].re + pair[1].re, pair[0].im + pair[1].im};
        const Complex difference{pair[0].re - pair[1].re, pair[0].im - pair[1].im};
        EXPECT_TRUE(same_samples(&data[0], &sum, 1));
        EXPECT_TRUE(same_samples(&data[1], &difference, 1));
    }
}

TEST(Fft1d, EightPointPermutationExchangesOneWithFourAndThreeWithSix) {
    Complex data[8];
    for (int i = 0; i < 8; ++i) {
        data[i] = {static_cast<float>(i), static_cast<float>(-i)};
    }
    fft_bit_reverse(data, 8);
    const int expected[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(data[i].re, static_cast<float>(expected[i])) << "index " << i;
        EXPECT_EQ(data[i].im, static_cast<float>(-expected[i])) << "index " << i;
    }
}

// Small integers: every partial sum is exact, so X[0] is the exact sum.
TEST(Fft1d, ZeroFrequencyIsTheSumOfTheInputs) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> value(-100, 100);
    for (std::uint32_t n = 1; n <= 1024; n *= 2) {
        Samples data(n);
        float sum_re = 0.0f;
        float sum_im = 0.0f;
        for (Complex& c : data) {
            c = {static_cast<float>(value(random)), static_cast<float>(value(random))};
            sum_re += c.re;
            sum_im += c.im;
        }
        fft_1d(data.data(), n);
        EXPECT_EQ(data[0].re, sum_re) << "n = " << n;
        EXPECT_EQ(data[0].im, sum_im) << "n = " << n;
    }
}

TEST(Fft1d, ImpulsesGiveFlatSpectraAndFallingPhase) {
    for (std::uint32_t n = 2; n <= 512; n *= 2) {
        SCOPED_TRACE("n = " + std::to_string(n));
        Samples at_zero(n, Complex{0.0f, 0.0f});
        at_zero[0] = {1.0f, 0.0f};
        fft_1d(at_zero.data(), n);
        for (const Complex& c : at_zero) {
            ASSERT_EQ(c.re, 1.0f);
            ASSERT_EQ(c.im, 0.0f);
        }
        Samples at_one(n, Complex{0.0f, 0.0f});
        at_one[1] = {1.0f, 0.0f};
        fft_1d(at_one.data(), n);
        const double two_pi = 6.283185307179586;
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::complex<double> expected = std::polar(1.0, -two_pi * k / n);
            ASSERT_NEAR(at_one[k].re, expected.real(), 1e-5) << "k = " << k;
            ASSERT_NEAR(at_one[k].im, expected.imag(), 1e-5) << "k = " << k;
        }
    }
}

// The twiddles only ever multiply exact zeros away from the zero frequency.
TEST(Fft1d, AllOnesGiveNAtZeroAndPositiveZeroElsewhere) {
    for (std::uint32_t n = 1; n <= 1024; n *= 2) {
        Samples data(n, Complex{1.0f, 0.0f});
        fft_1d(data.data(), n);
        ASSERT_EQ(data[0].re, static_cast<float>(n));
        ASSERT_EQ(data[0].im, 0.0f);
        for (std::uint32_t k = 1; k < n; ++k) {
            const Complex zero{0.0f, 0.0f};
            ASSERT_TRUE(same_samples(&data[k], &zero, 1)) << "n = " << n << ", k = " << k;
        }
    }
}

// Independent of the recurrence: a DFT in double precision. The bound is
// 1e-5 of the sum of input magnitudes, well above what the float twiddle
// recurrence and nine rounded stages accumulate (about 2e-6 at n = 64) and
// far below any indexing or sign error (of the order of the bound's base).
TEST(Fft1d, AgreesWithADoublePrecisionDft) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (std::uint32_t n = 1; n <= 64; n *= 2) {
        Samples data(n);
        double norm = 0.0;
        for (Complex& c : data) {
            c = {value(random), value(random)};
            norm += std::abs(std::complex<double>(c.re, c.im));
        }
        const Samples input = data;
        fft_1d(data.data(), n);
        for (std::uint32_t k = 0; k < n; ++k) {
            std::complex<double> sum = 0.0;
            for (std::uint32_t t = 0; t < n; ++t) {
                sum += std::complex<double>(input[t].re, input[t].im) *
                       std::polar(1.0, -6.283185307179586 * static_cast<double>(t * k % n) / n);
            }
            EXPECT_LT(std::abs(std::complex<double>(data[k].re, data[k].im) - sum), 1e-5 * norm)
                << "n = " << n << ", k = " << k;
        }
    }
}

// ---- two dimensions -------------------------------------------------------

// What a path calls: ComplexGrid::transform_2d, transform_2d_portable, or
// transform_2d_of, which reads the input from a second grid over a target
// grid full of garbage.
enum class Entry { kTransform, kPortable, kOf };

// A path without a target runs what dispatch picks on this CPU; one with a
// target runs that target alone (ScopedSimdTarget).
struct Path {
    std::string name;
    Entry entry = Entry::kTransform;
    bool scoped = false;
    SimdTarget target;
};

// Test names and failure messages show a path by its name.
void PrintTo(const Path& path, std::ostream* out) {
    *out << path.name;
}

// Dispatch, the portable path and transform_2d_of, then both entries of the
// dispatched kernel on every target this build compiled and this CPU runs.
std::vector<Path> all_paths() {
    std::vector<Path> paths = {{"dispatch", Entry::kTransform, false, {}},
                               {"portable", Entry::kPortable, false, {}},
                               {"of", Entry::kOf, false, {}}};
    for (const SimdTarget& target : simd_targets()) {
        paths.push_back({target.name, Entry::kTransform, true, target});
        paths.push_back({target.name + "_of", Entry::kOf, true, target});
    }
    return paths;
}

void run_entry(Entry entry, ComplexGrid& grid) {
    switch (entry) {
        case Entry::kTransform:
            grid.transform_2d();
            break;
        case Entry::kPortable:
            transform_2d_portable(grid);
            break;
        case Entry::kOf: {
            const ComplexGrid source(grid);
            for (std::int64_t k = 0; k < grid.size(); ++k) {
                grid.samples[k] = {std::nanf(""), -1.5f};
            }
            grid.transform_2d_of(source);
            break;
        }
    }
}

// The plain transform of each (input, side), computed once and shared by
// all paths.
const Samples& reference_2d(Input input, std::int32_t side) {
    static std::map<std::pair<Input, std::int32_t>, Samples> computed;
    const auto key = std::make_pair(input, side);
    auto found = computed.find(key);
    if (found == computed.end()) {
        Samples samples = make_input(input, static_cast<std::size_t>(side) * side);
        plain_fft::transform_2d(samples.data(), side);
        found = computed.emplace(key, std::move(samples)).first;
    }
    return found->second;
}

ComplexGrid make_grid(Input input, std::int32_t side) {
    ComplexGrid grid(side, side);
    const Samples samples = make_input(input, static_cast<std::size_t>(side) * side);
    if (!samples.empty()) {
        std::memcpy(grid.samples, samples.data(), samples.size() * sizeof(Complex));
    }
    return grid;
}

class Transform2d : public testing::TestWithParam<Path> {
protected:
    void SetUp() override {
        if (GetParam().scoped) {
            target_.emplace(GetParam().target);
        }
    }

    void run(ComplexGrid& grid) { run_entry(GetParam().entry, grid); }

    void expect_plain_result(Input input, std::int32_t side) {
        SCOPED_TRACE(input_name(input) + " " + std::to_string(side) + " x " + std::to_string(side));
        ComplexGrid grid = make_grid(input, side);
        run(grid);
        EXPECT_NE(grid.scratch, nullptr);
        EXPECT_TRUE(same_samples(grid.samples, reference_2d(input, side).data(),
                                 static_cast<std::size_t>(grid.size())));
    }

private:
    std::optional<ScopedSimdTarget> target_;
};

TEST_P(Transform2d, MatchesPlainOnEverySideUpTo512) {
    for (std::int32_t side = 1; side <= 512; side *= 2) {
        for (Input input : {Input::kRandom, Input::kSignedZeros, Input::kNonFinite, Input::kImpulse,
                            Input::kOnes}) {
            expect_plain_result(input, side);
        }
    }
}

TEST_P(Transform2d, MatchesPlainOn1024) {
    expect_plain_result(Input::kRandom, 1024);
    expect_plain_result(Input::kSignedZeros, 1024);
}

// A steady frame: the same grid transformed again keeps its arrays.
TEST_P(Transform2d, RepeatedTransformKeepsArraysAndMatchesPlain) {
    ComplexGrid grid = make_grid(Input::kRandom, 64);
    run(grid);
    const Complex* samples = grid.samples;
    const Complex* scratch = grid.scratch;
    run(grid);
    EXPECT_EQ(grid.samples, samples);
    EXPECT_EQ(grid.scratch, scratch);
    Samples expected = make_input(Input::kRandom, 64 * 64);
    plain_fft::transform_2d(expected.data(), 64);
    plain_fft::transform_2d(expected.data(), 64);
    EXPECT_TRUE(same_samples(grid.samples, expected.data(), expected.size()));
}

TEST_P(Transform2d, WorkedValues) {
    ComplexGrid zeros(512, 512);
    zeros.clear();
    run(zeros);
    for (std::int64_t k = 0; k < zeros.size(); ++k) {
        ASSERT_EQ(zeros.samples[k].re, 0.0f);
        ASSERT_EQ(zeros.samples[k].im, 0.0f);
    }

    ComplexGrid ones(512, 512);
    for (std::int64_t k = 0; k < ones.size(); ++k) {
        ones.samples[k] = {1.0f, 0.0f};
    }
    run(ones);
    EXPECT_EQ(ones.samples[0].re, 262144.0f);
    EXPECT_EQ(ones.samples[0].im, 0.0f);
    const Complex zero{0.0f, 0.0f};
    for (std::int64_t k = 1; k < ones.size(); ++k) {
        ASSERT_TRUE(same_samples(&ones.samples[k], &zero, 1)) << "sample " << k;
    }

    ComplexGrid impulse(512, 512);
    impulse.clear();
    impulse.samples[0] = {1.0f, 0.0f};
    run(impulse);
    for (std::int64_t k = 0; k < impulse.size(); ++k) {
        ASSERT_EQ(impulse.samples[k].re, 1.0f);
        ASSERT_EQ(impulse.samples[k].im, 0.0f);
    }
}

// The 2-D DFT in double of a side x side grid, row by row and then column by
// column, each a direct sum: independent of the radix-2 method and of the
// float twiddle recurrence, and cheap enough at the sides the vector paths
// take.
std::vector<std::complex<double>> double_dft_2d(const ComplexGrid& input) {
    const int side = input.width;
    std::vector<std::complex<double>> turn(static_cast<std::size_t>(side));
    for (int k = 0; k < side; ++k) {
        turn[k] = std::polar(1.0, -6.283185307179586 * k / side);
    }
    const auto at = [side](int column, int row) {
        return static_cast<std::size_t>(column) + static_cast<std::size_t>(row) * side;
    };
    std::vector<std::complex<double>> rows(static_cast<std::size_t>(input.size()));
    for (int y = 0; y < side; ++y) {
        for (int u = 0; u < side; ++u) {
            std::complex<double> sum = 0.0;
            for (int x = 0; x < side; ++x) {
                const Complex& s = input.samples[at(x, y)];
                sum += std::complex<double>(s.re, s.im) * turn[u * x % side];
            }
            rows[at(u, y)] = sum;
        }
    }
    std::vector<std::complex<double>> result(rows.size());
    for (int u = 0; u < side; ++u) {
        for (int v = 0; v < side; ++v) {
            std::complex<double> sum = 0.0;
            for (int y = 0; y < side; ++y) {
                sum += rows[at(u, y)] * turn[v * y % side];
            }
            result[at(u, v)] = sum;
        }
    }
    return result;
}

// Independent of the plain form, with the bound of the 1-D case, at a side
// every vector path takes.
TEST_P(Transform2d, AgreesWithADoublePrecisionDft) {
    const std::int32_t side = 64;
    ComplexGrid grid = make_grid(Input::kRandom, side);
    const ComplexGrid input(grid);
    double norm = 0.0;
    for (std::int64_t k = 0; k < input.size(); ++k) {
        norm += std::abs(std::complex<double>(input.samples[k].re, input.samples[k].im));
    }
    const std::vector<std::complex<double>> expected = double_dft_2d(input);
    run(grid);
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        const Complex& got = grid.samples[k];
        ASSERT_LT(std::abs(std::complex<double>(got.re, got.im) - expected[k]), 1e-5 * norm)
            << "row " << k / side << ", column " << k % side;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Transform2d, testing::ValuesIn(all_paths()),
                         [](const testing::TestParamInfo<Path>& case_info) {
                             return case_info.param.name;
                         });

// transform_2d_of from a grid of another size takes that size, like copy_from.
TEST(Transform2dOf, FromAnotherSizeTakesTheSourceSize) {
    ComplexGrid source = make_grid(Input::kRandom, 512);
    ComplexGrid grid(256, 256);
    grid.clear();
    grid.transform_2d_of(source);
    ASSERT_EQ(grid.width, 512);
    ASSERT_EQ(grid.height, 512);
    EXPECT_NE(grid.scratch, nullptr);
    EXPECT_TRUE(same_samples(grid.samples, reference_2d(Input::kRandom, 512).data(),
                             static_cast<std::size_t>(grid.size())));
}

}  // namespace
