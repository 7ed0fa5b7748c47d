#include "DrawingHelpers.h"

namespace
{
const juce::Colour captionColour = juce::Colours::white;
constexpr float captionAlpha = 0.78f;
constexpr float captionHeight = 12.0f;
constexpr float captionKerning = 0.08f;

constexpr juce::uint8 screenBodyRed = 0x08;
constexpr juce::uint8 screenBodyGreen = 0x09;
constexpr juce::uint8 screenBodyBlue = 0x09;
constexpr float screenBodyAlphaByte = 228.0f;
constexpr float screenCornerSize = 4.0f;
constexpr float screenShadowInset = 2.0f;
constexpr float screenShadowAlpha = 0.55f;
constexpr float screenOutlineAlpha = 0.18f;

const juce::Colour amber { 0xfff3d267 };
const juce::Colour cream { 0xffffefbc };
constexpr float normalTextAlpha = 0.9f;
constexpr float brightTextAlpha = 0.8f;
constexpr float normalTextHeight = 14.0f;
constexpr float normalTextKerning = 0.06f;
constexpr float brightTextHeight = 16.0f;

void drawCentredLine (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area)
{
    g.drawFittedText (text, area.toNearestInt(), juce::Justification::centred, 1, 0.0f);
}
} // namespace

juce::Font makeFont (const juce::Typeface::Ptr& typeface, float height, float kerning)
{
#if JUCE_MAJOR_VERSION >= 8
    auto options = juce::FontOptions (height, juce::Font::plain);
    if (typeface != nullptr)
        options = juce::FontOptions (typeface).withHeight (height);
    if (kerning != 0.0f)
        options = options.withKerningFactor (kerning);
    return juce::Font (options);
#else
    auto font = typeface != nullptr ? juce::Font (typeface) : juce::Font (height, juce::Font::plain);
    font.setHeight (height);
    if (kerning != 0.0f)
        font.setExtraKerningFactor (kerning);
    return font;
#endif
}

void drawLabel (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area,
                const juce::Typeface::Ptr& typeface, float alpha)
{
    g.setColour (captionColour.withAlpha (captionAlpha * alpha));
    g.setFont (makeFont (typeface, captionHeight, captionKerning));
    drawCentredLine (g, text.toUpperCase(), area);
}

void drawScreen (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& text,
                 const juce::Typeface::Ptr& typeface, float alpha, bool bright)
{
    const auto bodyAlpha = (juce::uint8) juce::jlimit (0, 255, juce::roundToInt (screenBodyAlphaByte * alpha));
    g.setColour (juce::Colour (screenBodyRed, screenBodyGreen, screenBodyBlue, bodyAlpha));
    g.fillRoundedRectangle (area, screenCornerSize);

    g.setColour (juce::Colours::black.withAlpha (screenShadowAlpha * alpha));
    g.drawLine (area.getX() + screenShadowInset, area.getY() + screenShadowInset,
                area.getRight() - screenShadowInset, area.getY() + screenShadowInset, 1.0f);

    g.setColour (juce::Colours::white.withAlpha (screenOutlineAlpha * alpha));
    g.drawRoundedRectangle (area, screenCornerSize, 1.0f);

    if (text.isEmpty())
        return;

    g.setColour (bright ? cream.withAlpha (brightTextAlpha * alpha) : amber.withAlpha (normalTextAlpha * alpha));
    g.setFont (bright ? makeFont (typeface, brightTextHeight, 0.0f)
                      : makeFont (typeface, normalTextHeight, normalTextKerning));
    drawCentredLine (g, text, area);
}
