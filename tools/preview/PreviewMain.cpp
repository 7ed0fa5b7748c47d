#include "DemoSignal.h"
#include "PluginEditor.h"
#include "PluginProcessor.h"
#include "PreviewPlayer.h"
#include "presets/TollovaneFactoryPresets.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;
constexpr int defaultRunSeconds = 120; // a forgotten preview does not run for ever

// The editor as a host shows it: the window's content is the editor and nothing else, at the
// top left of the screen so that scripts know where to click.
class PreviewWindow final : public juce::DocumentWindow
{
public:
    explicit PreviewWindow (juce::AudioProcessorEditor* editor)
        : juce::DocumentWindow ("Tollovane Preview", juce::Colours::black, 0)
    {
        setUsingNativeTitleBar (true);
        setContentOwned (editor, true);
        setTopLeftPosition (0, 0);
        setVisible (true);
    }

    void closeButtonPressed() override { juce::JUCEApplication::quit(); }
};

class PreviewApplication final : public juce::JUCEApplication, private juce::Timer
{
public:
    const juce::String getApplicationName() override { return "Tollovane Preview"; }
    const juce::String getApplicationVersion() override { return JucePlugin_VersionString; }
    bool moreThanOneInstanceAllowed() override { return true; }

    // Options: --preset NAME (a factory preset to start from), --seconds N (quit after N seconds).
    void initialise (const juce::String&) override
    {
        const auto arguments = getCommandLineParameterArray();

        processor = std::make_unique<TamberAudioProcessor>();
        processor->setRateAndBufferSizeDetails (sampleRate, blockSize);
        processor->prepareToPlay (sampleRate, blockSize);

        auto* editor = processor->createEditorIfNeeded();
        window = std::make_unique<PreviewWindow> (editor);

        const auto presetIndex = TollovaneFactoryPresets::findByName (optionValue (arguments, "--preset"));
        if (auto* tamberEditor = dynamic_cast<TamberAudioProcessorEditor*> (editor); tamberEditor != nullptr && presetIndex >= 0)
            tamberEditor->loadPreset (presetIndex);

        player = std::make_unique<PreviewPlayer> (*processor, DemoSignal::render (sampleRate), sampleRate, blockSize);
        player->start();

        const auto seconds = optionValue (arguments, "--seconds").getIntValue();
        startTimer (1000 * (seconds > 0 ? seconds : defaultRunSeconds));
    }

    void shutdown() override
    {
        player.reset();
        window.reset();
        processor.reset();
    }

private:
    static juce::String optionValue (const juce::StringArray& arguments, const juce::String& option)
    {
        const auto index = arguments.indexOf (option);
        return index >= 0 ? arguments[index + 1] : juce::String();
    }

    void timerCallback() override { quit(); }

    std::unique_ptr<TamberAudioProcessor> processor;
    std::unique_ptr<PreviewWindow> window;
    std::unique_ptr<PreviewPlayer> player;
};
} // namespace

START_JUCE_APPLICATION (PreviewApplication)
