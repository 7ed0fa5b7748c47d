#include "TamberAboutPanel.h"

#include "DrawingHelpers.h"

namespace
{
const juce::Colour panelFill { 0xf5080909 };
const juce::Colour panelOutline { 0xb8f3d267 };
constexpr float cornerSize = 7.0f;

struct TextLine
{
    const char* text;
    juce::uint32 colour;
    bool usesValueTypeface;
    float height;
    float kerning;
    int y;
    int lineHeight;
};

const TextLine textLines[] {
    { "TOLLOVANE", 0xffffefbc, false, 20.0f, 0.0f, 18, 30 },
    { "BY VENNIC SOUND", 0xccffffff, false, 12.0f, 0.08f, 54, 18 },
    { "DSP, INTERFACE AND ARTWORK MADE IN-HOUSE", 0xccffffff, false, 12.0f, 0.08f, 78, 18 },
    { "Version " JucePlugin_VersionString, 0xb8f3d267, true, 14.0f, 0.06f, 108, 20 },
};
constexpr int textSideMargin = 24;

constexpr int closeButtonWidth = 88;
constexpr int closeButtonHeight = 24;
constexpr int closeButtonBottomGap = 38;
} // namespace

TamberAboutPanel::TamberAboutPanel()
{
    addAndMakeVisible (closeButton);
    closeButton.onClick = [this]
    {
        setVisible (false);
        if (onClose)
            onClose();
    };
    setVisible (false);
}

TamberAboutPanel::~TamberAboutPanel() = default;

void TamberAboutPanel::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    g.setColour (panelFill);
    g.fillRoundedRectangle (bounds, cornerSize);

    g.setColour (panelOutline);
    g.drawRoundedRectangle (bounds.reduced (0.5f), cornerSize, 1.0f);

    for (const auto& line : textLines)
    {
        g.setColour (juce::Colour (line.colour));
        g.setFont (makeFont (line.usesValueTypeface ? valueTypeface : labelTypeface, line.height, line.kerning));
        g.drawFittedText (line.text, textSideMargin, line.y, getWidth() - 2 * textSideMargin, line.lineHeight,
                          juce::Justification::centred, 1, 0.0f);
    }
}

void TamberAboutPanel::resized()
{
    closeButton.setBounds ((getWidth() - closeButtonWidth) / 2, getHeight() - closeButtonBottomGap,
                           closeButtonWidth, closeButtonHeight);
}
