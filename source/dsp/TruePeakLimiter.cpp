#include "TruePeakLimiter.h"

#include <cmath>

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
    // No interpolated value can pass the ceiling while every sample in the window stays at or
    // below this level, so the filter only has to run near loud material.
    truePeakTrigger = ceiling / detector.getLargestNorm();
}

void TruePeakLimiter::prepare (double sampleRate, bool autoMakeupOn)
{
    lookaheadSamples = std::max (1, (int) std::lround (lookaheadSeconds * sampleRate));
    limiterLatency = lookaheadSamples + centreTap;
    delayLength = limiterLatency + 1;

    for (auto& line : lookaheadDelay)
        line.assign ((size_t) delayLength, 0.0f);
    lookaheadGain.assign ((size_t) delayLength, 1.0f);

    // The lookahead ramp glides over L - 2 samples and then holds until L + 2 samples ahead.
    const float rampLength = (float) (std::max (lookaheadSamples, 3) - 2);
    rampPositions.resize ((size_t) lookaheadSamples + 3);
    for (size_t j = 0; j < rampPositions.size(); ++j)
        rampPositions[j] = std::min ((float) j / rampLength, 1.0f);

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
    detector.reset();

    delayWritePos = 0;
    limiterGain = 1.0f;
    limiterHoldCounter = 0;
    truePeakCountdown = 0;
    limiterBlend.setCurrentAndTargetValue (limiterBlendAtReset ? 1.0f : 0.0f);
}

void TruePeakLimiter::process (juce::AudioBuffer<float>& buffer, int numChannels, int numSamples, bool autoMakeupOn)
{
    limiterBlend.setTargetValue (autoMakeupOn ? 1.0f : 0.0f);

    for (int offset = 0; offset < numSamples; offset += TruePeakDetector::chunkLength)
        processChunk (buffer, offset, numChannels, std::min (TruePeakDetector::chunkLength, numSamples - offset));
}

void TruePeakLimiter::readChunk (const juce::AudioBuffer<float>& buffer, int offset, int numChannels, int numSamples)
{
    for (int ch = 0; ch < numChannels; ++ch)
    {
        const float* input = buffer.getReadPointer (ch, offset);
        float* chunk = detector.chunk (ch);
        for (int i = 0; i < numSamples; ++i)
            chunk[i] = sanitised (input[i]);
    }

    double* samplePeaks = detector.samplePeaks();
    bool* needsInterpolation = detector.needsInterpolation();

    for (int i = 0; i < numSamples; ++i)
    {
        double samplePeak = 0.0;
        for (int ch = 0; ch < numChannels; ++ch)
            samplePeak = std::max (samplePeak, (double) std::abs (detector.chunk (ch)[i]));
        samplePeaks[i] = samplePeak;

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
        needsInterpolation[i] = interpolate;
    }
}

void TruePeakLimiter::processChunk (juce::AudioBuffer<float>& buffer, int offset, int numChannels, int numSamples)
{
    readChunk (buffer, offset, numChannels, numSamples);

    // Above the ceiling the gain follows ceiling / peak, so only a peak above it matters.
    detector.findTruePeaks (numChannels, numSamples, ceiling);
    const double* truePeaks = detector.truePeaks();

    const float* input[2] = { detector.chunk (0), detector.chunk (numChannels - 1) };
    float* output[2] = { buffer.getWritePointer (0, offset), buffer.getWritePointer (numChannels - 1, offset) };
    float* delay[2] = { lookaheadDelay[0].data(), lookaheadDelay[(size_t) numChannels - 1].data() };

    for (int i = 0; i < numSamples; ++i)
    {
        for (int ch = 0; ch < numChannels; ++ch)
            delay[ch][delayWritePos] = input[ch][i];

        const double truePeak = truePeaks[i];
        const float targetGain = truePeak > ceiling ? (float) (ceiling / truePeak) : 1.0f;

        delayWritePos = delayWritePos + 1 == delayLength ? 0 : delayWritePos + 1;
        const int readSlot = delayWritePos;

        if (limiterGain > targetGain)
            rampAhead (readSlot, targetGain);

        advanceGainEnvelope (readSlot);

        const float blend = limiterBlend.getNextValue();
        float gain = 1.0f + (limiterGain - 1.0f) * blend;

        float outputPeak = 0.0f;
        for (int ch = 0; ch < numChannels; ++ch)
            outputPeak = std::max (outputPeak, std::abs (delay[ch][readSlot]));

        if (blend == 1.0f && gain * outputPeak > safetyCeiling)
            gain = safetyCeiling / outputPeak;

        for (int ch = 0; ch < numChannels; ++ch)
            output[ch][i] = delay[ch][readSlot] * gain;
    }

    detector.nextChunk (numChannels, numSamples);
}

void TruePeakLimiter::rampAhead (int readSlot, float targetGain)
{
    // Glide from the present gain to the target, then hold it: the interpolated peak (64 samples
    // old now) reaches the output in L samples. Two straight runs instead of a wrapping index.
    const int count = (int) rampPositions.size();
    const int firstRun = std::min (count, delayLength - readSlot);
    const float* t = rampPositions.data();
    const float start = limiterGain;

    const auto lowerRun = [&] (float* slots, const float* positions, int n)
    {
        for (int j = 0; j < n; ++j)
            slots[j] = std::min (slots[j], (1.0f - positions[j]) * start + positions[j] * targetGain);
    };

    lowerRun (lookaheadGain.data() + readSlot, t, firstRun);
    lowerRun (lookaheadGain.data(), t + firstRun, count - firstRun);
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
