#include "EditorFixture.h"
#include "ImageProbe.h"
#include "MessagePump.h"
#include "ProcessorHarness.h"

#include "ui/EditorLayout.h"

#include <cmath>

namespace
{
using ProcessorHarness::setParameter;

// ---- construction and wiring ---------------------------------------------------------------

TEST_F (EditorFixture, OpensAtThePanelSizeWithItsChildrenStackedAsDrawn)
{
    openEditor();
    auto& probe = access();

    EXPECT_EQ (editor->getBounds(), editorBounds);
    EXPECT_FALSE (editor->isResizable());

    // Bottom to top: knobs, switch, header buttons, about panel, meters, readout. The meters and
    // the readout must stay clickable-through, and the panel must cover everything once opened.
    std::vector<juce::Component*> expected;
    for (auto* knob : probe.knobs())
        expected.push_back (knob);
    expected.push_back (&probe.autoMakeupSwitch());
    for (auto* button : probe.headerButtons())
        expected.push_back (button);
    expected.insert (expected.end(), { &probe.aboutPanel(), &probe.inputMeter(), &probe.grMeter(),
                                       &probe.outputMeter(), &probe.grReadout() });

    ASSERT_EQ ((size_t) editor->getNumChildComponents(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ (editor->getChildComponent ((int) i), expected[i]) << "child " << i;

    EXPECT_FALSE (probe.aboutPanel().isVisible());
    EXPECT_EQ (probe.grReadout().getText(), "0.0 dB");
    bool readoutTakesClicks = true, readoutChildrenTakeClicks = true;
    probe.grReadout().getInterceptsMouseClicks (readoutTakesClicks, readoutChildrenTakeClicks);
    EXPECT_FALSE (readoutTakesClicks || readoutChildrenTakeClicks);
}

TEST_F (EditorFixture, HeaderButtonsCarryTheirTooltipsAndThePresetName)
{
    openEditor();
    const char* tooltips[] { "Previous Preset", "Open Preset Menu", "Next Preset", "New Preset",
                             "Save Preset",     "Delete Preset",    "About Tollovane" };
    const auto buttons = access().headerButtons();
    for (size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ (buttons[i]->getTooltip(), tooltips[i]);

    EXPECT_EQ (access().presetMenuButton().getTitle(), "Init");
    EXPECT_EQ (access().autoMakeupSwitch().getTooltip(), "Headroom-aware Auto Makeup with linked output peak protection");
}

struct Binding
{
    const char* caption;
    const char* parameterId;
    float value;        // set before the editor opens
    float defaultValue; // where a double-click returns
    bool small;
};

class KnobBinding : public EditorFixture, public testing::WithParamInterface<Binding>
{
};

TEST_P (KnobBinding, FollowsItsParameterAndReturnsToItsDefault)
{
    const auto& binding = GetParam();
    setParameter (processor, binding.parameterId, binding.value);
    openEditor();

    auto& knob = access().knob (binding.caption);
    EXPECT_NEAR (knob.getValue(), binding.value, 1.0e-4);
    EXPECT_NEAR (knob.getDoubleClickReturnValue(), binding.defaultValue, 1.0e-4);
    EXPECT_EQ (knob.useSmallFilmstrip, binding.small);

    // A change made by the host moves the knob at once.
    const auto* parameter = processor.valueTreeState.getParameter (binding.parameterId);
    setParameter (processor, binding.parameterId, parameter->convertFrom0to1 (0.0f));
    EXPECT_NEAR (knob.getValue(), parameter->convertFrom0to1 (0.0f), 1.0e-4);
}

INSTANTIATE_TEST_SUITE_P (
    EveryKnob, KnobBinding,
    testing::Values (Binding { "Threshold", "threshold", -20.0f, -12.0f, false },
                     Binding { "S/C", "sidechainHp", 120.0f, 0.0f, false },
                     Binding { "Attack", "attack", 30.0f, 8.0f, false },
                     Binding { "Release", "release", 6.0f, 3.0f, false },
                     Binding { "Ratio", "ratio", 9.0f, 4.0f, false },
                     Binding { "Harm", "harm", 35.0f, 0.0f, false },
                     Binding { "Mix", "mix", 60.0f, 100.0f, false },
                     Binding { "Gain", "makeup", 2.5f, 0.0f, false },
                     Binding { "Peak Detector", "detector", 1.0f, 0.0f, true },
                     Binding { "Sync Mode", "sync", 1.0f, 0.0f, true },
                     Binding { "Stereo Width", "wide", 40.0f, 0.0f, true }),
    [] (const auto& row) { return juce::String (row.param.parameterId).toStdString(); });

TEST_F (EditorFixture, TheSwitchAndTheAutoMakeupParameterMoveTogether)
{
    openEditor();
    auto& autoMakeup = access().autoMakeupSwitch();

    setParameter (processor, "autoMakeup", 1.0f);
    EXPECT_TRUE (autoMakeup.getToggleState());

    autoMakeup.triggerClick();
    dispatchPendingMessages();
    EXPECT_FALSE (autoMakeup.getToggleState());
    EXPECT_EQ (parameter ("autoMakeup"), 0.0f);
}

struct ValueTextCase
{
    const char* name;
    const char* caption;
    double value;
    bool tempoSync;
    bool autoMakeup;
    const char* expected;
};

class KnobValueText : public EditorFixture, public testing::WithParamInterface<ValueTextCase>
{
};

TEST_P (KnobValueText, ShowsTheValueInItsOwnWords)
{
    const auto& c = GetParam();
    setParameter (processor, "sync", c.tempoSync ? 1.0f : 0.0f);
    setParameter (processor, "autoMakeup", c.autoMakeup ? 1.0f : 0.0f);
    openEditor();

    EXPECT_EQ (access().knob (c.caption).getTextFromValue (c.value), c.expected);
}

// juce::roundToInt sends ties to the even neighbour: half of 1 is 0.5, which rounds to 0.
INSTANTIATE_TEST_SUITE_P (
    Table, KnobValueText,
    testing::Values (ValueTextCase { "ThresholdOneDecimal", "Threshold", -12.0, false, false, "-12.0 dB" },
                     ValueTextCase { "SidechainZeroIsOff", "S/C", 0.0, false, false, "Off" },
                     ValueTextCase { "SidechainHalfIsOff", "S/C", 0.5, false, false, "Off" },
                     ValueTextCase { "SidechainOneHertz", "S/C", 1.0, false, false, "1 Hz" },
                     ValueTextCase { "SidechainRounded", "S/C", 119.6, false, false, "120 Hz" },
                     ValueTextCase { "AttackTwoDecimalsBelowTen", "Attack", 9.99, false, false, "9.99 ms" },
                     ValueTextCase { "AttackOneDecimalFromTen", "Attack", 10.0, false, false, "10.0 ms" },
                     ValueTextCase { "AttackDefault", "Attack", 8.0, false, false, "8.00 ms" },
                     ValueTextCase { "RatioUnity", "Ratio", 0.0, false, false, "1:1" },
                     ValueTextCase { "RatioFraction", "Ratio", 1.0, false, false, "1.5:1" },
                     ValueTextCase { "RatioWhole", "Ratio", 8.0, false, false, "20:1" },
                     ValueTextCase { "RatioHigh", "Ratio", 9.0, false, false, "99:1" },
                     ValueTextCase { "RatioAllIn", "Ratio", 10.0, false, false, "ALL IN" },
                     ValueTextCase { "RatioBeyondRangeClamps", "Ratio", 14.0, false, false, "ALL IN" },
                     ValueTextCase { "ReleaseStep", "Release", 3.0, false, false, "300 ms" },
                     ValueTextCase { "ReleaseStepSynced", "Release", 3.0, true, false, "1/16" },
                     ValueTextCase { "ReleaseAuto", "Release", 7.0, false, false, "AUTO" },
                     ValueTextCase { "ReleaseBarSynced", "Release", 7.0, true, false, "1 BAR" },
                     ValueTextCase { "ReleaseBelowRangeClamps", "Release", -2.0, false, false, "20 ms" },
                     ValueTextCase { "HarmPercent", "Harm", 35.4, false, false, "35%" },
                     ValueTextCase { "MixPercent", "Mix", 100.0, false, false, "100%" },
                     ValueTextCase { "GainManual", "Gain", 2.5, false, false, "2.5 dB" },
                     ValueTextCase { "GainAutomatic", "Gain", 2.5, false, true, "AUTO" },
                     ValueTextCase { "DetectorPeak", "Peak Detector", 0.0, false, false, "Peak" },
                     ValueTextCase { "DetectorRms", "Peak Detector", 1.0, false, false, "RMS" },
                     ValueTextCase { "SyncMilliseconds", "Sync Mode", 0.0, false, false, "ms" },
                     ValueTextCase { "SyncTempo", "Sync Mode", 1.0, false, false, "Tempo" },
                     ValueTextCase { "WidthZero", "Stereo Width", 0.0, false, false, "100 %" },
                     ValueTextCase { "WidthOneRoundsToEven", "Stereo Width", 1.0, false, false, "100 %" },
                     ValueTextCase { "WidthThree", "Stereo Width", 3.0, false, false, "102 %" },
                     ValueTextCase { "WidthFull", "Stereo Width", 100.0, false, false, "150 %" }),
    [] (const auto& row) { return std::string (row.param.name); });

TEST_F (EditorFixture, AboutPanelOpensInFrontAndItsCloseButtonRepaintsTheEditor)
{
    openEditor();
    auto& panel = access().aboutPanel();

    for (int i = 0; i < 2; ++i)
        access().aboutButton().onClick();

    EXPECT_TRUE (panel.isVisible());
    EXPECT_EQ (editor->getChildComponent (editor->getNumChildComponents() - 1), &panel);

    auto& repaints = countRepaints (*editor);
    panel.closeButton.onClick();
    EXPECT_FALSE (panel.isVisible());
    EXPECT_GT (repaints.count, 0);
}

TEST_F (EditorFixture, ClosingTheEditorLeavesTheParametersAloneAndReopensCleanly)
{
    setParameter (processor, "threshold", -20.0f);
    setParameter (processor, "autoMakeup", 1.0f);

    for (int i = 0; i < 3; ++i)
    {
        openEditor();
        access().tick();
        closeEditor();
    }

    // Tear-down must not write anything back through a control.
    EXPECT_NEAR (parameter ("threshold"), -20.0f, 1.0e-4);
    EXPECT_EQ (parameter ("autoMakeup"), 1.0f);

    // No attachment of a closed editor may still be listening.
    setParameter (processor, "threshold", -30.0f);
    openEditor();
    EXPECT_NEAR (access().knob ("Threshold").getValue(), -30.0, 1.0e-4);
}

TEST (EditorCreation, TheProcessorCreatesThePluginsOwnEditor)
{
    TamberAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    EXPECT_NE (dynamic_cast<TamberAudioProcessorEditor*> (editor.get()), nullptr);
}

// ---- refresh -------------------------------------------------------------------------------

class EditorRefresh : public EditorFixture
{
protected:
    void publish (float inputDb, float outputDb, float reductionDb)
    {
        processor.meterInputLeftDb = inputDb;
        processor.meterInputRightDb = inputDb;
        processor.meterOutputLeftDb = outputDb;
        processor.meterOutputRightDb = outputDb;
        processor.meterGainReductionLeftDb = reductionDb;
        processor.meterGainReductionRightDb = reductionDb;
    }
};

TEST_F (EditorRefresh, LevelsRiseQuicklyAndFallSlowly)
{
    openEditor();

    publish (0.0f, 0.0f, 0.0f);
    access().tick();
    EXPECT_NEAR (access().shownInputLeftDb(), -60.0f + 60.0f * 0.42f, 1.0e-4f); // -34.8
    EXPECT_NEAR (access().shownOutputLeftDb(), -60.0f + 60.0f * 0.44f, 1.0e-4f); // -33.6

    publish (-60.0f, -60.0f, 0.0f);
    access().tick();
    EXPECT_NEAR (access().shownInputLeftDb(), -34.8f - 25.2f * 0.16f, 1.0e-4f);
    EXPECT_NEAR (access().shownOutputLeftDb(), -33.6f - 26.4f * 0.16f, 1.0e-4f);
}

TEST_F (EditorRefresh, GainReductionShowsARiseAtOnceAndDecaysToZero)
{
    openEditor();
    auto& probe = access();

    publish (-10.0f, -10.0f, 6.0f);
    probe.tick();
    EXPECT_FLOAT_EQ (probe.shownGainReductionLeftDb(), 6.0f);
    EXPECT_EQ (probe.grReadout().getText(), "-6.0 dB");

    publish (-10.0f, -10.0f, 0.0f);
    probe.tick();
    EXPECT_NEAR (probe.shownGainReductionLeftDb(), 5.58f, 1.0e-4f); // 6 x 0.93
    EXPECT_EQ (probe.grReadout().getText(), "-5.6 dB");

    // 6 x 0.93^n falls below the 0.05 dB that can be seen after 66 ticks in all.
    int ticks = 1;
    while (probe.shownGainReductionLeftDb() > 0.0f && ticks < 200)
    {
        EXPECT_GE (probe.shownGainReductionLeftDb(), 0.05f);
        probe.tick();
        ++ticks;
    }
    EXPECT_EQ (ticks, 66);
    EXPECT_EQ (probe.grReadout().getText(), "0.0 dB");
}

struct ReductionCase
{
    const char* name;
    float ratioStep;
    float published;
    float shown;
    const char* readout;
};

class GainReductionDisplay : public EditorRefresh, public testing::WithParamInterface<ReductionCase>
{
};

TEST_P (GainReductionDisplay, ShowsWhatCanBeSeenAndNothingAtUnity)
{
    const auto& c = GetParam();
    setParameter (processor, "ratio", c.ratioStep);
    openEditor();

    publish (-10.0f, -10.0f, c.published);
    access().tick();
    EXPECT_FLOAT_EQ (access().shownGainReductionLeftDb(), c.shown);
    EXPECT_FLOAT_EQ (access().shownGainReductionRightDb(), c.shown);
    EXPECT_EQ (access().grReadout().getText(), c.readout);
}

INSTANTIATE_TEST_SUITE_P (
    Table, GainReductionDisplay,
    testing::Values (ReductionCase { "UnityIgnoresThePublishedValue", 0.0f, 12.0f, 0.0f, "0.0 dB" },
                     ReductionCase { "TooSmallToSee", 4.0f, 0.04f, 0.0f, "0.0 dB" },
                     ReductionCase { "CappedAt36", 4.0f, 40.0f, 36.0f, "-36.0 dB" },
                     ReductionCase { "NotANumber", 4.0f, std::nanf (""), 0.0f, "0.0 dB" },
                     ReductionCase { "Ordinary", 4.0f, 3.24f, 3.24f, "-3.2 dB" }),
    [] (const auto& row) { return std::string (row.param.name); });

TEST_F (EditorRefresh, ABrokenPublishedLevelDoesNotStickInTheDisplay)
{
    openEditor();

    publish (std::numeric_limits<float>::infinity(), std::nanf (""), 0.0f);
    access().tick();
    EXPECT_TRUE (std::isfinite (access().shownInputLeftDb()));
    EXPECT_TRUE (std::isfinite (access().shownOutputLeftDb()));

    publish (0.0f, 0.0f, 0.0f);
    access().tick();
    EXPECT_GT (access().shownInputLeftDb(), -60.0f);
    EXPECT_GT (access().shownOutputLeftDb(), -60.0f);
}

struct ChannelCase
{
    const char* name;
    int published;
    bool oneBar;
};

class MeterChannels : public EditorRefresh, public testing::WithParamInterface<ChannelCase>
{
};

// A 32 px meter draws one 16 px bar at x 8, or two 12 px bars at x 0 and x 20 with a gap at 16.
TEST_P (MeterChannels, AllThreeMetersDrawTheChannelsPublished)
{
    openEditor();
    processor.meterChannelCount = GetParam().published;
    access().tick();

    for (auto* meter : { &access().inputMeter(), &access().grMeter(), &access().outputMeter() })
    {
        const auto image = snapshot (*meter);
        EXPECT_EQ (image.getPixelAt (16, 40).getAlpha() > 0, GetParam().oneBar);
        EXPECT_EQ (image.getPixelAt (2, 40).getAlpha() > 0, ! GetParam().oneBar);
    }
}

INSTANTIATE_TEST_SUITE_P (Table, MeterChannels,
                          testing::Values (ChannelCase { "Stereo", 2, false }, ChannelCase { "Mono", 1, true },
                                           ChannelCase { "ZeroCountsAsMono", 0, true },
                                           ChannelCase { "NegativeCountsAsMono", -3, true },
                                           ChannelCase { "MoreThanTwoShowsTwo", 6, false }),
                          [] (const auto& row) { return std::string (row.param.name); });

TEST_F (EditorRefresh, AutoMakeupDisablesTheGainKnobWithinOneTick)
{
    openEditor();
    auto& gain = access().knob ("Gain");
    access().tick();
    ASSERT_TRUE (gain.isEnabled());

    setParameter (processor, "autoMakeup", 1.0f);
    access().tick();
    EXPECT_FALSE (gain.isEnabled());
    EXPECT_EQ (gain.getTextFromValue (gain.getValue()), "AUTO");

    setParameter (processor, "autoMakeup", 0.0f);
    access().tick();
    EXPECT_TRUE (gain.isEnabled());
}

TEST_F (EditorRefresh, ReleaseKnobRepaintsOnlyWhenTheSyncModeChanges)
{
    openEditor();
    auto& release = access().knob ("Release");
    auto& repaints = countRepaints (release);

    access().tick(); // the first tick always repaints
    EXPECT_EQ (repaints.count, 1);
    access().tick();
    EXPECT_EQ (repaints.count, 1);

    setParameter (processor, "sync", 1.0f);
    access().tick();
    EXPECT_EQ (repaints.count, 2);
    EXPECT_EQ (release.getTextFromValue (release.getValue()), "1/16");
}

TEST_F (EditorRefresh, AnIdleEditorRepaintsNothing)
{
    openEditor();
    publish (-20.0f, -22.0f, 3.0f);
    for (int i = 0; i < 200; ++i)
        access().tick();

    std::vector<RepaintCounter*> counters;
    for (auto* component : { (juce::Component*) &access().inputMeter(), (juce::Component*) &access().grMeter(),
                             (juce::Component*) &access().outputMeter(), (juce::Component*) &access().grReadout(),
                             (juce::Component*) &access().knob ("Release"), (juce::Component*) &access().knob ("Gain") })
        counters.push_back (&countRepaints (*component));

    for (int i = 0; i < 10; ++i)
        access().tick();

    for (auto* counter : counters)
        EXPECT_EQ (counter->count, 0);
}
} // namespace
