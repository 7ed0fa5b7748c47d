#pragma once

#include "dsp/ParameterSnapshot.h"

#include <array>

// The settings every whole-chain figure uses, in the engine's units. The benchmark script sets the
// same ones on the LV2 plug-in: threshold=-20 harm=50 wide=50 autoMakeup=1 and the ratio step.
namespace ChainSettings
{
struct Engine
{
    const char* name;
    int ratioStep;
};

constexpr std::array<Engine, 4> engines { { { "unity", 0 }, { "standard4to1", 4 }, { "ninetyNine", 9 }, { "allIn", 10 } } };

inline ParameterSnapshot snapshotFor (int ratioStep)
{
    constexpr float ratioSteps[] = { 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f, 12.0f, 20.0f, 99.0f, 99.0f };
    ParameterSnapshot snapshot;
    snapshot.thresholdDb = -20.0f;
    snapshot.ratio = ratioSteps[ratioStep];
    snapshot.ratioMode = ratioStep == 10 ? 2 : (ratioStep == 9 ? 1 : 0);
    snapshot.harmAmount = 0.4f; // harm 50 %
    snapshot.width = 1.25f;     // wide 50 %
    snapshot.autoMakeup = true;
    return snapshot;
}
} // namespace ChainSettings
