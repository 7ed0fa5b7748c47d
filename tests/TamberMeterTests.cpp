#include "ImageProbe.h"

#include "ui/TamberMeter.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();

// Column pictures of plain white: a lit row reads white, an unlit row (white at 0.16 over the
// dark box) reads dark grey.
std::unique_ptr<TamberMeter> makeMeter (int kind)
{
    auto meter = std::make_unique<TamberMeter> (kind);
    meter->longImage = solidImage (12, 200, juce::Colours::white);
    meter->shortImage = solidImage (12, 166, juce::Colours::white);
    meter->setSize (32, kind == TamberMeter::gainReduction ? 164 : 200);
    return meter;
}

bool isLit (const juce::Image& image, int x, int y)
{
    return image.getPixelAt (x, y).getRed() > 128;
}

struct LitRows
{
    int count = 0;
    int first = -1;
    bool contiguous = true;
};

LitRows litRowsAt (const juce::Image& image, int x)
{
    LitRows rows;
    for (int y = 0; y < image.getHeight(); ++y)
    {
        if (! isLit (image, x, y))
            continue;
        if (rows.first < 0)
            rows.first = y;
        rows.contiguous = rows.contiguous && y == rows.first + rows.count;
        ++rows.count;
    }
    return rows;
}

struct FractionCase
{
    const char* name;
    int kind;
    float value;
    float expectedFraction;
};

class MeterLitFraction : public testing::TestWithParam<FractionCase>
{
};

TEST_P (MeterLitFraction, LightsTheScaledPartFromTheRightEnd)
{
    const auto& c = GetParam();
    auto meter = makeMeter (c.kind);
    meter->setLevels (c.value, c.value);

    const auto image = snapshot (*meter);
    const int height = meter->getHeight();
    const auto rows = litRowsAt (image, 6);

    EXPECT_NEAR (rows.count, c.expectedFraction * (float) height, 1.0f);
    if (rows.count == 0)
        return;

    EXPECT_TRUE (rows.contiguous);
    // Level bars fill upward from the bottom, gain reduction downward from the top.
    if (c.kind == TamberMeter::gainReduction)
        EXPECT_EQ (rows.first, 0);
    else
        EXPECT_EQ (rows.first + rows.count, height);
}

INSTANTIATE_TEST_SUITE_P (
    Meter, MeterLitFraction,
    testing::Values (FractionCase { "levelFloor", TamberMeter::level, -60.0f, 0.0f },
                     FractionCase { "levelBelowFloor", TamberMeter::level, -90.0f, 0.0f },
                     FractionCase { "levelMidScale", TamberMeter::level, -27.0f, 0.5f },
                     FractionCase { "levelFullScale", TamberMeter::level, 6.0f, 1.0f },
                     FractionCase { "levelOverFullScale", TamberMeter::level, 12.0f, 1.0f },
                     FractionCase { "levelNaN", TamberMeter::level, nan, 0.0f },
                     FractionCase { "reductionTooSmallToShow", TamberMeter::gainReduction, 0.04f, 0.0f },
                     FractionCase { "reductionFirstThird", TamberMeter::gainReduction, 5.0f, 1.0f / 3.0f },
                     FractionCase { "reductionHalf", TamberMeter::gainReduction, 8.5f, 0.5f },
                     FractionCase { "reductionTwoThirds", TamberMeter::gainReduction, 12.0f, 2.0f / 3.0f },
                     FractionCase { "reductionBeyondScale", TamberMeter::gainReduction, 30.0f, 1.0f },
                     FractionCase { "reductionInfinite", TamberMeter::gainReduction, infinity, 0.0f },
                     FractionCase { "reductionNaN", TamberMeter::gainReduction, nan, 0.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (MeterLayout, OneChannelDrawsOneCentredBarOfTheFirstLevel)
{
    auto meter = makeMeter (TamberMeter::level);
    meter->setChannelCount (1);
    meter->setLevels (6.0f, -60.0f);
    const auto image = snapshot (*meter);

    // One 16 px bar at x 8; its outline's anti-aliasing reaches one pixel beyond.
    EXPECT_EQ (maxAlpha (image, { 0, 0, 7, 200 }), 0);
    EXPECT_EQ (maxAlpha (image, { 25, 0, 7, 200 }), 0);
    EXPECT_TRUE (isLit (image, 9, 100));
    EXPECT_TRUE (isLit (image, 22, 100));
}

TEST (MeterLayout, TwoChannelsDrawTwoBarsEachWithItsOwnLevel)
{
    auto meter = makeMeter (TamberMeter::level);
    meter->setLevels (-60.0f, 6.0f);
    const auto image = snapshot (*meter);

    // Bars of 12 px at x 0 and x 20, with an 8 px gap.
    EXPECT_EQ (maxAlpha (image, { 13, 0, 6, 200 }), 0);
    EXPECT_GT (image.getPixelAt (6, 100).getAlpha(), 200);
    EXPECT_FALSE (isLit (image, 6, 100));
    EXPECT_TRUE (isLit (image, 26, 100));
}

// The meter holds two levels; a larger bar count must not read past them.
TEST (MeterLayout, BarCountBeyondTheLevelsHeldDrawsTwoBars)
{
    auto meter = makeMeter (TamberMeter::level);
    meter->setLevels (-60.0f, 6.0f);
    const auto twoBars = snapshot (*meter);

    meter->barCount = 3;
    const auto image = snapshot (*meter);
    for (int x = 0; x < meter->getWidth(); ++x)
        EXPECT_EQ (image.getPixelAt (x, 100), twoBars.getPixelAt (x, 100)) << "x " << x;
}

TEST (MeterLayout, BarCountBelowOneDrawsNothing)
{
    auto meter = makeMeter (TamberMeter::level);
    meter->barCount = 0;
    meter->setLevels (6.0f, 6.0f);
    EXPECT_EQ (maxAlpha (snapshot (*meter), meter->getLocalBounds()), 0);
}

TEST (MeterLayout, MissingColumnPictureLeavesTheDarkBoxes)
{
    auto meter = makeMeter (TamberMeter::level);
    meter->longImage = {};
    meter->setLevels (6.0f, 6.0f);
    const auto image = snapshot (*meter);

    EXPECT_GT (image.getPixelAt (6, 100).getAlpha(), 200);
    EXPECT_FALSE (isLit (image, 6, 100));
}

struct RepaintCase
{
    const char* name;
    int kind;
    float first0, first1;   // levels held before
    float second0, second1; // levels handed over next
    bool repaints;
};

class MeterRepaints : public testing::TestWithParam<RepaintCase>
{
};

TEST_P (MeterRepaints, OnlyWhenALevelMovesByAtLeastAThousandthOfADecibel)
{
    const auto& c = GetParam();
    auto meter = makeMeter (c.kind);
    meter->setLevels (c.first0, c.first1);

    auto& repaints = countRepaints (*meter);
    meter->setLevels (c.second0, c.second1);
    EXPECT_EQ (repaints.count, c.repaints ? 1 : 0);
}

// Powers of two keep the differences exact in float: 2^-10 is below a thousandth, 2^-9 above.
INSTANTIATE_TEST_SUITE_P (
    Meter, MeterRepaints,
    testing::Values (RepaintCase { "unchanged", TamberMeter::level, -20.0f, -20.0f, -20.0f, -20.0f, false },
                     RepaintCase { "belowThreshold", TamberMeter::level, 0.5f, 0.5f, 0.5f + 0.0009765625f, 0.5f, false },
                     RepaintCase { "exactlyThreshold", TamberMeter::level, 0.0f, 0.0f, 0.001f, 0.0f, true },
                     RepaintCase { "aboveThresholdOnSecondBar", TamberMeter::level, 0.5f, 0.5f, 0.5f, 0.5f + 0.001953125f, true },
                     RepaintCase { "reductionNoiseSanitisedToZero", TamberMeter::gainReduction, 0.0f, 0.0f, 0.04f, nan, false },
                     RepaintCase { "reductionAboveCapUnchanged", TamberMeter::gainReduction, 40.0f, 36.0f, 50.0f, 36.0f, false },
                     RepaintCase { "reductionRises", TamberMeter::gainReduction, 0.0f, 0.0f, 3.0f, 0.0f, true }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (MeterChannelCount, RepaintsOnlyOnAChange)
{
    auto meter = makeMeter (TamberMeter::level);
    auto& repaints = countRepaints (*meter);

    meter->setChannelCount (2);
    EXPECT_EQ (repaints.count, 0);
    meter->setChannelCount (1);
    EXPECT_EQ (repaints.count, 1);
}
} // namespace
