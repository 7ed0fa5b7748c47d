#pragma once

#include "DoubleBiquad.h"

// Band-limited harmonic generator of the colour stage: an asymmetric tanh between two band-passes,
// with its linear part removed so that only the distortion products remain.
//
// process() runs the three steps on one sample. The colour stage runs them one block at a time
// instead, so that it can evaluate the tanh of a whole block at once: bandLimitInput(), then
// distortionProducts() with the tanh supplied, then bandLimitOutput().
class HarmonicGlue
{
public:
    static constexpr double harmonicDrive = 1.8; // the tanh runs on 1.8 s

    HarmonicGlue();

    void prepare (double sampleRate);
    void reset();

    double process (double x) noexcept;

    double bandLimitInput (double x) noexcept { return filters.lowPassIn.process (filters.highPassIn.process (x)); }
    double bandLimitOutput (double x) noexcept { return filters.lowPassOut.process (filters.highPassOut.process (x)); }

    // The band-passes around the tanh: 180 Hz to 1.8 kHz before it, 100 Hz to 3.5 kHz after it
    // (lower at oversampled rates under 36 kHz). Open for block processing of both channels at once.
    struct Filters
    {
        DoubleBiquad highPassIn, lowPassIn, highPassOut, lowPassOut;
    };
    Filters filters;

    // The products of the asymmetric tanh for a band-limited input s, given t = tanh(1.8 s).
    template <typename Value>
    Value distortionProducts (Value s, Value t) const noexcept
    {
        // tanh(u + a) - tanh(a), rewritten as tanh(u) (1 - tanh(a)^2) / (1 + tanh(u) tanh(a)). The
        // direct difference of two nearly equal values leaves a rounding step of DC when s reaches
        // zero, which the band-pass after it can never quite remove; this form is exactly 0 there.
        const Value shifted = t * (1.0 - dcOffset * dcOffset) / (1.0 + t * dcOffset);
        return shifted * slopeNormaliser - s;
    }

private:
    double dcOffset;
    double slopeNormaliser;
};
