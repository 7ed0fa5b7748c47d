#include "PanelArt.h"

#include "ArtPalette.h"
#include "KnobArt.h"
#include "Shading.h"

#include "ui/EditorLayout.h"
#include "ui/KnobGeometry.h"

#include <cmath>

namespace PanelArt
{
namespace
{
using ArtPalette::print;

constexpr int headerHeight = 44;
constexpr float meterLabelGap = 9.0f; // from the meter to its scale, past the well's rim
const juce::Rectangle<float> namePlate { 444.0f, 192.0f, 456.0f, 94.0f };
const juce::Point<float> panelScrews[] { { 22.0f, 66.0f }, { 22.0f, 278.0f }, { 1386.0f, 66.0f }, { 1386.0f, 278.0f } };
// Engraved lines between the sections: input, dynamics, colour, output, metering.
struct Divider
{
    float x, top, bottom;
};
const Divider dividers[] { { 158.0f, 54.0f, 294.0f }, { 670.0f, 54.0f, 176.0f }, { 918.0f, 54.0f, 294.0f },
                           { 1172.0f, 54.0f, 294.0f } };

// How each knob's scale is divided: continuous controls get tenths, stepped ones a tick per
// step.
struct KnobScale
{
    juce::Rectangle<int> bounds;
    bool small;
    int divisions;
    bool stepped;      // every tick marks a position the knob clicks into
    bool centreDetent; // a bipolar control marks its centre in amber
};

const KnobScale knobScales[] {
    { knobBounds[thresholdKnobSlot], false, 10, false, false },
    { knobBounds[attackKnobSlot], false, 10, false, false },
    { knobBounds[ratioKnobSlot], false, 10, true, false }, // 11 ratio steps
    { knobBounds[releaseKnobSlot], false, 7, true, false }, // 8 release steps
    { knobBounds[gainKnobSlot], false, 10, false, true },
    { knobBounds[sidechainKnobSlot], false, 10, false, false },
    { knobBounds[harmKnobSlot], false, 10, false, false },
    { knobBounds[mixKnobSlot], false, 10, false, false },
    { detectorBounds, true, 1, true, false },
    { syncBounds, true, 1, true, false },
    { wideBounds, true, 10, false, false },
};

float levelMeterY (const juce::Rectangle<int>& meter, float db)
{
    return (float) meter.getBottom() - (db + 60.0f) / 66.0f * (float) meter.getHeight();
}

float reductionMeterY (const juce::Rectangle<int>& meter, float db)
{
    const float fraction = db <= 5.0f ? db / 15.0f : db <= 12.0f ? (db - 5.0f) / 21.0f + 1.0f / 3.0f : (db - 12.0f) / 36.0f + 2.0f / 3.0f;
    return (float) meter.getY() + fraction * (float) meter.getHeight();
}

// --- surfaces --------------------------------------------------------------------------------

void paintBrushedFace (juce::Image& image)
{
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);
    const float width = (float) image.getWidth();

    for (int y = 0; y < image.getHeight(); ++y)
    {
        const bool header = y < headerHeight;
        const float t = header ? (float) y / (float) headerHeight : (float) (y - headerHeight) / (float) (image.getHeight() - headerHeight);
        const auto base = header ? ArtPalette::headerFace.brighter (0.12f * (1.0f - t))
                                 : ArtPalette::panelFace.interpolatedWith (ArtPalette::panelFaceLow, t);

        for (int x = 0; x < image.getWidth(); ++x)
        {
            // Grain runs left to right, as the face was brushed before anodising.
            const float grain = 0.05f * Shading::valueNoise2 ((float) x / 70.0f, (float) y * 0.8f, 3)
                                + 0.025f * Shading::valueNoise2 ((float) x / 9.0f, (float) y * 1.9f, 4);
            const float edge = std::min ((float) x, width - 1.0f - (float) x) / width;
            const float vignette = 0.9f + 0.1f * Shading::smoothstep (0.0f, 0.18f, edge);
            // The studio light falls from above the middle of the unit.
            const float centre = 1.0f - std::abs ((float) x / width - 0.5f) * 2.0f;
            const float light = header ? 1.0f : 1.0f + 0.16f * (1.0f - t) * (0.4f + 0.6f * centre);
            const float gain = (1.0f + grain) * vignette * light;
            pixels.setPixelColour (x, y, juce::Colour::fromFloatRGBA (base.getFloatRed() * gain, base.getFloatGreen() * gain,
                                                                      base.getFloatBlue() * gain, 1.0f));
        }
    }
}

void drawEdges (juce::Graphics& g, juce::Rectangle<float> panel)
{
    // The header sits in a groove; the face's edges are chamfered.
    g.setColour (juce::Colours::black.withAlpha (0.85f));
    g.fillRect (0.0f, (float) headerHeight, panel.getWidth(), 1.0f);
    g.setColour (juce::Colours::white.withAlpha (0.07f));
    g.fillRect (0.0f, (float) headerHeight + 1.0f, panel.getWidth(), 1.0f);

    g.setColour (juce::Colours::white.withAlpha (0.09f));
    g.fillRect (0.0f, 0.0f, panel.getWidth(), 1.0f);
    g.setColour (juce::Colours::black.withAlpha (0.7f));
    g.fillRect (0.0f, panel.getBottom() - 1.0f, panel.getWidth(), 1.0f);
    g.fillRect (0.0f, 0.0f, 1.0f, panel.getHeight());
    g.fillRect (panel.getRight() - 1.0f, 0.0f, 1.0f, panel.getHeight());
}

void drawRecess (juce::Graphics& g, juce::Rectangle<float> area, float corner)
{
    juce::Path shape;
    shape.addRoundedRectangle (area, corner);
    g.setColour (ArtPalette::wellFloor);
    g.fillPath (shape);
    Shading::drawSoftShadow (g, shape, juce::Colours::black.withAlpha (0.95f), 5, { 0, 2 }, true);

    // The lower lip catches the light from above.
    g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.6f), 0.0f, area.getY(),
                                             juce::Colours::white.withAlpha (0.1f), 0.0f, area.getBottom(), false));
    g.strokePath (shape, juce::PathStrokeType (1.0f));
}

void drawEngravedLine (juce::Graphics& g, const Divider& d)
{
    // Both lines fade out at their ends.
    juce::ColourGradient shade (juce::Colours::black.withAlpha (0.0f), 0.0f, d.top, juce::Colours::black.withAlpha (0.0f), 0.0f, d.bottom, false);
    shade.addColour (0.12, juce::Colours::black.withAlpha (0.7f));
    shade.addColour (0.88, juce::Colours::black.withAlpha (0.7f));
    g.setGradientFill (shade);
    g.fillRect (d.x, d.top, 1.0f, d.bottom - d.top);

    juce::ColourGradient light (juce::Colours::white.withAlpha (0.0f), 0.0f, d.top, juce::Colours::white.withAlpha (0.0f), 0.0f, d.bottom, false);
    light.addColour (0.12, juce::Colours::white.withAlpha (0.06f));
    light.addColour (0.88, juce::Colours::white.withAlpha (0.06f));
    g.setGradientFill (light);
    g.fillRect (d.x + 1.0f, d.top, 1.0f, d.bottom - d.top);
}

void drawScrew (juce::Graphics& g, juce::Point<float> centre)
{
    const auto head = juce::Rectangle<float> (10.0f, 10.0f).withCentre (centre);
    juce::Path headPath;
    headPath.addEllipse (head);
    Shading::drawSoftShadow (g, headPath, juce::Colours::black.withAlpha (0.8f), 3, { 0, 1 }, false);

    juce::ColourGradient metal (juce::Colour (0xff9a9ea5), head.getX() + 2.0f, head.getY() + 1.0f,
                                juce::Colour (0xff1e2024), head.getRight() - 1.0f, head.getBottom(), false);
    metal.addColour (0.5, juce::Colour (0xff4d5056));
    g.setGradientFill (metal);
    g.fillPath (headPath);

    // A hex socket, turned to a different angle on each screw.
    const float angle = 0.37f * (centre.x + centre.y);
    juce::Path socket;
    socket.addPolygon (centre, 6, 2.6f, angle);
    g.setColour (juce::Colour (0xff060607));
    g.fillPath (socket);
    g.setColour (juce::Colours::white.withAlpha (0.12f));
    g.drawEllipse (head.reduced (0.5f), 0.6f);
}

// --- printing --------------------------------------------------------------------------------

void drawText (juce::Graphics& g, const juce::String& text, const juce::Font& font, juce::Colour colour,
               juce::Rectangle<float> area, juce::Justification justification)
{
    g.setFont (font);
    g.setColour (colour);
    g.drawText (text, area, justification, false);
}

void drawKnobScale (juce::Graphics& g, const KnobScale& scale)
{
    const auto centre = scale.bounds.getPosition().toFloat() + KnobGeometry::pivotInKnob (scale.small);
    const float placementScale = (float) (scale.small ? KnobGeometry::smallFramePlacement : KnobGeometry::largeFramePlacement).getWidth()
                                 / (float) KnobGeometry::frameWidth;
    const float knobRadius = (scale.small ? KnobArt::smallKnobRadius() : KnobArt::largeKnobRadius()) * placementScale;

    // The well the knob turns in.
    const auto well = juce::Rectangle<float> (2.0f * (knobRadius + 1.5f), 2.0f * (knobRadius + 1.5f)).withCentre (centre);
    juce::Path wellPath;
    wellPath.addEllipse (well);
    g.setColour (juce::Colour (0xff07080a));
    g.fillPath (wellPath);
    Shading::drawSoftShadow (g, wellPath, juce::Colours::black, 3, { 0, 2 }, true);
    g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.5f), 0.0f, well.getY(),
                                             juce::Colours::white.withAlpha (0.11f), 0.0f, well.getBottom(), false));
    g.strokePath (wellPath, juce::PathStrokeType (1.0f));

    const float inner = knobRadius + 3.5f;
    const auto at = [&] (float proportion, float radius)
    {
        const float angle = juce::degreesToRadians (KnobGeometry::sweepStartDegrees + KnobGeometry::sweepDegrees * proportion);
        return centre + juce::Point<float> (radius * std::sin (angle), -radius * std::cos (angle));
    };

    juce::Path arc;
    arc.addCentredArc (centre.x, centre.y, inner, inner, 0.0f, juce::degreesToRadians (KnobGeometry::sweepStartDegrees),
                       juce::degreesToRadians (KnobGeometry::sweepStartDegrees + KnobGeometry::sweepDegrees), true);
    g.setColour (print.withAlpha (0.16f));
    g.strokePath (arc, juce::PathStrokeType (1.0f));

    for (int i = 0; i <= scale.divisions; ++i)
    {
        const float proportion = (float) i / (float) scale.divisions;
        const bool end = i == 0 || i == scale.divisions;
        const bool centreTick = 2 * i == scale.divisions;
        const bool major = end || centreTick || scale.stepped;
        const float outer = inner + (major ? 4.0f : 2.5f);

        g.setColour (centreTick && scale.centreDetent ? ArtPalette::amber.withAlpha (0.95f)
                                                      : print.withAlpha (major ? 0.78f : 0.42f));
        const auto from = at (proportion, inner);
        const auto to = at (proportion, outer);
        g.drawLine ({ from, to }, major ? 1.6f : 1.1f);
    }
}

void drawScreenSeat (juce::Graphics& g, juce::Rectangle<int> knob)
{
    const auto screen = (KnobGeometry::screenArea + knob.getPosition()).toFloat();
    juce::Path seat;
    seat.addRoundedRectangle (screen.expanded (1.0f), 5.0f);
    Shading::drawSoftShadow (g, seat, juce::Colours::black.withAlpha (0.8f), 4, { 0, 1 }, false);
}

void drawLevelScale (juce::Graphics& g, const ArtFonts& fonts, const juce::Rectangle<int>& meter, bool labelsOnLeft)
{
    const float marks[] { 6.0f, 0.0f, -6.0f, -12.0f, -18.0f, -24.0f, -36.0f, -48.0f, -60.0f };
    constexpr float labelWidth = 25.0f;
    const float labelX = labelsOnLeft ? (float) meter.getX() - meterLabelGap - labelWidth : (float) meter.getRight() + meterLabelGap;

    for (const float db : marks)
    {
        const auto text = db > 0.0f ? "+" + juce::String ((int) db) : juce::String ((int) db);
        const auto colour = db > 0.0f ? ArtPalette::amber.withAlpha (0.8f) : print.withAlpha (0.6f);
        drawText (g, text, fonts.valueFont (11.0f, 0.02f), colour, { labelX, levelMeterY (meter, db) - 6.0f, labelWidth, 12.0f },
                  labelsOnLeft ? juce::Justification::centredRight : juce::Justification::centredLeft);
    }
}

void drawReductionScale (juce::Graphics& g, const ArtFonts& fonts, const juce::Rectangle<int>& meter)
{
    const float marks[] { 0.0f, 3.0f, 5.0f, 8.0f, 12.0f, 18.0f, 24.0f };

    for (const float db : marks)
        drawText (g, juce::String ((int) db), fonts.valueFont (11.0f, 0.02f), print.withAlpha (0.6f),
                  { (float) meter.getRight() + meterLabelGap, reductionMeterY (meter, db) - 6.0f, 22.0f, 12.0f },
                  juce::Justification::centredLeft);
}

void drawMakerMark (juce::Graphics& g, const ArtFonts& fonts)
{
    // A small emblem: an amber chevron in a ring, beside the maker's name.
    const juce::Point<float> centre { 32.0f, 22.0f };
    g.setColour (ArtPalette::amber.withAlpha (0.9f));
    g.drawEllipse (juce::Rectangle<float> (18.0f, 18.0f).withCentre (centre), 1.5f);
    juce::Path chevron;
    chevron.startNewSubPath (centre.x - 4.5f, centre.y - 3.5f);
    chevron.lineTo (centre.x, centre.y + 4.0f);
    chevron.lineTo (centre.x + 4.5f, centre.y - 3.5f);
    g.strokePath (chevron, juce::PathStrokeType (1.8f, juce::PathStrokeType::mitered, juce::PathStrokeType::rounded));

    drawText (g, "VENNIC SOUND", fonts.labelFont (13.0f, 0.24f), ArtPalette::cream.withAlpha (0.85f),
              { 50.0f, 12.0f, 200.0f, 20.0f }, juce::Justification::centredLeft);
    drawText (g, "PRESET", fonts.labelFont (10.0f, 0.22f), print.withAlpha (0.45f),
              { 360.0f, 15.0f, 76.0f, 14.0f }, juce::Justification::centredRight);
}

void drawNamePlate (juce::Graphics& g, const ArtFonts& fonts)
{
    juce::Path plate;
    plate.addRoundedRectangle (namePlate, 5.0f);
    Shading::drawSoftShadow (g, plate, juce::Colours::black.withAlpha (0.85f), 6, { 0, 3 }, false);
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff17191e), 0.0f, namePlate.getY(),
                                             juce::Colour (0xff0e0f13), 0.0f, namePlate.getBottom(), false));
    g.fillPath (plate);
    g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.14f), 0.0f, namePlate.getY(),
                                             juce::Colours::black.withAlpha (0.6f), 0.0f, namePlate.getBottom(), false));
    g.strokePath (plate, juce::PathStrokeType (1.0f));

    // The name is inlaid in brass: a dark engraving edge, then the metal lit from above.
    juce::GlyphArrangement name;
    const auto nameFont = fonts.labelFont (44.0f, 0.3f);
    name.addJustifiedText (nameFont, "TOLLOVANE", namePlate.getX(), namePlate.getY() + 52.0f, namePlate.getWidth(),
                           juce::Justification::horizontallyCentred);
    juce::Path letters;
    name.createPath (letters);
    // Letter spacing also pads the last letter; centre the ink, not the advance.
    letters.applyTransform (juce::AffineTransform::translation (namePlate.getCentreX() - letters.getBounds().getCentreX(), 0.0f));

    g.setColour (juce::Colours::black.withAlpha (0.9f));
    g.fillPath (letters, juce::AffineTransform::translation (0.0f, 1.5f));
    const auto ink = letters.getBounds();
    juce::ColourGradient brass (ArtPalette::cream, 0.0f, ink.getY(), juce::Colour (0xffb8902f), 0.0f, ink.getBottom(), false);
    brass.addColour (0.45, ArtPalette::amber);
    g.setGradientFill (brass);
    g.fillPath (letters);

    // The tagline between two amber rules that stop short of its first and last letters.
    const juce::String taglineText ("STEREO DYNAMICS  &  HARMONIC COLOUR");
    const auto taglineFont = fonts.labelFont (10.0f, 0.32f);
    const auto tagline = juce::Rectangle<float> (namePlate.getX(), namePlate.getY() + 62.0f, namePlate.getWidth(), 14.0f);
    drawText (g, taglineText, taglineFont, print.withAlpha (0.6f), tagline, juce::Justification::centred);

    juce::GlyphArrangement taglineGlyphs;
    taglineGlyphs.addLineOfText (taglineFont, taglineText, 0.0f, 0.0f);
    const float halfText = taglineGlyphs.getBoundingBox (0, -1, true).getWidth() * 0.5f;
    constexpr float ruleGap = 14.0f;
    constexpr float ruleLength = 44.0f;
    g.setColour (ArtPalette::amber.withAlpha (0.45f));
    g.fillRect (tagline.getCentreX() - halfText - ruleGap - ruleLength, tagline.getCentreY() - 0.5f, ruleLength, 1.0f);
    g.fillRect (tagline.getCentreX() + halfText + ruleGap, tagline.getCentreY() - 0.5f, ruleLength, 1.0f);
}
} // namespace

juce::Image renderBackground (const ArtFonts& fonts)
{
    juce::Image image (juce::Image::ARGB, editorBounds.getWidth(), editorBounds.getHeight(), true);
    paintBrushedFace (image);

    juce::Graphics g (image);
    drawEdges (g, image.getBounds().toFloat());

    drawMakerMark (g, fonts);
    drawRecess (g, presetNameScreenBounds.toFloat().expanded (4.0f), 6.0f);
    drawRecess (g, presetActionScreenBounds.toFloat().expanded (4.0f), 6.0f);
    drawRecess (g, juce::Rectangle<float> (36.0f, 36.0f).withCentre (aboutButtonBounds.toFloat().getCentre()), 18.0f);

    for (const auto& divider : dividers)
        drawEngravedLine (g, divider);

    for (const auto& scale : knobScales)
    {
        drawKnobScale (g, scale);
        drawScreenSeat (g, scale.bounds);
    }

    for (const auto& meter : { inputMeterBounds, grMeterBounds, outputMeterBounds })
        drawRecess (g, meter.toFloat().expanded (5.0f, 6.0f), 5.0f);
    drawRecess (g, grReadoutBounds.toFloat().expanded (3.0f), 5.0f);

    drawLevelScale (g, fonts, inputMeterBounds, true);
    drawReductionScale (g, fonts, grMeterBounds);
    drawLevelScale (g, fonts, outputMeterBounds, false);

    drawNamePlate (g, fonts);
    for (const auto screw : panelScrews)
        drawScrew (g, screw);

    return image;
}
} // namespace PanelArt
