#pragma once

#include <juce_dsp/juce_dsp.h>

// The straightforward implementation, kept unchanged as the oracle that the optimised engine in
// source/dsp is tested against.
namespace reference
{
// Band-limited harmonic generator of the colour stage: an asymmetric tanh between two band-passes,
// with its linear part removed so that only the distortion products remain.
class HarmonicGlue
{
public:
    HarmonicGlue();

    void prepare (double sampleRate);
    void reset();

    double process (double x) noexcept;

private:
    double dcOffset;
    double slopeNormaliser;

    juce::dsp::IIR::Filter<double> highPassIn;
    juce::dsp::IIR::Filter<double> lowPassIn;
    juce::dsp::IIR::Filter<double> highPassOut;
    juce::dsp::IIR::Filter<double> lowPassOut;
};
} // namespace reference
