#include "BenchMaterial.h"
#include "BlockLoop.h"

#include "dsp/ColourStage.h"
#include "dsp/HalfBandOversampler.h"
#include "dsp/HarmonicGlue.h"
#include "dsp/HighRatioEngine.h"
#include "dsp/LinkedCompressor.h"
#include "dsp/MakeupStage.h"
#include "dsp/TruePeakLimiter.h"
#include "reference/ColourStage.h"
#include "reference/HarmonicGlue.h"
#include "reference/MakeupStage.h"
#include "reference/TruePeakLimiter.h"

// Each stage on its own over the demo at 48 kHz, the plain implementation (reference::) next to
// the optimised one, in time per stereo sample.
namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = BlockLoop::blockSize;

const juce::AudioBuffer<float>& demo()
{
    static const auto material = BenchMaterial::demo (sampleRate);
    return material.audio;
}

template <typename Stage>
void colourStage (benchmark::State& state)
{
    const float harm = state.range (0) != 0 ? 0.8f : 0.0f;
    Stage stage;
    stage.prepare (sampleRate, blockSize);
    juce::AudioBuffer<float> reduction (2, blockSize);
    for (int ch = 0; ch < 2; ++ch)
        juce::FloatVectorOperations::fill (reduction.getWritePointer (ch), 6.0f, blockSize);
    const std::vector<float> harmValues ((size_t) blockSize, harm), attack ((size_t) blockSize, 8.0f);

    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block)
                    { stage.applyNonlinearColourStage (block, reduction, harmValues, attack, 2, blockSize, 0.34f, 0); });
}
BENCHMARK_TEMPLATE (colourStage, reference::ColourStage)->ArgName ("harm")->Arg (0)->Arg (1);
BENCHMARK_TEMPLATE (colourStage, ColourStage)->ArgName ("harm")->Arg (0)->Arg (1);

template <typename Glue>
void harmonicGenerator (benchmark::State& state)
{
    Glue glue[2];
    for (auto& g : glue)
        g.prepare (2.0 * sampleRate);

    // Two channels at the oversampled rate: 2 x 1024 evaluations per 512 base-rate samples.
    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block)
    {
        for (int ch = 0; ch < 2; ++ch)
        {
            auto* x = block.getWritePointer (ch);
            for (int i = 0; i < blockSize; ++i)
                x[i] = (float) (glue[ch].process (x[i]) + glue[ch].process (-x[i]));
        }
    });
}
BENCHMARK_TEMPLATE (harmonicGenerator, reference::HarmonicGlue);
BENCHMARK_TEMPLATE (harmonicGenerator, HarmonicGlue);

// The 2x oversampler, up and straight down: JUCE's as the plain colour stage sets it up, and the
// one that replaces it.
void oversampler_juce (benchmark::State& state)
{
    juce::dsp::Oversampling<float> oversampler (2, 1, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true,
                                                true);
    oversampler.initProcessing (blockSize);
    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block)
    {
        juce::dsp::AudioBlock<float> audio (block);
        oversampler.processSamplesUp (audio);
        oversampler.processSamplesDown (audio);
    });
}
BENCHMARK (oversampler_juce);

void oversampler_halfBand (benchmark::State& state)
{
    HalfBandOversampler oversampler;
    oversampler.prepare (blockSize);
    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block)
    {
        oversampler.processSamplesUp (block.getArrayOfReadPointers(), 2, blockSize);
        oversampler.processSamplesDown (block.getArrayOfWritePointers(), 2, blockSize);
    });
}
BENCHMARK (oversampler_halfBand);

template <typename Makeup>
void makeupStage (benchmark::State& state)
{
    const bool autoMakeup = state.range (0) != 0;
    Makeup makeup;
    makeup.prepare (sampleRate, autoMakeup);
    const typename Makeup::Settings settings { -20.0f, 4.0f, 3.0f, 4.0f, 0.0f, 1.0f, 0, autoMakeup };
    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block) { makeup.process (block, 2, blockSize, settings); });
}
BENCHMARK_TEMPLATE (makeupStage, reference::MakeupStage)->ArgName ("autoMakeup")->Arg (0)->Arg (1);
BENCHMARK_TEMPLATE (makeupStage, MakeupStage)->ArgName ("autoMakeup")->Arg (0)->Arg (1);

// The demo at three levels: 24 dB down (the true-peak filter never runs), as it is (peaks at
// -1 dBFS: the filter runs near every loud passage), and 6 dB up (true peaks pass the ceiling
// often, so the exact interpolation is needed often).
template <typename Limiter>
void truePeakLimiter (benchmark::State& state)
{
    constexpr float gains[] = { 0.063f, 1.0f, 2.0f };
    const float gain = gains[state.range (0)];
    Limiter limiter;
    limiter.prepare (sampleRate, true);
    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block)
    {
        block.applyGain (gain);
        limiter.process (block, 2, blockSize, true);
    });

    if constexpr (std::is_same_v<Limiter, TruePeakLimiter>)
    {
        // How often the true-peak filter is needed, and how often the bound cannot spare it.
        const auto& detector = limiter.getDetector();
        const double samples = (double) state.iterations() * blockSize;
        state.counters["filter_needed"] = (double) detector.getWindowsJudged() / samples;
        state.counters["filter_run"] = (double) detector.getFullInterpolations() / samples;
    }
}
BENCHMARK_TEMPLATE (truePeakLimiter, reference::TruePeakLimiter)->ArgName ("level")->DenseRange (0, 2);
BENCHMARK_TEMPLATE (truePeakLimiter, TruePeakLimiter)->ArgName ("level")->DenseRange (0, 2);

// The detector, gain computer and ballistics per engine (ratio step 4 is the standard 4:1),
// threshold -20 dB: the per-sample loop of the plain engine, now LinkedCompressor.
void dynamics (benchmark::State& state)
{
    constexpr float ratios[] = { 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f, 12.0f, 20.0f, 99.0f, 99.0f };
    const int step = (int) state.range (0);
    const std::vector<float> threshold ((size_t) blockSize, -20.0f), attack ((size_t) blockSize, 8.0f),
        release ((size_t) blockSize, 300.0f), ratio ((size_t) blockSize, ratios[step]), sidechain ((size_t) blockSize, 0.0f);
    const int mode = step == 10 ? 2 : (step == 9 ? 1 : 0);
    const LinkedCompressor::Controls controls { threshold.data(), attack.data(), release.data(), ratio.data(),
                                                sidechain.data() };
    const LinkedCompressor::Settings settings { EngineModel::forRatioMode (mode), mode, ratios[step], false, false };

    LinkedCompressor compressor;
    compressor.prepare (sampleRate);
    EngineChannelState channels[2];
    juce::AudioBuffer<float> reduction (2, blockSize);
    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block)
    {
        float peaks[2] = {};
        compressor.process (block.getArrayOfWritePointers(), reduction.getArrayOfWritePointers(), 2, blockSize, controls,
                            settings, channels, peaks);
    });
}
BENCHMARK (dynamics)->ArgName ("ratioStep")->Arg (0)->Arg (4)->Arg (9)->Arg (10);

void highRatioStages (benchmark::State& state)
{
    const auto kind = state.range (0) != 0 ? HighRatioEngine::Kind::allIn : HighRatioEngine::Kind::ninetyNine;
    HighRatioEngine engine;
    engine.prepare (sampleRate);
    float reduction = 0.0f;
    BlockLoop::run (state, demo(), [&] (juce::AudioBuffer<float>& block)
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
} // namespace
