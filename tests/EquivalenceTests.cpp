#include "DemoSignal.h"
#include "dsp/FourEngineCompressor.h"
#include "reference/FourEngineCompressor.h"

#include <gtest/gtest.h>

// The optimised engine against the plain one kept in tests/reference: the same settings and the
// same programme through both, sample by sample. The tolerance, 1e-6 of full scale, is far below
// anything audible (-120 dBFS) and well above float rounding at full scale (6e-8). Above full
// scale (manual makeup can put the wet signal 25 dB over) it is 1e-6 of the sample itself, since
// one unit of float rounding alone is 1e-6 at a level of 8.
namespace
{
constexpr double tolerance = 1.0e-6;

// The demo (drums, bass and pads with a quiet intro and a loud chorus), then two seconds of
// noise bursts over a tone pushed 6 dB over full scale so that the limiter and the soft clip
// work hard, then silence for the tails.
juce::AudioBuffer<float> programme (double rate)
{
    const auto demo = DemoSignal::render (rate);
    const int burstLength = (int) (2.0 * rate);
    const int tailLength = (int) (0.5 * rate);
    const int burstSection = (int) (0.05 * rate);

    juce::AudioBuffer<float> buffer (2, demo.getNumSamples() + burstLength + tailLength);
    buffer.clear();
    for (int ch = 0; ch < 2; ++ch)
        buffer.copyFrom (ch, 0, demo, ch, 0, demo.getNumSamples());

    juce::Random random (99);
    for (int i = 0; i < burstLength; ++i)
    {
        const bool loud = (i / burstSection) % 2 == 0;
        const float tone = 1.2f * (float) std::sin (juce::MathConstants<double>::twoPi * 110.0 * i / rate);
        for (int ch = 0; ch < 2; ++ch)
        {
            const float noise = (random.nextFloat() * 2.0f - 1.0f) * (loud ? 0.8f : 0.02f);
            buffer.setSample (ch, demo.getNumSamples() + i, tone + noise);
        }
    }
    return buffer;
}

struct Rendered
{
    juce::AudioBuffer<float> output;
    std::vector<float> reductionMeters; // per sub-block: left, right
};

template <typename Engine>
Rendered render (const juce::AudioBuffer<float>& input, const ParameterSnapshot& snapshot, double rate, int numChannels,
                 int blockSize)
{
    juce::ScopedNoDenormals noDenormals; // as on the audio thread
    Engine engine;
    engine.prepare (rate, blockSize, numChannels, snapshot);

    Rendered result { juce::AudioBuffer<float> (numChannels, input.getNumSamples()), {} };
    auto& output = result.output;
    for (int ch = 0; ch < numChannels; ++ch)
        output.copyFrom (ch, 0, input, ch, 0, input.getNumSamples());

    for (int start = 0; start < output.getNumSamples(); start += blockSize)
    {
        const int n = std::min (blockSize, output.getNumSamples() - start);
        juce::AudioBuffer<float> view (output.getArrayOfWritePointers(), numChannels, start, n);
        engine.processSubBlock (view, numChannels, n, snapshot);
        result.reductionMeters.push_back (engine.lastGainReductionLeftDb);
        result.reductionMeters.push_back (engine.lastGainReductionRightDb);
    }
    return result;
}

struct EquivalenceCase
{
    std::string name;
    int ratioIndex; // 0 "1:1", 4 "4:1", 9 "99:1", 10 "ALL IN"
    float harmPercent;
    double rate;
    bool autoMakeup = true;
    float makeupDb = 0.0f;
    int numChannels = 2;
    int blockSize = 512;
    bool rmsAutoReleaseSidechain = false;
};

ParameterSnapshot snapshotFor (const EquivalenceCase& c)
{
    constexpr float ratios[] = { 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f, 12.0f, 20.0f, 99.0f, 99.0f };
    ParameterSnapshot snapshot;
    snapshot.thresholdDb = -24.0f;
    snapshot.attackMs = 5.0f;
    snapshot.ratio = ratios[c.ratioIndex];
    snapshot.ratioMode = c.ratioIndex == 10 ? 2 : (c.ratioIndex == 9 ? 1 : 0);
    snapshot.harmAmount = 0.8f * c.harmPercent / 100.0f;
    snapshot.autoMakeup = c.autoMakeup;
    snapshot.makeupDb = c.makeupDb;
    snapshot.width = 1.25f;
    if (c.rmsAutoReleaseSidechain)
    {
        snapshot.rmsDetector = true;
        snapshot.autoRelease = true;
        snapshot.sidechainHpHz = 150.0f;
        snapshot.mix = 0.6f;
    }
    return snapshot;
}

void PrintTo (const EquivalenceCase& c, std::ostream* os)
{
    *os << c.name;
}

class Equivalence : public testing::TestWithParam<EquivalenceCase>
{
};

TEST_P (Equivalence, OptimisedEngineMatchesThePlainOne)
{
    const auto& c = GetParam();
    const auto input = programme (c.rate);
    const auto snapshot = snapshotFor (c);
    const auto optimisedRender = render<FourEngineCompressor> (input, snapshot, c.rate, c.numChannels, c.blockSize);
    const auto plainRender = render<reference::FourEngineCompressor> (input, snapshot, c.rate, c.numChannels, c.blockSize);
    const auto& optimised = optimisedRender.output;
    const auto& plain = plainRender.output;

    // The dynamics take the same library calls in the same order: the largest reduction of every
    // sub-block comes out exactly the same.
    EXPECT_EQ (optimisedRender.reductionMeters, plainRender.reductionMeters);

    double largest = 0.0, largestRelativeToScale = 0.0;
    int where = 0;
    for (int ch = 0; ch < c.numChannels; ++ch)
    {
        for (int i = 0; i < input.getNumSamples(); ++i)
        {
            const double expected = plain.getSample (ch, i);
            const double difference = std::abs ((double) optimised.getSample (ch, i) - expected);
            largest = std::max (largest, difference);
            const double relative = difference / std::max (1.0, std::abs (expected));
            if (relative > largestRelativeToScale)
            {
                largestRelativeToScale = relative;
                where = i;
            }
        }
    }

    RecordProperty ("maxAbsDifference", testing::PrintToString (largest));
    EXPECT_LE (largestRelativeToScale, tolerance) << "at sample " << where;

    // A difference of zero would also pass if both engines produced silence.
    EXPECT_GT (plain.getMagnitude (0, plain.getNumSamples()), 0.5f);
}

std::vector<EquivalenceCase> everyEngineHarmAndRate()
{
    std::vector<EquivalenceCase> cases;
    const std::pair<const char*, int> engines[] = { { "Unity", 0 }, { "Standard", 4 }, { "NinetyNine", 9 }, { "AllIn", 10 } };
    const std::pair<const char*, double> rates[] = { { "44k", 44100.0 }, { "48k", 48000.0 }, { "96k", 96000.0 } };

    for (const auto& [engineName, ratioIndex] : engines)
        for (const float harm : { 0.0f, 100.0f })
            for (const auto& [rateName, rate] : rates)
                cases.push_back ({ std::string (engineName) + "Harm" + std::to_string ((int) harm) + "At" + rateName,
                                   ratioIndex, harm, rate });
    return cases;
}

INSTANTIATE_TEST_SUITE_P (EveryEngine, Equivalence, testing::ValuesIn (everyEngineHarmAndRate()),
                          [] (const auto& row) { return row.param.name; });

// Settings that take other branches: manual makeup far up with the limiter off, RMS detection
// with AUTO release and the sidechain filter at 60 % mix, mono, and host blocks that do not
// divide the internal chunking.
INSTANTIATE_TEST_SUITE_P (
    OtherPaths, Equivalence,
    testing::Values (EquivalenceCase { "ManualMakeupPlus24", 4, 50.0f, 48000.0, false, 24.0f },
                     EquivalenceCase { "RmsAutoReleaseSidechainMix", 9, 100.0f, 48000.0, true, 0.0f, 2, 512, true },
                     EquivalenceCase { "Mono", 10, 100.0f, 44100.0, true, 0.0f, 1 },
                     EquivalenceCase { "OddBlocks", 10, 100.0f, 48000.0, true, 0.0f, 2, 333 },
                     EquivalenceCase { "SingleSampleBlocks", 4, 100.0f, 48000.0, true, 0.0f, 2, 1 }),
    [] (const auto& row) { return row.param.name; });
} // namespace
