#include "PluginEditor.h"

#include "StateDocument.h"
#include "presets/TollovaneFactoryPresets.h"
#include "presets/UserPresetFolder.h"
#include "ui/EditorLayout.h"
#include "ui/EmbeddedAssets.h"

#include <BinaryData.h>

#include <cmath>
#include <iterator>

namespace
{
// Knob captions and the parameters they are bound to, in the order the knobs are set up and
// attached (knobsInTableOrder).
struct KnobBinding
{
    const char* caption;
    const char* parameterId;
};

const KnobBinding knobBindings[] {
    { "Threshold", "threshold" },   { "S/C", "sidechainHp" }, { "Attack", "attack" },
    { "Release", "release" },       { "Ratio", "ratio" },     { "Harm", "harm" },
    { "Mix", "mix" },               { "Gain", "makeup" },     { "Peak Detector", "detector" },
    { "Sync Mode", "sync" },        { "Stereo Width", "wide" },
};

const char* const headerTooltips[] { "Previous Preset", "Open Preset Menu", "Next Preset", "New Preset",
                                     "Save Preset",     "Delete Preset",    "About Tollovane" };

const char* const autoMakeupTooltip = "Headroom-aware Auto Makeup with linked output peak protection";

const juce::Identifier presetNameProperty { "tollovanePresetName" };
const juce::Identifier presetKindProperty { "tollovanePresetKind" };
const juce::String initialPresetName { "Init" };
const juce::String userKind { "user" };

constexpr int factoryPresetCount = (int) std::size (TollovaneFactoryPresets::names);
constexpr int userMenuIdBase = 100;

constexpr int refreshIntervalMs = 33;

// ---- knob value texts ----------------------------------------------------------------------

const char* const releaseStepLabels[] { "20 ms", "50 ms", "100 ms", "300 ms", "600 ms", "1200 ms", "2400 ms", "AUTO" };
const char* const tempoStepLabels[] { "1/128", "1/64", "1/32", "1/16", "1/8", "1/4", "1/2", "1 BAR" };

constexpr float ratioSteps[] { 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f, 12.0f, 20.0f };
constexpr int highRatioIndex = 9; // "99:1"
constexpr int lastRatioIndex = 10; // "ALL IN"
constexpr float wholeRatioTolerance = 0.05f;

// A side-chain filter this low does nothing audible; the parameter's bottom end means off.
constexpr float sidechainOffHz = 0.5f;
constexpr float attackOneDecimalFromMs = 10.0f;
constexpr float widthMaximum = 100.0f;
constexpr int widthTextAtZero = 100; // the knob reads as a stereo image, 100 % being unchanged

juce::String withDecimals (float value, int places, const char* unit)
{
    return juce::String (value, places) + unit;
}

juce::String thresholdText (double value)
{
    return withDecimals ((float) value, 1, " dB");
}

juce::String sidechainText (double value)
{
    const auto hz = (float) value;
    return hz <= sidechainOffHz ? juce::String ("Off") : juce::String (juce::roundToInt (hz)) + " Hz";
}

juce::String attackText (double value)
{
    const auto ms = (float) value;
    return withDecimals (ms, ms < attackOneDecimalFromMs ? 2 : 1, " ms");
}

juce::String ratioText (double value)
{
    const int index = juce::jlimit (0, lastRatioIndex, juce::roundToInt ((float) value));
    if (index == highRatioIndex)
        return "99:1";
    if (index == lastRatioIndex)
        return "ALL IN";

    const float step = ratioSteps[index];
    const bool whole = std::abs (step - std::round (step)) <= wholeRatioTolerance;
    return (whole ? juce::String (juce::roundToInt (step)) : juce::String (step, 1)) + ":1";
}

juce::String percentText (double value)
{
    return juce::String (juce::roundToInt ((float) value)) + "%";
}

juce::String detectorText (double value)
{
    return juce::roundToInt ((float) value) > 0 ? "RMS" : "Peak";
}

juce::String syncText (double value)
{
    return juce::roundToInt ((float) value) > 0 ? "Tempo" : "ms";
}

juce::String widthText (double value)
{
    const float half = juce::jlimit (0.0f, widthMaximum, (float) value) / 2.0f;
    return juce::String (widthTextAtZero + juce::roundToInt (half)) + " %";
}

// ---- refresh -------------------------------------------------------------------------------

constexpr float levelFloorDb = -60.0f;
constexpr float inputRiseCoefficient = 0.42f;
constexpr float outputRiseCoefficient = 0.44f;
constexpr float levelFallCoefficient = 0.16f;
constexpr float reductionFallCoefficient = 0.07f; // a rise in gain reduction shows at once
constexpr int highestSyncMode = 2;

float readRelaxed (const std::atomic<float>& value)
{
    return value.load (std::memory_order_relaxed);
}

// A published level that is not a number would otherwise stick in the display for good.
float approachLevel (float shown, float target, float riseCoefficient)
{
    if (! std::isfinite (target))
        target = levelFloorDb;

    const float k = shown < target ? riseCoefficient : levelFallCoefficient;
    return shown + (target - shown) * k;
}

float approachReduction (float shown, float target)
{
    const float t = TamberMeter::sanitiseReduction (target);
    const float p = TamberMeter::sanitiseReduction (shown);
    const float k = p < t ? 1.0f : reductionFallCoefficient;
    return TamberMeter::sanitiseReduction (p + (t - p) * k);
}

// ---- presets -------------------------------------------------------------------------------

struct InitialValue
{
    const char* parameterId;
    float value;
};

// What New resets to, in the order the parameters are set: the defaults of a fresh instance.
const InitialValue initialPreset[] {
    { "detector", 0.0f }, { "sync", 0.0f },    { "wide", 0.0f },   { "threshold", -12.0f },
    { "attack", 8.0f },   { "release", 3.0f }, { "ratio", 4.0f },  { "mix", 100.0f },
    { "makeup", 0.0f },   { "harm", 0.0f },    { "autoMakeup", 0.0f }, { "sidechainHp", 0.0f },
};

const char* const saveDialogTitle = "Save Tollovane Preset";
const char* const saveDialogMessage = "Enter a name for this preset.";
const char* const saveNameField = "name";
constexpr int saveResult = 1;
constexpr int cancelResult = 0;

} // namespace

TamberAudioProcessorEditor::TamberAudioProcessorEditor (TamberAudioProcessor& processorToEdit)
    : juce::AudioProcessorEditor (processorToEdit),
      tamberProcessor (processorToEdit),
      backgroundImage (loadEmbeddedImage (BinaryData::tollovanebg_png, BinaryData::tollovanebg_pngSize)),
      largeKnobImage (loadEmbeddedImage (BinaryData::knob_big_figma_129_png, BinaryData::knob_big_figma_129_pngSize)),
      smallKnobImage (loadEmbeddedImage (BinaryData::knob_small_figma_129_png, BinaryData::knob_small_figma_129_pngSize)),
      knobScreenImage (loadEmbeddedImage (BinaryData::screen_knob_png, BinaryData::screen_knob_pngSize)),
      switchUpImage (loadEmbeddedImage (BinaryData::switch_up_png, BinaryData::switch_up_pngSize)),
      switchDownImage (loadEmbeddedImage (BinaryData::switch_down_png, BinaryData::switch_down_pngSize)),
      meterLongImage (loadEmbeddedImage (BinaryData::meter_long_png, BinaryData::meter_long_pngSize)),
      meterShortImage (loadEmbeddedImage (BinaryData::meter_short_png, BinaryData::meter_short_pngSize)),
      labelTypeface (loadEmbeddedTypeface (BinaryData::RobotoMedium_ttf, BinaryData::RobotoMedium_ttfSize)),
      valueTypeface (loadEmbeddedTypeface (BinaryData::RopaSansRegular_ttf, BinaryData::RopaSansRegular_ttfSize))
{
    const auto size = backgroundImage.isValid() ? backgroundImage.getBounds() : editorBounds;
    setSize (size.getWidth(), size.getHeight());

    setUpKnobs();
    setUpAutoMakeupSwitch();
    setUpHeaderButtons();
    setUpAboutPanel();
    readPresetIdentityFromState();
    setUpMeters();
    setUpReadout();
    attachControls();

    startTimer (refreshIntervalMs);
}

TamberAudioProcessorEditor::~TamberAudioProcessorEditor()
{
    stopTimer();
    closeSaveDialog();

    // The attachments go first, so nothing that tear-down does to a control reaches a parameter.
    autoMakeupAttachment.reset();
    for (auto attachment = sliderAttachments.rbegin(); attachment != sliderAttachments.rend(); ++attachment)
        attachment->reset();

    for (auto* button : headerButtonsInTableOrder())
        button->onClick = nullptr;
    aboutPanel.onClose = nullptr;
}

std::array<TamberKnob*, 11> TamberAudioProcessorEditor::knobsInTableOrder()
{
    return { &thresholdKnob, &sidechainKnob, &attackKnob, &releaseKnob, &ratioKnob, &harmKnob,
             &mixKnob,       &gainKnob,      &detectorKnob, &syncKnob,  &widthKnob };
}

std::array<TamberHeaderButton*, 7> TamberAudioProcessorEditor::headerButtonsInTableOrder()
{
    return { &previousButton, &presetMenuButton, &nextButton, &newButton, &saveButton, &deleteButton, &aboutButton };
}

EditorCanvas TamberAudioProcessorEditor::makeCanvas() const
{
    return { backgroundImage, labelTypeface, valueTypeface };
}

// ---- construction --------------------------------------------------------------------------

void TamberAudioProcessorEditor::setUpKnobs()
{
    for (auto* knob : knobsInTableOrder())
    {
        addAndMakeVisible (*knob);
        knob->filmstrips = { largeKnobImage, smallKnobImage };
        knob->screenImage = knobScreenImage;
        knob->labelTypeface = labelTypeface;
        knob->valueTypeface = valueTypeface;
    }

    for (auto* knob : { &detectorKnob, &syncKnob, &widthKnob })
        knob->useSmallFilmstrip = true;

    installValueTexts();

    const auto knobs = knobsInTableOrder();
    for (size_t i = 0; i < knobs.size(); ++i)
        knobs[i]->setName (knobBindings[i].caption);
}

void TamberAudioProcessorEditor::installValueTexts()
{
    thresholdKnob.valueFormatter = thresholdText;
    sidechainKnob.valueFormatter = sidechainText;
    attackKnob.valueFormatter = attackText;
    releaseKnob.valueFormatter = [this] (double value) { return releaseText (value); };
    ratioKnob.valueFormatter = ratioText;
    harmKnob.valueFormatter = percentText;
    mixKnob.valueFormatter = percentText;
    gainKnob.valueFormatter = [this] (double value) { return gainText (value); };
    detectorKnob.valueFormatter = detectorText;
    syncKnob.valueFormatter = syncText;
    widthKnob.valueFormatter = widthText;
}

// The labels follow the sync parameter itself rather than the sync knob, so they are right
// even before the knob's attachment has delivered its first value.
juce::String TamberAudioProcessorEditor::releaseText (double value) const
{
    const auto* sync = tamberProcessor.valueTreeState.getRawParameterValue ("sync");
    const bool tempo = sync != nullptr && juce::roundToInt (readRelaxed (*sync)) > 0;
    const int index = juce::jlimit (0, (int) std::size (releaseStepLabels) - 1, juce::roundToInt ((float) value));
    return tempo ? tempoStepLabels[index] : releaseStepLabels[index];
}

juce::String TamberAudioProcessorEditor::gainText (double value) const
{
    return autoMakeupSwitch.getToggleState() ? juce::String ("AUTO") : withDecimals ((float) value, 1, " dB");
}

void TamberAudioProcessorEditor::setUpAutoMakeupSwitch()
{
    addAndMakeVisible (autoMakeupSwitch);
    autoMakeupSwitch.toggleImages = { switchUpImage, switchDownImage };
    autoMakeupSwitch.setTooltip (autoMakeupTooltip);
}

void TamberAudioProcessorEditor::setUpHeaderButtons()
{
    const auto buttons = headerButtonsInTableOrder();
    for (size_t i = 0; i < buttons.size(); ++i)
    {
        addAndMakeVisible (*buttons[i]);
        buttons[i]->setTooltip (headerTooltips[i]);
    }

    installHeaderIcon (previousButton, HeaderIcon::previous);
    installHeaderIcon (nextButton, HeaderIcon::next);
    installHeaderIcon (newButton, HeaderIcon::newPreset);
    installHeaderIcon (saveButton, HeaderIcon::save);
    installHeaderIcon (deleteButton, HeaderIcon::remove);
    installHeaderIcon (aboutButton, HeaderIcon::about);

    previousButton.onClick = [this] { stepPreset (-1); };
    presetMenuButton.onClick = [this] { showPresetMenu(); };
    nextButton.onClick = [this] { stepPreset (1); };
    newButton.onClick = [this] { resetToInitialPreset(); };
    saveButton.onClick = [this] { saveUserPreset(); };
    deleteButton.onClick = [this] { deleteCurrentUserPreset(); };
    aboutButton.onClick = [this] { openAboutPanel(); };
}

void TamberAudioProcessorEditor::setUpAboutPanel()
{
    addChildComponent (aboutPanel);
    aboutPanel.labelTypeface = labelTypeface;
    aboutPanel.valueTypeface = valueTypeface;
    aboutPanel.onClose = [this] { repaint(); };
}

void TamberAudioProcessorEditor::readPresetIdentityFromState()
{
    const auto state = tamberProcessor.valueTreeState.copyState();
    presetName = state.getProperty (presetNameProperty, initialPresetName).toString();
    isUserPreset = state.getProperty (presetKindProperty).toString() == userKind;
    presetMenuButton.setTitle (presetName);
    refreshPresetList();
    repaint();
}

void TamberAudioProcessorEditor::setUpMeters()
{
    for (auto* meter : { &inputMeter, &grMeter, &outputMeter })
    {
        addAndMakeVisible (*meter);
        meter->longImage = meterLongImage;
        meter->shortImage = meterShortImage;
    }
}

void TamberAudioProcessorEditor::setUpReadout()
{
    addAndMakeVisible (grReadout);
    makeCanvas().styleReadout (grReadout);
    grReadout.setText ("0.0 dB", juce::dontSendNotification);
}

void TamberAudioProcessorEditor::attachControls()
{
    auto& state = tamberProcessor.valueTreeState;
    const auto knobs = knobsInTableOrder();

    for (size_t i = 0; i < knobs.size(); ++i)
        sliderAttachments[i] = std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (
            state, knobBindings[i].parameterId, *knobs[i]);

    if (state.getParameter ("autoMakeup") != nullptr)
        autoMakeupAttachment = std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment> (
            state, "autoMakeup", autoMakeupSwitch);
}

// ---- drawing -------------------------------------------------------------------------------

void TamberAudioProcessorEditor::paint (juce::Graphics& g)
{
    makeCanvas().paint (g, getLocalBounds(), presetName);
}

void TamberAudioProcessorEditor::resized()
{
    thresholdKnob.setBounds (knobBounds[thresholdKnobSlot]);
    attackKnob.setBounds (knobBounds[attackKnobSlot]);
    ratioKnob.setBounds (knobBounds[ratioKnobSlot]);
    releaseKnob.setBounds (knobBounds[releaseKnobSlot]);
    gainKnob.setBounds (knobBounds[gainKnobSlot]);
    sidechainKnob.setBounds (knobBounds[sidechainKnobSlot]);
    harmKnob.setBounds (knobBounds[harmKnobSlot]);
    mixKnob.setBounds (knobBounds[mixKnobSlot]);
    detectorKnob.setBounds (detectorBounds);
    syncKnob.setBounds (syncBounds);
    widthKnob.setBounds (wideBounds);
    autoMakeupSwitch.setBounds (autoBounds);

    inputMeter.setBounds (inputMeterBounds);
    grMeter.setBounds (grMeterBounds);
    outputMeter.setBounds (outputMeterBounds);
    grReadout.setBounds (grReadoutBounds);

    previousButton.setBounds (previousButtonBounds);
    presetMenuButton.setBounds (presetMenuButtonBounds);
    nextButton.setBounds (nextButtonBounds);
    newButton.setBounds (newButtonBounds);
    saveButton.setBounds (saveButtonBounds);
    deleteButton.setBounds (deleteButtonBounds);
    aboutButton.setBounds (aboutButtonBounds);

    aboutPanel.setBounds (aboutPanelBounds (getLocalBounds()));
    aboutPanel.toFront (false);
}

void TamberAudioProcessorEditor::openAboutPanel()
{
    aboutPanel.setVisible (true);
    aboutPanel.toFront (true);
    aboutPanel.grabKeyboardFocus();
}

// ---- refresh -------------------------------------------------------------------------------

void TamberAudioProcessorEditor::timerCallback()
{
    const auto* ratio = tamberProcessor.valueTreeState.getRawParameterValue ("ratio");
    const bool unityRatio = ratio != nullptr && juce::roundToInt (readRelaxed (*ratio)) == 0;

    updateChannelCount();
    smoothLevels (unityRatio);
    updateReadout();
    updateGainKnobEnablement();
    updateReleaseKnobForSyncMode();
}

void TamberAudioProcessorEditor::updateChannelCount()
{
    const int published = tamberProcessor.meterChannelCount.load (std::memory_order_relaxed);
    const int channels = published <= 0 ? 1 : std::min (published, 2);

    for (auto* meter : { &inputMeter, &grMeter, &outputMeter })
        meter->setChannelCount (channels);
}

void TamberAudioProcessorEditor::smoothLevels (bool unityRatio)
{
    const auto& p = tamberProcessor;

    shownInputLeftDb = approachLevel (shownInputLeftDb, readRelaxed (p.meterInputLeftDb), inputRiseCoefficient);
    shownInputRightDb = approachLevel (shownInputRightDb, readRelaxed (p.meterInputRightDb), inputRiseCoefficient);

    // At 1:1 nothing is compressed, whatever the engine last published.
    shownGainReductionLeftDb = unityRatio ? 0.0f : approachReduction (shownGainReductionLeftDb, readRelaxed (p.meterGainReductionLeftDb));
    shownGainReductionRightDb = unityRatio ? 0.0f : approachReduction (shownGainReductionRightDb, readRelaxed (p.meterGainReductionRightDb));

    shownOutputLeftDb = approachLevel (shownOutputLeftDb, readRelaxed (p.meterOutputLeftDb), outputRiseCoefficient);
    shownOutputRightDb = approachLevel (shownOutputRightDb, readRelaxed (p.meterOutputRightDb), outputRiseCoefficient);

    inputMeter.setLevels (shownInputLeftDb, shownInputRightDb);
    grMeter.setLevels (shownGainReductionLeftDb, shownGainReductionRightDb);
    outputMeter.setLevels (shownOutputLeftDb, shownOutputRightDb);
}

void TamberAudioProcessorEditor::updateReadout()
{
    const float reduction = TamberMeter::sanitiseReduction (std::max (shownGainReductionRightDb, shownGainReductionLeftDb));
    const auto text = reduction == 0.0f ? juce::String ("0.0 dB") : withDecimals (-reduction, 1, " dB");

    if (grReadout.getText() != text)
        grReadout.setText (text, juce::dontSendNotification);
}

void TamberAudioProcessorEditor::updateGainKnobEnablement()
{
    const bool shouldBeEnabled = ! autoMakeupSwitch.getToggleState();
    if (gainKnob.isEnabled() != shouldBeEnabled)
        gainKnob.setEnabled (shouldBeEnabled);
}

void TamberAudioProcessorEditor::updateReleaseKnobForSyncMode()
{
    const auto* sync = tamberProcessor.valueTreeState.getRawParameterValue ("sync");
    const int mode = sync != nullptr ? juce::jlimit (0, highestSyncMode, juce::roundToInt (readRelaxed (*sync))) : 0;

    if (mode == shownSyncMode)
        return;

    shownSyncMode = mode;
    releaseKnob.repaint();
}

// ---- preset browser ------------------------------------------------------------------------

juce::File TamberAudioProcessorEditor::getPresetDirectory() const
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Vennic Sound")
        .getChildFile ("Tollovane")
        .getChildFile ("Presets");
}

void TamberAudioProcessorEditor::refreshPresetList()
{
    userPresetFiles = UserPresetFolder (getPresetDirectory()).listPresets();

    const int factoryIndex = TollovaneFactoryPresets::findByName (presetName);

    if (! isUserPreset)
    {
        currentPresetIndex = factoryIndex;
    }
    else if (const int listed = UserPresetFolder::indexOfPreset (userPresetFiles, presetName); listed >= 0)
    {
        currentPresetIndex = factoryPresetCount + listed;
    }
    else if (factoryIndex >= 0)
    {
        // The user's file is gone, or only repeats the factory preset of its name.
        currentPresetIndex = factoryIndex;
        isUserPreset = false;
    }
    else
    {
        currentPresetIndex = -1;
    }

    deleteButton.setEnabled (isUserPreset && currentPresetIndex >= factoryPresetCount);
}

bool TamberAudioProcessorEditor::applyWithIdentity (juce::ValueTree state, const juce::String& name, const juce::String& kind)
{
    if (! state.isValid() || ! state.hasType (tamberProcessor.valueTreeState.state.getType()))
        return false;

    state.setProperty (presetNameProperty, name, nullptr);
    state.setProperty (presetKindProperty, kind, nullptr);
    return tamberProcessor.applyState (state);
}

void TamberAudioProcessorEditor::loadPreset (int index)
{
    refreshPresetList();

    if (index < 0 || index >= factoryPresetCount + userPresetFiles.size())
        return;

    if (index < factoryPresetCount)
    {
        const juce::String name (TollovaneFactoryPresets::names[index]);
        if (applyWithIdentity (TollovaneFactoryPresets::loadState (index), name, "factory"))
            setPresetIdentity (name, false);
        return;
    }

    // The file may have changed or vanished since the listing: reading it is the only check.
    const auto file = userPresetFiles[index - factoryPresetCount];
    const auto xml = StateDocument::parseFile (file);
    if (xml == nullptr)
        return;

    const auto name = file.getFileNameWithoutExtension();
    if (applyWithIdentity (juce::ValueTree::fromXml (*xml), name, userKind))
        setPresetIdentity (name, true);
}

void TamberAudioProcessorEditor::setPresetIdentity (const juce::String& name, bool isUser)
{
    presetName = name;
    isUserPreset = isUser;
    presetMenuButton.setTitle (name);
    refreshPresetList();
    repaint();
}

void TamberAudioProcessorEditor::stepPreset (int direction)
{
    refreshPresetList();

    const int count = factoryPresetCount + userPresetFiles.size();
    if (currentPresetIndex < 0)
        loadPreset (direction > 0 ? 0 : count - 1);
    else
        loadPreset ((currentPresetIndex + direction + count) % count);
}

void TamberAudioProcessorEditor::resetToInitialPreset()
{
    auto& state = tamberProcessor.valueTreeState;

    for (const auto& initial : initialPreset)
        if (auto* parameter = state.getParameter (initial.parameterId))
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (initial.value));

    applyWithIdentity (state.copyState(), initialPresetName, "init");
    setPresetIdentity (initialPresetName, false);
}

juce::PopupMenu TamberAudioProcessorEditor::createPresetMenu() const
{
    juce::PopupMenu menu;
    menu.addSectionHeader ("Factory Presets");
    for (int i = 0; i < factoryPresetCount; ++i)
        menu.addItem (i + 1, TollovaneFactoryPresets::names[i]);

    if (userPresetFiles.isEmpty())
        return menu;

    menu.addSeparator();
    menu.addSectionHeader ("User Presets");
    for (int k = 0; k < userPresetFiles.size(); ++k)
        menu.addItem (userMenuIdBase + k, userPresetFiles.getReference (k).getFileNameWithoutExtension());

    return menu;
}

void TamberAudioProcessorEditor::showPresetMenu()
{
    refreshPresetList();

    // The menu stays open while the folder may change: a user item names the file it showed.
    createPresetMenu().showMenuAsync (
        juce::PopupMenu::Options().withTargetComponent (&presetMenuButton),
        [safeThis = juce::Component::SafePointer<TamberAudioProcessorEditor> (this),
         listedWhenShown = userPresetFiles] (int result)
        {
            if (safeThis != nullptr)
                safeThis->handlePresetMenuResult (result, listedWhenShown);
        });
}

void TamberAudioProcessorEditor::handlePresetMenuResult (int result, const juce::Array<juce::File>& listedWhenShown)
{
    if (result <= 0)
        return;

    if (result < userMenuIdBase)
    {
        loadPreset (result - 1);
        return;
    }

    const int shownPosition = result - userMenuIdBase;
    if (shownPosition >= listedWhenShown.size())
        return;

    refreshPresetList();
    const int position = userPresetFiles.indexOf (listedWhenShown.getReference (shownPosition));
    if (position >= 0)
        loadPreset (factoryPresetCount + position);
}

void TamberAudioProcessorEditor::saveUserPreset()
{
    if (saveDialog != nullptr)
    {
        saveDialog->toFront (true);
        return;
    }

    saveDialog = std::make_unique<juce::AlertWindow> (saveDialogTitle, saveDialogMessage, juce::MessageBoxIconType::NoIcon);
    saveDialog->addTextEditor (saveNameField, proposeSaveName());
    saveDialog->addButton ("Save", saveResult, juce::KeyPress (juce::KeyPress::returnKey));
    saveDialog->addButton ("Cancel", cancelResult, juce::KeyPress (juce::KeyPress::escapeKey));

    saveDialog->enterModalState (
        true,
        juce::ModalCallbackFunction::create (
            [safeThis = juce::Component::SafePointer<TamberAudioProcessorEditor> (this)] (int result)
            {
                if (safeThis != nullptr)
                    safeThis->finishSaveDialog (result);
            }),
        false);
}

// A factory preset is never offered under its own name, so saving it does not make a copy
// that hides itself.
juce::String TamberAudioProcessorEditor::proposeSaveName() const
{
    if (presetName == initialPresetName)
        return "My Preset";
    return isUserPreset ? presetName : presetName + " Copy";
}

void TamberAudioProcessorEditor::finishSaveDialog (int result)
{
    const auto typed = saveDialog != nullptr ? saveDialog->getTextEditorContents (saveNameField) : juce::String();
    saveDialog.reset();

    if (result == saveResult)
        saveUserPresetAs (typed);
}

void TamberAudioProcessorEditor::saveUserPresetAs (const juce::String& typedName)
{
    const auto name = UserPresetFolder::makePresetName (typedName);
    if (name.isEmpty())
        return;

    auto state = tamberProcessor.valueTreeState.copyState();
    state.setProperty (presetNameProperty, name, nullptr);
    state.setProperty (presetKindProperty, userKind, nullptr);

    if (! UserPresetFolder (getPresetDirectory()).writePreset (name, state))
        return;

    if (tamberProcessor.applyState (state))
        setPresetIdentity (name, true);
}

// Closing the window while the dialog is open must neither save nor leave the dialog behind:
// its callback runs later and finds no editor.
void TamberAudioProcessorEditor::closeSaveDialog()
{
    if (const auto dialog = std::move (saveDialog))
        dialog->exitModalState (cancelResult);
}

void TamberAudioProcessorEditor::deleteCurrentUserPreset()
{
    refreshPresetList();

    const int position = currentPresetIndex - factoryPresetCount;
    if (! isUserPreset || position < 0 || position >= userPresetFiles.size())
        return;

    if (! userPresetFiles.getReference (position).deleteFile())
        return;

    refreshPresetList();
    loadPreset (0);
}
