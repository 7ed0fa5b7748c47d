#pragma once

#include "EditorTestAccess.h"
#include "PluginEditor.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

// A processor and its editor, with the user's application-data folder moved into a fresh
// temporary home, so no test ever reads or writes the real preset folder.
class EditorFixture : public testing::Test
{
protected:
    EditorFixture();
    ~EditorFixture() override;

    TamberAudioProcessorEditor& openEditor();
    void closeEditor();
    TamberEditorTestAccess& access();

    juce::File presetFolder() const;
    // Writes a preset file by hand, as another instance or the user would have left it.
    juce::File writePresetFile (const juce::String& fileName, const juce::String& text);
    juce::File writePresetFile (const juce::String& fileName, const juce::ValueTree& state);

    float parameter (const juce::String& id);
    juce::String stateProperty (const juce::String& name);

    TemporaryFolder temporaryHome;
    juce::File home;
    TamberAudioProcessor processor;
    std::unique_ptr<TamberAudioProcessorEditor> editor;

private:
    std::optional<TamberEditorTestAccess> editorAccess;
    std::optional<juce::String> savedHome, savedConfigHome;
};
