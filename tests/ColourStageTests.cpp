#include "dsp/ColourStage.h"

#include <gtest/gtest.h>

#include <complex>

namespace
{
constexpr int blockSize = 512;

struct ColourRig
{
    ColourStage stage;
    juce::AudioBuffer<float> reduction { 2, blockSize };
    std::vector<float> harm, attack;

    ColourRig (double sampleRate, float reductionDb, float harmAmount)
        : harm ((size_t) blockSize, harmAmount), attack ((size_t) blockSize, 8.0f)
    {
        stage.prepare (sampleRate, blockSize);
        for (int ch = 0; ch < 2; ++ch)
            juce::FloatVectorOperations::fill (reduction.getWritePointer (ch), reductionDb, blockSize);
    }

    void process (juce::AudioBuffer<float>& buffer, int ratioMode = 0)
    {
        for (int start = 0; start < buffer.getNumSamples(); start += blockSize)
        {
            const int n = std::min (blockSize, buffer.getNumSamples() - start);
            juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start, n);
            stage.applyNonlinearColourStage (view, reduction, harm, attack, buffer.getNumChannels(), n, 0.34f, ratioMode);
        }
    }
};

juce::AudioBuffer<float> noise (int numSamples, float level, int seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (2, numSamples);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (ch, i, level * (random.nextFloat() * 2.0f - 1.0f));
    return buffer;
}

double magnitudeDb (const DoubleBiquad& f, double hz, double rate)
{
    const auto z1 = std::polar (1.0, -juce::MathConstants<double>::twoPi * hz / rate);
    const auto h = (f.b0 + f.b1 * z1 + f.b2 * z1 * z1) / (1.0 + f.a1 * z1 + f.a2 * z1 * z1);
    return 20.0 * std::log10 (std::abs (h));
}
} // namespace

TEST (ColourStage, SoftClipIsBoundedWhateverComesIn)
{
    // 1.4 - 0.085 * 1.4^3 = 1.16676
    for (const float y : { 0.5f, 1.5f, 10.0f, 1.0e30f, -3.0f, -1.0e30f })
        EXPECT_LE (std::abs (ColourStage::softClip (y)), 1.16676f) << y;

    EXPECT_FLOAT_EQ (ColourStage::softClip (100.0f), 1.16676f);
    EXPECT_EQ (ColourStage::softClip (std::numeric_limits<float>::infinity()), 0.0f);
    EXPECT_EQ (ColourStage::softClip (std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST (ColourStage, SilenceAfterSettlingIsExactlyZero)
{
    juce::ScopedNoDenormals noDenormals; // as on the audio thread
    for (const int mode : { 0, 1, 2 })
    {
        ColourRig rig (48000.0, 6.0f, 0.8f);
        auto loud = noise (48000, 0.9f, mode);
        rig.process (loud, mode);

        // The slowest state, the 10 Hz bell, needs about nine seconds to fall below float range.
        auto silence = juce::AudioBuffer<float> (2, 20 * 48000);
        silence.clear();
        rig.process (silence, mode);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = silence.getNumSamples() - 4800; i < silence.getNumSamples(); ++i)
                ASSERT_EQ (silence.getSample (ch, i), 0.0f) << "mode " << mode << ", sample " << i;
    }
}

TEST (ColourStage, WithoutHarmTheFiltersContributeNothing)
{
    // Two stages whose harmonic and tilt filters hold very different states: one has been
    // playing with harm fully up. Once the shaper's own short memory has passed, harm 0 makes
    // them agree, because only the shaper and the soft clip act.
    ColourRig warmed (48000.0, 6.0f, 0.8f), fresh (48000.0, 6.0f, 0.0f);
    auto a = noise (48000, 0.7f, 1);
    auto b = a;
    warmed.process (a);
    fresh.process (b);
    ASSERT_GT (std::abs (a.getSample (0, 40000) - b.getSample (0, 40000)), 1e-4f);

    std::fill (warmed.harm.begin(), warmed.harm.end(), 0.0f);
    auto c = noise (24000, 0.7f, 2);
    auto d = c;
    warmed.process (c);
    fresh.process (d);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 4800; i < c.getNumSamples(); ++i)
            ASSERT_NEAR (c.getSample (ch, i), d.getSample (ch, i), 1e-6f) << "sample " << i;
}

TEST (ColourStage, TiltFiltersMatchTheirDesignAtHighRates)
{
    // Combined low-bell and high-shelf response with harm fully up, at the oversampled rates of
    // 44.1 and 48 kHz.
    const struct
    {
        double hz, db;
    } response[] = { { 10, 6.0 }, { 20, 5.7 }, { 50, 3.9 }, { 100, 1.9 },
                     { 1000, 0.1 }, { 5000, 1.2 }, { 10000, 3.0 }, { 20000, 5.0 } };

    for (const double baseRate : { 44100.0, 48000.0 })
    {
        ColourStage stage;
        stage.prepare (baseRate, blockSize);
        const auto& channel = stage.getChannel (0);
        for (const auto& point : response)
        {
            const double db = magnitudeDb (channel.lowBell, point.hz, 2 * baseRate)
                              + magnitudeDb (channel.highShelf, point.hz, 2 * baseRate);
            EXPECT_NEAR (db, point.db, 0.2) << point.hz << " Hz at " << 2 * baseRate << " Hz";
        }
    }
}
