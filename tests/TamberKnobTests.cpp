#include "ImageProbe.h"

#include "ui/TamberKnob.h"

#include <gtest/gtest.h>

namespace
{
constexpr int frameWidth = 100;
constexpr int frameHeight = 112;
constexpr int frameCount = 129;
constexpr float filmstripOpacity = 0.86f;
// JUCE draws images at an opacity quantised to 1/256, text in an exact colour.
constexpr int imageOpacityTolerance = 2;

// Inside both frame placements, clear of the caption and the value screen.
const juce::Point<int> probe { 48, 40 };

// Frame i is one flat colour that spells i: red carries the low four bits, green the rest, in
// steps of 16 so the knob's translucency cannot blur one frame into the next. Blue tells the
// two strips apart.
juce::Colour frameColour (int frame, bool small)
{
    return juce::Colour ((juce::uint8) ((frame & 15) * 16), (juce::uint8) ((frame >> 4) * 16), (juce::uint8) (small ? 255 : 0));
}

juce::Image codedFilmstrip (bool small)
{
    juce::Image strip (juce::Image::ARGB, frameWidth, frameHeight * frameCount, true);
    juce::Graphics g (strip);
    for (int frame = 0; frame < frameCount; ++frame)
    {
        g.setColour (frameColour (frame, small));
        g.fillRect (0, frame * frameHeight, frameWidth, frameHeight);
    }
    return strip;
}

struct DrawnFrame
{
    int index;
    bool fromSmallStrip;
};

DrawnFrame decode (juce::Colour drawnOverBlack)
{
    const auto step = [] (juce::uint8 channel) { return juce::roundToInt ((float) channel / filmstripOpacity / 16.0f); };
    return { step (drawnOverBlack.getRed()) + 16 * step (drawnOverBlack.getGreen()), drawnOverBlack.getBlue() > 128 };
}

class KnobFixture : public testing::Test
{
protected:
    KnobFixture()
    {
        knob.setSize (96, 106);
        knob.filmstrips = { codedFilmstrip (false), codedFilmstrip (true) };
        knob.screenImage = solidImage (72, 24, juce::Colours::transparentBlack);
        knob.valueFormatter = [] (double) { return juce::String(); };
    }

    DrawnFrame paintedFrame()
    {
        return decode (paintOver (knob, juce::Colours::black).getPixelAt (probe.x, probe.y));
    }

    TamberKnob knob;
};

struct FrameCase
{
    const char* name;
    double rangeStart;
    double rangeEnd;
    double skewMidpoint; // 0 for a linear range
    double value;
    int expectedFrame;
};

class KnobFrameIndex : public KnobFixture, public testing::WithParamInterface<FrameCase>
{
};

TEST_P (KnobFrameIndex, FollowsTheProportionOfTheRange)
{
    const auto& c = GetParam();
    knob.setRange (c.rangeStart, c.rangeEnd);
    if (c.skewMidpoint != 0.0)
        knob.setSkewFactorFromMidPoint (c.skewMidpoint);
    knob.setValue (c.value, juce::dontSendNotification);

    EXPECT_EQ (paintedFrame().index, c.expectedFrame);
}

// 1/256 and 3/256 land exactly halfway between two frames: ties go to the even frame.
INSTANTIATE_TEST_SUITE_P (Knob, KnobFrameIndex,
                          testing::Values (FrameCase { "minimum", 0.0, 1.0, 0.0, 0.0, 0 },
                                           FrameCase { "maximum", 0.0, 1.0, 0.0, 1.0, 128 },
                                           FrameCase { "half", 0.0, 1.0, 0.0, 0.5, 64 },
                                           FrameCase { "oneIn256", 0.0, 1.0, 0.0, 1.0 / 256.0, 0 },
                                           FrameCase { "threeIn256", 0.0, 1.0, 0.0, 3.0 / 256.0, 2 },
                                           FrameCase { "negativeRangeMinimum", -36.0, 10.0, 0.0, -36.0, 0 },
                                           FrameCase { "skewedMidpoint", -36.0, 10.0, -12.0, -12.0, 64 },
                                           FrameCase { "skewedMaximum", -36.0, 10.0, -12.0, 10.0, 128 }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST_F (KnobFixture, SmallFilmstripDrawsTheSameFrameScaledIntoItsOwnPlacement)
{
    knob.setRange (0.0, 1.0);
    knob.setValue (0.25, juce::dontSendNotification);

    const auto large = paintedFrame();
    knob.useSmallFilmstrip = true;
    const auto small = paintedFrame();

    EXPECT_FALSE (large.fromSmallStrip);
    EXPECT_TRUE (small.fromSmallStrip);
    EXPECT_EQ (large.index, 32);
    EXPECT_EQ (small.index, 32);

    // The large frame starts at (-2, 4) and is 100 x 112; the small one fills (5, 11, 85, 96).
    const auto image = paintOver (knob, juce::Colours::black);
    EXPECT_EQ (image.getPixelAt (3, 40), juce::Colours::black);
    EXPECT_EQ (image.getPixelAt (92, 40), juce::Colours::black);
    EXPECT_EQ (image.getPixelAt (48, 8), juce::Colours::black);
    EXPECT_NE (image.getPixelAt (6, 40), juce::Colours::black);
    EXPECT_NE (image.getPixelAt (88, 40), juce::Colours::black);
}

TEST_F (KnobFixture, InvalidFilmstripStillDrawsTheValueScreen)
{
    knob.filmstrips = {};
    knob.screenImage = {};
    knob.valueFormatter = [] (double) { return juce::String ("-12.0 dB"); };

    const auto image = snapshot (knob);
    // Nothing between the caption and the screen, whose outline reaches half a pixel above it.
    EXPECT_EQ (maxAlpha (image, { 0, 14, 96, 67 }), 0);
    EXPECT_GT (maxAlpha (image, { 12, 82, 72, 24 }), 200);
}

struct AlphaCase
{
    const char* name;
    bool enabled;
    int filmstripAlpha; // 0.86 x alpha
    int screenAlpha;    // alpha
    int captionAlpha;   // 0.78 x alpha
    int valueAlpha;     // 0.8 x alpha
};

class KnobAlphas : public KnobFixture, public testing::WithParamInterface<AlphaCase>
{
};

// Each part is painted alone on a transparent image, so its alpha can be read unmixed.
TEST_P (KnobAlphas, DimEveryPartWhenDisabled)
{
    const auto& c = GetParam();
    juce::Component parent;
    parent.setSize (96, 106);
    parent.addAndMakeVisible (knob);
    parent.setEnabled (c.enabled);

    knob.filmstrips = { solidImage (frameWidth, frameHeight * frameCount, juce::Colours::white), {} };
    EXPECT_NEAR (snapshot (knob).getPixelAt (probe.x, probe.y).getAlpha(), c.filmstripAlpha, imageOpacityTolerance);

    knob.filmstrips = {};
    knob.screenImage = solidImage (72, 24, juce::Colours::white);
    EXPECT_NEAR (snapshot (knob).getPixelAt (48, 94).getAlpha(), c.screenAlpha, imageOpacityTolerance);

    knob.screenImage = solidImage (72, 24, juce::Colours::transparentBlack);
    knob.setName ("Peak Detector");
    knob.valueFormatter = [] (double) { return juce::String ("HHH 111"); };
    const auto texts = snapshot (knob);
    EXPECT_EQ (maxAlpha (texts, { 0, 0, 96, 14 }), c.captionAlpha);
    EXPECT_EQ (maxAlpha (texts, { 12, 82, 72, 24 }), c.valueAlpha);
}

INSTANTIATE_TEST_SUITE_P (Knob, KnobAlphas,
                          testing::Values (AlphaCase { "enabled", true, 219, 255, 199, 204 },
                                           AlphaCase { "disabledByParent", false, 83, 97, 76, 78 }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST_F (KnobFixture, ValueTextComesFromTheFormatterWhenSet)
{
    knob.setRange (0.0, 10.0);
    knob.valueFormatter = [] (double v) { return juce::String (v, 2) + " ms"; };
    EXPECT_EQ (knob.getTextFromValue (3.0), "3.00 ms");

    knob.valueFormatter = nullptr;
    juce::Slider plain;
    plain.setRange (0.0, 10.0);
    EXPECT_EQ (knob.getTextFromValue (3.0), plain.getTextFromValue (3.0));
}
} // namespace
