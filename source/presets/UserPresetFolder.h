#pragma once

#include <juce_data_structures/juce_data_structures.h>

// The folder that holds the user's preset files, one ".tollovane" file per preset, named after
// it. It reads the folder afresh on every call and keeps nothing: other instances of the
// plug-in, or the user, may change the folder at any time. The folder holds the user's work,
// so nothing here ever writes a partial file or touches a file outside the folder.
class UserPresetFolder
{
public:
    static constexpr const char* fileExtension = ".tollovane";

    explicit UserPresetFolder (juce::File folderToUse);

    // The preset files directly inside the folder, in natural order (B1, b2, b10), without the
    // files that only repeat a factory preset; a missing folder lists nothing.
    juce::Array<juce::File> listPresets() const;

    // Writes the state under the name, replacing a file of that name only once the new one is
    // complete. Creates the folder when needed. False when nothing was written.
    bool writePreset (const juce::String& name, const juce::ValueTree& state) const;

    // The position of the file named after the preset in a listing, or -1. Only a plain file name
    // matches, so a name read from a host's state can never point outside the folder.
    static int indexOfPreset (const juce::Array<juce::File>& presets, const juce::String& name);

    // The name a preset is saved under for what the user typed: trimmed, without the characters
    // file systems reject, at most 128 characters. Empty when nothing usable is left, including
    // names made only of dots, which would name the folder itself or its parent.
    static juce::String makePresetName (const juce::String& typed);

    // True when the file holds exactly the twelve values of the factory preset it is named after.
    static bool repeatsFactoryPreset (const juce::File& file);

private:
    juce::File folder;
};
