#include "ImageProbe.h"

#include "ui/DrawingHelpers.h"
#include "ui/EmbeddedAssets.h"

#include <BinaryData.h>

#include <gtest/gtest.h>

namespace
{
juce::Image drawn (int width, int height, const std::function<void (juce::Graphics&)>& draw)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    draw (g);
    return image;
}

bool sameImages (const juce::Image& a, const juce::Image& b)
{
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;
    return true;
}

const juce::Rectangle<float> screenArea { 0.0f, 0.0f, 72.0f, 24.0f };

struct ScreenCase
{
    const char* name;
    float alpha;
    int bodyAlpha;
};

class ScreenBody : public testing::TestWithParam<ScreenCase>
{
};

TEST_P (ScreenBody, IsNearBlackWithAlphaScaledFrom228)
{
    const auto& c = GetParam();
    const auto image = drawn (72, 24, [&] (auto& g) { drawScreen (g, screenArea, {}, nullptr, c.alpha, false); });
    const auto body = image.getPixelAt (36, 12);

    EXPECT_EQ (body.getAlpha(), c.bodyAlpha);
    if (c.bodyAlpha > 0)
    {
        EXPECT_NEAR (body.getRed(), 8, 1);
        EXPECT_NEAR (body.getGreen(), 9, 1);
        EXPECT_NEAR (body.getBlue(), 9, 1);
    }
}

INSTANTIATE_TEST_SUITE_P (DrawScreen, ScreenBody,
                          testing::Values (ScreenCase { "full", 1.0f, 228 }, ScreenCase { "disabledKnob", 0.38f, 87 },
                                           ScreenCase { "transparent", 0.0f, 0 }, ScreenCase { "beyondFull", 1.5f, 255 }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (DrawScreen, EmptyTextPaintsOnlyTheBox)
{
    const auto box = drawn (72, 24, [] (auto& g) { drawScreen (g, screenArea, {}, nullptr, 1.0f, false); });
    const auto typeface = loadEmbeddedTypeface (BinaryData::RopaSansRegular_ttf, BinaryData::RopaSansRegular_ttfSize);
    const auto withText = drawn (72, 24, [&] (auto& g) { drawScreen (g, screenArea, "8.00 ms", typeface, 1.0f, false); });

    // Inside the outline and below the shadow line, the body is one flat colour.
    const auto body = box.getPixelAt (36, 12);
    int differentPixels = 0;
    for (int y = 4; y < 21; ++y)
    {
        for (int x = 4; x < 68; ++x)
        {
            EXPECT_EQ (box.getPixelAt (x, y), body) << x << ", " << y;
            differentPixels += withText.getPixelAt (x, y) != body ? 1 : 0;
        }
    }
    EXPECT_GT (differentPixels, 20);
}

TEST (DrawScreen, TopShadowLineIsDarkerThanTheBody)
{
    const auto image = drawn (72, 24, [] (auto& g) { drawScreen (g, screenArea, {}, nullptr, 1.0f, false); });
    EXPECT_GT (image.getPixelAt (36, 2).getAlpha(), image.getPixelAt (36, 12).getAlpha());
}

TEST (DrawLabel, DrawsTheCaptionUpperCased)
{
    const auto typeface = loadEmbeddedTypeface (BinaryData::RobotoMedium_ttf, BinaryData::RobotoMedium_ttfSize);
    const juce::Rectangle<float> area { 0.0f, 0.0f, 96.0f, 14.0f };
    const auto mixed = drawn (96, 14, [&] (auto& g) { drawLabel (g, "Peak Detector", area, typeface, 1.0f); });
    const auto upper = drawn (96, 14, [&] (auto& g) { drawLabel (g, "PEAK DETECTOR", area, typeface, 1.0f); });
    const auto lower = drawn (96, 14, [&] (auto& g)
    {
        g.setFont (makeFont (typeface, 12.0f, 0.08f));
        g.drawFittedText ("Peak Detector", area.toNearestInt(), juce::Justification::centred, 1);
    });

    EXPECT_TRUE (sameImages (mixed, upper));
    EXPECT_FALSE (sameImages (mixed, lower));
}

struct FontCase
{
    const char* name;
    bool withTypeface;
    float height;
    float kerning;
};

class MakeFont : public testing::TestWithParam<FontCase>
{
};

TEST_P (MakeFont, KeepsHeightAndKerningWithOrWithoutATypeface)
{
    const auto& c = GetParam();
    const auto typeface = c.withTypeface ? loadEmbeddedTypeface (BinaryData::RopaSansRegular_ttf, BinaryData::RopaSansRegular_ttfSize)
                                         : juce::Typeface::Ptr();
    const auto font = makeFont (typeface, c.height, c.kerning);

    EXPECT_FLOAT_EQ (font.getHeight(), c.height);
    EXPECT_FLOAT_EQ (font.getExtraKerningFactor(), c.kerning);
    if (c.withTypeface)
        EXPECT_EQ (font.getTypefaceName(), "Ropa Sans");
    else
        EXPECT_EQ (font.getTypefaceName(), juce::Font::getDefaultSansSerifFontName());
}

INSTANTIATE_TEST_SUITE_P (DrawingHelpers, MakeFont,
                          testing::Values (FontCase { "embeddedValueFont", true, 14.0f, 0.06f },
                                           FontCase { "embeddedWithoutKerning", true, 16.0f, 0.0f },
                                           FontCase { "missingTypefaceFallsBack", false, 12.0f, 0.08f }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });
} // namespace
