#include "PluginEditor.h"
#include "PluginProcessor.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>
#include <memory>

// Opens and closes the editor in a real window many times while audio runs, the way a user
// works a host: looking, opening the about panel, stepping through presets, saving and deleting a
// preset, and closing the window while the save dialog or the preset menu is still open. Built
// with the sanitizers, any leak, use after free or undefined behaviour ends the run with an error.
namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 256;
constexpr int defaultCycles = 36;
constexpr int stepIntervalMs = 25;
constexpr int stepsPerCycle = 14; // long enough for several refresh ticks and every action below

const juce::String savedName { "Cycle Check" };
const juce::String unsavedName { "Left Open" };

enum class Visit
{
    justLook,
    openAbout,
    stepThroughPresets,
    leaveSaveDialogOpen,
    leaveMenuOpen,
    saveThenDelete,
    count
};

juce::Button* findButton (juce::Component& editor, const juce::String& tooltip)
{
    for (auto* child : editor.getChildren())
        if (auto* button = dynamic_cast<juce::Button*> (child); button != nullptr && button->getTooltip() == tooltip)
            return button;
    return nullptr;
}

juce::AlertWindow* openSaveDialog()
{
    return dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
}

class HostWindow final : public juce::DocumentWindow
{
public:
    explicit HostWindow (juce::AudioProcessorEditor* editor)
        : juce::DocumentWindow ("Tollovane", juce::Colours::black, 0)
    {
        setUsingNativeTitleBar (true);
        setContentOwned (editor, true);
        setVisible (true);
    }

    void closeButtonPressed() override {}
};

class EditorCycleCheck final : public juce::JUCEApplication, private juce::Timer
{
public:
    const juce::String getApplicationName() override { return "Tollovane Editor Cycle Check"; }
    const juce::String getApplicationVersion() override { return JucePlugin_VersionString; }
    bool moreThanOneInstanceAllowed() override { return true; }

    // Option: --cycles N.
    void initialise (const juce::String&) override
    {
        const auto arguments = getCommandLineParameterArray();
        const auto index = arguments.indexOf ("--cycles");
        const auto requested = index >= 0 ? arguments[index + 1].getIntValue() : 0;
        cycles = requested > 0 ? requested : defaultCycles;

        processor = std::make_unique<TamberAudioProcessor>();
        processor->setRateAndBufferSizeDetails (sampleRate, blockSize);
        processor->prepareToPlay (sampleRate, blockSize);
        audio.setSize (2, blockSize);

        startTimer (stepIntervalMs);
    }

    void shutdown() override
    {
        window.reset();
        processor.reset();
    }

private:
    void timerCallback() override
    {
        processOneBlock();

        if (window == nullptr)
        {
            openEditor();
            return;
        }

        act (static_cast<Visit> (cycle % (int) Visit::count), ++step);

        if (step < stepsPerCycle)
            return;

        window.reset();
        if (++cycle >= cycles)
            finish();
    }

    void openEditor()
    {
        auto* editor = processor->createEditorIfNeeded();
        presetFolder = dynamic_cast<TamberAudioProcessorEditor&> (*editor).getPresetDirectory();
        window = std::make_unique<HostWindow> (editor);
        step = 0;
    }

    void click (const juce::String& tooltip)
    {
        if (auto* button = findButton (*window->getContentComponent(), tooltip))
            button->triggerClick();
        else
            fail ("no button \"" + tooltip + "\"");
    }

    void typeIntoSaveDialog (const juce::String& name)
    {
        if (auto* dialog = openSaveDialog())
            dialog->getTextEditor ("name")->setText (name, false);
        else
            fail ("the save dialog did not open");
    }

    void confirmSaveDialog()
    {
        if (auto* dialog = openSaveDialog())
            for (auto* child : dialog->getChildren())
                if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == "Save")
                    button->triggerClick();
    }

    void expectPresetFile (const juce::String& name, bool shouldExist)
    {
        if (presetFolder.getChildFile (name + ".tollovane").existsAsFile() != shouldExist)
            fail ("\"" + name + "\" should " + (shouldExist ? "" : "not ") + "be in the preset folder");
    }

    void act (Visit visit, int atStep)
    {
        switch (visit)
        {
            case Visit::justLook:
                break;
            case Visit::openAbout:
                if (atStep == 2)
                    click ("About Tollovane");
                break;
            case Visit::stepThroughPresets:
                if (atStep == 2 || atStep == 3)
                    click ("Next Preset");
                else if (atStep == 4)
                    click ("Previous Preset");
                else if (atStep == 5)
                    click ("New Preset");
                break;
            case Visit::leaveSaveDialogOpen:
                if (atStep == 2)
                    click ("Save Preset");
                else if (atStep == 4)
                    typeIntoSaveDialog (unsavedName);
                break;
            case Visit::leaveMenuOpen:
                if (atStep == 2)
                    click ("Open Preset Menu");
                break;
            case Visit::saveThenDelete:
                if (atStep == 2)
                    click ("Save Preset");
                else if (atStep == 4)
                    typeIntoSaveDialog (savedName);
                else if (atStep == 5)
                    confirmSaveDialog();
                else if (atStep == 7)
                    expectPresetFile (savedName, true);
                else if (atStep == 8)
                    click ("Delete Preset");
                else if (atStep == 10)
                    expectPresetFile (savedName, false);
                break;
            case Visit::count:
                break;
        }
    }

    void processOneBlock()
    {
        for (int i = 0; i < blockSize; ++i, ++sampleIndex)
        {
            const auto x = 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi * 220.0 * (double) sampleIndex / sampleRate);
            audio.setSample (0, i, x);
            audio.setSample (1, i, x);
        }
        processor->processBlock (audio, midi);
    }

    void fail (const juce::String& message)
    {
        std::cerr << "cycle " << cycle << ", step " << step << ": " << message << std::endl;
        ++failures;
    }

    void finish()
    {
        stopTimer();
        expectPresetFile (unsavedName, false);
        std::cout << cycles << " editor openings, " << failures << " failures" << std::endl;
        setApplicationReturnValue (failures == 0 ? 0 : 1);
        quit();
    }

    std::unique_ptr<TamberAudioProcessor> processor;
    std::unique_ptr<HostWindow> window;
    juce::AudioBuffer<float> audio;
    juce::MidiBuffer midi;
    juce::File presetFolder;
    juce::int64 sampleIndex = 0;
    int cycles = defaultCycles;
    int cycle = 0;
    int step = 0;
    int failures = 0;
};
} // namespace

START_JUCE_APPLICATION (EditorCycleCheck)
