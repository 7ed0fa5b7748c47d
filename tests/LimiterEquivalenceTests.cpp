#include "DemoSignal.h"
#include "SimdLevelNames.h"
#include "dsp/TruePeakLimiter.h"
#include "reference/TruePeakLimiter.h"

#include <gtest/gtest.h>

#include <functional>

// The limiter decides from a bound whether a window needs the full interpolation. A bound that is
// ever too low would skip a window whose true peak passes the ceiling, and the gain would differ
// from the plain limiter's. So the two must agree bit for bit, above all on signals made to have
// inter-sample peaks far above their samples.
namespace
{
constexpr double sampleRate = 48000.0;
constexpr int length = 24000;

using Generator = std::function<float (int channel, int i)>;

struct Signal
{
    const char* name;
    Generator sample;
};

float sineAt (double cyclesPerSample, double phase, int i)
{
    return (float) std::sin (juce::MathConstants<double>::twoPi * cyclesPerSample * i + phase);
}

// The half-sample phase of the interpolator reaches its L1 norm (about 3.9) when every sample
// has the sign of the tap it meets; at 0.3 that is about 1.17 between samples that are all far
// below the ceiling.
float worstCaseWindow (int i)
{
    const int k = i % TruePeakLimiter::filterLength;
    const double x = (64 - k) - 0.5; // the tap this sample meets when the window is centred
    const double sinc = std::sin (juce::MathConstants<double>::pi * x) / (juce::MathConstants<double>::pi * x);
    return sinc >= 0.0 ? 0.3f : -0.3f;
}

const Signal signals[] = {
    { "QuarterRateSineAtItsInterSamplePeak", [] (int, int i) { return sineAt (0.25, 0.25 * juce::MathConstants<double>::pi, i); } },
    { "NearNyquistSine", [] (int ch, int i) { return 0.85f * sineAt (0.47, ch, i); } },
    { "AlternatingBursts", [] (int, int i) { return (i / 300) % 2 == 0 ? ((i % 2 == 0) ? 0.9f : -0.9f) : 0.0f; } },
    { "ImpulsesAndSteps", [] (int ch, int i) { return i % 997 == 0 ? 2.0f : ((i / 2000) % 2 == 0 ? 0.5f * (float) (ch + 1) : -0.2f); } },
    { "WorstCaseSignPattern", [] (int, int i) { return worstCaseWindow (i); } },
    { "NoiseNearTheCeiling", [] (int ch, int i) { return 0.9f * (juce::Random ((juce::int64) (i * 2 + ch)).nextFloat() * 2.0f - 1.0f); } },
    { "LoudNoise", [] (int ch, int i) { return 3.0f * (juce::Random ((juce::int64) (i * 2 + ch + 7)).nextFloat() * 2.0f - 1.0f); } },
    { "DemoSixDecibelsUp", [] (int ch, int i)
      {
          static const auto demo = DemoSignal::render (sampleRate);
          return 2.0f * demo.getSample (ch, demo.getNumSamples() / 2 + i); // the loud half
      } },
};

void PrintTo (const Signal& signal, std::ostream* os)
{
    *os << signal.name;
}

juce::AudioBuffer<float> render (const Signal& signal)
{
    juce::AudioBuffer<float> buffer (2, length);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < length; ++i)
            buffer.setSample (ch, i, signal.sample (ch, i));
    return buffer;
}

template <typename Limiter>
void processInBlocks (Limiter& limiter, juce::AudioBuffer<float>& buffer)
{
    // Blocks that straddle the limiter's internal chunks in every way.
    const int sizes[] = { 1, 100, 300, 512, 1000, 255, 257 };
    for (int start = 0, b = 0; start < buffer.getNumSamples(); ++b)
    {
        const int n = std::min (sizes[b % 7], buffer.getNumSamples() - start);
        juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), 2, start, n);
        limiter.process (view, 2, n, true);
        start += n;
    }
}

class LimiterEquivalence : public testing::TestWithParam<std::tuple<Signal, SimdLevel>>
{
};

TEST_P (LimiterEquivalence, MatchesThePlainLimiterBitForBit)
{
    const auto& [signal, level] = GetParam();
    const auto input = render (signal);

    reference::TruePeakLimiter plain;
    plain.prepare (sampleRate, true);
    auto expected = input;
    processInBlocks (plain, expected);

    TruePeakLimiter limiter;
    limiter.setSimdLevel (level);
    limiter.prepare (sampleRate, true);
    auto actual = input;
    processInBlocks (limiter, actual);

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < length; ++i)
            ASSERT_EQ (actual.getSample (ch, i), expected.getSample (ch, i)) << "channel " << ch << ", sample " << i;

    // The material has to reach the decision the bound takes over.
    EXPECT_GT (limiter.getDetector().getWindowsJudged(), 0);
}

INSTANTIATE_TEST_SUITE_P (Signals, LimiterEquivalence,
                          testing::Combine (testing::ValuesIn (signals), testing::ValuesIn (Simd::available())),
                          [] (const auto& row)
                          { return std::string (std::get<0> (row.param).name) + "_" + testNamePart (std::get<1> (row.param)); });
} // namespace

TEST (TruePeakLimiter, TheBoundSettlesAlmostEveryWindowOfProgrammeMaterial)
{
    // The demo brought to peaks of -3 dBFS: the interpolated peak is needed around every loud
    // passage, but the bound should rule out the ceiling for nearly all of those windows.
    const auto demo = DemoSignal::render (sampleRate);
    auto buffer = demo;
    buffer.applyGain (0.8f);
    TruePeakLimiter limiter;
    limiter.prepare (sampleRate, true);
    processInBlocks (limiter, buffer);

    const auto& detector = limiter.getDetector();
    ASSERT_GT (detector.getWindowsJudged(), demo.getNumSamples() / 10);
    EXPECT_LT (detector.getFullInterpolations(), detector.getWindowsJudged() / 100);
}
