#include "TruePeakMeter.h"

#include <cmath>

namespace
{
constexpr double kaiserBeta = 9.0;

double besselI0 (double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 40; ++k)
    {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}
} // namespace

TruePeakMeter::TruePeakMeter (int numChannels)
    : history ((size_t) numChannels, std::vector<float> (2 * halfLength, 0.0f))
{
    for (int p = 0; p < oversampling; ++p)
    {
        double sum = 0.0;
        std::array<double, 2 * halfLength> taps {};

        for (int k = 0; k < 2 * halfLength; ++k)
        {
            // Tap k weighs the sample at distance t from the point p/4 after the centre sample.
            const double t = (double) (k - (halfLength - 1)) - (double) p / oversampling;
            const double ratio = t / halfLength;
            const double window = std::abs (ratio) < 1.0 ? besselI0 (kaiserBeta * std::sqrt (1.0 - ratio * ratio)) / besselI0 (kaiserBeta) : 0.0;
            const double sinc = std::abs (t) < 1e-12 ? 1.0 : std::sin (juce::MathConstants<double>::pi * t) / (juce::MathConstants<double>::pi * t);
            taps[(size_t) k] = sinc * window;
            sum += taps[(size_t) k];
        }

        for (int k = 0; k < 2 * halfLength; ++k)
            phaseTaps[(size_t) p][(size_t) k] = (float) (taps[(size_t) k] / sum);
    }
}

void TruePeakMeter::push (int channel, float x)
{
    auto& h = history[(size_t) channel];
    std::move (h.begin() + 1, h.end(), h.begin());
    h.back() = x;

    // The interpolated points lie between h[halfLength - 1] and h[halfLength].
    for (const auto& taps : phaseTaps)
    {
        float y = 0.0f;
        for (size_t k = 0; k < taps.size(); ++k)
            y += taps[k] * h[k];
        peak = std::max (peak, std::abs (y));
    }
    peak = std::max (peak, std::abs (x));
}

void TruePeakMeter::process (const juce::AudioBuffer<float>& buffer, int numSamples)
{
    for (int ch = 0; ch < (int) history.size(); ++ch)
    {
        const auto* samples = buffer.getReadPointer (ch);
        for (int i = 0; i < numSamples; ++i)
            push (ch, samples[i]);
    }
}

void TruePeakMeter::finish()
{
    for (int ch = 0; ch < (int) history.size(); ++ch)
        for (int i = 0; i < halfLength; ++i)
            push (ch, 0.0f);
}

float TruePeakMeter::getPeakDb() const
{
    return peak > 0.0f ? 20.0f * std::log10 (peak) : -200.0f;
}

float TruePeakMeter::measure (const juce::AudioBuffer<float>& buffer)
{
    TruePeakMeter meter (buffer.getNumChannels());
    meter.process (buffer, buffer.getNumSamples());
    meter.finish();
    return meter.getPeak();
}
