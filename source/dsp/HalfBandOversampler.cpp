#include "HalfBandOversampler.h"

#include <juce_dsp/juce_dsp.h>

namespace
{
using Structure = juce::dsp::FilterDesign<float>::IIRPolyphaseAllpassStructure;

// One 2x stage at maximum quality: transition width 0.1 (up) and 0.12 (down) of the oversampled
// rate, halved for the first stage, stopbands of -90 dB and -75 dB.
constexpr float upTransition = 0.10f * 0.5f;
constexpr float upStopbandDb = -90.0f;
constexpr float downTransition = 0.12f * 0.5f;
constexpr float downStopbandDb = -75.0f;
constexpr int maxThiranDelay = 8; // the delay line's capacity in the JUCE oversampler
constexpr float thiranThreshold = 0.618f;

using Quad = float __attribute__ ((vector_size (4 * sizeof (float))));
using QuadMask = int __attribute__ ((vector_size (4 * sizeof (int))));

// A cascade held in registers for the length of a block.
struct CascadeRegisters
{
    static constexpr size_t sections = HalfBandOversampler::maxSections;

    // Sections a branch does not have are inactive in its lanes and pass the sample through.
    Quad alpha[sections] {};
    Quad state[sections] {};
    QuadMask active[sections] {};

    explicit CascadeRegisters (const HalfBandOversampler::Cascade& cascade)
    {
        for (size_t s = 0; s < sections; ++s)
        {
            for (size_t lane = 0; lane < 4; ++lane)
            {
                alpha[s][lane] = cascade.alpha[s][lane];
                state[s][lane] = cascade.state[s][lane];
                active[s][lane] = cascade.active[s][lane] ? -1 : 0;
            }
        }
    }

    // Keeps the states of the lanes in `lanes` (a mono block leaves the right channel alone).
    void storeInto (HalfBandOversampler::Cascade& cascade, size_t lanes) const
    {
        for (size_t s = 0; s < sections; ++s)
            for (size_t lane = 0; lane < lanes; ++lane)
                cascade.state[s][lane] = state[s][lane];
    }

    // One sample through the sections; each computes output = a x + s, then s = x - a output.
    // The first Shared sections exist in every lane and need no masking; none exists past Used.
    template <size_t Shared, size_t Used>
    Quad run (Quad x)
    {
        for (size_t s = 0; s < Used; ++s)
        {
            const Quad output = alpha[s] * x + state[s];
            if (s < Shared)
            {
                state[s] = x - alpha[s] * output;
                x = output;
            }
            else
            {
                state[s] = active[s] ? x - alpha[s] * output : state[s];
                x = active[s] ? output : x;
            }
        }
        return x;
    }
};

// Runs `body` with run<Shared, Used> for the cascade's layout: the JUCE designs used here have
// 4 + 3 sections up and 3 + 3 down; anything else takes the fully masked path.
template <typename Body>
void withLayout (const HalfBandOversampler::Cascade& cascade, Body&& body)
{
    if (cascade.shared == 3 && cascade.used == 4)
        body (std::integral_constant<size_t, 3> {}, std::integral_constant<size_t, 4> {});
    else if (cascade.shared == 3 && cascade.used == 3)
        body (std::integral_constant<size_t, 3> {}, std::integral_constant<size_t, 3> {});
    else
        body (std::integral_constant<size_t, 0> {}, std::integral_constant<size_t, HalfBandOversampler::maxSections> {});
}

// The equivalent single IIR filter of a polyphase allpass structure, for its phase delay.
juce::dsp::IIR::Coefficients<float> equivalentFilter (const Structure& structure)
{
    using Polynomial = juce::dsp::Polynomial<float>;
    constexpr float one = 1.0f;
    Polynomial numerator1 ({ one }), denominator1 ({ one }), numerator2 ({ one }), denominator2 ({ one });

    const auto multiplyIn = [] (const auto& path, Polynomial& numerator, Polynomial& denominator)
    {
        for (auto* section : path)
        {
            const auto* c = section->getRawCoefficients();
            if (section->getFilterOrder() == 1)
            {
                numerator = numerator.getProductWith (Polynomial ({ c[0], c[1] }));
                denominator = denominator.getProductWith (Polynomial ({ one, c[2] }));
            }
            else
            {
                numerator = numerator.getProductWith (Polynomial ({ c[0], c[1], c[2] }));
                denominator = denominator.getProductWith (Polynomial ({ one, c[3], c[4] }));
            }
        }
    };
    multiplyIn (structure.directPath, numerator1, denominator1);
    multiplyIn (structure.delayedPath, numerator2, denominator2);

    auto numerator = numerator1.getProductWith (denominator2).getSumWith (numerator2.getProductWith (denominator1));
    auto denominator = denominator1.getProductWith (denominator2);

    juce::dsp::IIR::Coefficients<float> filter;
    filter.coefficients.clear();
    const float inversion = one / denominator[0];
    for (int i = 0; i <= numerator.getOrder(); ++i)
        filter.coefficients.add (numerator[i] * inversion);
    for (int i = 1; i <= denominator.getOrder(); ++i)
        filter.coefficients.add (denominator[i] * inversion);
    return filter;
}

float phaseDelay (const Structure& structure)
{
    constexpr double frequency = 0.0001;
    return static_cast<float> (-(equivalentFilter (structure).getPhaseForFrequency (frequency, 1.0))
                               / (frequency * juce::MathConstants<double>::twoPi));
}

// The direct branch's sections in lanes 0 and 2, the delayed branch's (without its leading unit
// delay) in lanes 1 and 3.
HalfBandOversampler::Cascade cascadeOf (const Structure& structure)
{
    HalfBandOversampler::Cascade cascade;
    const int direct = structure.directPath.size();
    const int delayed = structure.delayedPath.size() - 1;
    jassert (std::max (direct, delayed) <= HalfBandOversampler::maxSections);

    for (int s = 0; s < HalfBandOversampler::maxSections; ++s)
    {
        const auto i = (size_t) s;
        const float directAlpha = s < direct ? structure.directPath[s]->coefficients[0] : 0.0f;
        const float delayedAlpha = s < delayed ? structure.delayedPath[s + 1]->coefficients[0] : 0.0f;
        cascade.alpha[i] = { directAlpha, delayedAlpha, directAlpha, delayedAlpha };
        cascade.active[i] = { s < direct, s < delayed, s < direct, s < delayed };
    }
    cascade.shared = std::min (direct, delayed);
    cascade.used = std::max (direct, delayed);
    return cascade;
}

void snapToZero (HalfBandOversampler::Cascade& cascade)
{
    for (auto& section : cascade.state)
        for (auto& value : section)
            juce::dsp::util::snapToZero (value);
}
} // namespace

void HalfBandOversampler::prepare (int maxBlockSize)
{
    design();
    oversampled.setSize (2, 2 * std::max (1, maxBlockSize));
    reset();
}

void HalfBandOversampler::design()
{
    const auto upStructure = juce::dsp::FilterDesign<float>::designIIRLowpassHalfBandPolyphaseAllpassMethod (upTransition, upStopbandDb);
    const auto downStructure = juce::dsp::FilterDesign<float>::designIIRLowpassHalfBandPolyphaseAllpassMethod (downTransition, downStopbandDb);
    up = cascadeOf (upStructure);
    down = cascadeOf (downStructure);

    // The stage's own latency, at the oversampled rate, brought to the base rate; then the
    // fractional delay that tops it up to whole samples.
    float stageLatency = phaseDelay (upStructure);
    stageLatency += phaseDelay (downStructure);
    const float uncompensated = 0.0f + stageLatency / 2.0f;

    float fractional = 1.0f - (uncompensated - std::floor (uncompensated));
    if (fractional == 1.0f)
        fractional = 0.0f;
    else if (fractional < thiranThreshold)
        fractional += 1.0f;

    latency = uncompensated + fractional;
    delayActive = fractional > 0.0f;

    const float delay = juce::jlimit (0.0f, (float) maxThiranDelay, fractional);
    delayWhole = (int) std::floor (delay);
    delayFraction = delay - (float) delayWhole;
    if (delayFraction < thiranThreshold && delayWhole >= 1)
    {
        delayFraction++;
        delayWhole--;
    }
    thiranAlpha = (1 - delayFraction) / (1 + delayFraction);
}

void HalfBandOversampler::reset()
{
    for (auto* cascade : { &up, &down })
        for (auto& section : cascade->state)
            section.fill (0.0f);
    downDelay.fill (0.0f);
    for (auto& channel : history)
        channel.fill (0.0f);
    thiranPrevious.fill (0.0f);
    historyPos.fill (0);
}

void HalfBandOversampler::processSamplesUp (const float* const* input, int numChannels, int numSamples)
{
    const float* left = input[0];
    const float* right = numChannels > 1 ? input[1] : input[0];
    float* leftUp = oversampled.getWritePointer (0);
    float* rightUp = oversampled.getWritePointer (1);
    CascadeRegisters cascade (up);

    withLayout (up, [&] (auto shared, auto used)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const Quad y = cascade.run<shared, used> (Quad { left[i], left[i], right[i], right[i] });
            leftUp[2 * i] = y[0];
            leftUp[2 * i + 1] = y[1];
            rightUp[2 * i] = y[2];
            rightUp[2 * i + 1] = y[3];
        }
    });

    cascade.storeInto (up, numChannels > 1 ? 4 : 2);
    snapToZero (up);
}

void HalfBandOversampler::processSamplesDown (float* const* output, int numChannels, int numSamples)
{
    const float* leftUp = oversampled.getReadPointer (0);
    const float* rightUp = oversampled.getReadPointer (numChannels > 1 ? 1 : 0);
    float* left = output[0];
    float* right = numChannels > 1 ? output[1] : nullptr;
    float leftDelay = downDelay[0], rightDelay = downDelay[1];
    CascadeRegisters cascade (down);

    withLayout (down, [&] (auto shared, auto used)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            const Quad y = cascade.run<shared, used> (Quad { leftUp[2 * i], leftUp[2 * i + 1], rightUp[2 * i], rightUp[2 * i + 1] });
            left[i] = (leftDelay + y[0]) * 0.5f;
            leftDelay = y[1];
            if (right != nullptr)
            {
                right[i] = (rightDelay + y[2]) * 0.5f;
                rightDelay = y[3];
            }
        }
    });

    cascade.storeInto (down, numChannels > 1 ? 4 : 2);
    downDelay[0] = leftDelay;
    if (right != nullptr)
        downDelay[1] = rightDelay;
    snapToZero (down);

    if (delayActive)
    {
        if (numChannels > 1)
            delayForIntegerLatency<2> (output, numSamples);
        else
            delayForIntegerLatency<1> (output, numSamples);
    }
}

// Both channels in one loop, so that their two recursions overlap.
template <size_t Channels>
void HalfBandOversampler::delayForIntegerLatency (float* const* samples, int numSamples)
{
    constexpr int mask = historyLength - 1;
    int pos[Channels];
    float previous[Channels];
    for (size_t ch = 0; ch < Channels; ++ch)
    {
        pos[ch] = historyPos[ch];
        previous[ch] = thiranPrevious[ch];
    }

    for (int i = 0; i < numSamples; ++i)
    {
        for (size_t ch = 0; ch < Channels; ++ch)
        {
            auto& line = history[ch];
            line[(size_t) pos[ch]] = samples[ch][i];
            const float newer = line[(size_t) ((pos[ch] - delayWhole) & mask)];
            const float older = line[(size_t) ((pos[ch] - delayWhole - 1) & mask)];
            previous[ch] = delayFraction == 0.0f ? newer : older + thiranAlpha * (newer - previous[ch]);
            samples[ch][i] = previous[ch];
            pos[ch] = (pos[ch] + 1) & mask;
        }
    }

    for (size_t ch = 0; ch < Channels; ++ch)
    {
        historyPos[ch] = pos[ch];
        thiranPrevious[ch] = previous[ch];
    }
}
