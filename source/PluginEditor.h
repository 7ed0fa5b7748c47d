#pragma once

#include "PluginProcessor.h"
#include "ui/EditorCanvas.h"
#include "ui/TamberAboutPanel.h"
#include "ui/TamberHeaderButton.h"
#include "ui/TamberKnob.h"
#include "ui/TamberMeter.h"
#include "ui/TamberSwitch.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <memory>

// The plug-in's window: eleven knobs and a switch bound to the parameters, three meters polled
// from the processor, and a preset bar that browses the factory presets and the user's preset
// folder. Everything runs on the message thread. The editor registers no listener anywhere; it
// polls on its timer and the attachments push parameter changes.
class TamberAudioProcessorEditor final : public juce::AudioProcessorEditor, private juce::Timer
{
public:
    explicit TamberAudioProcessorEditor (TamberAudioProcessor& processorToEdit);
    ~TamberAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    // The preset browser. Every operation reads the folder afresh.
    juce::File getPresetDirectory() const;
    void refreshPresetList();
    void loadPreset (int index);
    void showPresetMenu();
    void saveUserPreset();
    void setPresetIdentity (const juce::String& name, bool isUser);

private:
    // The tests reach the children, and the handlers behind the asynchronous menu and dialog,
    // without a window or an event loop.
    friend struct TamberEditorTestAccess;

    void timerCallback() override;

    void setUpKnobs();
    void installValueTexts();
    void setUpAutoMakeupSwitch();
    void setUpHeaderButtons();
    void setUpAboutPanel();
    void readPresetIdentityFromState();
    void setUpMeters();
    void setUpReadout();
    void attachControls();

    std::array<TamberKnob*, 11> knobsInTableOrder();
    std::array<TamberHeaderButton*, 7> headerButtonsInTableOrder();
    EditorCanvas makeCanvas() const;

    juce::String releaseText (double value) const;
    juce::String gainText (double value) const;

    void updateChannelCount();
    void smoothLevels (bool unityRatio);
    void updateReadout();
    void updateGainKnobEnablement();
    void updateReleaseKnobForSyncMode();

    bool applyWithIdentity (juce::ValueTree state, const juce::String& name, const juce::String& kind);
    juce::PopupMenu createPresetMenu() const;
    void handlePresetMenuResult (int result, const juce::Array<juce::File>& listedWhenShown);
    void stepPreset (int direction);
    void resetToInitialPreset();
    juce::String proposeSaveName() const;
    void finishSaveDialog (int result);
    void saveUserPresetAs (const juce::String& typedName);
    void deleteCurrentUserPreset();
    void openAboutPanel();
    void closeSaveDialog();

    TamberAudioProcessor& tamberProcessor;

    juce::Image backgroundImage, largeKnobImage, smallKnobImage, knobScreenImage, switchUpImage, switchDownImage,
        meterLongImage, meterShortImage;
    juce::Typeface::Ptr labelTypeface, valueTypeface;

    TamberHeaderButton previousButton { {} }, presetMenuButton { {} }, nextButton { {} }, newButton { {} },
        saveButton { {} }, deleteButton { {} }, aboutButton { {} };
    TamberAboutPanel aboutPanel;

    juce::Array<juce::File> userPresetFiles;
    std::unique_ptr<juce::AlertWindow> saveDialog;
    juce::String presetName { "Init" };
    int currentPresetIndex = -1;
    bool isUserPreset = false;

    TamberKnob thresholdKnob, sidechainKnob, attackKnob, releaseKnob, ratioKnob, harmKnob, mixKnob, gainKnob,
        detectorKnob, syncKnob, widthKnob;
    TamberSwitch autoMakeupSwitch;
    TamberMeter inputMeter { TamberMeter::level }, grMeter { TamberMeter::gainReduction },
        outputMeter { TamberMeter::level };
    juce::Label grReadout;

    std::array<std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment>, 11> sliderAttachments;
    std::unique_ptr<juce::AudioProcessorValueTreeState::ButtonAttachment> autoMakeupAttachment;

    float shownInputLeftDb = -60.0f, shownInputRightDb = -60.0f;
    float shownGainReductionLeftDb = 0.0f, shownGainReductionRightDb = 0.0f;
    float shownOutputLeftDb = -60.0f, shownOutputRightDb = -60.0f;
    int shownSyncMode = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TamberAudioProcessorEditor)
};
