#include "ColourStage.h"

#include <cmath>

namespace reference
{
namespace
{
constexpr double lowpassHz = 1900.0;
constexpr double tiltGainDb = 6.0;
constexpr double lowBellHz = 10.0;
constexpr double lowBellQ = 0.15;
constexpr double highShelfHz = 10000.0;
constexpr float harmonicScale = 0.8f; // the harm amount 0..0.8 becomes 0..1

// Per ratio mode: the shaper's tanh gain and blend, and the constants of its wet mix.
struct EngineColour
{
    float tanhGain;  // aw
    float tanhBlend; // ay
    float e, d, aj, ah;
};

constexpr EngineColour engineColours[] = {
    { 0.72f, 0.48f, 0.0f, 0.75f, 0.16f, 0.0f },   // standard
    { 0.76f, 0.58f, 0.08f, 0.8f, 0.15f, 0.12f },  // "99:1"
    { 0.82f, 0.78f, 0.22f, 1.08f, 0.28f, 0.2f },  // "ALL IN"
};

float clamp01 (float x)
{
    return juce::jlimit (0.0f, 1.0f, x);
}

void setCoefficients (DoubleBiquad& biquad, double b0, double b1, double b2, double a0, double a1, double a2)
{
    biquad.b0 = b0 / a0;
    biquad.b1 = b1 / a0;
    biquad.b2 = b2 / a0;
    biquad.a1 = a1 / a0;
    biquad.a2 = a2 / a0;
    biquad.reset();
}

// Audio-EQ-cookbook peaking filter.
void designLowBell (DoubleBiquad& biquad, double rate)
{
    const double a = std::pow (10.0, tiltGainDb / 40.0);
    const double w0 = juce::MathConstants<double>::twoPi * lowBellHz / rate;
    const double alpha = std::sin (w0) / (2.0 * lowBellQ);
    const double cosW0 = std::cos (w0);
    setCoefficients (biquad, 1.0 + alpha * a, -2.0 * cosW0, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * cosW0,
                     1.0 - alpha / a);
}

// Audio-EQ-cookbook high shelf with alpha = sin(w0).
void designHighShelf (DoubleBiquad& biquad, double rate)
{
    const double a = std::pow (10.0, tiltGainDb / 40.0);
    const double f0 = std::max (2.0, std::min (0.4 * rate, highShelfHz));
    const double w0 = juce::MathConstants<double>::twoPi * f0 / rate;
    const double cosW0 = std::cos (w0);
    const double twoSqrtAAlpha = 2.0 * std::sqrt (a) * std::sin (w0);
    setCoefficients (biquad,
                     a * ((a + 1.0) + (a - 1.0) * cosW0 + twoSqrtAAlpha),
                     -2.0 * a * ((a - 1.0) + (a + 1.0) * cosW0),
                     a * ((a + 1.0) + (a - 1.0) * cosW0 - twoSqrtAAlpha),
                     (a + 1.0) - (a - 1.0) * cosW0 + twoSqrtAAlpha,
                     2.0 * ((a - 1.0) - (a + 1.0) * cosW0),
                     (a + 1.0) - (a - 1.0) * cosW0 - twoSqrtAAlpha);
}
} // namespace

void ColourStage::prepare (double sampleRate, int maxBlockSize)
{
    const double fs = std::max (sampleRate, 1.0);
    const double rate = std::max (2.0 * fs, 100.0);

    // Always two channels: mono only means "use the first one".
    oversampler = std::make_unique<juce::dsp::Oversampling<float>> (
        2, 1, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true, true);
    oversampler->initProcessing ((size_t) std::max (1, maxBlockSize));

    colourLowpassCoefficient = (float) std::exp (-juce::MathConstants<double>::twoPi * lowpassHz / std::max (2.0 * fs, 1.0));

    for (auto& channel : colourChannel)
    {
        designLowBell (channel.lowBell, rate);
        designHighShelf (channel.highShelf, rate);
        channel.glue.prepare (rate);
    }

    reset();
}

void ColourStage::reset()
{
    for (auto& channel : colourChannel)
    {
        channel.lowBell.reset();
        channel.highShelf.reset();
        channel.glue.reset();
        channel.colourPreviousGainReductionDb = 0.0f;
        channel.colourLowpass = 0.0f;
    }

    if (oversampler != nullptr)
        oversampler->reset();
}

float ColourStage::getLatencySamples() const
{
    return oversampler != nullptr ? oversampler->getLatencyInSamples() : 0.0f;
}

void ColourStage::applyNonlinearColourStage (juce::AudioBuffer<float>& wet, const juce::AudioBuffer<float>& gainReduction,
                                             const std::vector<float>& harm, const std::vector<float>& attack,
                                             int numChannels, int numSamples, float colourAmount, int ratioMode)
{
    auto block = juce::dsp::AudioBlock<float> (wet).getSubsetChannelBlock (0, (size_t) numChannels)
                     .getSubBlock (0, (size_t) numSamples);

    if (oversampler == nullptr)
    {
        colourBlock (block, gainReduction, harm, attack, numSamples, colourAmount, ratioMode);
        return;
    }

    auto up = oversampler->processSamplesUp (block);
    colourBlock (up, gainReduction, harm, attack, numSamples, colourAmount, ratioMode);
    oversampler->processSamplesDown (block);
}

void ColourStage::colourBlock (juce::dsp::AudioBlock<float>& block, const juce::AudioBuffer<float>& gainReduction,
                               const std::vector<float>& harm, const std::vector<float>& attack, int numSamples,
                               float colourAmount, int ratioMode)
{
    const int n = std::max (numSamples, 1);
    const int total = (int) block.getNumSamples();
    const float samplesPerControl = (float) std::max (1, total / n);

    for (int i = 0; i < total; ++i)
    {
        // The controls arrive per base-rate sample; interpolate them onto the oversampled grid.
        const float m = (float) i / samplesPerControl;
        const int k = juce::jlimit (0, n - 1, (int) std::floor (m));
        const int k1 = std::min (k + 1, n - 1);
        const float f = m - (float) k;
        const auto interpolate = [k, k1, f] (const float* values) { return values[k] + (values[k1] - values[k]) * f; };

        const float harmonicAmount = clamp01 (interpolate (harm.data()) / harmonicScale);
        const float attackMs = interpolate (attack.data());

        for (size_t ch = 0; ch < block.getNumChannels(); ++ch)
        {
            float* samples = block.getChannelPointer (ch);
            const float reductionDb = interpolate (gainReduction.getReadPointer ((int) ch));
            samples[i] = shape (colourChannel[ch], samples[i], reductionDb, harmonicAmount, attackMs, colourAmount,
                                ratioMode);
        }
    }
}

float ColourStage::softClip (float y)
{
    if (! std::isfinite (y))
        return 0.0f;
    const float clipped = juce::jlimit (-1.4f, 1.4f, 0.92f * y);
    return clipped - 0.085f * clipped * clipped * clipped;
}

float ColourStage::shape (ColourChannel& channel, float t, float reductionDb, float harmonicAmount, float attackMs,
                          float colourAmount, int ratioMode)
{
    const int mode = juce::jlimit (0, 2, ratioMode);
    const auto& engine = engineColours[mode];

    const float hG = clamp01 (reductionDb / 24.0f);
    const float aN = clamp01 (attackMs / 35.0f);
    const float u = std::min (std::abs (reductionDb - channel.colourPreviousGainReductionDb) / 6.0f, 1.0f);
    const float v = clamp01 (1.35f * std::abs (t));

    // Drive of the shaper: the signal level, the depth and movement of the reduction, per engine.
    float b, slope, biasBase, wetAmount, driveBoost;
    switch (mode)
    {
        case 1:
            b = clamp01 (0.14f * v + 0.4f * hG + 0.18f * u + 0.22f * aN);
            slope = 1.42f + 0.45f * b;
            biasBase = 0.8f + 0.45f * b;
            wetAmount = 0.55f * colourAmount + (0.45f * colourAmount + 0.05f) * clamp01 (0.85f * hG + 0.15f * u);
            driveBoost = 1.02f + 0.08f * b;
            break;
        case 2:
            b = clamp01 (0.34f * v + 0.46f * hG + 0.32f * u);
            slope = 1.55f + 0.9f * b;
            biasBase = 1.3f + 0.7f * b;
            wetAmount = colourAmount + 0.08f;
            driveBoost = 1.28f + 0.18f * b;
            break;
        default:
            b = clamp01 (0.18f * v + 0.22f * hG);
            slope = 1.35f;
            biasBase = 1.0f;
            wetAmount = colourAmount + 0.08f;
            driveBoost = 1.0f;
            break;
    }

    const float q = 1.0f + 0.55f * hG; // input drive grows with the gain reduction

    const float a = std::atan (q * t * slope) / std::atan (slope);
    const float bias = 0.016f * biasBase;
    const float s = std::tanh (q * t * engine.tanhGain + bias) - std::tanh (bias);
    const float w = a + engine.tanhBlend * (s - a);

    channel.colourLowpass = colourLowpassCoefficient * channel.colourLowpass + (1.0f - colourLowpassCoefficient) * w;
    const float e = channel.colourLowpass;

    const float k2 = engine.e * b + engine.d;
    const float f1 = std::tanh ((0.3f * q * driveBoost + 1.0f) * w + k2 * (w - e));
    const float f2 = std::tanh (0.95f * w);
    const float y = t + wetAmount * ((engine.ah * b + engine.aj) * (f1 - f2) + w + (0.16f * k2 + 0.18f) * (w - e) - t);

    const double l = softClip (y);

    // The harmonic layer and the tilt run in double precision.
    const double h = harmonicAmount;
    const double o1 = l + (h / 8.0) * (std::tanh (1.2 * l) / 1.2 - l) + (h / 32.0) * channel.glue.process (l);
    const double o2 = o1 + h * (channel.lowBell.process (o1) - o1);
    const double o3 = o2 + h * (channel.highShelf.process (o2) - o2);

    channel.colourPreviousGainReductionDb = reductionDb;
    return (float) o3;
}
} // namespace reference
