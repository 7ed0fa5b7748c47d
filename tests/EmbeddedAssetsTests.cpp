#include "ImageProbe.h"

#include "ui/EmbeddedAssets.h"
#include "ui/KnobGeometry.h"
#include "ui/TamberHeaderButton.h"

#include <BinaryData.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
struct Resource
{
    const char* name;
    const char* originalFile;
    int width; // 0 for the fonts
    int height;
};

// The order is the order of BinaryData's tables.
const Resource resources[] {
    { "tollovanebg_png", "tollovanebg.png", 1408, 304 },
    { "knob_big_figma_129_png", "knob_big_figma_129.png", 100, 14448 },
    { "knob_small_figma_129_png", "knob_small_figma_129.png", 100, 14448 },
    { "meter_long_png", "meter_long.png", 12, 200 },
    { "meter_short_png", "meter_short.png", 12, 166 },
    { "screen_knob_png", "screen_knob.png", 72, 24 },
    { "switch_down_png", "switch_down.png", 90, 106 },
    { "switch_up_png", "switch_up.png", 90, 106 },
    { "new_inactive_png", "new_inactive.png", 24, 24 },
    { "new_default_png", "new_default.png", 24, 24 },
    { "new_hovered_png", "new_hovered.png", 24, 24 },
    { "new_pressed_png", "new_pressed.png", 24, 24 },
    { "save_inactive_png", "save_inactive.png", 24, 24 },
    { "save_default_png", "save_default.png", 24, 24 },
    { "save_hovered_png", "save_hovered.png", 24, 24 },
    { "save_pressed_png", "save_pressed.png", 24, 24 },
    { "delete_inactive_png", "delete_inactive.png", 24, 24 },
    { "delete_default_png", "delete_default.png", 24, 24 },
    { "delete_hovered_png", "delete_hovered.png", 24, 24 },
    { "delete_pressed_png", "delete_pressed.png", 24, 24 },
    { "settings_inactive_png", "settings_inactive.png", 24, 24 },
    { "settings_default_png", "settings_default.png", 24, 24 },
    { "settings_hovered_png", "settings_hovered.png", 32, 32 },
    { "settings_pressed_png", "settings_pressed.png", 32, 32 },
    { "arrow_left_inactive_png", "arrow_left_inactive.png", 16, 16 },
    { "arrow_left_default_png", "arrow_left_default.png", 16, 16 },
    { "arrow_left_hovered_png", "arrow_left_hovered.png", 17, 20 },
    { "arrow_left_pressed_png", "arrow_left_pressed.png", 17, 20 },
    { "arrow_right_inactive_png", "arrow_right_inactive.png", 16, 16 },
    { "arrow_right_default_png", "arrow_right_default.png", 16, 16 },
    { "arrow_right_hovered_png", "arrow_right_hovered.png", 17, 20 },
    { "arrow_right_pressed_png", "arrow_right_pressed.png", 17, 20 },
    { "RobotoMedium_ttf", "Roboto-Medium.ttf", 0, 0 },
    { "RopaSansRegular_ttf", "RopaSans-Regular.ttf", 0, 0 },
};

juce::Image decode (const char* resourceName)
{
    int size = 0;
    const auto* data = BinaryData::getNamedResource (resourceName, size);
    return loadEmbeddedImage (data, size);
}

TEST (EmbeddedResources, TablesListEveryResourceInOrder)
{
    ASSERT_EQ (BinaryData::namedResourceListSize, (int) std::size (resources));
    for (int i = 0; i < BinaryData::namedResourceListSize; ++i)
    {
        EXPECT_STREQ (BinaryData::namedResourceList[i], resources[i].name);
        EXPECT_STREQ (BinaryData::originalFilenames[i], resources[i].originalFile);
    }
}

class EmbeddedPicture : public testing::TestWithParam<Resource>
{
};

TEST_P (EmbeddedPicture, DecodesToItsListedSize)
{
    const auto image = decode (GetParam().name);
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), GetParam().width);
    EXPECT_EQ (image.getHeight(), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P (Assets, EmbeddedPicture, testing::ValuesIn (resources, resources + 32),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (EmbeddedResources, FontsLoadWithTheirFamilyAndStyle)
{
    const auto label = loadEmbeddedTypeface (BinaryData::RobotoMedium_ttf, BinaryData::RobotoMedium_ttfSize);
    const auto value = loadEmbeddedTypeface (BinaryData::RopaSansRegular_ttf, BinaryData::RopaSansRegular_ttfSize);
    ASSERT_NE (label, nullptr);
    ASSERT_NE (value, nullptr);
    EXPECT_EQ (label->getName(), "Roboto");
    EXPECT_EQ (label->getStyle(), "Medium");
    EXPECT_EQ (value->getName(), "Ropa Sans");
    EXPECT_EQ (value->getStyle(), "Regular");
}

TEST (EmbeddedResources, UndecodableDataGivesAnInvalidImage)
{
    EXPECT_FALSE (loadEmbeddedImage (BinaryData::RobotoMedium_ttf, BinaryData::RobotoMedium_ttfSize).isValid());
    EXPECT_FALSE (loadEmbeddedImage (nullptr, 0).isValid());
}

struct LookupCase
{
    const char* name;
    const char* lookedUp;
    const char* expectedData;
    int expectedSize;
};

class ResourceLookup : public testing::TestWithParam<LookupCase>
{
};

TEST_P (ResourceLookup, FindsResourceNamesOnly)
{
    int size = -1;
    EXPECT_EQ (BinaryData::getNamedResource (GetParam().lookedUp, size), GetParam().expectedData);
    EXPECT_EQ (size, GetParam().expectedSize);
}

INSTANTIATE_TEST_SUITE_P (
    Assets, ResourceLookup,
    testing::Values (LookupCase { "resourceName", "screen_knob_png", BinaryData::screen_knob_png, BinaryData::screen_knob_pngSize },
                     LookupCase { "originalFileName", "screen_knob.png", nullptr, 0 },
                     LookupCase { "empty", "", nullptr, 0 },
                     LookupCase { "null", nullptr, nullptr, 0 },
                     LookupCase { "unknown", "knob_huge_png", nullptr, 0 },
                     // "po" + 'H' hashes like "pn" + 'g' (31 x 'o' + 'H' = 31 x 'n' + 'g'): the
                     // lookup compares hashes, never the text.
                     LookupCase { "sameHashAsAResource", "screen_knob_poH", BinaryData::screen_knob_png,
                                  BinaryData::screen_knob_pngSize }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (EmbeddedResources, OriginalFileNameIsFoundByExactResourceName)
{
    EXPECT_STREQ (BinaryData::getNamedResourceOriginalFilename ("RopaSansRegular_ttf"), "RopaSans-Regular.ttf");
    EXPECT_STREQ (BinaryData::getNamedResourceOriginalFilename ("tollovanebg_png"), "tollovanebg.png");
    EXPECT_EQ (BinaryData::getNamedResourceOriginalFilename ("screen_knob_poH"), nullptr);
    EXPECT_EQ (BinaryData::getNamedResourceOriginalFilename ("RopaSans-Regular.ttf"), nullptr);
}

// --- what the widgets rely on in the pictures ------------------------------------------------

// The meter reveals its column from the bottom (level) or the top (gain reduction), so the
// colours must run in that order.
enum class Hue
{
    red,
    yellow,
    green
};

Hue hueOf (juce::Colour c)
{
    const float hue = c.getHue() * 360.0f;
    return hue < 25.0f || hue > 330.0f ? Hue::red : hue < 70.0f ? Hue::yellow : Hue::green;
}

struct MeterColumn
{
    const char* name;
    int height;
    int segments;
    std::vector<std::pair<int, Hue>> runsFromTop;
};

class MeterColumnPicture : public testing::TestWithParam<MeterColumn>
{
};

TEST_P (MeterColumnPicture, HoldsSegmentsOfTheListedColoursInOrder)
{
    const auto& c = GetParam();
    const auto image = decode (c.name);
    ASSERT_EQ (image.getHeight(), c.height);

    // Segments are 4 px tall with 2 px gaps, 6 px wide at x 4 to 9, transparent elsewhere.
    std::vector<Hue> found;
    for (int y = 0; y < image.getHeight(); ++y)
    {
        const bool segmentRow = image.getPixelAt (6, y).getAlpha() == 255;
        const bool startsSegment = segmentRow && (y == 0 || image.getPixelAt (6, y - 1).getAlpha() == 0);
        if (startsSegment)
            found.push_back (hueOf (image.getPixelAt (6, y + 2)));
        EXPECT_EQ (image.getPixelAt (2, y).getAlpha(), 0);
        EXPECT_EQ (image.getPixelAt (11, y).getAlpha(), 0);
    }

    std::vector<Hue> expected;
    for (const auto& run : c.runsFromTop)
        expected.insert (expected.end(), (size_t) run.first, run.second);
    EXPECT_EQ ((int) found.size(), c.segments);
    EXPECT_EQ (found, expected);
}

INSTANTIATE_TEST_SUITE_P (Assets, MeterColumnPicture,
                          testing::Values (MeterColumn { "meter_long_png", 200, 32, { { 4, Hue::red }, { 6, Hue::yellow }, { 22, Hue::green } } },
                                           MeterColumn { "meter_short_png", 166, 26, { { 18, Hue::green }, { 5, Hue::yellow }, { 3, Hue::red } } }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

class KnobFilmstrip : public testing::TestWithParam<const char*>
{
};

TEST_P (KnobFilmstrip, KeepsEveryFrameInsideItsKnobArea)
{
    const auto strip = decode (GetParam());
    ASSERT_TRUE (strip.isValid());
    const juce::Rectangle<int> knobArea { 5, 3, 89, 104 }; // x 5 to 93, y 3 to 106

    for (int frame = 0; frame < KnobGeometry::frameCount; ++frame)
    {
        const auto outside = [&]
        {
            for (int y = 0; y < KnobGeometry::frameHeight; ++y)
                for (int x = 0; x < KnobGeometry::frameWidth; ++x)
                    if (! knobArea.contains (x, y) && strip.getPixelAt (x, frame * KnobGeometry::frameHeight + y).getAlpha() != 0)
                        return true;
            return false;
        }();
        EXPECT_FALSE (outside) << "frame " << frame;
    }
}

// The pointer is paint on grey metal: warm where the pointer is, neutral elsewhere. Frame 0
// must point to the minimum end of the sweep, the last frame to the maximum.
TEST_P (KnobFilmstrip, PointerSweepsFromMinimumToMaximum)
{
    const auto strip = decode (GetParam());
    const auto warmth = [&] (int frame, float degrees)
    {
        const float angle = juce::degreesToRadians (degrees);
        const auto at = KnobGeometry::framePivot + juce::Point<float> (12.0f * std::sin (angle), -12.0f * std::cos (angle));
        const auto c = strip.getPixelAt (juce::roundToInt (at.x), frame * KnobGeometry::frameHeight + juce::roundToInt (at.y));
        return (int) c.getRed() - (int) c.getBlue();
    };

    for (const int frame : { 0, 32, 64, 96, 128 })
    {
        const float pointing = KnobGeometry::sweepStartDegrees + KnobGeometry::sweepDegrees * (float) frame / 128.0f;
        EXPECT_GT (warmth (frame, pointing), 50) << "frame " << frame;
        EXPECT_LT (warmth (frame, pointing + 180.0f), 25) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P (Assets, KnobFilmstrip, testing::Values ("knob_big_figma_129_png", "knob_small_figma_129_png"));

// The hovered and pressed icons are larger than the idle ones; with the offsets the editor
// uses, every state's glyph must sit at the same place in the button.
juce::Point<float> inkCentre (const juce::Image& image)
{
    double sum = 0.0, sx = 0.0, sy = 0.0;
    for (int y = 0; y < image.getHeight(); ++y)
    {
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const double a = image.getPixelAt (x, y).getAlpha();
            sum += a;
            sx += a * (x + 0.5);
            sy += a * (y + 0.5);
        }
    }
    return sum > 0.0 ? juce::Point<float> ((float) (sx / sum), (float) (sy / sum)) : juce::Point<float>();
}

struct IconCase
{
    const char* name;
    HeaderIcon icon;
    int buttonSize;
};

class HeaderIconPictures : public testing::TestWithParam<IconCase>
{
};

TEST_P (HeaderIconPictures, StayCentredInTheButtonInEveryState)
{
    const auto& c = GetParam();
    struct PaintableButton : TamberHeaderButton
    {
        PaintableButton() : TamberHeaderButton ({}) {}
        using TamberHeaderButton::paintButton;
    } button;
    button.setSize (c.buttonSize, c.buttonSize);
    installHeaderIcon (button, c.icon);

    const auto paintState = [&] (bool enabled, bool highlighted, bool down)
    {
        button.setEnabled (enabled);
        juce::Image image (juce::Image::ARGB, c.buttonSize, c.buttonSize, true);
        juce::Graphics g (image);
        button.paintButton (g, highlighted, down);
        return image;
    };

    const auto idle = inkCentre (paintState (true, false, false));
    EXPECT_LT (idle.getDistanceFrom ({ (float) c.buttonSize / 2.0f, (float) c.buttonSize / 2.0f }), 1.0f);
    EXPECT_LT (inkCentre (paintState (false, false, false)).getDistanceFrom (idle), 1.0f);
    // The glow spreads the hovered ink a little; it must still centre on the glyph.
    EXPECT_LT (inkCentre (paintState (true, true, false)).getDistanceFrom (idle), 1.0f);
    EXPECT_LT (inkCentre (paintState (true, true, true)).getDistanceFrom (idle), 1.0f);
}

INSTANTIATE_TEST_SUITE_P (Assets, HeaderIconPictures,
                          testing::Values (IconCase { "previous", HeaderIcon::previous, 20 },
                                           IconCase { "next", HeaderIcon::next, 20 },
                                           IconCase { "newPreset", HeaderIcon::newPreset, 24 },
                                           IconCase { "save", HeaderIcon::save, 24 },
                                           IconCase { "remove", HeaderIcon::remove, 24 },
                                           IconCase { "about", HeaderIcon::about, 32 }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });
} // namespace
