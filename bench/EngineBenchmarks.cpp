#include "DemoSignal.h"
#include "PluginProcessor.h"

#include "dsp/ColourStage.h"
#include "dsp/FourEngineCompressor.h"
#include "dsp/HarmonicGlue.h"
#include "dsp/HighRatioEngine.h"
#include "dsp/MakeupStage.h"
#include "dsp/TruePeakLimiter.h"

#include <benchmark/benchmark.h>

// Every figure is time per stereo sample at 48 kHz in 512-sample blocks ("per_sample" counter).
namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

const juce::AudioBuffer<float>& demo()
{
    static const auto signal = DemoSignal::render (sampleRate);
    return signal;
}

void countSamples (benchmark::State& state, int samplesPerIteration)
{
    state.counters["per_sample"] = benchmark::Counter ((double) samplesPerIteration,
                                                       benchmark::Counter::kIsIterationInvariantRate
                                                           | benchmark::Counter::kInvert);
}

// Runs a block-wise stage over the demo, one 512-sample block per iteration.
template <typename ProcessBlock>
void runOverDemo (benchmark::State& state, ProcessBlock&& processBlock)
{
    const auto& source = demo();
    juce::AudioBuffer<float> block (2, blockSize);
    int position = 0;

    for (auto _ : state)
    {
        if (position + blockSize > source.getNumSamples())
            position = 0;
        for (int ch = 0; ch < 2; ++ch)
            block.copyFrom (ch, 0, source, ch, position, blockSize);
        processBlock (block);
        benchmark::DoNotOptimize (block.getReadPointer (0)[0]);
        position += blockSize;
    }
    countSamples (state, blockSize);
}

ParameterSnapshot snapshotFor (int ratioIndex, bool autoMakeup, float harm)
{
    constexpr float ratios[] = { 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f, 12.0f, 20.0f, 99.0f, 99.0f };
    ParameterSnapshot snapshot;
    snapshot.thresholdDb = -20.0f;
    snapshot.ratio = ratios[ratioIndex];
    snapshot.ratioMode = ratioIndex == 10 ? 2 : (ratioIndex == 9 ? 1 : 0);
    snapshot.autoMakeup = autoMakeup;
    snapshot.harmAmount = harm;
    snapshot.width = 1.25f;
    return snapshot;
}

// The whole chain; args: ratio index (0 unity, 4 standard 4:1, 9 "99:1", 10 "ALL IN"), auto makeup.
void wholeChain (benchmark::State& state)
{
    const auto snapshot = snapshotFor ((int) state.range (0), state.range (1) != 0, 0.4f);
    FourEngineCompressor engine;
    engine.prepare (sampleRate, blockSize, 2, snapshot);
    runOverDemo (state, [&] (juce::AudioBuffer<float>& block) { engine.processSubBlock (block, 2, blockSize, snapshot); });
}
BENCHMARK (wholeChain)->ArgNames ({ "ratio", "autoMakeup" })->ArgsProduct ({ { 0, 4, 9, 10 }, { 0, 1 } });

void colourStage (benchmark::State& state)
{
    const float harm = state.range (0) != 0 ? 0.8f : 0.0f;
    ColourStage stage;
    stage.prepare (sampleRate, blockSize);
    juce::AudioBuffer<float> reduction (2, blockSize);
    for (int ch = 0; ch < 2; ++ch)
        juce::FloatVectorOperations::fill (reduction.getWritePointer (ch), 6.0f, blockSize);
    const std::vector<float> harmValues ((size_t) blockSize, harm), attack ((size_t) blockSize, 8.0f);

    runOverDemo (state, [&] (juce::AudioBuffer<float>& block)
                 { stage.applyNonlinearColourStage (block, reduction, harmValues, attack, 2, blockSize, 0.34f, 0); });
}
BENCHMARK (colourStage)->ArgName ("harm")->Arg (0)->Arg (1);

void harmonicGenerator (benchmark::State& state)
{
    HarmonicGlue glue[2];
    for (auto& g : glue)
        g.prepare (2.0 * sampleRate);

    // Two channels at the oversampled rate: 2 x 1024 evaluations per 512 base-rate samples.
    runOverDemo (state, [&] (juce::AudioBuffer<float>& block)
    {
        for (int ch = 0; ch < 2; ++ch)
        {
            auto* x = block.getWritePointer (ch);
            for (int i = 0; i < blockSize; ++i)
                x[i] = (float) (glue[ch].process (x[i]) + glue[ch].process (-x[i]));
        }
    });
}
BENCHMARK (harmonicGenerator);

void makeupStage (benchmark::State& state)
{
    const bool autoMakeup = state.range (0) != 0;
    MakeupStage makeup;
    makeup.prepare (sampleRate, autoMakeup);
    const MakeupStage::Settings settings { -20.0f, 4.0f, 3.0f, 4.0f, 0.0f, 1.0f, 0, autoMakeup };
    runOverDemo (state, [&] (juce::AudioBuffer<float>& block) { makeup.process (block, 2, blockSize, settings); });
}
BENCHMARK (makeupStage)->ArgName ("autoMakeup")->Arg (0)->Arg (1);

// args: 1 = loud material (the true-peak filter runs on nearly every sample), 0 = the same
// material 24 dB down (it never runs).
void truePeakLimiter (benchmark::State& state)
{
    const float gain = state.range (0) != 0 ? 1.0f : 0.063f;
    TruePeakLimiter limiter;
    limiter.prepare (sampleRate, true);
    runOverDemo (state, [&] (juce::AudioBuffer<float>& block)
    {
        block.applyGain (gain);
        limiter.process (block, 2, blockSize, true);
    });
}
BENCHMARK (truePeakLimiter)->ArgName ("loud")->Arg (0)->Arg (1);

void highRatioStages (benchmark::State& state)
{
    const auto kind = state.range (0) != 0 ? HighRatioEngine::Kind::allIn : HighRatioEngine::Kind::ninetyNine;
    HighRatioEngine engine;
    engine.prepare (sampleRate);
    float reduction = 0.0f;
    runOverDemo (state, [&] (juce::AudioBuffer<float>& block)
    {
        const auto* x = block.getReadPointer (0);
        for (int i = 0; i < blockSize; ++i)
        {
            const float peak = std::abs (x[i]);
            const float level = 20.0f * std::log10 (std::max (peak, 1e-6f));
            reduction = engine.process (kind, { peak, 0.05f, peak * 1.4f, level, -18.0f, 99.0f, 99.0f, 8.0f, 100.0f,
                                                reduction })
                            .targetReductionDb;
        }
    });
}
BENCHMARK (highRatioStages)->ArgName ("allIn")->Arg (0)->Arg (1);

// The processor as a host drives it. arg 0: full-scale noise in every block. arg 1: one block of
// that noise, then a second of silence, over and over; in the silence the filters' and envelopes'
// tails decay through the subnormal range, which costs many times more unless denormals are
// flushed. The two figures should be close.
void processorOnNoiseAndSilence (benchmark::State& state)
{
    constexpr int silentBlocks = 93;
    const bool silence = state.range (0) != 0;

    TamberAudioProcessor processor;
    processor.prepareToPlay (sampleRate, blockSize);
    juce::AudioBuffer<float> noise (2, blockSize), block (2, blockSize);
    juce::Random random (7);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < blockSize; ++i)
            noise.setSample (ch, i, 2.0f * random.nextFloat() - 1.0f);
    juce::MidiBuffer midi;
    int blockIndex = 0;

    for (auto _ : state)
    {
        if (silence && blockIndex++ % (silentBlocks + 1) != 0)
            block.clear();
        else
            block.makeCopyOf (noise, true);
        processor.processBlock (block, midi);
        benchmark::DoNotOptimize (block.getReadPointer (0)[0]);
    }
    countSamples (state, blockSize);
}
BENCHMARK (processorOnNoiseAndSilence)->ArgName ("silence")->Arg (0)->Arg (1);
} // namespace

BENCHMARK_MAIN();
