#include "HighRatioEngine.h"

#include "dsp/StaticCurve.h"

#include <algorithm>
#include <cmath>

namespace reference
{
namespace
{
constexpr float minimumTimeMs = 0.05f;

float clamp01 (float x)
{
    return std::min (std::max (x, 0.0f), 1.0f);
}
} // namespace

float HighRatioEngine::onePole (double seconds) const
{
    return (float) std::exp (-1.0 / (seconds * sampleRate));
}

void HighRatioEngine::prepare (double newSampleRate)
{
    sampleRate = std::max (newSampleRate, 1.0);
    ninetyNineDriveRise = onePole (0.010);
    ninetyNineTransientDecay = onePole (0.0012);
    ninetyNinePushRise = onePole (0.0018);
    ninetyNinePushFall = onePole (0.006);
    allInDriveRise = onePole (0.012);
    allInTransientDecay = onePole (0.0008);
    allInPushRise = onePole (0.0012);
    allInPushFall = onePole (0.0045);
    reset();
}

void HighRatioEngine::reset()
{
    drive = transientHold = push = holdCounter = previousDetector = 0.0f;
}

HighRatioEngine::Output HighRatioEngine::process (Kind kind, const Input& in)
{
    const bool isAllIn = kind == Kind::allIn;
    const float over = std::max (in.levelDb - in.thresholdDb, 0.0f);
    const float previousReduction = in.previousGainReductionDb;
    const float g = clamp01 (previousReduction / 12.0f);

    const float rms = std::max (std::sqrt (std::max (in.largestMeanSquare, 0.00000001f)), 0.0001f);
    const float crest = clamp01 ((in.rectifiedPeak / rms - 1.0f) * (isAllIn ? 1.0f / 3.5f : 0.25f));

    const float driveTarget = isAllIn ? clamp01 (0.68f * over / 16.0f + 0.32f * previousReduction / 18.0f)
                                      : clamp01 (0.6f * over / 14.0f + 0.25f * previousReduction / 14.0f);
    float driveCoefficient = isAllIn ? allInDriveRise : ninetyNineDriveRise;
    if (driveTarget <= drive)
    {
        // The fall slows down the more drive there is.
        const float larger = std::max (drive, driveTarget);
        driveCoefficient = onePole (isAllIn ? 0.012 + 0.028 * larger : 0.010 + 0.020 * larger);
    }
    drive += (1.0f - driveCoefficient) * (driveTarget - drive);

    // The knee narrows as the drive (and, in "ALL IN", the previous reduction) builds.
    const float knee = isAllIn ? std::max (0.0f, std::min (3.0f - 2.15f * g, 6.0f - 4.5f * drive))
                               : std::min (std::max (5.6f - 2.8f * drive - 1.2f * over / 18.0f, 1.5f), 6.5f);
    const float staticReduction =
        in.smoothedRatio <= 1.0001f ? 0.0f : staticGainReductionDb (in.levelDb, in.thresholdDb, knee, in.ratio);

    // A rising detector and a high crest factor mark a transient; in "99:1" slower attack settings
    // add to it, in "ALL IN" faster ones do.
    const float rise = std::max (in.detector - previousDetector, 0.0f);
    const float transient = isAllIn ? clamp01 (6.5f * rise + 0.72f * crest + 0.18f * clamp01 (1.0f - in.attackMs / 25.0f))
                                    : clamp01 (4.2f * rise + 0.45f * crest + 0.25f * clamp01 (in.attackMs / 30.0f));
    transientHold = std::max (transientHold * (isAllIn ? allInTransientDecay : ninetyNineTransientDecay), transient);

    const float pushTarget = isAllIn ? clamp01 (0.45f * drive + transient)
                                     : clamp01 (0.4f * drive + 0.45f * over / 18.0f + 0.3f * transient);
    const float pushCoefficient = pushTarget > push ? (isAllIn ? allInPushRise : ninetyNinePushRise)
                                                    : (isAllIn ? allInPushFall : ninetyNinePushFall);
    push += (1.0f - pushCoefficient) * (pushTarget - push);

    const float reliefGain = isAllIn ? 3.0f : 1.6f, reliefBase = isAllIn ? 0.35f : 0.5f;
    const float pushGain = isAllIn ? 2.8f : 1.3f, pushBase = isAllIn ? 0.45f : 0.4f;
    const float target = std::max (staticReduction - reliefGain * transientHold * (reliefBase + (1.0f - reliefBase) * crest)
                                       + pushGain * push * (pushBase + (1.0f - pushBase) * drive),
                                   0.0f);

    const bool armsHold = isAllIn ? (transient > 0.24f || target > 5.0f) : (transient > 0.18f || target > 4.0f);
    if (armsHold)
    {
        const double holdSeconds = isAllIn ? 0.010 + 0.030 * drive : 0.006 + 0.012 * drive;
        holdCounter = std::max (holdCounter, (float) (sampleRate * holdSeconds));
    }

    const float slowFactor = isAllIn ? 1.0f + 0.8f * drive + 0.5f * g : 0.95f + 0.55f * drive + 0.25f * g;
    const float fastFactor = isAllIn ? 0.3f + 0.3f * drive : 0.42f + 0.18f * drive;
    const float blend = isAllIn ? clamp01 (0.65f * drive + 0.35f * g) : clamp01 (0.28f + 0.45f * drive + 0.2f * g);
    const float slow = onePole (std::max (in.engineReleaseMs * slowFactor, minimumTimeMs) * 0.001);
    const float fast = onePole (std::max (in.engineReleaseMs * fastFactor, minimumTimeMs) * 0.001);
    float release = fast + (slow - fast) * blend;

    // While the hold runs, the reduction may not fall faster than the floor allows.
    if (holdCounter > 0.0f && previousReduction > target)
    {
        holdCounter -= 1.0f;
        release = std::max (release, isAllIn ? 0.995f : 0.985f);
    }

    previousDetector = in.detector;
    return { knee, target, release };
}
} // namespace reference
