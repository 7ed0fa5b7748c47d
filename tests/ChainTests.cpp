#include "DemoSignal.h"
#include "OfflineRenderer.h"
#include "ProcessorHarness.h"
#include "TruePeakMeter.h"

#include <gtest/gtest.h>

using namespace ProcessorHarness;

namespace
{
OfflineRenderer::Summary renderDemo (double rate, const std::vector<std::pair<const char*, float>>& settings)
{
    TamberAudioProcessor processor;
    for (const auto& [id, value] : settings)
        setParameter (processor, id, value);

    auto demo = DemoSignal::render (rate);
    juce::MemoryAudioSource source (demo, false);
    OfflineRenderer renderer (processor, {});
    return renderer.render (source, 2, rate, [] (const auto&, int) {});
}

float decibels (float gain)
{
    return 20.0f * std::log10 (gain);
}
} // namespace

TEST (Chain, AutomaticMakeupKeepsTheDemoUnderMinusOneDbTruePeak)
{
    const auto summary = renderDemo (48000.0, { { "autoMakeup", 1.0f } });
    EXPECT_LE (decibels (summary.outputTruePeak), -1.0f);
    EXPECT_GT (summary.largestGainReductionDb, 3.0f);
}

TEST (Chain, AutomaticMakeupHoldsTheCeilingAtEveryRateAndEngine)
{
    // The limiter judges inter-sample peaks with a 129-tap interpolator. Material that fills the
    // top octave right up to Nyquist (the demo's hats, full colour) is where any two true-peak
    // interpolators part ways, by up to about a tenth of a dB.
    const std::vector<std::pair<const char*, float>> settings[] = {
        { { "autoMakeup", 1.0f } },
        { { "autoMakeup", 1.0f }, { "ratio", 9.0f }, { "threshold", -24.0f }, { "harm", 100.0f } },
        { { "autoMakeup", 1.0f }, { "ratio", 10.0f }, { "threshold", -24.0f }, { "harm", 100.0f } },
    };

    for (const double rate : { 44100.0, 48000.0, 96000.0 })
    {
        for (const auto& s : settings)
        {
            SCOPED_TRACE (testing::Message() << "ratio index " << (s.size() > 1 ? s[1].second : 4.0f) << " at " << rate);
            const auto summary = renderDemo (rate, s);
            EXPECT_LE (decibels (summary.outputTruePeak), -0.9f);
            EXPECT_LE (summary.outputPeak, 0.94406086f);
        }
    }
}

TEST (Chain, DryOnlyMixIsTheInputDelayedAndNeverGainedUp)
{
    // At mix 0 the makeup acts on the wet path only: what comes out is the dry input, delayed
    // by the oversampler inside the mixer and by the limiter, which is the plug-in latency.
    TamberAudioProcessor processor;
    setParameter (processor, "mix", 0.0f);
    setParameter (processor, "makeup", 24.0f);
    prepare (processor, 48000.0, 512);
    const int latency = processor.getLatencySamples();

    const auto input = makeProgramme (2, 9600, 48000.0);
    auto output = input;
    process (processor, output, 512);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = latency; i < output.getNumSamples(); ++i)
            ASSERT_EQ (output.getSample (ch, i), input.getSample (ch, i - latency)) << "sample " << i;
}

TEST (Chain, DryOnlyMixIsStillProtectedByTheLimiterWithAutomaticMakeup)
{
    TamberAudioProcessor processor;
    setParameter (processor, "mix", 0.0f);
    setParameter (processor, "autoMakeup", 1.0f);
    prepare (processor, 48000.0, 512);

    auto hot = makeSine (2, 24000, 48000.0, 997.0, 1.5f); // 3.5 dB over full scale
    process (processor, hot, 512);
    EXPECT_LE (hot.getMagnitude (0, hot.getNumSamples()), 0.94406086f);
}
