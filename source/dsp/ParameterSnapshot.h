#pragma once

// All twelve parameters in engineering units, taken once per processing call. The engine reads
// only this, never the parameter objects.
struct ParameterSnapshot
{
    float thresholdDb = -12.0f;
    float attackMs = 8.0f;
    float releaseMs = 300.0f;
    float ratio = 4.0f;
    float mix = 1.0f;          // wet proportion, 0 to 1
    float makeupDb = 0.0f;
    float width = 1.0f;        // side gain above 160 Hz, 1 to 1.5
    float sidechainHpHz = 0.0f; // 0 = off
    float harmAmount = 0.0f;   // 0 to 0.8
    int ratioMode = 0;         // 0 standard, 1 "99:1", 2 "ALL IN"
    bool rmsDetector = false;
    bool autoRelease = false;
    bool autoMakeup = false;
};
