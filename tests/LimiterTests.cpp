#include "TruePeakMeter.h"
#include "dsp/TruePeakLimiter.h"

#include <gtest/gtest.h>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int lookahead = 72; // 1.5 ms at 48 kHz

void processInBlocks (TruePeakLimiter& limiter, juce::AudioBuffer<float>& buffer, bool on, int blockSize = 480)
{
    for (int start = 0; start < buffer.getNumSamples(); start += blockSize)
    {
        const int n = std::min (blockSize, buffer.getNumSamples() - start);
        juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start, n);
        limiter.process (view, buffer.getNumChannels(), n, on);
    }
}

juce::AudioBuffer<float> impulse (int numSamples, int at, float value)
{
    juce::AudioBuffer<float> buffer (2, numSamples);
    buffer.clear();
    buffer.setSample (0, at, value);
    return buffer;
}
} // namespace

TEST (TruePeakLimiter, LatencyIsLookaheadPlus64)
{
    const std::pair<double, int> rates[] = { { 44100.0, 66 }, { 48000.0, 72 }, { 96000.0, 144 }, { 100.0, 1 } };
    for (const auto& [rate, expectedLookahead] : rates)
    {
        TruePeakLimiter limiter;
        limiter.prepare (rate, false);
        EXPECT_EQ (limiter.getLookaheadSamples(), expectedLookahead) << rate;
        EXPECT_EQ (limiter.getLatencySamples(), expectedLookahead + 64) << rate;
    }
}

TEST (TruePeakLimiter, TheTriggerLevelIsExactlyWhereTheWorstCaseWindowReachesTheCeiling)
{
    // The window that makes the half-sample phase largest: every sample at the same level with
    // the sign of the sinc weight it meets, so the interpolated value is level x the phase's L1
    // norm. Just under the trigger nothing may be touched; just over, the limiter must act.
    auto gainOnWorstCaseWindow = [] (float levelOverTrigger)
    {
        TruePeakLimiter limiter;
        limiter.prepare (sampleRate, true);
        const auto level = (float) (limiter.getTruePeakTrigger() * levelOverTrigger);

        juce::AudioBuffer<float> buffer (1, 2000);
        buffer.clear();
        const int newest = 1000;
        for (int k = 0; k < TruePeakLimiter::filterLength; ++k)
            buffer.setSample (0, newest - k, std::sin (juce::MathConstants<double>::pi * (k - 63.5)) / (k - 63.5) > 0.0 ? level : -level);
        const auto input = buffer;
        processInBlocks (limiter, buffer, true);

        float smallest = 1.0f;
        for (int i = lookahead + 64; i < buffer.getNumSamples(); ++i)
            if (input.getSample (0, i - lookahead - 64) != 0.0f)
                smallest = std::min (smallest, buffer.getSample (0, i) / input.getSample (0, i - lookahead - 64));
        return smallest;
    };

    EXPECT_EQ (gainOnWorstCaseWindow (0.999f), 1.0f);
    EXPECT_LT (gainOnWorstCaseWindow (1.02f), 0.995f);
}

TEST (TruePeakLimiter, OffIsAnExactDelay)
{
    TruePeakLimiter limiter;
    limiter.prepare (sampleRate, false);
    juce::Random random (7);
    juce::AudioBuffer<float> input (2, 9600);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < input.getNumSamples(); ++i)
            input.setSample (ch, i, 4.0f * (random.nextFloat() - 0.5f)); // well over the ceiling
    auto output = input;
    processInBlocks (limiter, output, false);

    const int delay = lookahead + 64;
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < output.getNumSamples(); ++i)
            ASSERT_EQ (output.getSample (ch, i), i < delay ? 0.0f : input.getSample (ch, i - delay)) << i;
}

TEST (TruePeakLimiter, CatchesInterSamplePeaksOfAQuarterRateSine)
{
    // sin(pi/2 n + pi/4) has every sample at +-0.7071 but a true peak of 1.0 (0 dBTP).
    TruePeakLimiter limiter;
    limiter.prepare (sampleRate, true);
    juce::AudioBuffer<float> sine (2, 24000);
    for (int i = 0; i < sine.getNumSamples(); ++i)
        for (int ch = 0; ch < 2; ++ch)
            sine.setSample (ch, i, (float) std::sin (juce::MathConstants<double>::halfPi * i + juce::MathConstants<double>::pi / 4));
    processInBlocks (limiter, sine, true);

    // Measure only once the limiter has settled, with the history before it in the meter, so
    // that the cut does not ring.
    TruePeakMeter meter (2);
    meter.process (sine, 12000);
    meter.resetPeak();
    juce::AudioBuffer<float> settled (sine.getArrayOfWritePointers(), 2, 12000, 12000);
    meter.process (settled, 12000);
    const float truePeakDb = meter.getPeakDb();
    EXPECT_NEAR (truePeakDb, -1.0f, 0.05f);
}

TEST (TruePeakLimiter, AnOverloadNeverPassesTheSafetyCeiling)
{
    TruePeakLimiter limiter;
    limiter.prepare (sampleRate, true);
    auto buffer = impulse (4800, 1000, 2.0f);
    processInBlocks (limiter, buffer, true);

    for (int i = 0; i < buffer.getNumSamples(); ++i)
        ASSERT_LE (std::abs (buffer.getSample (0, i)), 0.94406086f) << i;
    EXPECT_NEAR (buffer.getSample (0, 1000 + lookahead + 64), 0.89125f, 0.001f); // at the -1 dBFS ceiling
}

// The gain the limiter applied at every output sample, read off a quiet carrier on the right
// channel while a single 2.0 sample on the left (6 dB over full scale) passes at sample 1000.
struct GainTrace
{
    std::vector<float> gain;

    GainTrace()
    {
        TruePeakLimiter limiter;
        limiter.prepare (sampleRate, true);
        auto buffer = impulse (48000, 1000, 2.0f);
        juce::FloatVectorOperations::fill (buffer.getWritePointer (1), 0.1f, 48000);
        processInBlocks (limiter, buffer, true);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            gain.push_back (buffer.getSample (1, i) / 0.1f);
    }
};

TEST (TruePeakLimiter, GlidesDownBeforeThePeakLeavesTheDelay)
{
    // Detected on entry at sample 1000, the gain glides linearly over L - 2 = 70 samples to
    // ceiling / 2.0, long before the peak comes out at 1000 + 136.
    const GainTrace trace;
    const float target = 0.89125094f / 2.0f;
    EXPECT_EQ (trace.gain[999], 1.0f);
    EXPECT_EQ (trace.gain[1000], 1.0f);
    EXPECT_NEAR (trace.gain[1035], 1.0f + (target - 1.0f) * 0.5f, 1e-4f);
    EXPECT_NEAR (trace.gain[1070], target, 1e-6f);
    EXPECT_NEAR (trace.gain[1000 + lookahead + 64], target, 1e-6f);
}

TEST (TruePeakLimiter, HoldsFor20msThenReleasesWith150ms)
{
    const GainTrace trace;
    const int reached = 1070;
    const float minimum = trace.gain[reached];

    const int hold = 960; // 20 ms
    EXPECT_EQ (trace.gain[reached + hold], minimum);
    EXPECT_GT (trace.gain[reached + hold + 1], minimum);

    // Then 1 - gain shrinks with the 150 ms time constant: after 150 ms, to 1/e of its depth.
    const float released = trace.gain[reached + hold + 7200];
    EXPECT_NEAR ((1.0f - released) / (1.0f - minimum), std::exp (-1.0f), 0.005f);
}
