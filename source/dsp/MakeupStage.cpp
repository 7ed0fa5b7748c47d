#include "MakeupStage.h"

#include <cmath>
#include <limits>

namespace
{
constexpr float silenceThreshold = 0.0001f;  // -80 dBFS: below it the hold and protection freeze
constexpr float protectionCeilingDb = -1.5f; // the held wet peak plus the automatic gain stays under this
constexpr float maximumTargetDb = 14.0f;
constexpr float dbFloor = -100.0f;

float decibelsToGainFloored (float db)
{
    return db <= dbFloor ? 0.0f : std::pow (10.0f, db / 20.0f);
}

float onePoleStep (double seconds, double sampleRate)
{
    return (float) (1.0 - std::exp (-1.0 / (seconds * sampleRate)));
}
} // namespace

void MakeupStage::prepare (double sampleRate, bool autoMakeupOn)
{
    peakHoldDecay = (float) std::exp (-1.0 / (0.3 * sampleRate));
    autoMakeupCoefficient = onePoleStep (0.14, sampleRate);
    protectionAttack = onePoleStep (0.015, sampleRate);
    protectionRelease = onePoleStep (2.0, sampleRate);
    peakHoldSamples = std::max (1, (int) std::lround (0.3 * sampleRate));
    autoMakeupBlend.reset (sampleRate, 0.001);
    autoMakeupAtReset = autoMakeupOn;
    reset();
}

void MakeupStage::reset()
{
    outputPeakHold = 0.0f;
    protectionDb = 0.0f;
    autoMakeupDb = 0.0f;
    peakHoldCounter = 0;
    autoMakeupBlend.setCurrentAndTargetValue (autoMakeupAtReset ? 1.0f : 0.0f);
}

float MakeupStage::automaticTargetDb (const Settings& settings)
{
    if (settings.unsmoothedRatio <= 1.0001f)
        return 0.0f;

    constexpr float engineBonusDb[] = { 0.0f, 0.45f, 1.0f };
    const float threshold = settings.thresholdDb + settings.thresholdOffsetDb;
    const float ratio = std::max (settings.ratio * settings.ratioScale, 1.0f);
    const float slope = ratio > 1.0001f ? 1.0f - 1.0f / ratio : 0.0f;
    const float ratioWeight = juce::jlimit (0.0f, 1.0f, (ratio - 1.0f) / 19.0f);
    const float bonus = engineBonusDb[juce::jlimit (0, 2, settings.ratioMode)];

    // Assumes the programme peaks near 0 dBFS and wins back about a third of the theoretical
    // reduction, a little more at high ratios.
    const float target = (0.32f + 0.18f * ratioWeight) * std::max (-threshold, 0.0f) * slope + slope * bonus;
    return juce::jlimit (0.0f, maximumTargetDb, target);
}

void MakeupStage::process (juce::AudioBuffer<float>& wet, int numChannels, int numSamples, const Settings& settings)
{
    const float target = automaticTargetDb (settings);
    const float manualGain = decibelsToGainFloored (settings.makeupDb);
    autoMakeupBlend.setTargetValue (settings.autoMakeup ? 1.0f : 0.0f);

    float* left = wet.getWritePointer (0);
    float* right = wet.getWritePointer (numChannels - 1);

    // The dB conversions take the argument of the previous sample most of the time: the hold
    // stays put for 300 ms, and the automatic gain settles. A repeated argument repeats the result.
    float lastHold = -1.0f, lastHoldDb = 0.0f;
    float lastGainDb = std::numeric_limits<float>::quiet_NaN(), lastGain = 0.0f;

    for (int i = 0; i < numSamples; ++i)
    {
        const float peak = std::max (std::abs (left[i]), std::abs (right[i]));

        updatePeakHold (peak);
        autoMakeupDb += (target - autoMakeupDb) * autoMakeupCoefficient;

        if (! settings.autoMakeup)
            protectionDb = 0.0f;
        else if (peak > silenceThreshold)
        {
            if (outputPeakHold != lastHold)
            {
                lastHold = outputPeakHold;
                lastHoldDb = holdLevelDb (outputPeakHold);
            }
            updateProtection (lastHoldDb);
        }

        const float blend = autoMakeupBlend.getNextValue();
        float gain = manualGain;
        if (blend != 0.0f)
        {
            const float gainDb = autoMakeupDb + protectionDb;
            if (gainDb != lastGainDb)
            {
                lastGainDb = gainDb;
                lastGain = decibelsToGainFloored (gainDb);
            }
            gain = manualGain + blend * (lastGain - manualGain);
        }

        left[i] *= gain;
        if (numChannels > 1)
            right[i] *= gain;
    }
}

void MakeupStage::updatePeakHold (float peak)
{
    if (peak <= silenceThreshold)
        return;

    if (peak >= outputPeakHold)
    {
        outputPeakHold = peak;
        peakHoldCounter = peakHoldSamples;
    }
    else if (peakHoldCounter > 0)
    {
        --peakHoldCounter;
    }
    else
    {
        outputPeakHold = std::max (outputPeakHold * peakHoldDecay, peak);
    }
}

float MakeupStage::holdLevelDb (float hold)
{
    return hold > 0.0f ? std::max (20.0f * std::log10 (hold), dbFloor) : dbFloor;
}

void MakeupStage::updateProtection (float holdDb)
{
    const float target = std::min (protectionCeilingDb - holdDb - autoMakeupDb, 0.0f);
    const float coefficient = target >= protectionDb ? protectionRelease : protectionAttack;
    protectionDb += (target - protectionDb) * coefficient;
}
