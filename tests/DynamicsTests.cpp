#include "EngineHarness.h"

#include "dsp/HighRatioEngine.h"
#include "dsp/StaticCurve.h"

#include <gtest/gtest.h>

using namespace EngineHarness;

namespace
{
float dbToGain (float db)
{
    return std::pow (10.0f, db / 20.0f);
}

// A time constant in ms as a one-pole coefficient at the test rate.
float coefficient (double ms)
{
    return (float) std::exp (-1.0 / (sampleRate * ms * 0.001));
}
} // namespace

//==============================================================================
TEST (StaticCurve, IsContinuousAtBothKneeEdges)
{
    const float threshold = -12.0f;
    for (const float ratio : { 1.5f, 4.0f, 20.0f, 99.0f })
    {
        for (const float knee : { 0.85f, 3.5f, 5.2f, 6.5f })
        {
            SCOPED_TRACE (testing::Message() << "ratio " << ratio << ", knee " << knee);
            EXPECT_EQ (staticGainReductionDb (threshold - knee / 2, threshold, knee, ratio), 0.0f);

            // Just inside the knee's top edge, the knee branch meets the straight line.
            const float top = threshold + knee / 2;
            const float straight = (knee / 2) * (1.0f - 1.0f / ratio);
            EXPECT_NEAR (staticGainReductionDb (top, threshold, knee, ratio), straight, 1e-5f);
            EXPECT_NEAR (staticGainReductionDb (top - 0.0001f, threshold, knee, ratio), straight, 0.0002f);
        }
    }

    // 10 dB above the threshold at 4:1, outside the knee: 10 * (1 - 1/4) = 7.5 dB.
    EXPECT_FLOAT_EQ (staticGainReductionDb (-2.0f, -12.0f, 3.5f, 4.0f), 7.5f);
    EXPECT_EQ (staticGainReductionDb (0.0f, -12.0f, 3.5f, 1.0001f), 0.0f);
}

//==============================================================================
TEST (StandardEngine, SettlesAtTheStaticReduction)
{
    // A constant input of 10^(-2/20) / 1.25 gives a detector level of exactly -2 dB after the
    // standard engine's 1.25 detector gain: 10 dB over -12, so 7.5 dB of reduction at 4:1.
    const auto snapshot = snapshotWith (-12.0f, 4.0f);
    FourEngineCompressor engine;
    prepare (engine, snapshot);
    auto input = makeConstant (2, 48000, dbToGain (-2.0f) / 1.25f);
    process (engine, input, snapshot);

    EXPECT_NEAR (gainDb (engine), -7.5f, 0.01f);
    EXPECT_NEAR (engine.lastGainReductionLeftDb, 7.5f, 0.01f);
    EXPECT_EQ (engine.lastGainReductionLeftDb, engine.lastGainReductionRightDb);
}

TEST (StandardEngine, RmsDetectorReadsTheSineRms)
{
    // Sine of amplitude 0.5: RMS 0.3536, times 1.25 = 0.442 = -7.09 dB; 12.91 dB over -20 at
    // 4:1 gives 9.68 dB. The 10 ms averaging leaves a small ripple at 1 kHz.
    auto snapshot = snapshotWith (-20.0f, 4.0f);
    snapshot.rmsDetector = true;
    FourEngineCompressor engine;
    prepare (engine, snapshot);

    juce::AudioBuffer<float> input (2, 48000);
    for (int i = 0; i < input.getNumSamples(); ++i)
        for (int ch = 0; ch < 2; ++ch)
            input.setSample (ch, i, 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi * 1000.0 * i / sampleRate));
    process (engine, input, snapshot);

    EXPECT_NEAR (gainDb (engine), -9.68f, 0.2f);
}

TEST (StandardEngine, UnityRatioNeverChangesTheGain)
{
    const auto snapshot = snapshotWith (-36.0f, 1.0f);
    FourEngineCompressor engine;
    prepare (engine, snapshot);

    for (int block = 0; block < 50; ++block)
    {
        auto loud = makeConstant (2, 512, 0.9f);
        process (engine, loud, snapshot);
        ASSERT_EQ (engine.getChannelState (0).gain, 1.0f);
        ASSERT_EQ (engine.getChannelState (0).previousGainReductionDb, 0.0f);
        ASSERT_EQ (engine.lastGainReductionLeftDb, 0.0f);
        ASSERT_EQ (engine.lastGainReductionRightDb, 0.0f);
    }
}

TEST (StandardEngine, PeakEnvelopeRisesWithAttackAndFallsWithRelease)
{
    // Standard engine: attack 8 ms * 0.32 = 2.56 ms, release 300 ms * 0.58 = 174 ms.
    const auto snapshot = snapshotWith (-12.0f, 4.0f);
    FourEngineCompressor engine;
    prepare (engine, snapshot, 2, 1);

    juce::AudioBuffer<float> sample (2, 1);
    sample.clear();
    sample.setSample (0, 0, 1.0f);
    engine.processSubBlock (sample, 2, 1, snapshot);

    const float attacked = (1.0f - coefficient (2.56)) * 1.25f;
    EXPECT_FLOAT_EQ (engine.getChannelState (0).envelope, attacked);

    float expected = attacked;
    for (int i = 0; i < 1000; ++i)
    {
        sample.clear();
        engine.processSubBlock (sample, 2, 1, snapshot);
        expected *= coefficient (174.0);
    }
    EXPECT_NEAR (engine.getChannelState (0).envelope / expected, 1.0f, 1e-3f);
}

TEST (StandardEngine, TempoQuarterNoteReleasesIn290ms)
{
    // One beat at 120 BPM is 500 ms; the standard engine scales release by 0.58: 290 ms.
    auto snapshot = snapshotWith (-12.0f, 4.0f);
    snapshot.releaseMs = 500.0f;
    FourEngineCompressor engine;
    prepare (engine, snapshot);

    auto on = makeConstant (2, 4800, 0.5f);
    process (engine, on, snapshot);
    const float start = engine.getChannelState (0).envelope;

    auto silence = makeConstant (2, (int) (0.290 * sampleRate), 0.0f);
    process (engine, silence, snapshot);
    EXPECT_NEAR (engine.getChannelState (0).envelope / start, std::exp (-1.0f), 0.001f);
}

TEST (StandardEngine, AutoReleaseIsSlowerOnLouderProgramme)
{
    // The same halving of level, from loud and from quiet: the envelope's release time grows
    // with the level it is releasing towards.
    auto samplesToSettleHalfway = [] (float from)
    {
        auto snapshot = snapshotWith (-12.0f, 4.0f);
        snapshot.releaseMs = 2400.0f;
        snapshot.autoRelease = true;
        FourEngineCompressor engine;
        prepare (engine, snapshot, 2, 1);

        auto high = makeConstant (2, 24000, from);
        process (engine, high, snapshot, 1);
        const float startEnvelope = engine.getChannelState (0).envelope;
        const float halfway = 0.75f * startEnvelope; // halfway between from and from / 2

        juce::AudioBuffer<float> low = makeConstant (2, 1, from / 2);
        for (int n = 1; n < 96000; ++n)
        {
            auto sample = low;
            engine.processSubBlock (sample, 2, 1, snapshot);
            if (engine.getChannelState (0).envelope <= halfway)
                return n;
        }
        return 96000;
    };

    const int loud = samplesToSettleHalfway (1.0f);
    const int quiet = samplesToSettleHalfway (0.1f);
    EXPECT_GT (loud, 2 * quiet) << "loud " << loud << ", quiet " << quiet;
}

TEST (StandardEngine, BothChannelsShareOneGain)
{
    // Loud on the left only: the right channel is reduced just as much.
    const auto snapshot = snapshotWith (-24.0f, 8.0f);
    FourEngineCompressor engine;
    prepare (engine, snapshot);

    auto rightOutput = [&] (float leftLevel)
    {
        engine.reset();
        juce::AudioBuffer<float> input (2, 24000);
        for (int i = 0; i < input.getNumSamples(); ++i)
        {
            input.setSample (0, i, leftLevel);
            input.setSample (1, i, 0.01f * (float) std::sin (juce::MathConstants<double>::twoPi * 1000.0 * i / sampleRate));
        }
        process (engine, input, snapshot);
        return input.getRMSLevel (1, 12000, 12000);
    };

    const float alone = rightOutput (0.0f);
    const float beside = rightOutput (0.9f);
    EXPECT_EQ (engine.lastGainReductionLeftDb, engine.lastGainReductionRightDb);
    EXPECT_GT (engine.lastGainReductionRightDb, 15.0f);
    EXPECT_LT (beside / alone, dbToGain (-10.0f));
}

//==============================================================================
TEST (SidechainHighPass, OffLeavesItsStateAlone)
{
    auto snapshot = snapshotWith (-24.0f, 4.0f);
    FourEngineCompressor engine;
    prepare (engine, snapshot);
    auto input = makeConstant (2, 4800, 0.7f);
    process (engine, input, snapshot);
    EXPECT_EQ (engine.getChannelState (0).sidechainLowpass, 0.0f);
    EXPECT_EQ (engine.getChannelState (1).sidechainLowpass, 0.0f);

    snapshot.sidechainHpHz = 100.0f;
    prepare (engine, snapshot);
    auto again = makeConstant (2, 4800, 0.7f);
    process (engine, again, snapshot);
    EXPECT_NEAR (engine.getChannelState (0).sidechainLowpass, 0.7f, 0.001f);
}

TEST (SidechainHighPass, EasesTheReductionOnBass)
{
    // A 40 Hz tone compressed with the high-pass at 300 Hz: the detector keeps 35 % of the level
    // plus 75 % of the excess over its low-pass, so the bass is reduced far less.
    auto reductionWith = [] (float sidechainHz)
    {
        auto snapshot = snapshotWith (-24.0f, 4.0f);
        snapshot.sidechainHpHz = sidechainHz;
        FourEngineCompressor engine;
        prepare (engine, snapshot);
        juce::AudioBuffer<float> input (2, 48000);
        for (int i = 0; i < input.getNumSamples(); ++i)
            for (int ch = 0; ch < 2; ++ch)
                input.setSample (ch, i, 0.7f * (float) std::sin (juce::MathConstants<double>::twoPi * 40.0 * i / sampleRate));
        process (engine, input, snapshot);
        return -gainDb (engine);
    };

    EXPECT_LT (reductionWith (300.0f), reductionWith (0.0f) - 3.0f);
}

//==============================================================================
TEST (DetectorOverflow, RecoversFromAnAbsurdInput)
{
    // 1e20 squared overflows a float. Afterwards the compressor must come back to exactly what a
    // fresh one does with the same programme.
    for (const bool rms : { false, true })
    {
        SCOPED_TRACE (rms ? "RMS" : "Peak");
        auto snapshot = snapshotWith (-20.0f, 4.0f);
        snapshot.rmsDetector = rms;
        FourEngineCompressor hit, fresh;
        prepare (hit, snapshot);
        prepare (fresh, snapshot);

        auto absurd = makeConstant (2, 512, 1.0e20f);
        process (hit, absurd, snapshot);
        EXPECT_TRUE (std::isfinite (hit.getChannelState (0).meanSquare));
        EXPECT_TRUE (std::isfinite (hit.getChannelState (0).envelope));

        for (int second = 0; second < 3; ++second)
        {
            auto a = makeConstant (2, 48000, 0.3f);
            auto b = a;
            process (hit, a, snapshot);
            process (fresh, b, snapshot);
            for (int i = 0; i < a.getNumSamples(); ++i)
                ASSERT_TRUE (std::isfinite (a.getSample (0, i)));
        }
        EXPECT_NEAR (gainDb (hit), gainDb (fresh), 0.01f);
        // A float one-pole settles within a few ulps of its input, depending on where it came from.
        EXPECT_NEAR (hit.getChannelState (0).meanSquare / fresh.getChannelState (0).meanSquare, 1.0f, 1e-4f);
    }
}

//==============================================================================
namespace
{
// Feeds the high-ratio stages a steady level and closes the loop the way the compressor does: the
// applied reduction jumps up to the target and releases with the engine's coefficient, and the
// previous reduction is the larger of the applied one and the target.
struct SteadyDrive
{
    HighRatioEngine engine;
    HighRatioEngine::Kind kind;
    float attackMs;
    float applied = 0.0f;
    float previousReduction = 0.0f;
    HighRatioEngine::Output last {};

    SteadyDrive (HighRatioEngine::Kind k, float attack = 8.0f) : kind (k), attackMs (attack)
    {
        engine.prepare (sampleRate);
    }

    void run (int samples, float levelDb, float thresholdDb, float peak, float meanSquare)
    {
        for (int i = 0; i < samples; ++i)
        {
            last = engine.process (kind, { peak, meanSquare, dbToGain (levelDb), levelDb, thresholdDb, 99.0f, 99.0f,
                                           attackMs, 300.0f * 0.28f, previousReduction });
            const float target = last.targetReductionDb;
            applied = target > applied ? target : applied + (1.0f - last.releaseCoefficient) * (target - applied);
            previousReduction = std::max (applied, target);
        }
    }
};
} // namespace

TEST (HighRatioEngines, AllInTwentyDecibelsOverDrivesFullyAndNarrowsTheKnee)
{
    // 0.68 * 20 / 16 = 0.85 from the overshoot alone, plus the reduction term: the drive target
    // clamps at 1, and with 12 dB or more of previous reduction the knee is min(3 - 2.15, 6 - 4.5).
    SteadyDrive steady (HighRatioEngine::Kind::allIn);
    const float threshold = -12.0f + 2.2f;
    steady.run (48000, threshold + 20.0f, threshold, 0.5f, 0.125f); // a sine's peak and mean square

    EXPECT_NEAR (steady.engine.getDrive(), 1.0f, 1e-3f);
    EXPECT_NEAR (steady.last.kneeDb, 0.85f, 1e-3f);
    const float staticReduction = staticGainReductionDb (threshold + 20.0f, threshold, steady.last.kneeDb, 99.0f);
    EXPECT_GT (steady.last.targetReductionDb, staticReduction + 1.0f); // the push adds on top
}

TEST (HighRatioEngines, AnIsolatedClickIsReliefedBelowTheStaticCurve)
{
    // Silence, then one loud sample: crest and detector rise are large, the transient hold jumps
    // and the target drops by 3 * hold * (0.35 + 0.65 * crest) below the static curve.
    SteadyDrive steady (HighRatioEngine::Kind::allIn, 30.0f); // slow attack: no attack term
    steady.run (4800, -60.0f, -9.8f, 0.0f, 0.0f);
    ASSERT_LT (steady.last.targetReductionDb, 1e-6f);

    const float level = 0.0f, threshold = -9.8f;
    const auto out = steady.engine.process (HighRatioEngine::Kind::allIn,
                                            { 1.0f, 0.001f, 1.52f, level, threshold, 99.0f, 99.0f, 30.0f, 84.0f, 0.0f });
    const float staticReduction = staticGainReductionDb (level, threshold, out.kneeDb, 99.0f);
    EXPECT_EQ (steady.engine.getTransientHold(), 1.0f);
    EXPECT_LT (out.targetReductionDb, staticReduction - 2.5f);
}

TEST (HighRatioEngines, HoldKeepsTheReleaseAtItsFloorAfterABurst)
{
    const struct
    {
        HighRatioEngine::Kind kind;
        float floor;
    } engines[] = { { HighRatioEngine::Kind::ninetyNine, 0.985f }, { HighRatioEngine::Kind::allIn, 0.995f } };

    for (const auto& e : engines)
    {
        SteadyDrive steady (e.kind);
        steady.run (9600, 0.0f, -20.0f, 0.5f, 0.125f); // deep reduction arms the hold
        const float counter = steady.engine.getHoldCounter();
        ASSERT_GT (counter, 0.0f);

        // The signal drops below the threshold: the reduction falls, and for every falling sample
        // the counter runs down by one with the release held at the floor.
        int held = 0;
        for (int i = 0; i < 4000 && steady.engine.getHoldCounter() > 0.0f; ++i, ++held)
        {
            steady.run (1, -40.0f, -20.0f, 0.01f, 0.00005f);
            ASSERT_GE (steady.last.releaseCoefficient, e.floor);
        }
        EXPECT_EQ (held, (int) std::ceil (counter));
    }
}

TEST (HighRatioEngines, SwitchingEnginesCarriesTheStateOver)
{
    auto snapshot = snapshotWith (-30.0f, 99.0f, 1);
    FourEngineCompressor engine;
    prepare (engine, snapshot);
    auto loud = makeConstant (2, 9600, 0.8f);
    process (engine, loud, snapshot);

    const auto& state = engine.getHighRatioEngine();
    const float drive = state.getDrive(), push = state.getPush();
    ASSERT_GT (drive, 0.5f);
    ASSERT_GT (push, 0.2f);

    snapshot.ratioMode = 2;
    auto one = makeConstant (2, 1, 0.8f);
    process (engine, one, snapshot);
    EXPECT_NEAR (state.getDrive(), drive, 0.05f);
    EXPECT_NEAR (state.getPush(), push, 0.05f);
}

TEST (HighRatioEngines, BelowTheThresholdEverythingDecaysToRest)
{
    // Attack settings at which neither engine's attack term marks a transient on its own.
    const std::pair<HighRatioEngine::Kind, float> engines[] = { { HighRatioEngine::Kind::ninetyNine, 0.05f },
                                                                 { HighRatioEngine::Kind::allIn, 30.0f } };
    for (const auto& [kind, attack] : engines)
    {
        SteadyDrive steady (kind, attack);
        steady.run (4800, 0.0f, -20.0f, 0.5f, 0.125f);
        ASSERT_GT (steady.engine.getDrive(), 0.5f);

        // A steady quiet tone: no rise, crest 0 (peak equals RMS).
        steady.run (96000, -40.0f, -20.0f, 0.01f, 0.0001f);
        EXPECT_LT (steady.engine.getDrive(), 1e-4f);
        EXPECT_LT (steady.engine.getPush(), 1e-3f);
        EXPECT_LT (steady.last.targetReductionDb, 1e-6f);
    }
}
