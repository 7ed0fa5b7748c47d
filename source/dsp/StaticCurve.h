#pragma once

#include <algorithm>

// The soft-knee static curve: gain reduction in dB (positive) for a level against the threshold,
// with knee width kneeDb and effective ratio. Continuous at both knee edges.
inline float staticGainReductionDb (float levelDb, float thresholdDb, float kneeDb, float ratio)
{
    if (ratio <= 1.0001f)
        return 0.0f;

    const float slope = 1.0f - 1.0f / ratio;
    const float halfKnee = kneeDb * 0.5f;

    if (thresholdDb - halfKnee >= levelDb)
        return 0.0f;
    if (levelDb >= thresholdDb + halfKnee)
        return (levelDb - thresholdDb) * slope;

    const float intoKnee = levelDb - thresholdDb + halfKnee;
    return intoKnee * intoKnee / std::max (2.0f * kneeDb, 0.0001f) * slope;
}
