#include "HarmonicGlue.h"

#include <cmath>

namespace reference
{
namespace
{
constexpr double asymmetry = 0.035; // bias of the tanh that makes even harmonics
constexpr double harmonicDrive = 1.8;

enum class ButterworthKind { highPass, lowPass };

juce::dsp::IIR::Coefficients<double>::Ptr makeButterworth (ButterworthKind kind, double frequency, double rate)
{
    const double k = std::tan (juce::MathConstants<double>::pi * frequency / rate);
    const double kk = k * k;
    const double n = 1.0 / (1.0 + juce::MathConstants<double>::sqrt2 * k + kk);
    const double a1 = 2.0 * (kk - 1.0) * n;
    const double a2 = (1.0 - juce::MathConstants<double>::sqrt2 * k + kk) * n;

    if (kind == ButterworthKind::highPass)
        return new juce::dsp::IIR::Coefficients<double> (n, -2.0 * n, n, 1.0, a1, a2);

    return new juce::dsp::IIR::Coefficients<double> (kk * n, 2.0 * kk * n, kk * n, 1.0, a1, a2);
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
    highPassIn.coefficients = makeButterworth (ButterworthKind::highPass, std::min (0.1 * r, 180.0), r);
    lowPassIn.coefficients = makeButterworth (ButterworthKind::lowPass, std::min (0.2 * r, 1800.0), r);
    highPassOut.coefficients = makeButterworth (ButterworthKind::highPass, std::min (0.05 * r, 100.0), r);
    lowPassOut.coefficients = makeButterworth (ButterworthKind::lowPass, std::min (0.3 * r, 3500.0), r);
    reset();
}

void HarmonicGlue::reset()
{
    highPassIn.reset();
    lowPassIn.reset();
    highPassOut.reset();
    lowPassOut.reset();
}

double HarmonicGlue::process (double x) noexcept
{
    const double s = lowPassIn.processSample (highPassIn.processSample (x));

    // tanh(u + a) - tanh(a), rewritten as tanh(u) (1 - tanh(a)^2) / (1 + tanh(u) tanh(a)). The
    // direct difference of two nearly equal values leaves a rounding step of DC when s reaches
    // zero, which the band-pass after it can never quite remove; this form is exactly 0 there.
    const double t = std::tanh (harmonicDrive * s);
    const double shifted = t * (1.0 - dcOffset * dcOffset) / (1.0 + t * dcOffset);
    return lowPassOut.processSample (highPassOut.processSample (shifted * slopeNormaliser - s));
}
} // namespace reference
