#include "ImageProbe.h"

#include "ui/EditorCanvas.h"
#include "ui/EditorLayout.h"
#include "ui/EmbeddedAssets.h"
#include "ui/TamberAboutPanel.h"
#include "ui/TamberHeaderButton.h"
#include "ui/TamberKnob.h"
#include "ui/TamberMeter.h"
#include "ui/TamberSwitch.h"

#include <BinaryData.h>

#include <gtest/gtest.h>

namespace
{
// Every widget of the editor at its layout position, painted from the embedded assets, with
// plausible values: what a user sees while a mix plays through the plug-in.
class CanvasWithWidgets : public juce::Component
{
public:
    CanvasWithWidgets()
    {
        canvas.backgroundImage = image (BinaryData::tollovanebg_png, BinaryData::tollovanebg_pngSize);
        canvas.labelTypeface = loadEmbeddedTypeface (BinaryData::RobotoMedium_ttf, BinaryData::RobotoMedium_ttfSize);
        canvas.valueTypeface = loadEmbeddedTypeface (BinaryData::RopaSansRegular_ttf, BinaryData::RopaSansRegular_ttfSize);

        const auto large = image (BinaryData::knob_big_figma_129_png, BinaryData::knob_big_figma_129_pngSize);
        const auto small = image (BinaryData::knob_small_figma_129_png, BinaryData::knob_small_figma_129_pngSize);
        const auto screen = image (BinaryData::screen_knob_png, BinaryData::screen_knob_pngSize);

        for (auto& k : knobs)
        {
            k.knob.setName (k.caption);
            k.knob.filmstrips = { large, small };
            k.knob.screenImage = screen;
            k.knob.labelTypeface = canvas.labelTypeface;
            k.knob.valueTypeface = canvas.valueTypeface;
            k.knob.useSmallFilmstrip = k.small;
            k.knob.setRange (0.0, 1.0);
            k.knob.setValue (k.proportion, juce::dontSendNotification);
            k.knob.valueFormatter = [text = juce::String (k.text)] (double) { return text; };
            addAndMakeVisible (k.knob);
        }

        autoMakeup.toggleImages = { image (BinaryData::switch_up_png, BinaryData::switch_up_pngSize),
                                    image (BinaryData::switch_down_png, BinaryData::switch_down_pngSize) };
        addAndMakeVisible (autoMakeup);

        for (auto& b : headerButtons)
        {
            if (b.hasIcon)
                installHeaderIcon (b.button, b.icon);
            addAndMakeVisible (b.button);
        }
        headerButtons[0].button.setEnabled (false); // nothing before the first preset
        headerButtons[6].button.setState (juce::Button::buttonOver);
        addChildComponent (aboutPanel);

        for (auto* meter : { &inputMeter, &grMeter, &outputMeter })
        {
            meter->longImage = image (BinaryData::meter_long_png, BinaryData::meter_long_pngSize);
            meter->shortImage = image (BinaryData::meter_short_png, BinaryData::meter_short_pngSize);
            addAndMakeVisible (*meter);
        }
        inputMeter.setLevels (-14.0f, -11.5f);
        grMeter.setLevels (4.2f, 3.6f);
        outputMeter.setLevels (-6.5f, -5.0f);

        canvas.styleReadout (grReadout);
        grReadout.setText ("-4.2 dB", juce::dontSendNotification);
        addAndMakeVisible (grReadout);

        setSize (editorBounds.getWidth(), editorBounds.getHeight());
    }

    void paint (juce::Graphics& g) override { canvas.paint (g, getLocalBounds(), "Glue The Drum Bus"); }

    void resized() override
    {
        for (auto& k : knobs)
            k.knob.setBounds (k.bounds);
        autoMakeup.setBounds (autoBounds);
        for (auto& b : headerButtons)
            b.button.setBounds (b.bounds);
        inputMeter.setBounds (inputMeterBounds);
        grMeter.setBounds (grMeterBounds);
        outputMeter.setBounds (outputMeterBounds);
        grReadout.setBounds (grReadoutBounds);
        aboutPanel.setBounds (aboutPanelBounds (getLocalBounds()));
    }

    struct PlacedKnob
    {
        const char* caption;
        juce::Rectangle<int> bounds;
        bool small;
        double proportion;
        const char* text;
        TamberKnob knob {};
    };

    struct PlacedButton
    {
        juce::Rectangle<int> bounds;
        bool hasIcon;
        HeaderIcon icon;
        TamberHeaderButton button { {} };
    };

    EditorCanvas canvas;
    PlacedKnob knobs[11] {
        { "Threshold", knobBounds[thresholdKnobSlot], false, 0.62, "-18.4 dB" },
        { "Attack", knobBounds[attackKnobSlot], false, 0.45, "8.00 ms" },
        { "Release", knobBounds[releaseKnobSlot], false, 3.0 / 7.0, "300 ms" },
        { "Ratio", knobBounds[ratioKnobSlot], false, 0.4, "4:1" },
        { "Harm", knobBounds[harmKnobSlot], false, 0.35, "35%" },
        { "Mix", knobBounds[mixKnobSlot], false, 1.0, "100%" },
        { "S/C", knobBounds[sidechainKnobSlot], false, 0.0, "Off" },
        { "Gain", knobBounds[gainKnobSlot], false, 0.55, "2.5 dB" },
        { "Peak Detector", detectorBounds, true, 0.0, "Peak" },
        { "Sync Mode", syncBounds, true, 1.0, "Tempo" },
        { "Stereo Width", wideBounds, true, 0.3, "115 %" },
    };
    TamberSwitch autoMakeup;
    PlacedButton headerButtons[7] {
        { previousButtonBounds, true, HeaderIcon::previous },
        { presetMenuButtonBounds, false, HeaderIcon::previous },
        { nextButtonBounds, true, HeaderIcon::next },
        { newButtonBounds, true, HeaderIcon::newPreset },
        { saveButtonBounds, true, HeaderIcon::save },
        { deleteButtonBounds, true, HeaderIcon::remove },
        { aboutButtonBounds, true, HeaderIcon::about },
    };
    TamberAboutPanel aboutPanel;
    TamberMeter inputMeter { TamberMeter::level };
    TamberMeter grMeter { TamberMeter::gainReduction };
    TamberMeter outputMeter { TamberMeter::level };
    juce::Label grReadout;

private:
    static juce::Image image (const char* data, int size) { return loadEmbeddedImage (data, size); }
};

TEST (EditorCanvas, CompositeWithAllWidgetsIsWrittenForReview)
{
    CanvasWithWidgets editor;
    const auto composite = snapshot (editor);
    ASSERT_EQ (composite.getBounds(), editorBounds);

    const auto file = juce::File (TOLLOVANE_SNAPSHOT_DIR).getChildFile ("editor-canvas.png");
    file.deleteFile();
    {
        juce::FileOutputStream stream (file);
        ASSERT_TRUE (stream.openedOk());
        juce::PNGImageFormat png;
        ASSERT_TRUE (png.writeImageToStream (composite, stream));
    }
    const auto reread = juce::ImageFileFormat::loadFrom (file);
    EXPECT_EQ (reread.getBounds(), editorBounds);

    // The panel picture covers the whole window.
    for (const auto corner : { juce::Point<int> (0, 0), { 1407, 0 }, { 0, 303 }, { 1407, 303 } })
        EXPECT_EQ (composite.getPixelAt (corner.x, corner.y).getAlpha(), 255);
}

TEST (EditorCanvas, OpenAboutPanelShowsInsideTheWindow)
{
    CanvasWithWidgets editor;
    editor.aboutPanel.setVisible (true);
    editor.aboutPanel.toFront (false);
    const auto composite = snapshot (editor);

    const auto panel = aboutPanelBounds (editorBounds);
    const auto close = editor.aboutPanel.closeButton.getBounds() + panel.getPosition();
    EXPECT_TRUE (editorBounds.contains (close));
    EXPECT_NE (composite.getPixelAt (close.getCentreX(), close.getY() + 2), composite.getPixelAt (close.getCentreX(), close.getY() - 4));

    const auto file = juce::File (TOLLOVANE_SNAPSHOT_DIR).getChildFile ("editor-canvas-about.png");
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat().writeImageToStream (composite, stream);
}

TEST (EditorCanvas, WithoutBackgroundTheEditorFillShows)
{
    EditorCanvas canvas;
    juce::Image image (juce::Image::ARGB, editorBounds.getWidth(), editorBounds.getHeight(), true);
    juce::Graphics g (image);
    canvas.paint (g, editorBounds, "Init");

    EXPECT_EQ (image.getPixelAt (20, 150), juce::Colour (0xff0a0b0e));
    EXPECT_NE (image.getPixelAt (presetNameScreenBounds.getX() + 6, presetNameScreenBounds.getCentreY()), juce::Colour (0xff0a0b0e));
}

// --- the layout tables -----------------------------------------------------------------------

TEST (EditorLayout, ControlsLieInsideTheEditorWithoutOverlapping)
{
    std::vector<juce::Rectangle<int>> controls (std::begin (knobBounds), std::end (knobBounds));
    controls.insert (controls.end(), { inputMeterBounds, grMeterBounds, outputMeterBounds, grReadoutBounds,
                                       detectorBounds, syncBounds, autoBounds, wideBounds });

    for (size_t i = 0; i < controls.size(); ++i)
    {
        EXPECT_TRUE (editorBounds.contains (controls[i])) << controls[i].toString();
        for (size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE (controls[i].intersects (controls[j])) << controls[i].toString() << " / " << controls[j].toString();
    }
}

TEST (EditorLayout, HeaderButtonsSitOnTheirScreens)
{
    for (const auto& button : { previousButtonBounds, presetMenuButtonBounds, nextButtonBounds })
        EXPECT_TRUE (presetNameScreenBounds.contains (button)) << button.toString();
    for (const auto& button : { newButtonBounds, saveButtonBounds, deleteButtonBounds })
        EXPECT_TRUE (presetActionScreenBounds.contains (button)) << button.toString();

    EXPECT_FALSE (presetMenuButtonBounds.intersects (previousButtonBounds));
    EXPECT_FALSE (presetMenuButtonBounds.intersects (nextButtonBounds));
    EXPECT_TRUE (editorBounds.contains (aboutButtonBounds));
}
} // namespace
