#pragma once

#include <cstdint>

namespace vexmor::sample {

// SplitMix64: a tiny generator whose output is fixed by its definition, so the same seed gives
// the same corpus with every compiler and standard library (std distributions do not promise
// that).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    // A generator for one item of the corpus, independent of how many numbers other items drew.
    static Random forItem(std::uint64_t seed, std::uint64_t item) {
        Random mixer(seed ^ (item * 0xD1B54A32D192ED03ull));
        return Random(mixer.next());
    }

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, bound); bound 0 gives 0. The slight bias of the modulo does not matter for
    // test data.
    std::uint32_t below(std::uint32_t bound) {
        return bound == 0 ? 0 : static_cast<std::uint32_t>(next() % bound);
    }

    // A number in [low, high].
    std::int32_t between(std::int32_t low, std::int32_t high) {
        return low + static_cast<std::int32_t>(below(static_cast<std::uint32_t>(high - low + 1)));
    }

    bool chance(std::uint32_t percent) { return below(100) < percent; }

private:
    std::uint64_t state_;
};

}  // namespace vexmor::sample
