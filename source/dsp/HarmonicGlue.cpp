#include "HarmonicGlue.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cmath>

namespace
{
constexpr double asymmetry = 0.035; // bias of the tanh that makes even harmonics

enum class ButterworthKind { highPass, lowPass };

void makeButterworth (DoubleBiquad& filter, ButterworthKind kind, double frequency, double rate)
{
    const double k = std::tan (juce::MathConstants<double>::pi * frequency / rate);
    const double kk = k * k;
    const double n = 1.0 / (1.0 + juce::MathConstants<double>::sqrt2 * k + kk);
    filter.a1 = 2.0 * (kk - 1.0) * n;
    filter.a2 = (1.0 - juce::MathConstants<double>::sqrt2 * k + kk) * n;

    if (kind == ButterworthKind::highPass)
    {
        filter.b0 = n;
        filter.b1 = -2.0 * n;
        filter.b2 = n;
    }
    else
    {
        filter.b0 = kk * n;
        filter.b1 = 2.0 * kk * n;
        filter.b2 = kk * n;
    }
}
} // namespace

HarmonicGlue::HarmonicGlue()
    : dcOffset (std::tanh (asymmetry)),
      slopeNormaliser (1.0 / (harmonicDrive * (1.0 - std::tanh (asymmetry) * std::tanh (asymmetry))))
{
}

void HarmonicGlue::prepare (double sampleRate)
{
    const double r = std::max (sampleRate, 100.0);
    makeButterworth (filters.highPassIn, ButterworthKind::highPass, std::min (0.1 * r, 180.0), r);
    makeButterworth (filters.lowPassIn, ButterworthKind::lowPass, std::min (0.2 * r, 1800.0), r);
    makeButterworth (filters.highPassOut, ButterworthKind::highPass, std::min (0.05 * r, 100.0), r);
    makeButterworth (filters.lowPassOut, ButterworthKind::lowPass, std::min (0.3 * r, 3500.0), r);
    reset();
}

void HarmonicGlue::reset()
{
    filters.highPassIn.reset();
    filters.lowPassIn.reset();
    filters.highPassOut.reset();
    filters.lowPassOut.reset();
}

double HarmonicGlue::process (double x) noexcept
{
    const double s = bandLimitInput (x);
    return bandLimitOutput (distortionProducts (s, std::tanh (harmonicDrive * s)));
}
