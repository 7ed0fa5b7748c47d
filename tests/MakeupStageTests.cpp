#include "dsp/MakeupStage.h"

#include <gtest/gtest.h>

namespace
{
constexpr double sampleRate = 48000.0;

MakeupStage::Settings settingsFor (float thresholdDb, float ratio, int ratioMode, bool autoMakeup, float makeupDb = 0.0f)
{
    constexpr float offsets[] = { 0.0f, 1.6f, 2.2f }; // the engines' threshold offsets
    return { thresholdDb, ratio, makeupDb, ratio, offsets[ratioMode], 1.0f, ratioMode, autoMakeup };
}

juce::AudioBuffer<float> constant (int numSamples, float level)
{
    juce::AudioBuffer<float> buffer (2, numSamples);
    for (int ch = 0; ch < 2; ++ch)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), level, numSamples);
    return buffer;
}
} // namespace

TEST (MakeupStage, AutomaticTargetFollowsThresholdRatioAndEngine)
{
    const struct
    {
        const char* name;
        MakeupStage::Settings settings;
        float expectedDb;
    } cases[] = {
        // k = 0.75, rn = 3/19: (0.32 + 0.18 * 3/19) * 20 * 0.75 = 5.226
        { "4:1 at -20", settingsFor (-20.0f, 4.0f, 0, true), 5.2263f },
        // T = 0 + 2.2 > 0, so only the bonus: k * 1.0 = 1 - 1/99 = 0.9899
        { "ALL IN at 0", settingsFor (0.0f, 99.0f, 2, true), 0.98990f },
        { "standard at 0", settingsFor (0.0f, 4.0f, 0, true), 0.0f },
        { "unity", settingsFor (-36.0f, 1.0f, 0, true), 0.0f },
        // (0.32 + 0.18) * 37.6 * 0.9899 + 0.45 * 0.9899 = 19.06, capped at 14
        { "99:1 at -36", settingsFor (-36.0f, 99.0f, 1, true), 14.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (MakeupStage::automaticTargetDb (c.settings), c.expectedDb, 1e-3f) << c.name;
}

TEST (MakeupStage, ProtectionSettlesSoTheHeldPeakEndsAtMinus1Point5)
{
    // A steady -3 dBFS peak and an automatic target of 5 dB: the protection settles at
    // -1.5 - (-3) - 5 = -3.5 dB and the wet peak ends near -1.5 dBFS.
    const float thresholdFor5Db = -5.0f / (0.75f * (0.32f + 0.18f * 3.0f / 19.0f));
    const auto settings = settingsFor (thresholdFor5Db, 4.0f, 0, true);
    ASSERT_NEAR (MakeupStage::automaticTargetDb (settings), 5.0f, 1e-4f);

    MakeupStage makeup;
    makeup.prepare (sampleRate, true);
    const float peak = std::pow (10.0f, -3.0f / 20.0f);
    juce::AudioBuffer<float> block;
    for (int i = 0; i < 200; ++i)
    {
        block = constant (480, peak);
        makeup.process (block, 2, 480, settings);
    }

    EXPECT_NEAR (makeup.getAutoMakeupDb(), 5.0f, 0.01f);
    EXPECT_NEAR (makeup.getProtectionDb(), -3.5f, 0.02f);
    EXPECT_NEAR (20.0f * std::log10 (block.getSample (0, 479)), -1.5f, 0.02f);
}

TEST (MakeupStage, SilenceFreezesHoldAndProtection)
{
    MakeupStage makeup;
    makeup.prepare (sampleRate, true);
    const auto settings = settingsFor (-20.0f, 4.0f, 0, true);
    auto loud = constant (4800, 0.9f);
    makeup.process (loud, 2, 4800, settings);
    const float hold = makeup.getOutputPeakHold(), protection = makeup.getProtectionDb();
    ASSERT_LT (protection, -1.0f);

    auto quiet = constant (48000, 0.0001f); // not above the -80 dBFS gate
    makeup.process (quiet, 2, 48000, settings);
    EXPECT_EQ (makeup.getOutputPeakHold(), hold);
    EXPECT_EQ (makeup.getProtectionDb(), protection);
    EXPECT_GT (makeup.getAutoMakeupDb(), 5.0f); // still gliding to its 5.23 dB target
}

TEST (MakeupStage, PeakHoldStaysFor300msThenDecays)
{
    MakeupStage makeup;
    makeup.prepare (sampleRate, false);
    const auto settings = settingsFor (-20.0f, 4.0f, 0, false);
    auto burst = constant (1, 0.8f);
    makeup.process (burst, 2, 1, settings);

    auto low = constant (14399, 0.1f); // 300 ms = 14400 samples of hold
    makeup.process (low, 2, low.getNumSamples(), settings);
    EXPECT_EQ (makeup.getOutputPeakHold(), 0.8f);

    auto more = constant (4800, 0.1f); // then 100 ms of decay with the 300 ms time constant
    makeup.process (more, 2, more.getNumSamples(), settings);
    EXPECT_NEAR (makeup.getOutputPeakHold(), 0.8f * std::exp (-4799.0f / 14400.0f), 0.002f);
}

TEST (MakeupStage, SwitchingCrossfadesWithinOneMillisecond)
{
    // Manual makeup 0 dB, automatic 5.23 dB on a quiet signal that needs no protection: the gain
    // glides from 1 to 1.825 over 48 samples without a step.
    auto settings = settingsFor (-20.0f, 4.0f, 0, false);
    MakeupStage makeup;
    makeup.prepare (sampleRate, false);
    auto settle = constant (96000, 0.01f);
    makeup.process (settle, 2, 96000, settings);
    ASSERT_NEAR (makeup.getAutoMakeupDb(), 5.2263f, 0.005f);

    settings.autoMakeup = true;
    auto block = constant (96, 0.01f);
    makeup.process (block, 2, 96, settings);

    const float automatic = std::pow (10.0f, makeup.getAutoMakeupDb() / 20.0f);
    float previous = 1.0f;
    for (int i = 0; i < 96; ++i)
    {
        const float gain = block.getSample (0, i) / 0.01f;
        EXPECT_LT (gain - previous, 0.02f) << "sample " << i;
        EXPECT_GE (gain, previous) << "sample " << i;
        previous = gain;
        if (i >= 47)
        {
            EXPECT_NEAR (gain, automatic, 1e-3f) << "sample " << i;
        }
    }
}

TEST (MakeupStage, ManualMakeupIsAPlainGain)
{
    MakeupStage makeup;
    makeup.prepare (sampleRate, false);
    auto block = constant (64, 0.01f);
    makeup.process (block, 2, 64, settingsFor (-20.0f, 4.0f, 0, false, 24.0f));
    EXPECT_NEAR (block.getSample (1, 63), 0.01f * 15.8489f, 1e-5f); // 10^(24/20)
}
