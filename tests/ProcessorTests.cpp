#include "FixedTempoPlayHead.h"
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

using namespace ProcessorHarness;

namespace
{
// The oversampler's latency, measured on an oversampler of our own with the plug-in's settings.
int oversamplerLatency()
{
    juce::dsp::Oversampling<float> reference (2, 1, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR,
                                              true, true);
    reference.initProcessing (512);
    return juce::roundToInt (reference.getLatencyInSamples());
}

} // namespace

//==============================================================================
struct SnapshotCase
{
    const char* name;
    std::vector<std::pair<const char*, float>> settings;
    double hostBpm; // 0: no play head
    ParameterSnapshot expected;
};

class SnapshotConversion : public testing::TestWithParam<SnapshotCase>
{
};

TEST_P (SnapshotConversion, GivesTheEngineeringUnits)
{
    const auto& row = GetParam();
    TamberAudioProcessor processor;
    for (const auto& [id, value] : row.settings)
        setParameter (processor, id, value);

    if (row.hostBpm > 0.0)
    {
        // The tempo reaches the snapshot through one processing call, as in a host.
        FixedTempoPlayHead head (row.hostBpm);
        processor.setPlayHead (&head);
        prepare (processor, 48000.0, 64);
        juce::AudioBuffer<float> block (2, 64);
        block.clear();
        process (processor, block, 64);
        processor.setPlayHead (nullptr);
    }

    const auto s = processor.gatherParameters();
    const auto& e = row.expected;
    EXPECT_FLOAT_EQ (s.thresholdDb, e.thresholdDb);
    EXPECT_FLOAT_EQ (s.attackMs, e.attackMs);
    EXPECT_FLOAT_EQ (s.releaseMs, e.releaseMs);
    EXPECT_FLOAT_EQ (s.ratio, e.ratio);
    EXPECT_FLOAT_EQ (s.mix, e.mix);
    EXPECT_FLOAT_EQ (s.makeupDb, e.makeupDb);
    EXPECT_FLOAT_EQ (s.width, e.width);
    EXPECT_FLOAT_EQ (s.sidechainHpHz, e.sidechainHpHz);
    EXPECT_FLOAT_EQ (s.harmAmount, e.harmAmount);
    EXPECT_EQ (s.ratioMode, e.ratioMode);
    EXPECT_EQ (s.rmsDetector, e.rmsDetector);
    EXPECT_EQ (s.autoRelease, e.autoRelease);
    EXPECT_EQ (s.autoMakeup, e.autoMakeup);
}

namespace
{
ParameterSnapshot defaultsWith (const std::function<void (ParameterSnapshot&)>& change)
{
    ParameterSnapshot s; // thresholdDb -12, attackMs 8, releaseMs 300, ratio 4, mix 1, width 1, ...
    change (s);
    return s;
}

const SnapshotCase snapshotCases[] = {
    { "Defaults", {}, 0.0, defaultsWith ([] (auto&) {}) },
    { "AutoReleaseInMilliseconds", { { "release", 7.0f } }, 0.0,
      defaultsWith ([] (auto& s) { s.releaseMs = 2400.0f; s.autoRelease = true; }) },
    { "OneBarAt120Bpm", { { "release", 7.0f }, { "sync", 1.0f } }, 0.0,
      defaultsWith ([] (auto& s) { s.releaseMs = 2000.0f; }) },
    { "Note128thAt120Bpm", { { "release", 0.0f }, { "sync", 1.0f } }, 0.0,
      defaultsWith ([] (auto& s) { s.releaseMs = 15.625f; }) },
    { "QuarterNoteAtReportedTempo", { { "release", 5.0f }, { "sync", 1.0f } }, 60.0,
      defaultsWith ([] (auto& s) { s.releaseMs = 1000.0f; }) },
    { "TempoBelowOneBpmCountsAsOne", { { "release", 5.0f }, { "sync", 1.0f } }, 0.25,
      defaultsWith ([] (auto& s) { s.releaseMs = 60000.0f; }) },
    { "NinetyNine", { { "ratio", 9.0f } }, 0.0, defaultsWith ([] (auto& s) { s.ratio = 99.0f; s.ratioMode = 1; }) },
    { "AllIn", { { "ratio", 10.0f } }, 0.0, defaultsWith ([] (auto& s) { s.ratio = 99.0f; s.ratioMode = 2; }) },
    { "TwentyToOne", { { "ratio", 8.0f } }, 0.0, defaultsWith ([] (auto& s) { s.ratio = 20.0f; }) },
    { "UnityRatio", { { "ratio", 0.0f } }, 0.0, defaultsWith ([] (auto& s) { s.ratio = 1.0f; }) },
    { "WideHarmMix", { { "wide", 100.0f }, { "harm", 100.0f }, { "mix", 50.0f } }, 0.0,
      defaultsWith ([] (auto& s) { s.width = 1.5f; s.harmAmount = 0.8f; s.mix = 0.5f; }) },
    { "RmsAndAutoMakeup", { { "detector", 1.0f }, { "autoMakeup", 1.0f } }, 0.0,
      defaultsWith ([] (auto& s) { s.rmsDetector = true; s.autoMakeup = true; }) },
    { "LowestThresholdAndExtremes",
      { { "threshold", -36.0f }, { "attack", 120.0f }, { "makeup", -24.0f }, { "sidechainHp", 300.0f } }, 0.0,
      defaultsWith ([] (auto& s) { s.thresholdDb = -36.0f; s.attackMs = 120.0f; s.makeupDb = -24.0f; s.sidechainHpHz = 300.0f; }) },
};
} // namespace

INSTANTIATE_TEST_SUITE_P (Processor, SnapshotConversion, testing::ValuesIn (snapshotCases),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (Parameters, SkewedRangesPutTheirMidpointsWhereExpected)
{
    TamberAudioProcessor processor;
    auto* threshold = processor.valueTreeState.getParameter ("threshold");
    threshold->setValueNotifyingHost (0.5f);
    EXPECT_NEAR (processor.gatherParameters().thresholdDb, -24.5f, 0.05f);

    auto* attack = processor.valueTreeState.getParameter ("attack");
    EXPECT_NEAR (attack->convertFrom0to1 (0.5f), 5.19f, 0.01f);
    EXPECT_NEAR (attack->getValue(), 0.550f, 0.001f);
    EXPECT_NEAR (threshold->convertTo0to1 (-12.0f), 0.722f, 0.001f);
}

TEST (Parameters, HostsSeeTwelveParametersInLayoutOrder)
{
    TamberAudioProcessor processor;
    const juce::StringArray expectedIds { "detector", "sync", "wide", "threshold", "attack", "release",
                                          "ratio", "mix", "makeup", "harm", "autoMakeup", "sidechainHp" };
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), expectedIds.size());
    for (int i = 0; i < parameters.size(); ++i)
    {
        auto* withId = dynamic_cast<juce::AudioProcessorParameterWithID*> (parameters[i]);
        ASSERT_NE (withId, nullptr);
        EXPECT_EQ (withId->getParameterID(), expectedIds[i]);
        EXPECT_EQ (withId->getVersionHint(), 1);
    }
    EXPECT_EQ (parameters[6]->getCurrentValueAsText(), "4:1");
    EXPECT_EQ (parameters[5]->getCurrentValueAsText(), "300 ms / 1/16");
}

TEST (Parameters, NonFiniteRawValuesFallBackToDefaults)
{
    TamberAudioProcessor processor;
    for (const auto* id : { "threshold", "attack", "release", "ratio", "mix", "wide", "harm", "sync", "detector" })
        processor.valueTreeState.getRawParameterValue (id)->store (std::numeric_limits<float>::quiet_NaN());
    processor.valueTreeState.getRawParameterValue ("autoMakeup")->store (std::numeric_limits<float>::infinity());

    const auto s = processor.gatherParameters();
    EXPECT_EQ (s.thresholdDb, -12.0f);
    EXPECT_EQ (s.attackMs, 8.0f);
    EXPECT_EQ (s.releaseMs, 300.0f);
    EXPECT_EQ (s.ratio, 4.0f);
    EXPECT_EQ (s.mix, 1.0f);
    EXPECT_EQ (s.width, 1.0f);
    EXPECT_EQ (s.harmAmount, 0.0f);
    EXPECT_FALSE (s.autoMakeup);
    EXPECT_FALSE (s.rmsDetector);
}

TEST (Parameters, ABrokenHostTempoIsIgnored)
{
    TamberAudioProcessor processor;
    setParameter (processor, "sync", 1.0f);
    setParameter (processor, "release", 5.0f);
    FixedTempoPlayHead head (std::numeric_limits<double>::quiet_NaN());
    processor.setPlayHead (&head);
    prepare (processor, 48000.0, 64);
    juce::AudioBuffer<float> block (2, 64);
    block.clear();
    process (processor, block, 64);
    processor.setPlayHead (nullptr);

    EXPECT_FLOAT_EQ (processor.gatherParameters().releaseMs, 500.0f); // still 120 BPM
}

//==============================================================================
TEST (Buses, AcceptsMatchingMonoOrStereoOnly)
{
    TamberAudioProcessor processor;
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto disabled = juce::AudioChannelSet::disabled();

    const struct
    {
        juce::AudioChannelSet in, out;
        bool supported;
    } cases[] = {
        { mono, mono, true },
        { stereo, stereo, true },
        { mono, stereo, false },
        { stereo, mono, false },
        { disabled, stereo, false },
        { juce::AudioChannelSet::create5point1(), juce::AudioChannelSet::create5point1(), false },
    };

    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), c.supported)
            << c.in.getDescription() << " -> " << c.out.getDescription();
    }
}

TEST (Lifecycle, IdentityProgramsAndMidi)
{
    TamberAudioProcessor processor;
    EXPECT_EQ (processor.getName(), "Tollovane");
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_TRUE (processor.getProgramName (0).isEmpty());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getBypassParameter(), nullptr);
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
}

TEST (Lifecycle, BeforePrepareLatencyIsFourAndBlocksPassUntouched)
{
    TamberAudioProcessor processor;
    EXPECT_EQ (processor.getLatencySamples(), 4);
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);

    auto buffer = makeProgramme (2, 512, 48000.0);
    const auto original = buffer;
    process (processor, buffer, 512);
    EXPECT_TRUE (identical (buffer, original));
}

TEST (Lifecycle, AfterReleaseBlocksPassUntouched)
{
    TamberAudioProcessor processor;
    prepare (processor, 48000.0, 512);
    processor.releaseResources();

    auto buffer = makeProgramme (2, 512, 48000.0);
    const auto original = buffer;
    process (processor, buffer, 512);
    EXPECT_TRUE (identical (buffer, original));
}

class LatencyAtRate : public testing::TestWithParam<std::pair<double, int>>
{
};

TEST_P (LatencyAtRate, IsOversamplerPlusLookaheadPlus64)
{
    const auto [rate, limiterPart] = GetParam();
    TamberAudioProcessor processor;
    prepare (processor, rate, 512);
    const int latency = oversamplerLatency() + limiterPart;
    EXPECT_EQ (processor.getLatencySamples(), latency);
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), latency / rate);
}

INSTANTIATE_TEST_SUITE_P (Processor, LatencyAtRate,
                          testing::Values (std::make_pair (44100.0, 66 + 64), std::make_pair (48000.0, 72 + 64)));

//==============================================================================
TEST (Bypass, OutputIsTheInputDelayedByExactlyTheLatency)
{
    TamberAudioProcessor processor;
    setParameter (processor, "autoMakeup", 1.0f);
    prepare (processor, 48000.0, 256);
    const int latency = processor.getLatencySamples();

    // Host blocks of 1000 are larger than the prepared 256.
    juce::AudioBuffer<float> buffer (2, 3000);
    buffer.clear();
    buffer.setSample (0, 300, 1.0f);
    buffer.setSample (1, 301, -0.5f);
    process (processor, buffer, 1000, true);

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        ASSERT_EQ (buffer.getSample (0, i), i == 300 + latency ? 1.0f : 0.0f) << "sample " << i;
        ASSERT_EQ (buffer.getSample (1, i), i == 301 + latency ? -0.5f : 0.0f) << "sample " << i;
    }
}

TEST (Bypass, EngineKeepsRunningSoUnbypassingContinuesSeamlessly)
{
    const auto input = makeProgramme (2, 48000, 48000.0);
    constexpr int block = 480;

    auto runWithBypassFor = [&] (int firstBypassedBlock, int lastBypassedBlock)
    {
        TamberAudioProcessor processor;
        setParameter (processor, "threshold", -30.0f);
        prepare (processor, 48000.0, block);
        auto buffer = input;
        juce::MidiBuffer midi;
        for (int b = 0; b * block < buffer.getNumSamples(); ++b)
        {
            juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), 2, b * block, block);
            if (b >= firstBypassedBlock && b <= lastBypassedBlock)
                processor.processBlockBypassed (view, midi);
            else
                processor.processBlock (view, midi);
        }
        return buffer;
    };

    const auto neverBypassed = runWithBypassFor (-1, -1);
    const auto bypassedForAWhile = runWithBypassFor (20, 40);

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 41 * block; i < input.getNumSamples(); ++i)
            ASSERT_EQ (bypassedForAWhile.getSample (ch, i), neverBypassed.getSample (ch, i)) << "sample " << i;
}

//==============================================================================
TEST (SubBlocks, LargeHostBlocksAreSplitIntoPreparedSizeSubBlocks)
{
    const auto input = makeProgramme (2, 6000, 48000.0);

    // Host blocks cycle through the given sizes.
    auto render = [&] (int preparedSize, std::vector<int> hostBlocks)
    {
        TamberAudioProcessor processor;
        setParameter (processor, "threshold", -30.0f);
        setParameter (processor, "harm", 60.0f);
        setParameter (processor, "wide", 80.0f);
        setParameter (processor, "mix", 70.0f);
        setParameter (processor, "autoMakeup", 1.0f);
        prepare (processor, 48000.0, preparedSize);

        auto buffer = input;
        juce::MidiBuffer midi;
        for (int start = 0, b = 0; start < buffer.getNumSamples(); ++b)
        {
            const int n = std::min (hostBlocks[(size_t) b % hostBlocks.size()], buffer.getNumSamples() - start);
            juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), 2, start, n);
            processor.processBlock (view, midi);
            start += n;
        }
        return buffer;
    };

    // Every stage's state carries over from one sub-block to the next.
    EXPECT_TRUE (identical (render (512, { 1000 }), render (512, { 512, 488 })));
    EXPECT_TRUE (identical (render (256, { 1024 }), render (256, { 256 })));
    EXPECT_TRUE (identical (render (0, { 512 }), render (1, { 1 }))); // a block size of 0 counts as 1
}

//==============================================================================
TEST (Sanitising, NonFiniteInputIsProcessedAsZero)
{
    auto clean = makeProgramme (2, 4800, 48000.0);
    auto dirty = clean;
    for (const int i : { 700, 701, 2000, 3333 })
    {
        clean.setSample (0, i, 0.0f);
        clean.setSample (1, i + 5, 0.0f);
        dirty.setSample (0, i, i % 2 == 0 ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity());
        dirty.setSample (1, i + 5, -std::numeric_limits<float>::infinity());
    }

    for (const bool bypassed : { false, true })
    {
        TamberAudioProcessor a, b;
        prepare (a, 48000.0, 512);
        prepare (b, 48000.0, 512);
        auto expected = clean;
        auto actual = dirty;
        process (a, expected, 512, bypassed);
        process (b, actual, 512, bypassed);
        EXPECT_TRUE (identical (actual, expected)) << (bypassed ? "bypassed" : "processed");
    }
}

//==============================================================================
namespace
{
float sideRms (const juce::AudioBuffer<float>& buffer, int from)
{
    double sum = 0.0;
    for (int i = from; i < buffer.getNumSamples(); ++i)
    {
        const double side = 0.5 * (buffer.getSample (0, i) - buffer.getSample (1, i));
        sum += side * side;
    }
    return (float) std::sqrt (sum / (buffer.getNumSamples() - from));
}

juce::AudioBuffer<float> renderWidth (const juce::AudioBuffer<float>& input, float wide)
{
    TamberAudioProcessor processor;
    setParameter (processor, "ratio", 0.0f); // 1:1, so only the width differs
    setParameter (processor, "wide", wide);
    prepare (processor, 48000.0, 512);
    auto buffer = input;
    process (processor, buffer, 512);
    return buffer;
}
} // namespace

TEST (Width, WidensOnlyTheSideAboveAbout160Hz)
{
    const struct
    {
        double hz;
        float low, high; // side gain of wide 100 over wide 0
    } cases[] = {
        { 5000.0, 1.47f, 1.51f }, // fully widened: x1.5
        { 30.0, 0.99f, 1.05f },   // below the side low-pass: nearly untouched
    };

    for (const auto& c : cases)
    {
        // A quiet pure side signal keeps the colour stage close to linear.
        auto side = makeSine (2, 24000, 48000.0, c.hz, 0.01f);
        side.applyGain (1, 0, side.getNumSamples(), -1.0f);

        const float ratio = sideRms (renderWidth (side, 100.0f), 12000) / sideRms (renderWidth (side, 0.0f), 12000);
        EXPECT_GT (ratio, c.low) << c.hz << " Hz";
        EXPECT_LT (ratio, c.high) << c.hz << " Hz";
    }
}

TEST (Width, LeavesAMonoSignalExactlyAlone)
{
    const auto mono = makeProgramme (2, 9600, 48000.0);
    auto sameInBoth = mono;
    sameInBoth.copyFrom (1, 0, mono, 0, 0, mono.getNumSamples());
    EXPECT_TRUE (identical (renderWidth (sameInBoth, 100.0f), renderWidth (sameInBoth, 0.0f)));
}

//==============================================================================
TEST (Meters, AnEmptyBufferPublishesTheFloors)
{
    TamberAudioProcessor processor;
    setParameter (processor, "threshold", -36.0f);
    prepare (processor, 48000.0, 512);
    auto loud = makeSine (2, 4800, 48000.0, 1000.0, 0.9f);
    process (processor, loud, 512);
    ASSERT_GT (processor.meterInputLeftDb.load(), -3.0f);
    ASSERT_GT (processor.meterGainReductionLeftDb.load(), 1.0f);

    juce::AudioBuffer<float> empty (2, 0);
    juce::MidiBuffer midi;
    processor.processBlock (empty, midi);
    EXPECT_EQ (processor.meterInputLeftDb.load(), -60.0f);
    EXPECT_EQ (processor.meterInputRightDb.load(), -60.0f);
    EXPECT_EQ (processor.meterOutputLeftDb.load(), -60.0f);
    EXPECT_EQ (processor.meterOutputRightDb.load(), -60.0f);
    EXPECT_EQ (processor.meterGainReductionLeftDb.load(), 0.0f);
    EXPECT_EQ (processor.meterGainReductionRightDb.load(), 0.0f);
}

TEST (Meters, BypassShowsTheDelayedInputAndNoReduction)
{
    TamberAudioProcessor processor;
    setParameter (processor, "threshold", -36.0f);
    prepare (processor, 48000.0, 512);

    // 0.5 on the left, 0.25 on the right: -6.02 and -12.04 dBFS.
    juce::AudioBuffer<float> buffer (2, 4096);
    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        buffer.setSample (0, i, i % 2 == 0 ? 0.5f : -0.5f);
        buffer.setSample (1, i, i % 2 == 0 ? 0.25f : -0.25f);
    }
    process (processor, buffer, 4096, true);

    EXPECT_NEAR (processor.meterInputLeftDb.load(), -6.02f, 0.01f);
    EXPECT_NEAR (processor.meterInputRightDb.load(), -12.04f, 0.01f);
    EXPECT_NEAR (processor.meterOutputLeftDb.load(), -6.02f, 0.01f);
    EXPECT_NEAR (processor.meterOutputRightDb.load(), -12.04f, 0.01f);
    EXPECT_EQ (processor.meterGainReductionLeftDb.load(), 0.0f);
    EXPECT_EQ (processor.meterGainReductionRightDb.load(), 0.0f);
}

TEST (Meters, MonoMirrorsTheLeftChannel)
{
    TamberAudioProcessor processor;
    setParameter (processor, "threshold", -30.0f);
    prepare (processor, 48000.0, 512, 1);
    auto buffer = makeProgramme (1, 4800, 48000.0);
    process (processor, buffer, 512);

    EXPECT_EQ (processor.meterChannelCount.load(), 1);
    EXPECT_EQ (processor.meterInputLeftDb.load(), processor.meterInputRightDb.load());
    EXPECT_EQ (processor.meterOutputLeftDb.load(), processor.meterOutputRightDb.load());
    EXPECT_EQ (processor.meterGainReductionLeftDb.load(), processor.meterGainReductionRightDb.load());
    EXPECT_GT (processor.meterGainReductionLeftDb.load(), 0.0f);
}
