#include "DemoSignal.h"
#include "SimdLevelNames.h"
#include "dsp/TruePeakDetector.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

// The detector skips the full interpolation of a window when its bound proves the interpolated
// peak cannot matter. That is only sound if the bound is never below the interpolated peak, so
// every window of these signals is checked against the full interpolation.
namespace
{
using Generator = std::function<float (int channel, int i)>;

struct Material
{
    const char* name;
    Generator sample;
};

void PrintTo (const Material& material, std::ostream* os)
{
    *os << material.name;
}

float noise (int seed, float level)
{
    return level * (juce::Random (seed).nextFloat() * 2.0f - 1.0f);
}

// +-level with the sign of the tap that sample meets in a window centred at multiples of 129:
// the signal that drives the half-sample phase to its L1 norm.
float signPattern (int i, float level)
{
    const int k = i % TruePeakDetector::filterLength;
    const double x = (64 - k) - 0.5;
    return std::sin (juce::MathConstants<double>::pi * x) / x >= 0.0 ? level : -level;
}

const Material materials[] = {
    // A lone sample is where the bound of the outer taps is tight: every tap position in turn.
    { "LoneSamples", [] (int ch, int i) { return i % 131 == 0 ? (ch == 0 ? 1.0f : -3.0f) : 0.0f; } },
    { "Noise", [] (int ch, int i) { return noise (i * 2 + ch, 1.0f); } },
    { "HugeNoise", [] (int ch, int i) { return noise (i * 2 + ch, 1.0e6f); } },
    { "SignPattern", [] (int ch, int i) { return signPattern (i + ch, 0.3f); } },
    { "NyquistBursts", [] (int, int i) { return (i / 200) % 2 == 0 ? (i % 2 == 0 ? 0.9f : -0.9f) : 0.0f; } },
    { "NearNyquistSine", [] (int ch, int i) { return (float) std::sin (2.95 * i + ch); } },
    { "LowSineWithHiss", [] (int ch, int i) { return (float) std::sin (0.01 * i) + noise (i + ch, 0.01f); } },
    { "Demo", [] (int ch, int i)
      {
          static const auto demo = DemoSignal::render (48000.0);
          return demo.getSample (ch, (demo.getNumSamples() / 2 + i) % demo.getNumSamples());
      } },
};

class TruePeakBound : public testing::TestWithParam<std::tuple<Material, SimdLevel>>
{
};

TEST_P (TruePeakBound, IsNeverBelowTheInterpolatedPeak)
{
    const auto& [material, level] = GetParam();
    TruePeakDetector detector;
    detector.setSimdLevel (level);

    // Chunks of varying length, every window judged; an infinite floor means no window ever
    // needs the full interpolation, so every window gets a bound.
    const int lengths[] = { 256, 1, 77, 256, 200, 256 };
    int position = 0;
    for (const int n : lengths)
    {
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < n; ++i)
                detector.chunk (ch)[i] = material.sample (ch, position + i);
        std::fill_n (detector.needsInterpolation(), n, true);
        std::fill_n (detector.samplePeaks(), n, 0.0);

        detector.findTruePeaks (2, n, std::numeric_limits<double>::infinity());
        for (int i = 0; i < n; ++i)
            ASSERT_GE (detector.bounds()[i], detector.interpolatedPeak (2, i)) << "window " << position + i;

        detector.nextChunk (2, n);
        position += n;
    }
    EXPECT_EQ (detector.getFullInterpolations(), 0);
}

INSTANTIATE_TEST_SUITE_P (Signals, TruePeakBound,
                          testing::Combine (testing::ValuesIn (materials), testing::ValuesIn (Simd::available())),
                          [] (const auto& row)
                          { return std::string (std::get<0> (row.param).name) + "_" + testNamePart (std::get<1> (row.param)); });
} // namespace

TEST (TruePeakDetector, OnlyWindowsThatCouldPassTheLimitGetTheFullInterpolation)
{
    // A quarter-rate sine at its inter-sample peak: samples at +-0.707, and every other interval
    // between two samples holds a peak of 1.0. Against a limit of 0.9 those windows need the
    // full interpolation and find it; against a limit of 1.5 the bound settles every window and
    // the sample peak is kept.
    for (const double floor : { 0.9, 1.5 })
    {
        TruePeakDetector detector;
        const int n = TruePeakDetector::chunkLength;
        for (int round = 0; round < 2; ++round) // the first fills the history
        {
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < n; ++i)
                    detector.chunk (ch)[i] = (float) std::sin (juce::MathConstants<double>::halfPi * (round * n + i)
                                                               + juce::MathConstants<double>::pi / 4);
            std::fill_n (detector.needsInterpolation(), n, true);
            std::fill_n (detector.samplePeaks(), n, 0.7071);
            detector.findTruePeaks (2, n, floor);
            if (round == 0)
                detector.nextChunk (2, n);
        }

        const auto* peaks = detector.truePeaks();
        if (floor < 1.0)
        {
            EXPECT_EQ (std::count_if (peaks, peaks + n, [] (double p) { return std::abs (p - 1.0) < 0.01; }), n / 2);
            EXPECT_EQ (std::count (peaks, peaks + n, 0.7071), n / 2);
        }
        else
        {
            EXPECT_EQ (std::count (peaks, peaks + n, 0.7071), n);
        }
    }
}
