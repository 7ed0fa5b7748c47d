#include "FourEngineCompressor.h"

#include <cmath>

namespace
{
constexpr int maxChannels = 2;
constexpr double smoothingSeconds = 0.03;   // every smoothed parameter glides over 30 ms
constexpr int maxMixerLatency = 256; // the dry delay never exceeds this
constexpr double sideLowpassHz = 160.0;     // the width stage leaves the side below this alone
constexpr float meterFloorDb = -60.0f;
constexpr float meterCeilingDb = 12.0f;
constexpr float maximumMeteredReductionDb = 36.0f;
constexpr float smallestMeteredReductionDb = 0.05f;

float clamp01 (float x)
{
    return juce::jlimit (0.0f, 1.0f, x);
}

float levelDb (float peak)
{
    return peak > 0.0f ? std::max (20.0f * std::log10 (peak), meterFloorDb) : meterFloorDb;
}

float meterLevelDb (float peak)
{
    return juce::jlimit (meterFloorDb, meterCeilingDb, levelDb (peak));
}

float meterReductionDb (float reductionDb)
{
    if (! std::isfinite (reductionDb) || reductionDb < smallestMeteredReductionDb)
        return 0.0f;
    return std::min (reductionDb, maximumMeteredReductionDb);
}

// The smoother's values for the next numSamples samples, as numSamples calls of getNextValue()
// would return them.
void render (juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>& smoother, float* values, int numSamples)
{
    if (! smoother.isSmoothing())
    {
        std::fill (values, values + numSamples, smoother.getTargetValue());
        return;
    }
    for (int i = 0; i < numSamples; ++i)
        values[i] = smoother.getNextValue();
}

void advance (juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>& smoother, int numSamples)
{
    for (int i = 0; i < numSamples && smoother.isSmoothing(); ++i)
        smoother.getNextValue();
}
} // namespace

void FourEngineCompressor::prepare (double newSampleRate, int newMaxBlockSize, int newNumChannels,
                                    const ParameterSnapshot& snapshot)
{
    sampleRate = std::max (newSampleRate, 1.0);
    numChannels = juce::jlimit (1, maxChannels, newNumChannels);
    maxBlockSize = std::max (1, newMaxBlockSize);

    for (auto* buffer : { &dryBuffer, &wetBuffer, &gainReductionBuffer })
        if (buffer->getNumChannels() != maxChannels || buffer->getNumSamples() != maxBlockSize)
            buffer->setSize (maxChannels, maxBlockSize);
    for (auto* values : { &thresholdPerSample, &attackPerSample, &releasePerSample, &ratioPerSample,
                          &sidechainPerSample, &harmPerSample })
        values->resize ((size_t) maxBlockSize);

    colourStage.prepare (sampleRate, maxBlockSize);

    // Its gains start at the current mix, like the smoothers, instead of gliding there from 100 %.
    mixer.setWetMixProportion (clamp01 (snapshot.mix));
    mixer.prepare (sampleRate, maxBlockSize, std::min (juce::roundToInt (colourStage.getLatencySamples()), maxMixerLatency));

    const std::pair<LinearSmoother*, float> seeds[] = {
        { &thresholdSmoother, snapshot.thresholdDb },
        { &attackSmoother, snapshot.attackMs },
        { &releaseSmoother, snapshot.releaseMs },
        { &ratioSmoother, snapshot.ratio },
        { &mixSmoother, clamp01 (snapshot.mix) },
        { &makeupSmoother, snapshot.makeupDb },
        { &widthSmoother, juce::jlimit (0.0f, 1.5f, snapshot.width) },
        { &sidechainSmoother, snapshot.sidechainHpHz },
        { &harmSmoother, snapshot.harmAmount },
    };
    for (auto& [smoother, value] : seeds)
    {
        smoother->reset (sampleRate, smoothingSeconds);
        smoother->setCurrentAndTargetValue (value);
    }

    sideLowpassCoefficient = (float) std::exp (-juce::MathConstants<double>::twoPi * sideLowpassHz / sampleRate);
    linkedCompressor.prepare (sampleRate);

    makeup.prepare (sampleRate, snapshot.autoMakeup);
    limiter.prepare (sampleRate, snapshot.autoMakeup);

    reset();
}

void FourEngineCompressor::reset()
{
    for (auto& state : channelState)
        state = EngineChannelState {};

    linkedCompressor.reset();
    colourStage.reset();
    mixer.reset();
    makeup.reset();
    limiter.reset();

    lastInputLeftDb = lastInputRightDb = meterFloorDb;
    lastOutputLeftDb = lastOutputRightDb = meterFloorDb;
    lastGainReductionLeftDb = lastGainReductionRightDb = 0.0f;
}

int FourEngineCompressor::getLatencySamples() const
{
    return juce::roundToInt (colourStage.getLatencySamples()) + limiter.getLatencySamples();
}

void FourEngineCompressor::processSubBlock (juce::AudioBuffer<float>& view, int channels, int numSamples,
                                            const ParameterSnapshot& snapshot)
{
    if (numSamples > maxBlockSize || numSamples <= 0)
        return;

    const int c = juce::jlimit (1, maxChannels, channels);
    const auto model = EngineModel::forRatioMode (snapshot.ratioMode);

    setSmootherTargets (snapshot);
    float inputPeaks[maxChannels] = {};
    copyInputToWorkBuffers (view, c, numSamples, inputPeaks);
    renderControls (numSamples);

    float reductionPeaks[maxChannels] = {};
    const LinkedCompressor::Controls controls { thresholdPerSample.data(), attackPerSample.data(), releasePerSample.data(),
                                                ratioPerSample.data(), sidechainPerSample.data() };
    const LinkedCompressor::Settings settings { model, snapshot.ratioMode, snapshot.ratio, snapshot.rmsDetector,
                                                snapshot.autoRelease };
    linkedCompressor.process (wetBuffer.getArrayOfWritePointers(), gainReductionBuffer.getArrayOfWritePointers(), c,
                              numSamples, controls, settings, channelState, reductionPeaks);

    colourStage.applyNonlinearColourStage (wetBuffer, gainReductionBuffer, harmPerSample, attackPerSample, c,
                                           numSamples, model.colourAmount, snapshot.ratioMode);
    applyStereoWidth (c, numSamples);

    const MakeupStage::Settings makeupSettings { thresholdSmoother.getCurrentValue(),
                                                 ratioSmoother.getCurrentValue(),
                                                 makeupSmoother.getCurrentValue(),
                                                 snapshot.ratio,
                                                 model.thresholdOffsetDb,
                                                 model.ratioScale,
                                                 snapshot.ratioMode,
                                                 snapshot.autoMakeup };
    makeup.process (wetBuffer, c, numSamples, makeupSettings);

    mixDryAndWet (c, numSamples);
    limiter.process (wetBuffer, c, numSamples, snapshot.autoMakeup);

    float outputPeaks[maxChannels] = {};
    writeOutput (view, c, numSamples, outputPeaks);

    const int right = c - 1;
    lastInputLeftDb = meterLevelDb (inputPeaks[0]);
    lastInputRightDb = meterLevelDb (inputPeaks[right]);
    lastOutputLeftDb = meterLevelDb (outputPeaks[0]);
    lastOutputRightDb = meterLevelDb (outputPeaks[right]);
    lastGainReductionLeftDb = meterReductionDb (reductionPeaks[0]);
    lastGainReductionRightDb = meterReductionDb (reductionPeaks[right]);
}

void FourEngineCompressor::setSmootherTargets (const ParameterSnapshot& snapshot)
{
    thresholdSmoother.setTargetValue (snapshot.thresholdDb);
    attackSmoother.setTargetValue (snapshot.attackMs);
    releaseSmoother.setTargetValue (snapshot.releaseMs);
    ratioSmoother.setTargetValue (snapshot.ratio);
    mixSmoother.setTargetValue (clamp01 (snapshot.mix));
    makeupSmoother.setTargetValue (snapshot.makeupDb);
    widthSmoother.setTargetValue (juce::jlimit (0.0f, 1.5f, snapshot.width));
    sidechainSmoother.setTargetValue (snapshot.sidechainHpHz);
    harmSmoother.setTargetValue (snapshot.harmAmount);
}

void FourEngineCompressor::copyInputToWorkBuffers (const juce::AudioBuffer<float>& view, int c, int numSamples,
                                                   float* inputPeaks)
{
    for (auto* buffer : { &dryBuffer, &wetBuffer, &gainReductionBuffer })
        buffer->clear (0, numSamples);

    for (int ch = 0; ch < c; ++ch)
    {
        auto* dry = dryBuffer.getWritePointer (ch);
        auto* wet = wetBuffer.getWritePointer (ch);
        const auto* input = view.getReadPointer (ch);
        float peak = 0.0f;

        for (int i = 0; i < numSamples; ++i)
        {
            const float x = std::isfinite (input[i]) ? input[i] : 0.0f;
            dry[i] = x;
            wet[i] = x;
            peak = std::max (peak, std::abs (x));
        }
        inputPeaks[ch] = peak;
    }
}

void FourEngineCompressor::renderControls (int numSamples)
{
    // The order of the smoothers does not matter: each advances on its own.
    render (thresholdSmoother, thresholdPerSample.data(), numSamples);
    render (attackSmoother, attackPerSample.data(), numSamples);
    render (releaseSmoother, releasePerSample.data(), numSamples);
    render (ratioSmoother, ratioPerSample.data(), numSamples);
    render (sidechainSmoother, sidechainPerSample.data(), numSamples);
    render (harmSmoother, harmPerSample.data(), numSamples);

    // Only their values at the end of the sub-block are read.
    advance (mixSmoother, numSamples);
    advance (makeupSmoother, numSamples);
}

void FourEngineCompressor::applyStereoWidth (int c, int numSamples)
{
    if (c < 2)
    {
        widthSmoother.skip (numSamples);
        return;
    }

    auto* left = wetBuffer.getWritePointer (0);
    auto* right = wetBuffer.getWritePointer (1);
    float& sideLowpass = channelState[0].sideLowpass;
    const float a = sideLowpassCoefficient;

    for (int i = 0; i < numSamples; ++i)
    {
        // Only the side signal above about 160 Hz is widened, so bass stays mono-compatible.
        const float width = widthSmoother.getNextValue();
        const float mid = 0.5f * (left[i] + right[i]);
        const float side = 0.5f * (left[i] - right[i]);
        sideLowpass = a * sideLowpass + (1.0f - a) * side;
        const float widened = sideLowpass + width * (side - sideLowpass);
        left[i] = mid + widened;
        right[i] = mid - widened;
    }
}

void FourEngineCompressor::mixDryAndWet (int c, int numSamples)
{
    mixer.setWetMixProportion (clamp01 (mixSmoother.getCurrentValue()));
    mixer.mix (dryBuffer.getArrayOfReadPointers(), wetBuffer.getArrayOfWritePointers(), c, numSamples);
}

void FourEngineCompressor::writeOutput (juce::AudioBuffer<float>& view, int c, int numSamples, float* outputPeaks)
{
    for (int ch = 0; ch < c; ++ch)
    {
        const auto* wet = wetBuffer.getReadPointer (ch);
        auto* out = view.getWritePointer (ch);

        for (int i = 0; i < numSamples; ++i)
        {
            const float y = std::isfinite (wet[i]) ? wet[i] : 0.0f;
            out[i] = y;
            outputPeaks[ch] = std::max (outputPeaks[ch], std::abs (y));
        }
    }
}
