#include "TruePeakLimiter.h"

#include <cmath>

namespace reference
{
namespace
{
constexpr int centreTap = TruePeakLimiter::filterLength / 2; // 64: the filter looks 64 samples back
constexpr double lookaheadSeconds = 0.0015;
constexpr double holdSeconds = 0.02;
constexpr double releaseSeconds = 0.15;

float sanitised (float x)
{
    return std::isfinite (x) ? x : 0.0f;
}
} // namespace

TruePeakLimiter::TruePeakLimiter()
{
    buildInterpolationTable();
}

void TruePeakLimiter::buildInterpolationTable()
{
    truePeakTable = ::TruePeakDetector::designTable();

    double largestNorm = 1.0;
    for (int p = 0; p < phases; ++p)
    {
        double norm = 0.0;
        for (int k = 0; k < filterLength; ++k)
            norm += std::abs (truePeakTable[(size_t) k][(size_t) p]);
        largestNorm = std::max (largestNorm, norm);
    }

    // No interpolated value can pass the ceiling while every sample in the window stays at or
    // below this level, so the filter only has to run near loud material.
    truePeakTrigger = ceiling / largestNorm;
}

void TruePeakLimiter::prepare (double sampleRate, bool autoMakeupOn)
{
    lookaheadSamples = std::max (1, (int) std::lround (lookaheadSeconds * sampleRate));
    limiterLatency = lookaheadSamples + centreTap;
    delayLength = limiterLatency + 1;

    for (auto& line : lookaheadDelay)
        line.assign ((size_t) delayLength, 0.0f);
    lookaheadGain.assign ((size_t) delayLength, 1.0f);

    limiterRelease = (float) (1.0 - std::exp (-1.0 / (releaseSeconds * sampleRate)));
    limiterHoldSamples = std::max (1, (int) std::lround (holdSeconds * sampleRate));
    limiterBlend.reset (sampleRate, 0.001);
    limiterBlendAtReset = autoMakeupOn;
    reset();
}

void TruePeakLimiter::reset()
{
    for (auto& line : lookaheadDelay)
        std::fill (line.begin(), line.end(), 0.0f);
    std::fill (lookaheadGain.begin(), lookaheadGain.end(), 1.0f);
    for (auto& history : truePeakHistory)
        history.fill (0.0f);

    historyWritePos = 0;
    delayWritePos = 0;
    limiterGain = 1.0f;
    limiterHoldCounter = 0;
    truePeakCountdown = 0;
    limiterBlend.setCurrentAndTargetValue (limiterBlendAtReset ? 1.0f : 0.0f);
}

void TruePeakLimiter::process (juce::AudioBuffer<float>& buffer, int numChannels, int numSamples, bool autoMakeupOn)
{
    limiterBlend.setTargetValue (autoMakeupOn ? 1.0f : 0.0f);

    for (int i = 0; i < numSamples; ++i)
    {
        double samplePeak = 0.0;
        for (int ch = 0; ch < numChannels; ++ch)
        {
            const float x = sanitised (buffer.getSample (ch, i));
            lookaheadDelay[(size_t) ch][(size_t) delayWritePos] = x;
            truePeakHistory[(size_t) ch][(size_t) historyWritePos] = x;
            truePeakHistory[(size_t) ch][(size_t) (historyWritePos + filterLength)] = x;
            samplePeak = std::max (samplePeak, (double) std::abs (x));
        }

        bool interpolate = false;
        if (samplePeak > truePeakTrigger)
        {
            // Runs on this sample and the 128 after it: until it has passed the window's centre.
            truePeakCountdown = filterLength;
            interpolate = true;
        }
        else if (truePeakCountdown > 0)
        {
            --truePeakCountdown;
            interpolate = truePeakCountdown > 0;
        }

        const double truePeak = interpolate ? std::max (samplePeak, interpolatedPeak (numChannels)) : samplePeak;
        const float targetGain = truePeak > ceiling ? (float) (ceiling / truePeak) : 1.0f;

        delayWritePos = (delayWritePos + 1) % delayLength;
        const int readSlot = delayWritePos;

        if (limiterGain > targetGain)
            rampAhead (readSlot, targetGain);

        advanceGainEnvelope (readSlot);

        const float blend = limiterBlend.getNextValue();
        float gain = 1.0f + (limiterGain - 1.0f) * blend;

        float outputPeak = 0.0f;
        for (int ch = 0; ch < numChannels; ++ch)
            outputPeak = std::max (outputPeak, std::abs (lookaheadDelay[(size_t) ch][(size_t) readSlot]));

        if (blend == 1.0f && gain * outputPeak > safetyCeiling)
            gain = safetyCeiling / outputPeak;

        for (int ch = 0; ch < numChannels; ++ch)
            buffer.getWritePointer (ch)[i] = lookaheadDelay[(size_t) ch][(size_t) readSlot] * gain;

        historyWritePos = (historyWritePos + 1) % filterLength;
    }
}

double TruePeakLimiter::interpolatedPeak (int numChannels) const
{
    double peak = 0.0;

    for (int ch = 0; ch < numChannels; ++ch)
    {
        // The newest sample sits at historyWritePos + filterLength and meets tap -64.
        const float* newest = truePeakHistory[(size_t) ch].data() + historyWritePos + filterLength;

        for (int p = 0; p < phases; ++p)
        {
            double y = 0.0;
            for (int k = 0; k < filterLength; ++k)
                y += truePeakTable[(size_t) k][(size_t) p] * newest[-k];
            peak = std::max (peak, std::abs (y));
        }
    }

    return peak;
}

void TruePeakLimiter::rampAhead (int readSlot, float targetGain)
{
    // Glide from the present gain to the target over L - 2 samples, then hold it until L + 2
    // samples ahead: the interpolated peak (64 samples old now) reaches the output in L samples.
    const float rampLength = (float) (std::max (lookaheadSamples, 3) - 2);

    for (int j = 0; j <= lookaheadSamples + 2; ++j)
    {
        const float t = std::min ((float) j / rampLength, 1.0f);
        const auto slot = (size_t) ((readSlot + j) % delayLength);
        lookaheadGain[slot] = std::min (lookaheadGain[slot], (1.0f - t) * limiterGain + t * targetGain);
    }
}

void TruePeakLimiter::advanceGainEnvelope (int readSlot)
{
    const float slotGain = lookaheadGain[(size_t) readSlot];

    if (limiterGain > slotGain)
    {
        limiterGain = slotGain;
        limiterHoldCounter = limiterHoldSamples;
    }
    else if (limiterHoldCounter > 0)
    {
        --limiterHoldCounter;
    }
    else
    {
        limiterGain = std::min (limiterGain + (1.0f - limiterGain) * limiterRelease, slotGain);
    }

    lookaheadGain[(size_t) readSlot] = 1.0f;
}
} // namespace reference
