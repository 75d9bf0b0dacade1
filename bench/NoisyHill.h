#pragma once
// The benchmarks' noisy curve: 200 Hill points (V 100, n 1.8, K 0.8) from 0.01 to 10 on a
// log scale, 3 % multiplicative noise from a fixed generator, above a baseline.

#include <cmath>
#include <cstdint>
#include <vector>

namespace kinetra::bench {

struct HillPoints {
    std::vector<double> conc, rate;
};

inline HillPoints noisyHill(double baseline)
{
    HillPoints p;
    std::uint64_t seed = 12345;
    auto uniform = [&seed] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(seed >> 11) / 9007199254740992.0;
    };
    for (int i = 0; i < 200; ++i) {
        const double s = 0.01 * std::pow(1000.0, i / 199.0);
        const double v = 100 * std::pow(s, 1.8) / (std::pow(0.8, 1.8) + std::pow(s, 1.8));
        p.conc.push_back(s);
        p.rate.push_back(baseline + v * (1 + 0.03 * (2 * uniform() - 1)));
    }
    return p;
}

}  // namespace kinetra::bench
