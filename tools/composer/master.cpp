#include "master.h"

#include <algorithm>
#include <cmath>
#include <deque>

#include "dsp.h"

void masterLoop(const Mix& mix, double gain, double ceiling, std::vector<float>& interleaved) {
    const int64_t n = mix.frames;
    const auto at = [n](int64_t i) { return static_cast<size_t>(((i % n) + n) % n); };
    std::vector<double> needed(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        const double peak = gain * std::max(std::fabs(mix.left[at(i)]), std::fabs(mix.right[at(i)]));
        needed[at(i)] = peak > ceiling ? ceiling / peak : 1.0;
    }
    // ahead[i]: the least gain needed anywhere in [i, i + lookahead], a sliding minimum.
    std::vector<double> ahead(static_cast<size_t>(n));
    std::deque<int64_t> window;
    for (int64_t j = 0; j < n + kLimiterLookahead; ++j) {
        while (!window.empty() && needed[at(window.back())] >= needed[at(j)]) window.pop_back();
        window.push_back(j);
        const int64_t i = j - kLimiterLookahead;
        while (window.front() < i) window.pop_front();
        if (i >= 0) ahead[at(i)] = needed[at(window.front())];
    }
    // Averaging `ahead` over the last lookahead+1 frames ramps the gain down
    // smoothly and still stays at or below what every frame needs, since each
    // averaged value already covers the frame in question.
    const double span = kLimiterLookahead + 1;
    std::vector<double> smooth(static_cast<size_t>(n));
    double sum = 0.0;
    for (int64_t k = -kLimiterLookahead; k <= 0; ++k) sum += ahead[at(k)];
    for (int64_t i = 0; i < n; ++i) {
        smooth[at(i)] = std::min(1.0, sum / span);
        sum += ahead[at(i + 1)] - ahead[at(i - kLimiterLookahead)];
    }
    // Release: the gain climbs back slowly; two rounds so the loop's start
    // carries the state its end leaves.
    const double rise = 1.0 - std::exp(-1.0 / (kLimiterRelease * kSampleRate));
    std::vector<double> g(static_cast<size_t>(n));
    double current = 1.0;
    for (int round = 0; round < 2; ++round) {
        for (int64_t i = 0; i < n; ++i) {
            current = std::min(smooth[at(i)], current + (1.0 - current) * rise);
            g[at(i)] = current;
        }
    }
    interleaved.assign(static_cast<size_t>(2 * n), 0.0f);
    for (int64_t i = 0; i < n; ++i) {
        const double k = gain * g[at(i)];
        const double l = std::clamp(k * mix.left[at(i)], -ceiling, ceiling);
        const double r = std::clamp(k * mix.right[at(i)], -ceiling, ceiling);
        interleaved[static_cast<size_t>(2 * i)] = static_cast<float>(l);
        interleaved[static_cast<size_t>(2 * i + 1)] = static_cast<float>(r);
    }
}
