// The fuzz test's one source of randomness: every argument of a round comes
// from it, so a round is replayed exactly from its seed.
#ifndef TESTS_ENGINE_FUZZ_FUZZ_RANDOM_H
#define TESTS_ENGINE_FUZZ_FUZZ_RANDOM_H

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace fuzz {

class FuzzRandom {
public:
    explicit FuzzRandom(uint64_t seed) : engine_(seed) {}

    uint64_t next() { return engine_(); }

    // A whole number in [lo, hi].
    int64_t between(int64_t lo, int64_t hi) {
        const auto span = static_cast<uint64_t>(hi - lo) + 1;
        return lo + static_cast<int64_t>(span == 0 ? next() : next() % span);
    }
    int between(int lo, int hi) { return static_cast<int>(between(int64_t{lo}, int64_t{hi})); }
    bool chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
    float unit() { return static_cast<float>(static_cast<double>(next() >> 11) * 0x1.0p-53); }
    uint8_t byte() { return static_cast<uint8_t>(next()); }

    template <class T> T pick(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(next() % values.size())];
    }

    // Values at and around the ends of the 32-bit range, and a few where
    // sizes and products wrap.
    int32_t extremeInt() {
        static const std::vector<int64_t> values = {
            std::numeric_limits<int32_t>::min(),
            std::numeric_limits<int32_t>::min() + 1,
            -65536,
            -5,
            -1,
            0,
            1,
            (int64_t{1} << 29) + 1,
            (int64_t{1} << 30) + 1,
            std::numeric_limits<int32_t>::max() - 3,
            std::numeric_limits<int32_t>::max(),
        };
        if (chance(0.2)) return static_cast<int32_t>(next());
        return static_cast<int32_t>(pick(values));
    }

    // Floats that are no number, infinite, huge, tiny or just outside [0, 1].
    float extremeFloat() {
        static const std::vector<float> values = {
            std::numeric_limits<float>::quiet_NaN(),
            std::numeric_limits<float>::infinity(),
            -std::numeric_limits<float>::infinity(),
            1e30f,
            -1e30f,
            3.0f,
            -0.0f,
            1.0000001f,
            -1e-30f,
            std::numeric_limits<float>::denorm_min(),
            2147483648.0f,
        };
        if (chance(0.2)) return (unit() - 0.5f) * 200.0f;
        return pick(values);
    }

    // Mostly an ordinary value in [lo, hi], sometimes an extreme one.
    float floatIn(float lo, float hi, double extreme = 0.15) {
        return chance(extreme) ? extremeFloat() : lo + unit() * (hi - lo);
    }

private:
    std::mt19937_64 engine_;
};

} // namespace fuzz

#endif
