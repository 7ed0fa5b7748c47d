#include "EditorCanvas.h"

#include "DrawingHelpers.h"
#include "EditorLayout.h"

namespace
{
const juce::Colour editorFill { 0xff0a0b0e };
const juce::Colour readoutTextColour { 0xccf3d267 };
constexpr float readoutTextHeight = 14.0f;
constexpr float readoutTextKerning = 0.06f;

struct Caption
{
    const char* text;
    juce::Rectangle<float> area;
};

const Caption meterCaptions[] {
    { "IN", { 96.0f, 60.0f, 32.0f, 14.0f } },
    { "GR", { 1200.0f, 60.0f, 32.0f, 14.0f } },
    { "OUT", { 1292.0f, 60.0f, 32.0f, 14.0f } },
    { "AUTO MAKEUP", { 1056.0f, 186.0f, 96.0f, 14.0f } },
};
} // namespace

void EditorCanvas::paint (juce::Graphics& g, juce::Rectangle<int> bounds, const juce::String& presetName) const
{
    g.fillAll (editorFill);

    if (backgroundImage.isValid())
        g.drawImage (backgroundImage, bounds.toFloat());

    drawScreen (g, presetNameScreenBounds.toFloat(), presetName, labelTypeface, 1.0f, true);
    drawScreen (g, presetActionScreenBounds.toFloat(), {}, valueTypeface, 1.0f, false);
    drawScreen (g, grReadoutBounds.toFloat(), {}, valueTypeface, 1.0f, false);

    for (const auto& caption : meterCaptions)
        drawLabel (g, caption.text, caption.area, labelTypeface, 1.0f);
}

void EditorCanvas::styleReadout (juce::Label& readout) const
{
    readout.setEditable (false, false, false);
    readout.setInterceptsMouseClicks (false, false);
    readout.setJustificationType (juce::Justification::centred);
    readout.setColour (juce::Label::textColourId, readoutTextColour);
    readout.setColour (juce::Label::backgroundColourId, juce::Colours::transparentBlack);
    readout.setFont (makeFont (valueTypeface, readoutTextHeight, readoutTextKerning));
}
