#include "FourEngineCompressor.h"

#include "dsp/StaticCurve.h"

#include <cmath>

namespace reference
{
namespace
{
constexpr int maxChannels = 2;
constexpr double smoothingSeconds = 0.03;   // every smoothed parameter glides over 30 ms
constexpr int maxMixerLatency = 256;
constexpr double rmsSeconds = 0.010;
constexpr double sideLowpassHz = 160.0;     // the width stage leaves the side below this alone
constexpr float unityRatio = 1.0001f; // ratios up to this count as 1:1
constexpr float minimumTimeMs = 0.05f;
constexpr float meterFloorDb = -60.0f;
constexpr float meterCeilingDb = 12.0f;
constexpr float maximumMeteredReductionDb = 36.0f;
constexpr float smallestMeteredReductionDb = 0.05f;
constexpr float envelopeFloor = 0.000001f;

// A finite but absurd input (a corrupt host buffer, a feedback loop upstream) would overflow the
// squared detector to infinity, which never decays. Bounding the detector input at +60 dBFS, far
// above anything a mix carries, keeps it finite and lets it recover within about a second.
constexpr float detectorInputCeiling = 1000.0f;

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

float appliedReductionDb (float gain)
{
    return gain <= 0.0f ? 60.0f : std::max (0.0f, -std::max (20.0f * std::log10 (gain), -60.0f));
}
} // namespace

FourEngineCompressor::FourEngineCompressor()
    : mixer (maxMixerLatency)
{
}

float FourEngineCompressor::onePole (double seconds) const
{
    return (float) std::exp (-1.0 / (seconds * sampleRate));
}

float FourEngineCompressor::coefficientForMs (float timeMs) const
{
    // Times below 0.05 ms act as 0.05 ms.
    const double seconds = timeMs > minimumTimeMs ? timeMs * 0.001 : 0.00005;
    return onePole (seconds);
}

void FourEngineCompressor::prepare (double newSampleRate, int newMaxBlockSize, int newNumChannels,
                                    const ParameterSnapshot& snapshot)
{
    sampleRate = std::max (newSampleRate, 1.0);
    numChannels = juce::jlimit (1, maxChannels, newNumChannels);
    maxBlockSize = std::max (1, newMaxBlockSize);

    for (auto* buffer : { &dryBuffer, &wetBuffer, &gainReductionBuffer })
        if (buffer->getNumChannels() != maxChannels || buffer->getNumSamples() != maxBlockSize)
            buffer->setSize (maxChannels, maxBlockSize);
    harmPerSample.resize ((size_t) maxBlockSize);
    attackPerSample.resize ((size_t) maxBlockSize);

    colourStage.prepare (sampleRate, maxBlockSize);

    // Prepared for two channels, like the oversampler: mono only means "use the first one". Its
    // gains start at the current mix, like the smoothers, instead of gliding there from 100 %.
    mixer.setWetMixProportion (clamp01 (snapshot.mix));
    mixer.prepare ({ sampleRate, (juce::uint32) maxBlockSize, (juce::uint32) maxChannels });
    mixer.setMixingRule (juce::dsp::DryWetMixingRule::linear);
    mixer.setWetLatency (std::min (colourStage.getLatencySamples(), (float) maxMixerLatency));

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

    rmsCoefficient = onePole (rmsSeconds);
    sideLowpassCoefficient = (float) std::exp (-juce::MathConstants<double>::twoPi * sideLowpassHz / sampleRate);
    cachedAttackMs = cachedReleaseMs = cachedSidechainHz = -1.0f;

    highRatioEngine.prepare (sampleRate);

    makeup.prepare (sampleRate, snapshot.autoMakeup);
    limiter.prepare (sampleRate, snapshot.autoMakeup);

    reset();
}

void FourEngineCompressor::reset()
{
    for (auto& state : channelState)
        state = EngineChannelState {};

    highRatioEngine.reset();
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
    copyInputToWorkBuffers (view, c, numSamples);

    float inputPeaks[maxChannels] = {};
    float reductionPeaks[maxChannels] = {};
    runCompressor (c, numSamples, snapshot, model, inputPeaks, reductionPeaks);

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

void FourEngineCompressor::copyInputToWorkBuffers (const juce::AudioBuffer<float>& view, int c, int numSamples)
{
    for (auto* buffer : { &dryBuffer, &wetBuffer, &gainReductionBuffer })
        buffer->clear (0, numSamples);

    for (int ch = 0; ch < c; ++ch)
    {
        auto* dry = dryBuffer.getWritePointer (ch);
        auto* wet = wetBuffer.getWritePointer (ch);
        const auto* input = view.getReadPointer (ch);

        for (int i = 0; i < numSamples; ++i)
        {
            const float x = std::isfinite (input[i]) ? input[i] : 0.0f;
            dry[i] = x;
            wet[i] = x;
        }
    }
}

void FourEngineCompressor::updateCachedCoefficients (float engineAttackMs, float engineReleaseMs)
{
    // Exact comparisons: the exponential is only paid while a time is gliding.
    const float attackMs = std::max (engineAttackMs, minimumTimeMs);
    if (attackMs != cachedAttackMs)
    {
        cachedAttackMs = attackMs;
        attackCoefficient = coefficientForMs (attackMs);
    }

    const float releaseMs = std::max (engineReleaseMs, minimumTimeMs);
    if (releaseMs != cachedReleaseMs)
    {
        cachedReleaseMs = releaseMs;
        releaseCoefficient = coefficientForMs (releaseMs);
    }
}

FourEngineCompressor::DetectorResult FourEngineCompressor::detect (int c, int sample, float sidechainHz,
                                                                   const ParameterSnapshot& snapshot,
                                                                   const EngineModel& model)
{
    const bool sidechainActive = sidechainHz > 0.5f;
    if (sidechainActive && sidechainHz != cachedSidechainHz)
    {
        cachedSidechainHz = sidechainHz;
        sidechainLowpassCoefficient =
            (float) std::exp (-juce::MathConstants<double>::twoPi * std::max (sidechainHz, 5.0f) / sampleRate);
    }

    // The high-pass works on the rectified signal: it blends the level with its part above a
    // one-pole low-pass, growing to 35 % level plus 75 % excess at 300 Hz.
    const float h = clamp01 (sidechainHz / 300.0f);
    const float p = sidechainLowpassCoefficient;
    const float linkedGain = channelState[0].gain;

    DetectorResult result { 0.0f, 0.0f, 0.0f };

    for (int ch = 0; ch < c; ++ch)
    {
        auto& state = channelState[ch];
        float x = wetBuffer.getSample (ch, sample);
        if (snapshot.ratioMode == 2)
            x *= linkedGain; // "ALL IN" detects after the gain stage

        const float a = std::min (std::abs (x), detectorInputCeiling);
        float d = a;

        if (sidechainActive)
        {
            state.sidechainLowpass = p * state.sidechainLowpass + (1.0f - p) * a;
            d = std::max ((1.0f - 0.65f * h) * a + 0.75f * h * std::max (a - state.sidechainLowpass, 0.0f), 0.0f);
        }

        state.meanSquare = rmsCoefficient * state.meanSquare + (1.0f - rmsCoefficient) * d * d;
        if (snapshot.rmsDetector)
            d = std::sqrt (std::max (state.meanSquare, 0.0f));

        d *= model.detectorGain;

        result.rectifiedPeak = std::max (result.rectifiedPeak, a);
        result.largestMeanSquare = std::max (result.largestMeanSquare, state.meanSquare);
        result.linkedDetector = std::max (result.linkedDetector, d);
    }

    return result;
}

void FourEngineCompressor::runCompressor (int c, int numSamples, const ParameterSnapshot& snapshot,
                                          const EngineModel& model, float* inputPeaks, float* reductionPeaks)
{
    auto& linked = channelState[0];
    const bool unity = snapshot.ratio <= unityRatio;
    const bool usesHighRatioEngine = snapshot.ratioMode != 0;
    const auto engineKind = snapshot.ratioMode == 2 ? HighRatioEngine::Kind::allIn : HighRatioEngine::Kind::ninetyNine;

    for (int i = 0; i < numSamples; ++i)
    {
        const float threshold = thresholdSmoother.getNextValue();
        const float attackMs = attackSmoother.getNextValue();
        const float releaseMs = releaseSmoother.getNextValue();
        const float smoothedRatio = ratioSmoother.getNextValue();
        mixSmoother.getNextValue();
        makeupSmoother.getNextValue();
        const float sidechainHz = sidechainSmoother.getNextValue();
        harmPerSample[(size_t) i] = harmSmoother.getNextValue();
        attackPerSample[(size_t) i] = attackMs;

        const float effectiveThreshold = threshold + model.thresholdOffsetDb;
        const float effectiveRatio = std::max (smoothedRatio * model.ratioScale, 1.0f);
        const float engineReleaseMs = releaseMs * model.releaseScale;
        updateCachedCoefficients (attackMs * model.attackScale, engineReleaseMs);

        for (int ch = 0; ch < c; ++ch)
            inputPeaks[ch] = std::max (inputPeaks[ch], std::abs (dryBuffer.getSample (ch, i)));

        const auto detector = detect (c, i, sidechainHz, snapshot, model);
        const float level = detector.linkedDetector;

        // Louder programme, longer release: 70 ms at silence, 970 ms at full scale, before scaling.
        const float envelopeRelease =
            snapshot.autoRelease ? coefficientForMs (std::max ((70.0f + 900.0f * level) * model.releaseScale, minimumTimeMs))
                                 : releaseCoefficient;

        const float envelopeCoefficient = linked.envelope < level ? attackCoefficient : envelopeRelease;
        linked.envelope += (1.0f - envelopeCoefficient) * (level - linked.envelope);
        const float levelDbValue = std::max (20.0f * std::log10 (std::max (linked.envelope, envelopeFloor)), -60.0f);

        float reductionDb = 0.0f;

        if (unity)
        {
            linked.gain = 1.0f;
        }
        else
        {
            float gainRelease = envelopeRelease;

            if (usesHighRatioEngine)
            {
                const auto outcome = highRatioEngine.process (
                    engineKind, { detector.rectifiedPeak, detector.largestMeanSquare, level, levelDbValue,
                                  effectiveThreshold, smoothedRatio, effectiveRatio, attackMs, engineReleaseMs,
                                  linked.previousGainReductionDb });
                reductionDb = outcome.targetReductionDb;
                gainRelease = outcome.releaseCoefficient;
            }
            else
            {
                reductionDb = smoothedRatio <= unityRatio
                                  ? 0.0f
                                  : staticGainReductionDb (levelDbValue, effectiveThreshold,
                                                           std::max (model.kneeDb, 0.0f), effectiveRatio);
            }

            const float targetGain = reductionDb < 100.0f ? std::pow (10.0f, -reductionDb / 20.0f) : 0.0f;
            const float gainCoefficient = targetGain < linked.gain ? attackCoefficient : gainRelease;
            linked.gain += (1.0f - gainCoefficient) * (targetGain - linked.gain);
        }

        const float applied = unity ? 0.0f : appliedReductionDb (linked.gain);
        const float colourReduction = unity ? 0.0f : std::max (applied, reductionDb);

        for (int ch = 0; ch < c; ++ch)
        {
            wetBuffer.getWritePointer (ch)[i] *= linked.gain;
            gainReductionBuffer.setSample (ch, i, colourReduction);
            reductionPeaks[ch] = std::max (reductionPeaks[ch], applied);
        }

        linked.previousGainReductionDb = colourReduction;
    }
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
    mixer.pushDrySamples (juce::dsp::AudioBlock<float> (dryBuffer).getSubsetChannelBlock (0, (size_t) c)
                              .getSubBlock (0, (size_t) numSamples));
    auto wet = juce::dsp::AudioBlock<float> (wetBuffer).getSubsetChannelBlock (0, (size_t) c)
                   .getSubBlock (0, (size_t) numSamples);
    mixer.mixWetSamples (wet);
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
} // namespace reference
