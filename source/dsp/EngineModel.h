#pragma once

// The constants of one engine, chosen by the ratio step: standard ("1.5:1" to "20:1"), "99:1"
// and "ALL IN". Built once per sub-block.
struct EngineModel
{
    float thresholdOffsetDb;
    float ratioScale;
    float attackScale;
    float releaseScale;
    float kneeDb;
    float colourAmount;
    float detectorGain;

    // 0 standard, 1 "99:1", 2 "ALL IN"; anything else is clamped into that range.
    static EngineModel forRatioMode (int ratioMode);
};
