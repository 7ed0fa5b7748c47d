#pragma once

#include "SimdLevel.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The limiter's true-peak interpolation: a 129-tap, 8-phase Kaiser-windowed sinc over the last 129
// samples of each channel, evaluated one chunk of samples at a time.
//
// The interpolated peak of a window only matters when it could pass the limit the caller gives
// (the ceiling, or the sample peak when that is higher). A bound settles that for almost every
// window: the five centre taps summed exactly, the 62 taps on either side bounded through their
// alternating signs (Abel's inequality) from running sums of the signal. Only windows the bound
// cannot settle get the full interpolation, with the same sums in the same order as a plain
// filter loop, so the peaks that matter come out bit for bit as a straightforward filter gives them.
class TruePeakDetector
{
public:
    static constexpr int filterLength = 129; // taps -64..+64
    static constexpr int phases = 8;
    static constexpr int centreTap = filterLength / 2; // the filter looks 64 samples back
    static constexpr int centreTaps = 2;               // summed in the bound on either side of the centre
    static constexpr int outerTaps = centreTap - centreTaps;

    static constexpr int chunkLength = 256;
    static constexpr int historyLength = filterLength - 1;

    TruePeakDetector();

    // Clears the history.
    void reset();

    void setSimdLevel (SimdLevel level) { simdLevel = level; }

    // The largest L1 norm of the eight phases: no interpolated value exceeds the window's largest
    // sample times this.
    double getLargestNorm() const { return largestNorm; }

    // The current chunk of a channel: the caller writes its (finite) samples here.
    float* chunk (int channel) { return workspace.history[(std::size_t) channel].data() + historyLength; }
    const float* chunk (int channel) const { return workspace.history[(std::size_t) channel].data() + historyLength; }

    // Which windows of the chunk need their interpolated peak, and each window's sample peak.
    bool* needsInterpolation() { return workspace.needsInterpolation.data(); }
    double* samplePeaks() { return workspace.samplePeaks.data(); }

    // For every window of the chunk: the sample peak, or the larger of it and the interpolated
    // peak when the window needs it and that could pass limit = max(sample peak, floor).
    void findTruePeaks (int numChannels, int numSamples, double floor);

    // Keeps the chunk's last 128 samples as the history of the next one.
    void nextChunk (int numChannels, int numSamples);

    const double* truePeaks() const { return workspace.truePeaks.data(); }

    // What the last findTruePeaks() used to settle each window (for tests).
    const double* bounds() const { return workspace.bounds.data(); }

    // The interpolated peak of window `sample` of the current chunk over all phases and channels,
    // in full (for tests; findTruePeaks() calls the same code).
    double interpolatedPeak (int numChannels, int sample) const;

    // Since the last reset: windows that needed the interpolated peak, and how many of them the
    // bound could not settle.
    std::int64_t getWindowsJudged() const { return windowsJudged; }
    std::int64_t getFullInterpolations() const { return fullInterpolations; }

    // Tap-major: table[k][p] is tap k - 64 of phase p (eighths of a sample).
    using Table = std::array<std::array<double, phases>, filterLength>;

    // The Kaiser-windowed sinc, each phase scaled to unity gain at DC.
    static Table designTable();

    struct Tables
    {
        alignas (64) Table table {};
        // Per phase, what the outer taps on either side can add at most, per unit of the largest
        // partial alternating sum of the samples under them.
        alignas (64) std::array<double, phases> newerOuterBound {};
        alignas (64) std::array<double, phases> olderOuterBound {};
    };

    struct Workspace
    {
        // Per channel the 128 samples before the chunk, then the chunk itself, contiguous.
        alignas (64) std::array<std::array<float, historyLength + chunkLength>, 2> history {};

        std::array<bool, chunkLength> needsInterpolation {};
        std::array<double, chunkLength> samplePeaks {};
        std::array<double, chunkLength> truePeaks {};
        std::array<double, chunkLength> bounds {};

        // Alternating prefix sums of one channel's history and chunk, and their running extremes
        // within blocks of the outer-tap length; then per channel and window the largest partial
        // alternating sum under its older and under its newer outer taps.
        alignas (64) std::array<double, historyLength + chunkLength + 1> prefix {}, forwardMax {}, forwardMin {},
            backwardMax {}, backwardMin {};
        std::array<std::array<double, chunkLength>, 2> olderPartialSums {}, newerPartialSums {};
    };

private:
    void buildTables();

    Tables tables;
    Workspace workspace;
    double largestNorm = 1.0;
    SimdLevel simdLevel = Simd::detect();
    std::int64_t windowsJudged = 0;
    std::int64_t fullInterpolations = 0;
};
