#include "WidgetArt.h"

#include "ArtPalette.h"
#include "Shading.h"

#include <cmath>

namespace WidgetArt
{
namespace
{
constexpr int columnWidth = 12;
constexpr int segmentX = 4;
constexpr int segmentWidth = 6;
constexpr int segmentHeight = 4;
constexpr int segmentPitch = 6; // 4 px lit, 2 px gap

struct ColourRun
{
    juce::Colour colour;
    int segments;
};

juce::Colour segmentPixel (juce::Colour led, int row, int column)
{
    // A lens: brighter along the top edge, darker along the bottom, softened corners.
    auto c = led;
    if (row == 0)
        c = c.interpolatedWith (juce::Colours::white, 0.28f);
    else if (row == segmentHeight - 1)
        c = c.darker (0.35f);

    const bool corner = (row == 0 || row == segmentHeight - 1) && (column == 0 || column == segmentWidth - 1);
    return corner ? c.withAlpha (0.55f) : c;
}

juce::Image renderColumn (int height, std::initializer_list<ColourRun> runsFromTop)
{
    int segments = 0;
    for (const auto& run : runsFromTop)
        segments += run.segments;

    juce::Image image (juce::Image::ARGB, columnWidth, height, true);
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);
    const int used = segments * segmentPitch - (segmentPitch - segmentHeight);
    int top = (height - used) / 2;

    for (const auto& run : runsFromTop)
    {
        for (int s = 0; s < run.segments; ++s, top += segmentPitch)
            for (int row = 0; row < segmentHeight; ++row)
                for (int column = 0; column < segmentWidth; ++column)
                    pixels.setPixelColour (segmentX + column, top + row, segmentPixel (run.colour, row, column));
    }

    return image;
}

// --- the switch ----------------------------------------------------------------------------

constexpr int switchWidth = 90;
constexpr int switchHeight = 106;
const juce::Rectangle<float> plateArea { 10.5f, 24.5f, 69.0f, 78.0f };
const juce::Point<float> pivot { 42.0f, 63.5f };
constexpr float leverLength = 24.0f;
const juce::Point<float> ledCentre { 65.5f, 63.5f };
constexpr float ledRadius = 4.2f;

void drawPlate (juce::Graphics& g)
{
    juce::Path plate;
    plate.addRoundedRectangle (plateArea, 6.0f);
    Shading::drawSoftShadow (g, plate, juce::Colours::black.withAlpha (0.7f), 5, { 0, 2 }, false);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff1f2126), 0.0f, plateArea.getY(),
                                             juce::Colour (0xff111216), 0.0f, plateArea.getBottom(), false));
    g.fillPath (plate);

    // A machined edge: lit along the top, in shade along the bottom.
    g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.22f), 0.0f, plateArea.getY(),
                                             juce::Colours::black.withAlpha (0.5f), 0.0f, plateArea.getBottom(), false));
    g.strokePath (plate, juce::PathStrokeType (1.0f));
}

void drawLegends (juce::Graphics& g, const ArtFonts& fonts)
{
    g.setFont (fonts.labelFont (9.0f, 0.12f));
    g.setColour (ArtPalette::print.withAlpha (0.62f));
    g.drawText ("OFF", juce::Rectangle<float> (17.0f, 31.0f, 22.0f, 10.0f), juce::Justification::centredLeft);
    g.drawText ("ON", juce::Rectangle<float> (17.0f, 86.0f, 22.0f, 10.0f), juce::Justification::centredLeft);
}

void drawBushing (juce::Graphics& g)
{
    // A chrome ring nut around a dark threaded bushing.
    const auto ring = juce::Rectangle<float> (22.0f, 22.0f).withCentre (pivot);
    juce::Path ringPath;
    ringPath.addEllipse (ring);
    Shading::drawSoftShadow (g, ringPath, juce::Colours::black.withAlpha (0.8f), 4, { 1, 3 }, false);

    juce::ColourGradient chrome (juce::Colour (0xffe9ebee), ring.getX() + 4.0f, ring.getY() + 3.0f,
                                 juce::Colour (0xff2b2d31), ring.getRight() - 3.0f, ring.getBottom() - 2.0f, false);
    chrome.addColour (0.45, juce::Colour (0xff8e9298));
    chrome.addColour (0.7, juce::Colour (0xff44474d));
    g.setGradientFill (chrome);
    g.fillEllipse (ring);

    // The ring's knurled rim.
    for (int i = 0; i < 40; ++i)
    {
        const float angle = juce::MathConstants<float>::twoPi * (float) i / 40.0f;
        const auto direction = juce::Point<float> (std::sin (angle), -std::cos (angle));
        g.setColour (juce::Colours::black.withAlpha (0.28f));
        g.drawLine ({ pivot + direction * 9.2f, pivot + direction * 11.0f }, 0.7f);
    }

    const auto bushing = juce::Rectangle<float> (13.0f, 13.0f).withCentre (pivot);
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff050506), bushing.getX(), bushing.getY(),
                                             juce::Colour (0xff3a3c41), bushing.getRight(), bushing.getBottom(), false));
    g.fillEllipse (bushing);
    g.setColour (juce::Colours::black.withAlpha (0.6f));
    g.drawEllipse (bushing, 0.8f);
}

void drawLever (juce::Graphics& g, bool down)
{
    const float direction = down ? 1.0f : -1.0f;
    const juce::Point<float> tip { pivot.x, pivot.y + direction * leverLength };

    // A tapered chrome bat: wide at the bushing, narrow at the ball-ended tip.
    juce::Path bat;
    bat.startNewSubPath (pivot.x - 3.6f, pivot.y);
    bat.lineTo (tip.x - 2.4f, tip.y);
    bat.lineTo (tip.x + 2.4f, tip.y);
    bat.lineTo (pivot.x + 3.6f, pivot.y);
    bat.closeSubPath();
    const auto ball = juce::Rectangle<float> (9.6f, 9.6f).withCentre (tip);
    bat.addEllipse (ball);

    Shading::drawSoftShadow (g, bat, juce::Colours::black.withAlpha (0.75f), 3, { 3, down ? 4 : 2 }, false);

    // Across the bat: a dark rim, a sharp highlight left of centre, falling off into shade.
    juce::ColourGradient cylinder (juce::Colour (0xff2a2c30), pivot.x - 3.8f, 0.0f, juce::Colour (0xff17181b), pivot.x + 3.8f, 0.0f, false);
    cylinder.addColour (0.22, juce::Colour (0xffb9bdc3));
    cylinder.addColour (0.34, juce::Colour (0xfffafbfc));
    cylinder.addColour (0.5, juce::Colour (0xff9a9ea5));
    cylinder.addColour (0.78, juce::Colour (0xff45484e));
    g.setGradientFill (cylinder);
    g.fillPath (bat);
    g.setColour (juce::Colours::black.withAlpha (0.45f));
    g.strokePath (bat, juce::PathStrokeType (0.6f));

    // The ball catches the key light on its upper left.
    juce::ColourGradient sphere (juce::Colours::white, ball.getX() + 3.0f, ball.getY() + 2.6f,
                                 juce::Colour (0xff2a2c30), ball.getRight(), ball.getBottom(), true);
    sphere.addColour (0.35, juce::Colour (0xffc9ccd1));
    g.setGradientFill (sphere);
    g.fillEllipse (ball);
    g.setColour (juce::Colours::black.withAlpha (0.35f));
    g.drawEllipse (ball, 0.6f);
}

void drawLed (juce::Graphics& g, bool lit)
{
    const auto lens = juce::Rectangle<float> (ledRadius * 2.0f, ledRadius * 2.0f).withCentre (ledCentre);

    if (lit)
    {
        g.setGradientFill (juce::ColourGradient (ArtPalette::amber.withAlpha (0.45f), ledCentre.x, ledCentre.y,
                                                 ArtPalette::amber.withAlpha (0.0f), ledCentre.x + 13.0f, ledCentre.y, true));
        g.fillEllipse (lens.expanded (9.0f));
    }

    // Bezel, then the lens: warm and bright when lit, a dark tinted glass when not.
    g.setColour (juce::Colour (0xff050506));
    g.fillEllipse (lens.expanded (1.6f));
    const auto core = lit ? ArtPalette::cream : juce::Colour (0xff4a3b16);
    const auto edge = lit ? juce::Colour (0xffd9a935) : juce::Colour (0xff1c160a);
    g.setGradientFill (juce::ColourGradient (core, ledCentre.x, ledCentre.y, edge, ledCentre.x + ledRadius, ledCentre.y, true));
    g.fillEllipse (lens);

    g.setColour (juce::Colours::white.withAlpha (lit ? 0.7f : 0.35f));
    g.fillEllipse (juce::Rectangle<float> (2.2f, 1.6f).withCentre ({ ledCentre.x - 1.3f, ledCentre.y - 1.7f }));
}
} // namespace

juce::Image renderLevelColumn()
{
    return renderColumn (200, { { ArtPalette::ledRed, 4 }, { ArtPalette::ledYellow, 6 }, { ArtPalette::ledGreen, 22 } });
}

juce::Image renderGainReductionColumn()
{
    return renderColumn (166, { { ArtPalette::ledGreen, 18 }, { ArtPalette::ledYellow, 5 }, { ArtPalette::ledRed, 3 } });
}

juce::Image renderKnobScreen()
{
    juce::Image image (juce::Image::ARGB, 72, 24, true);
    juce::Graphics g (image);
    const auto box = image.getBounds().toFloat().reduced (0.5f);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xf2101213), 0.0f, 0.0f, juce::Colour (0xf5050606), 0.0f, 24.0f, false));
    g.fillRoundedRectangle (box, 4.0f);

    // Glass: a faint reflection over the upper half.
    g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.05f), 0.0f, 1.0f,
                                             juce::Colours::white.withAlpha (0.0f), 0.0f, 12.0f, false));
    g.fillRoundedRectangle (box.reduced (1.5f).withHeight (11.0f), 3.0f);

    g.setColour (juce::Colours::black.withAlpha (0.6f));
    g.drawLine (3.0f, 2.0f, 69.0f, 2.0f, 1.0f);

    // The bezel is in shade along the top and catches light along the bottom lip.
    g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.7f), 0.0f, 0.0f,
                                             juce::Colours::white.withAlpha (0.16f), 0.0f, 24.0f, false));
    g.drawRoundedRectangle (box, 4.0f, 1.0f);
    return image;
}

juce::Image renderSwitch (const ArtFonts& fonts, bool on)
{
    juce::Image image (juce::Image::ARGB, switchWidth, switchHeight, true);
    juce::Graphics g (image);
    drawPlate (g);
    drawLegends (g, fonts);
    drawLed (g, on);
    drawBushing (g);
    drawLever (g, on);
    return image;
}
} // namespace WidgetArt
