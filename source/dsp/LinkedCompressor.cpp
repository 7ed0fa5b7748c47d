#include "LinkedCompressor.h"

#include "StaticCurve.h"

#include <juce_core/juce_core.h>

#include <cmath>
#include <limits>

namespace
{
constexpr double rmsSeconds = 0.010;
constexpr float unityRatio = 1.0001f; // ratios up to this count as 1:1
constexpr float minimumTimeMs = 0.05f;
constexpr float envelopeFloor = 0.000001f;
constexpr float levelFloorDb = -60.0f;

// A finite but absurd input (a corrupt host buffer, a feedback loop upstream) would overflow the
// squared detector to infinity, which never decays. Bounding the detector input at +60 dBFS, far
// above anything a mix carries, keeps it finite and lets it recover within about a second.
constexpr float detectorInputCeiling = 1000.0f;

// The widest knee of each engine: the standard one's fixed 3.5 dB, at most 6.5 dB in "99:1" and
// 3 dB in "ALL IN".
constexpr float widestKneeDb[] = { 3.5f, 6.5f, 3.0f };

float clamp01 (float x)
{
    return juce::jlimit (0.0f, 1.0f, x);
}


} // namespace

float LinkedCompressor::levelDbOf (float envelope)
{
    return std::max (20.0f * std::log10 (std::max (envelope, envelopeFloor)), levelFloorDb);
}

float LinkedCompressor::gainOfReduction (float reductionDb)
{
    return reductionDb < 100.0f ? std::pow (10.0f, -reductionDb / 20.0f) : 0.0f;
}

float LinkedCompressor::appliedReductionDb (float gain)
{
    return gain <= 0.0f ? 60.0f : std::max (0.0f, -std::max (20.0f * std::log10 (gain), -60.0f));
}

void LinkedCompressor::prepare (double newSampleRate)
{
    sampleRate = std::max (newSampleRate, 1.0);
    rmsCoefficient = (float) std::exp (-1.0 / (rmsSeconds * sampleRate));
    cachedAttackMs = cachedReleaseMs = cachedSidechainHz = -1.0f;
    skipRatioMode = -1;
    highRatioEngine.prepare (sampleRate);
}

void LinkedCompressor::reset()
{
    highRatioEngine.reset();
}

float LinkedCompressor::coefficientForMs (float timeMs) const
{
    // Times below 0.05 ms act as 0.05 ms.
    const double seconds = timeMs > minimumTimeMs ? timeMs * 0.001 : 0.00005;
    return (float) std::exp (-1.0 / (seconds * sampleRate));
}

void LinkedCompressor::updateCachedCoefficients (float engineAttackMs, float engineReleaseMs)
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

void LinkedCompressor::updateSidechainCoefficient (float sidechainHz)
{
    if (sidechainHz != cachedSidechainHz)
    {
        cachedSidechainHz = sidechainHz;
        sidechainLowpassCoefficient =
            (float) std::exp (-juce::MathConstants<double>::twoPi * std::max (sidechainHz, 5.0f) / sampleRate);
    }
}

float LinkedCompressor::envelopeSkipLevel (const Controls& controls, const Settings& settings, int numSamples)
{
    // Below the knee the curve gives 0 dB whatever the exact level, and no engine reads the level
    // anywhere else: an envelope that far down needs no logarithm. The line sits 0.009 dB under
    // the widest knee's start, far beyond any rounding. Worth one power per sub-block only while
    // the threshold holds still (a linear glide that ends where it starts never moved).
    const float threshold = controls.thresholdDb[0];
    if (threshold != controls.thresholdDb[numSamples - 1])
        return 0.0f;

    const int mode = juce::jlimit (0, 2, settings.ratioMode);
    if (threshold != skipThresholdDb || mode != skipRatioMode)
    {
        skipThresholdDb = threshold;
        skipRatioMode = mode;
        const float kneeDb = mode == 0 ? std::max (settings.model.kneeDb, 0.0f) : widestKneeDb[mode];
        const double kneeStartDb = (double) (threshold + settings.model.thresholdOffsetDb) - 0.5 * kneeDb;
        skipLevel = (float) (std::pow (10.0, kneeStartDb / 20.0) * 0.999);
    }
    return skipLevel;
}

void LinkedCompressor::process (float* const* wet, float* const* gainReduction, int numChannels, int numSamples,
                                const Controls& controls, const Settings& settings, EngineChannelState* channels,
                                float* reductionPeaks)
{
    if (numSamples <= 0)
        return;

    const int mode = juce::jlimit (0, 2, settings.ratioMode);
    const auto run = [&] (auto channelCount)
    {
        constexpr int c = decltype (channelCount)::value;
        if (mode == 1)
            processWith<c, 1> (wet, gainReduction, numSamples, controls, settings, channels, reductionPeaks);
        else if (mode == 2)
            processWith<c, 2> (wet, gainReduction, numSamples, controls, settings, channels, reductionPeaks);
        else
            processWith<c, 0> (wet, gainReduction, numSamples, controls, settings, channels, reductionPeaks);
    };

    if (numChannels >= 2)
        run (std::integral_constant<int, 2> {});
    else
        run (std::integral_constant<int, 1> {});
}

template <int Channels, int Mode>
void LinkedCompressor::processWith (float* const* wet, float* const* gainReduction, int numSamples,
                                    const Controls& controls, const Settings& settings, EngineChannelState* channels,
                                    float* reductionPeaks)
{
    const auto& model = settings.model;
    const bool unity = settings.unsmoothedRatio <= unityRatio;
    const auto engineKind = Mode == 2 ? HighRatioEngine::Kind::allIn : HighRatioEngine::Kind::ninetyNine;
    const float skipBelow = envelopeSkipLevel (controls, settings, numSamples);
    const float r = rmsCoefficient;

    // The linked state in registers for the sub-block; per-channel detector states likewise.
    auto& linked = channels[0];
    float envelope = linked.envelope, gain = linked.gain, previousReduction = linked.previousGainReductionDb;
    float meanSquare[(size_t) Channels], sidechainLowpass[(size_t) Channels], peaks[(size_t) Channels];
    for (int ch = 0; ch < Channels; ++ch)
    {
        meanSquare[ch] = channels[ch].meanSquare;
        sidechainLowpass[ch] = channels[ch].sidechainLowpass;
        peaks[ch] = reductionPeaks[ch];
    }

    // One sample of the detector and the envelope; in "ALL IN" x is taken after the gain.
    const auto detectAndFollow = [&] (int i, float linkedGain)
    {
        updateCachedCoefficients (controls.attackMs[i] * model.attackScale, controls.releaseMs[i] * model.releaseScale);

        // The high-pass works on the rectified signal: it blends the level with its part above a
        // one-pole low-pass, growing to 35 % level plus 75 % excess at 300 Hz.
        const float sidechainHz = controls.sidechainHz[i];
        const bool sidechainActive = sidechainHz > 0.5f;
        if (sidechainActive)
            updateSidechainCoefficient (sidechainHz);
        const float h = clamp01 (sidechainHz / 300.0f);
        const float p = sidechainLowpassCoefficient;

        Detection detection { 0.0f, 0.0f, 0.0f, 0.0f, attackCoefficient, 0.0f };
        for (int ch = 0; ch < Channels; ++ch)
        {
            float x = wet[ch][i];
            if constexpr (Mode == 2)
                x *= linkedGain;

            const float a = std::min (std::abs (x), detectorInputCeiling);
            float d = a;
            if (sidechainActive)
            {
                sidechainLowpass[ch] = p * sidechainLowpass[ch] + (1.0f - p) * a;
                d = std::max ((1.0f - 0.65f * h) * a + 0.75f * h * std::max (a - sidechainLowpass[ch], 0.0f), 0.0f);
            }

            meanSquare[ch] = r * meanSquare[ch] + (1.0f - r) * d * d;
            if (settings.rmsDetector)
                d = std::sqrt (std::max (meanSquare[ch], 0.0f));
            d *= model.detectorGain;

            detection.rectifiedPeak = std::max (detection.rectifiedPeak, a);
            detection.largestMeanSquare = std::max (detection.largestMeanSquare, meanSquare[ch]);
            detection.level = std::max (detection.level, d);
        }

        // Louder programme, longer release: 70 ms at silence, 970 ms at full scale, before scaling.
        detection.releaseCoefficient =
            settings.autoRelease
                ? coefficientForMs (std::max ((70.0f + 900.0f * detection.level) * model.releaseScale, minimumTimeMs))
                : releaseCoefficient;

        const float envelopeCoefficient = envelope < detection.level ? attackCoefficient : detection.releaseCoefficient;
        envelope += (1.0f - envelopeCoefficient) * (detection.level - envelope);
        detection.envelope = envelope;
        return detection;
    };

    const auto standardReduction = [&] (int i, float levelDbValue)
    {
        return controls.ratio[i] <= unityRatio
                   ? 0.0f
                   : staticGainReductionDb (levelDbValue, controls.thresholdDb[i] + model.thresholdOffsetDb,
                                            std::max (model.kneeDb, 0.0f),
                                            std::max (controls.ratio[i] * model.ratioScale, 1.0f));
    };

    const auto applyGain = [&] (int i, float applied, float reductionDb)
    {
        const float colourReduction = unity ? 0.0f : std::max (applied, reductionDb);
        for (int ch = 0; ch < Channels; ++ch)
        {
            wet[ch][i] *= gain;
            gainReduction[ch][i] = colourReduction;
            peaks[ch] = std::max (peaks[ch], applied);
        }
        previousReduction = colourReduction;
    };

    const auto smoothGain = [&] (float targetGain, float attack, float release)
    {
        const float gainCoefficient = targetGain < gain ? attack : release;
        gain += (1.0f - gainCoefficient) * (targetGain - gain);
    };

    if constexpr (Mode != 0)
    {
        // The "99:1" and "ALL IN" stages feed the reduction of each sample into the next: one
        // loop, every step waiting on the one before ("ALL IN" also detects after the gain).
        for (int i = 0; i < numSamples; ++i)
        {
            const auto detection = detectAndFollow (i, gain);
            const float levelDbValue = detection.envelope < skipBelow ? levelFloorDb : levelDb (detection.envelope);
            float reductionDb = 0.0f;
            if (unity)
            {
                gain = 1.0f;
            }
            else
            {
                const auto outcome = highRatioEngine.process (
                    engineKind, { detection.rectifiedPeak, detection.largestMeanSquare, detection.level, levelDbValue,
                                  controls.thresholdDb[i] + model.thresholdOffsetDb, controls.ratio[i],
                                  std::max (controls.ratio[i] * model.ratioScale, 1.0f), controls.attackMs[i],
                                  controls.releaseMs[i] * model.releaseScale, previousReduction });
                reductionDb = outcome.targetReductionDb;
                smoothGain (reductionDb == 0.0f ? 1.0f : gainOf (reductionDb), detection.attackCoefficient,
                            outcome.releaseCoefficient);
            }
            applyGain (i, unity ? 0.0f : appliedOf (gain), reductionDb);
        }
    }
    else
    {
        // In the standard engine nothing but the gain itself depends on the previous sample: the
        // detector and the envelope of a stretch of samples first, then their levels and target
        // gains, each logarithm and power independent of the others, then the gain, which only
        // waits on itself, then the applied reduction. Same calls, same arithmetic per sample.
        for (int start = 0; start < numSamples; start += chunkLength)
        {
            const int length = std::min (chunkLength, numSamples - start);
            for (int j = 0; j < length; ++j)
                detections[(size_t) j] = detectAndFollow (start + j, gain);

            if (unity)
            {
                gain = 1.0f;
                for (int j = 0; j < length; ++j)
                    applyGain (start + j, 0.0f, 0.0f);
                continue;
            }

            for (int j = 0; j < length; ++j)
            {
                const float e = detections[(size_t) j].envelope;
                const float reductionDb = standardReduction (start + j, e < skipBelow ? levelFloorDb : levelDb (e));
                reductions[(size_t) j] = reductionDb;
                targetGains[(size_t) j] = reductionDb == 0.0f ? 1.0f : gainOf (reductionDb); // 10^(-0/20) is 1
            }
            for (int j = 0; j < length; ++j)
            {
                smoothGain (targetGains[(size_t) j], detections[(size_t) j].attackCoefficient,
                            detections[(size_t) j].releaseCoefficient);
                gains[(size_t) j] = gain;
            }
            for (int j = 0; j < length; ++j)
            {
                gain = gains[(size_t) j];
                applyGain (start + j, appliedOf (gain), reductions[(size_t) j]);
            }
        }
    }

    linked.envelope = envelope;
    linked.gain = gain;
    linked.previousGainReductionDb = previousReduction;
    for (int ch = 0; ch < Channels; ++ch)
    {
        channels[ch].meanSquare = meanSquare[ch];
        channels[ch].sidechainLowpass = sidechainLowpass[ch];
        reductionPeaks[ch] = peaks[ch];
    }
}
