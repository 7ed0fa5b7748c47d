#include "TamberKnob.h"

#include "DrawingHelpers.h"
#include "KnobGeometry.h"

namespace
{
constexpr int dragSensitivityPixels = 220;
constexpr float disabledAlpha = 0.38f;
// The filmstrip is drawn slightly translucent so the printed well beneath it tints the knob.
constexpr float filmstripOpacity = 0.86f;
const juce::Colour valueTextColour { 0xfff3d267 };
constexpr float valueTextAlpha = 0.8f;
constexpr float valueTextHeight = 14.0f;
constexpr float valueTextKerning = 0.06f;
} // namespace

TamberKnob::TamberKnob()
{
    setSliderStyle (RotaryHorizontalVerticalDrag);
    setTextBoxStyle (NoTextBox, false, 0, 0);
    setMouseDragSensitivity (dragSensitivityPixels);
    setWantsKeyboardFocus (false);
    // The large frame overhangs the knob's bounds to the left and below.
    setPaintingIsUnclipped (true);
    onValueChange = [this] { repaint(); };
}

TamberKnob::~TamberKnob() = default;

juce::String TamberKnob::getTextFromValue (double value)
{
    return valueFormatter ? valueFormatter (value) : juce::Slider::getTextFromValue (value);
}

int TamberKnob::currentFrameIndex()
{
    const auto proportion = (float) valueToProportionOfLength (getValue());
    return juce::jlimit (0, KnobGeometry::lastFrame, juce::roundToInt (proportion * (float) KnobGeometry::lastFrame));
}

void TamberKnob::paint (juce::Graphics& g)
{
    const float alpha = isEnabled() ? 1.0f : disabledAlpha;

    paintFilmstripFrame (g, alpha);
    drawLabel (g, getName(), KnobGeometry::captionArea.toFloat(), labelTypeface, alpha);
    paintValueScreen (g, alpha);
}

void TamberKnob::paintFilmstripFrame (juce::Graphics& g, float alpha)
{
    const auto& strip = filmstrips[useSmallFilmstrip ? 1 : 0];
    if (! strip.isValid())
        return;

    const auto placement = useSmallFilmstrip ? KnobGeometry::smallFramePlacement : KnobGeometry::largeFramePlacement;
    g.setOpacity (filmstripOpacity * alpha);
    g.drawImage (strip,
                 placement.getX(), placement.getY(), placement.getWidth(), placement.getHeight(),
                 0, currentFrameIndex() * KnobGeometry::frameHeight, KnobGeometry::frameWidth, KnobGeometry::frameHeight);
    g.setOpacity (1.0f);
}

void TamberKnob::paintValueScreen (juce::Graphics& g, float alpha)
{
    const auto area = KnobGeometry::screenArea;
    const auto text = getTextFromValue (getValue());

    if (screenImage.isValid())
    {
        g.setOpacity (alpha);
        g.drawImage (screenImage, area.toFloat());
        g.setOpacity (1.0f);
    }
    else
    {
        drawScreen (g, area.toFloat(), {}, valueTypeface, alpha, false);
    }

    g.setColour (valueTextColour.withAlpha (valueTextAlpha * alpha));
    g.setFont (makeFont (valueTypeface, valueTextHeight, valueTextKerning));
    g.drawFittedText (text, area, juce::Justification::centred, 1, 0.0f);
}
