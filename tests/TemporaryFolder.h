#pragma once

#include <juce_core/juce_core.h>

// A fresh folder under the system's temporary directory, deleted with everything in it when this
// goes. The tests run as parallel processes, so the folder is claimed atomically: two processes
// choosing the same unused name would share, and then delete, each other's files.
class TemporaryFolder
{
public:
    explicit TemporaryFolder (const juce::String& prefix);
    ~TemporaryFolder();

    TemporaryFolder (const TemporaryFolder&) = delete;
    TemporaryFolder& operator= (const TemporaryFolder&) = delete;

    const juce::File& get() const { return folder; }

private:
    juce::File folder;
};
