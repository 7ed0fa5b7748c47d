#pragma once

#include "PluginEditor.h"

#include <stdexcept>

// Reaches inside the editor for what a user would see or do: its children, the identity it
// shows, one tick of its refresh, and the handlers behind the asynchronous menu and dialog.
struct TamberEditorTestAccess
{
    explicit TamberEditorTestAccess (TamberAudioProcessorEditor& editorToProbe) : editor (editorToProbe) {}

    void tick() { editor.timerCallback(); }

    TamberKnob& knob (const juce::String& caption)
    {
        for (auto* k : knobs())
            if (k->getName() == caption)
                return *k;
        throw std::invalid_argument (caption.toStdString());
    }
    std::array<TamberKnob*, 11> knobs() { return editor.knobsInTableOrder(); }
    std::array<TamberHeaderButton*, 7> headerButtons() { return editor.headerButtonsInTableOrder(); }

    TamberHeaderButton& previousButton() { return editor.previousButton; }
    TamberHeaderButton& presetMenuButton() { return editor.presetMenuButton; }
    TamberHeaderButton& nextButton() { return editor.nextButton; }
    TamberHeaderButton& newButton() { return editor.newButton; }
    TamberHeaderButton& saveButton() { return editor.saveButton; }
    TamberHeaderButton& deleteButton() { return editor.deleteButton; }
    TamberHeaderButton& aboutButton() { return editor.aboutButton; }
    TamberAboutPanel& aboutPanel() { return editor.aboutPanel; }
    TamberSwitch& autoMakeupSwitch() { return editor.autoMakeupSwitch; }
    TamberMeter& inputMeter() { return editor.inputMeter; }
    TamberMeter& grMeter() { return editor.grMeter; }
    TamberMeter& outputMeter() { return editor.outputMeter; }
    juce::Label& grReadout() { return editor.grReadout; }

    const juce::String& presetName() const { return editor.presetName; }
    bool isUserPreset() const { return editor.isUserPreset; }
    int currentPresetIndex() const { return editor.currentPresetIndex; }
    const juce::Array<juce::File>& userPresetFiles() const { return editor.userPresetFiles; }

    float shownInputLeftDb() const { return editor.shownInputLeftDb; }
    float shownOutputLeftDb() const { return editor.shownOutputLeftDb; }
    float shownGainReductionLeftDb() const { return editor.shownGainReductionLeftDb; }
    float shownGainReductionRightDb() const { return editor.shownGainReductionRightDb; }

    juce::AlertWindow* saveDialog() { return editor.saveDialog.get(); }
    juce::String proposedSaveName() const { return editor.proposeSaveName(); }

    // What the save dialog's callback does once the user confirms the name typed.
    void saveAs (const juce::String& typedName) { editor.saveUserPresetAs (typedName); }
    juce::PopupMenu presetMenu() const { return editor.createPresetMenu(); }

    // What the menu's callback does when the user picks an item of a menu built on this listing.
    void choosePresetMenuResult (int result, const juce::Array<juce::File>& listedWhenShown)
    {
        editor.handlePresetMenuResult (result, listedWhenShown);
    }

    TamberAudioProcessorEditor& editor;
};
