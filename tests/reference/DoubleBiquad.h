#pragma once

// The straightforward implementation, kept unchanged as the oracle that the optimised engine in
// source/dsp is tested against.
namespace reference
{
// A second-order section in transposed direct form II, in double precision (a0 normalised to 1).
struct DoubleBiquad
{
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    double z1 = 0.0, z2 = 0.0;

    double process (double x) noexcept
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }

    void reset() noexcept { z1 = z2 = 0.0; }
};
} // namespace reference
