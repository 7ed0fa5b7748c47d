#include "ProcessorHarness.h"

#include <gtest/gtest.h>

#include <cfloat>

using namespace ProcessorHarness;

// Every sample rate and prepared block size a host may choose, host blocks that change size on
// every call (empty ones and ones larger than prepared among them), the settings moving on every
// block through every ratio step, detector, release mode and switch, and input that a broken chain
// upstream can produce: silence, full-scale and +20 dBFS noise, DC, clicks, NaN and infinity
// bursts, subnormals.
namespace
{
constexpr double sampleRates[] = { 8000.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0 };
constexpr int preparedSizes[] = { 1, 16, 64, 441, 512, 2048, 8192 };
constexpr float safetyCeiling = 0.94406086f; // -0.5 dBFS

enum class Material { silence, noise, loudNoise, dc, clicks, nonFinite, subnormal };
constexpr Material materials[] = { Material::noise, Material::loudNoise, Material::dc, Material::clicks,
                                   Material::nonFinite, Material::subnormal, Material::noise };

float materialSample (Material material, juce::Random& random, int i)
{
    switch (material)
    {
        case Material::silence: return 0.0f;
        case Material::noise: return random.nextFloat() * 2.0f - 1.0f;
        case Material::loudNoise: return 10.0f * (random.nextFloat() * 2.0f - 1.0f); // +20 dBFS
        case Material::dc: return 0.8f;
        case Material::clicks: return i % 977 == 0 ? 1.0f : 0.0f;
        case Material::nonFinite:
            return i % 3 == 0 ? std::numeric_limits<float>::quiet_NaN()
                              : (i % 3 == 1 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity());
        case Material::subnormal: return (i % 2 == 0 ? 1.0f : -1.0f) * FLT_MIN * 0.25f;
    }
    return 0.0f;
}

// A twentieth of a second of each material in turn, then 1.1 s of silence.
juce::AudioBuffer<float> stressInput (double sampleRate)
{
    const int segment = (int) (0.05 * sampleRate);
    const int tail = (int) (1.1 * sampleRate);
    juce::AudioBuffer<float> input (2, segment * (int) std::size (materials) + tail);
    input.clear();
    juce::Random random (42);
    for (int m = 0; m < (int) std::size (materials); ++m)
        for (int i = 0; i < segment; ++i)
            for (int ch = 0; ch < 2; ++ch)
                input.setSample (ch, m * segment + i, materialSample (materials[m], random, i));
    return input;
}

// The settings move on every host block; the automatic makeup switch stays as given.
void moveSettings (TamberAudioProcessor& processor, int block, bool autoMakeup)
{
    setParameter (processor, "ratio", (float) (block % 11));
    setParameter (processor, "detector", (float) ((block / 11) % 2));
    setParameter (processor, "sync", (float) ((block / 3) % 2));
    setParameter (processor, "release", (float) ((block * 5) % 8));
    setParameter (processor, "harm", block % 2 == 0 ? 0.0f : 100.0f);
    setParameter (processor, "wide", block % 4 < 2 ? 0.0f : 100.0f);
    setParameter (processor, "threshold", -36.0f + (float) ((block * 7) % 47));
    setParameter (processor, "attack", block % 5 == 0 ? 0.05f : 120.0f);
    setParameter (processor, "mix", (float) ((block * 13) % 101));
    setParameter (processor, "makeup", (float) ((block * 11) % 49) - 24.0f);
    setParameter (processor, "sidechainHp", (float) ((block * 37) % 301));
    setParameter (processor, "autoMakeup", autoMakeup ? 1.0f : 0.0f);
}

int hostBlockSize (int block, int prepared)
{
    const int sizes[] = { prepared, 0, prepared + 37, 1, 2 * prepared + 3, 17, std::max (1, prepared / 2) };
    return sizes[block % (int) std::size (sizes)];
}

struct Run
{
    juce::AudioBuffer<float> output;
    int latency;
};

Run runGrid (double sampleRate, int prepared, const juce::AudioBuffer<float>& input, bool autoMakeup, bool bypassed)
{
    TamberAudioProcessor processor;
    moveSettings (processor, 0, autoMakeup);
    prepare (processor, sampleRate, prepared);

    auto buffer = input;
    juce::MidiBuffer midi;
    for (int start = 0, block = 0; start < buffer.getNumSamples(); ++block)
    {
        const int n = std::min (hostBlockSize (block, prepared), buffer.getNumSamples() - start);
        juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), 2, start, n);
        moveSettings (processor, block, autoMakeup);
        if (bypassed)
            processor.processBlockBypassed (view, midi);
        else
            processor.processBlock (view, midi);
        start += n;
    }
    return { buffer, processor.getLatencySamples() };
}
} // namespace

class StressGrid : public testing::TestWithParam<double>
{
};

TEST_P (StressGrid, OutputStaysFiniteBoundedAndClean)
{
    const double rate = GetParam();
    const auto input = stressInput (rate);
    const int silenceStart = input.getNumSamples() - (int) (1.1 * rate);

    for (const int prepared : preparedSizes)
    {
        SCOPED_TRACE (testing::Message() << rate << " Hz, prepared for " << prepared);
        for (const bool autoMakeup : { false, true })
        {
            const auto run = runGrid (rate, prepared, input, autoMakeup, false);
            for (int ch = 0; ch < 2; ++ch)
            {
                for (int i = 0; i < input.getNumSamples(); ++i)
                {
                    const float y = run.output.getSample (ch, i);
                    ASSERT_TRUE (std::isfinite (y)) << "sample " << i;
                    if (autoMakeup)
                    {
                        ASSERT_LE (std::abs (y), safetyCeiling) << "sample " << i;
                    }
                    // After a second of silence nothing is left but exact zeros or normal numbers.
                    if (i > silenceStart + (int) rate)
                    {
                        ASSERT_TRUE (y == 0.0f || std::abs (y) >= FLT_MIN) << "subnormal at sample " << i;
                    }
                }
            }
        }
    }
}

TEST_P (StressGrid, BypassIsExactlyTheDelayedInput)
{
    const double rate = GetParam();
    const auto input = stressInput (rate);

    for (const int prepared : preparedSizes)
    {
        SCOPED_TRACE (testing::Message() << rate << " Hz, prepared for " << prepared);
        const auto run = runGrid (rate, prepared, input, true, true);
        for (int ch = 0; ch < 2; ++ch)
        {
            for (int i = 0; i < input.getNumSamples(); ++i)
            {
                const int source = i - run.latency;
                const float x = source < 0 ? 0.0f : input.getSample (ch, source);
                ASSERT_EQ (run.output.getSample (ch, i), std::isfinite (x) ? x : 0.0f) << "sample " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P (Processor, StressGrid, testing::ValuesIn (sampleRates),
                          [] (const auto& testInfo) { return std::to_string ((int) testInfo.param) + "Hz"; });
