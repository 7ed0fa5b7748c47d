#include "TruePeakDetector.h"

#include "SimdVector.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace
{
using Tables = TruePeakDetector::Tables;
using Workspace = TruePeakDetector::Workspace;

constexpr int filterLength = TruePeakDetector::filterLength;
constexpr int centreTap = TruePeakDetector::centreTap;
constexpr int centreTaps = TruePeakDetector::centreTaps;
constexpr int outerTaps = TruePeakDetector::outerTaps;
constexpr int historyLength = TruePeakDetector::historyLength;
constexpr double kaiserBeta = 8.0;

// Modified Bessel function of the first kind, order 0, by its power series.
double besselI0 (double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 40; ++k)
    {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// A plain truncated sinc reads inter-sample peaks up to a few hundredths of a dB low, enough for
// the output to measure above the ceiling on real programme; the Kaiser window keeps the table's
// response flat to well inside a thousandth of a dB up to 20 kHz.
double kaiserWindow (double x)
{
    const double r = x / (centreTap + 1);
    return std::abs (r) < 1.0 ? besselI0 (kaiserBeta * std::sqrt (1.0 - r * r)) / besselI0 (kaiserBeta) : 0.0;
}

// The bound is computed in double from sums of a few hundred terms; its rounding stays below
// 1e-13 of the largest alternating prefix sum. This margin covers that many times over.
constexpr double boundMargin = 1.0e-9;

static_assert (TruePeakDetector::phases == simd::lanes, "one vector holds the eight phases");

// What the outer taps of one side can add to a phase, per unit of the largest partial alternating
// sum of the samples under them. Counted outwards from the centre, the taps are h(t) = s (-1)^t u(t).
// With v the largest non-increasing, non-negative sequence under u and r = u - v, Abel's
// inequality bounds the sum over v by v(0) times that partial sum, and every sample is at most
// twice it, which bounds the sum over r. For the sinc, u falls like 1 / t and r is rounding.
template <typename TapOutwards>
double outerTapBound (TapOutwards tapOutwards)
{
    const double sign = tapOutwards (0) < 0.0 ? -1.0 : 1.0;
    double envelope = std::numeric_limits<double>::max();
    double first = 0.0, leftover = 0.0;

    for (int t = 0; t < outerTaps; ++t)
    {
        const double u = sign * (t % 2 == 0 ? tapOutwards (t) : -tapOutwards (t));
        envelope = std::min (envelope, std::max (u, 0.0));
        if (t == 0)
            first = envelope;
        leftover += std::abs (u - envelope);
    }

    return first + 2.0 * leftover;
}

// Running extremes within consecutive blocks of the outer-tap length, forwards and backwards: any
// window of that length is then covered by one backward and one forward value (van Herk and
// Gil-Werman).
void findBlockExtremes (Workspace& w, int length)
{
    const double* prefix = w.prefix.data();

    for (int blockStart = 0; blockStart < length; blockStart += outerTaps)
    {
        const int blockEnd = std::min (blockStart + outerTaps, length) - 1;

        double highest = prefix[blockStart], lowest = highest;
        for (int j = blockStart; j <= blockEnd; ++j)
        {
            highest = std::max (highest, prefix[j]);
            lowest = std::min (lowest, prefix[j]);
            w.forwardMax[(size_t) j] = highest;
            w.forwardMin[(size_t) j] = lowest;
        }

        highest = lowest = prefix[blockEnd];
        for (int j = blockEnd; j >= blockStart; --j)
        {
            highest = std::max (highest, prefix[j]);
            lowest = std::min (lowest, prefix[j]);
            w.backwardMax[(size_t) j] = highest;
            w.backwardMin[(size_t) j] = lowest;
        }
    }
}

// The largest |prefix[reference] - prefix[e]| over the outer-tap window of prefixes ending at end.
double largestPartialSum (const Workspace& w, int end, int reference)
{
    const auto start = (size_t) (end - outerTaps + 1);
    const double highest = std::max (w.backwardMax[start], w.forwardMax[(size_t) end]);
    const double lowest = std::min (w.backwardMin[start], w.forwardMin[(size_t) end]);
    const double r = w.prefix[(size_t) reference];
    return std::max (highest - r, r - lowest);
}

// For every window of the chunk that needs it: the largest partial alternating sums under its
// older and its newer outer taps. Returns the largest |prefix sum|, which scales the margin.
double findPartialSums (Workspace& w, int channel, int numSamples)
{
    // prefix[j + 1] = sum over i <= j of (-1)^i x(i), over the history and the chunk.
    const float* x = w.history[(size_t) channel].data();
    const int length = historyLength + numSamples + 1;
    double sum = 0.0, largest = 0.0;
    w.prefix[0] = 0.0;
    for (int i = 0; i + 1 < length; ++i)
    {
        sum += i % 2 == 0 ? (double) x[i] : -(double) x[i];
        w.prefix[(size_t) i + 1] = sum;
        largest = std::max (largest, std::abs (sum));
    }

    findBlockExtremes (w, length);

    // Window i has its newest sample at n = 128 + i. Its older outer taps meet x(n - 128) ..
    // x(n - 65 - centreTaps), summed outwards from prefix[n - 64 - centreTaps]; its newer ones
    // x(n - 63 + centreTaps) .. x(n), summed outwards from prefix[n - 63 + centreTaps].
    for (int i = 0; i < numSamples; ++i)
    {
        if (! w.needsInterpolation[(size_t) i])
            continue;
        const int n = historyLength + i;
        w.olderPartialSums[(size_t) channel][(size_t) i] = largestPartialSum (w, n - 65 - centreTaps, n - 64 - centreTaps);
        w.newerPartialSums[(size_t) channel][(size_t) i] = largestPartialSum (w, n + 1, n - 63 + centreTaps);
    }

    return largest;
}

// The full interpolation of the window whose newest sample is history[newest]: the eight phases
// of a channel in one vector, the taps summed in the order of a plain filter loop.
TOLLOVANE_ALWAYS_INLINE double interpolatedPeakOf (const Tables& tables, const Workspace& w, int numChannels, int newest)
{
    double peak = 0.0;
    for (int ch = 0; ch < numChannels; ++ch)
    {
        const float* x = w.history[(size_t) ch].data() + newest;
        simd::Doubles sum {};
        for (int k = 0; k < filterLength; ++k)
            sum += simd::load (tables.table[(size_t) k].data()) * simd::broadcast ((double) x[-k]);
        peak = std::max (peak, simd::largest (simd::abs (sum)));
    }
    return peak;
}

// The most any phase of any channel can reach in window i: the centre taps summed, the outer
// taps bounded.
TOLLOVANE_ALWAYS_INLINE double peakBound (const Tables& tables, const Workspace& w, int numChannels, int i)
{
    const auto sample = (size_t) i;
    simd::Doubles bound {};
    for (int ch = 0; ch < numChannels; ++ch)
    {
        const float* x = w.history[(size_t) ch].data() + historyLength + i;
        simd::Doubles centre {};
        for (int k = centreTap - centreTaps; k <= centreTap + centreTaps; ++k)
            centre += simd::load (tables.table[(size_t) k].data()) * simd::broadcast ((double) x[-k]);

        const auto older = simd::broadcast (w.olderPartialSums[(size_t) ch][sample]);
        const auto newer = simd::broadcast (w.newerPartialSums[(size_t) ch][sample]);
        const auto outer = simd::load (tables.olderOuterBound.data()) * older
                           + simd::load (tables.newerOuterBound.data()) * newer;
        bound = simd::max (bound, simd::abs (centre) + outer);
    }
    return simd::largest (bound);
}

// Fills truePeaks and bounds for the chunk; returns how many windows needed the full interpolation.
TOLLOVANE_ALWAYS_INLINE int findTruePeaksBody (const Tables& tables, Workspace& w, int numChannels, int numSamples,
                                               double floor)
{
    double largestPrefix = 0.0;
    for (int ch = 0; ch < numChannels; ++ch)
        largestPrefix = std::max (largestPrefix, findPartialSums (w, ch, numSamples));
    const double margin = boundMargin * (1.0 + largestPrefix);

    int full = 0;
    for (int i = 0; i < numSamples; ++i)
    {
        const auto sample = (size_t) i;
        const double samplePeak = w.samplePeaks[sample];
        w.truePeaks[sample] = samplePeak;
        if (! w.needsInterpolation[sample])
            continue;

        // Only an interpolated value above the limit can change what the caller does with it.
        w.bounds[sample] = peakBound (tables, w, numChannels, i) + margin;
        if (w.bounds[sample] <= std::max (samplePeak, floor))
            continue;

        w.truePeaks[sample] = std::max (samplePeak, interpolatedPeakOf (tables, w, numChannels, historyLength + i));
        ++full;
    }
    return full;
}

int findTruePeaksBaseline (const Tables& t, Workspace& w, int c, int n, double floor)
{
    return findTruePeaksBody (t, w, c, n, floor);
}

#if TOLLOVANE_X86_DISPATCH
TOLLOVANE_TARGET_AVX2 int findTruePeaksAvx2 (const Tables& t, Workspace& w, int c, int n, double floor)
{
    return findTruePeaksBody (t, w, c, n, floor);
}

TOLLOVANE_TARGET_AVX512 int findTruePeaksAvx512 (const Tables& t, Workspace& w, int c, int n, double floor)
{
    return findTruePeaksBody (t, w, c, n, floor);
}
#endif
} // namespace

TruePeakDetector::TruePeakDetector()
{
    buildTables();
}

TruePeakDetector::Table TruePeakDetector::designTable()
{
    Table table {};
    for (int p = 0; p < phases; ++p)
    {
        const auto phase = (size_t) p;
        double sum = 0.0;
        for (int k = 0; k < filterLength; ++k)
        {
            // Windowed sinc at the tap's distance from the interpolated point.
            const double x = (k - centreTap) + p / (double) phases;
            const double sinc = std::abs (x) < 1e-12 ? 1.0
                                                     : std::sin (juce::MathConstants<double>::pi * x)
                                                           / (juce::MathConstants<double>::pi * x);
            const double h = sinc * kaiserWindow (x);
            table[(size_t) k][phase] = h;
            sum += h;
        }

        for (int k = 0; k < filterLength; ++k)
            table[(size_t) k][phase] /= sum;
    }
    return table;
}

void TruePeakDetector::buildTables()
{
    auto& table = tables.table;
    table = designTable();
    largestNorm = 1.0;

    for (int p = 0; p < phases; ++p)
    {
        const auto phase = (size_t) p;
        double norm = 0.0;
        for (int k = 0; k < filterLength; ++k)
            norm += std::abs (table[(size_t) k][phase]);
        largestNorm = std::max (largestNorm, norm);

        tables.olderOuterBound[phase] =
            outerTapBound ([&] (int t) { return table[(size_t) (centreTap + centreTaps + 1 + t)][phase]; });
        tables.newerOuterBound[phase] =
            outerTapBound ([&] (int t) { return table[(size_t) (centreTap - centreTaps - 1 - t)][phase]; });
    }
}

void TruePeakDetector::reset()
{
    for (auto& channel : workspace.history)
        channel.fill (0.0f);
    windowsJudged = 0;
    fullInterpolations = 0;
}

void TruePeakDetector::findTruePeaks (int numChannels, int numSamples, double floor)
{
    int judged = 0;
    for (int i = 0; i < numSamples; ++i)
        judged += workspace.needsInterpolation[(size_t) i] ? 1 : 0;
    windowsJudged += judged;

    if (judged == 0)
    {
        std::copy_n (workspace.samplePeaks.begin(), numSamples, workspace.truePeaks.begin());
        return;
    }

#if TOLLOVANE_X86_DISPATCH
    if (simdLevel == SimdLevel::avx512)
        fullInterpolations += findTruePeaksAvx512 (tables, workspace, numChannels, numSamples, floor);
    else if (simdLevel == SimdLevel::avx2)
        fullInterpolations += findTruePeaksAvx2 (tables, workspace, numChannels, numSamples, floor);
    else
#endif
        fullInterpolations += findTruePeaksBaseline (tables, workspace, numChannels, numSamples, floor);
}

double TruePeakDetector::interpolatedPeak (int numChannels, int sample) const
{
    return interpolatedPeakOf (tables, workspace, numChannels, historyLength + sample);
}

void TruePeakDetector::nextChunk (int numChannels, int numSamples)
{
    for (int ch = 0; ch < numChannels; ++ch)
    {
        auto* channel = workspace.history[(size_t) ch].data();
        std::memmove (channel, channel + numSamples, sizeof (float) * historyLength);
    }
}
