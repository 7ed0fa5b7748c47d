#include "FixedTempoPlayHead.h"
#include "ProcessorHarness.h"
#include "TollovanePresetData.h"
#include "presets/TollovaneFactoryPresets.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

namespace
{
// The ids in the order every factory file lists them.
const std::array<const char*, 12> ids { "attack", "autoMakeup", "detector",    "harm", "makeup",    "mix",
                                        "ratio",  "release",    "sidechainHp", "sync", "threshold", "wide" };

struct FactoryFile
{
    int index;
    const char* name;
    const char* resource;
    int sizeInBytes;
    std::array<const char*, 12> values; // as written in the file, in the order of ids
};

static void PrintTo (const FactoryFile& row, std::ostream* os)
{
    *os << row.name;
}

} // namespace

class FactoryPreset : public testing::TestWithParam<FactoryFile>
{
};

TEST_P (FactoryPreset, IsEmbeddedWithExactlyItsValues)
{
    const auto& row = GetParam();

    EXPECT_STREQ (TollovaneFactoryPresets::names[row.index], row.name);
    EXPECT_STREQ (TollovanePresetData::namedResourceList[row.index], row.resource);
    EXPECT_EQ (TollovanePresetData::originalFilenames[row.index], std::string (row.name) + ".tollovane");
    int size = 0;
    ASSERT_NE (TollovanePresetData::getNamedResource (row.resource, size), nullptr);
    EXPECT_EQ (size, row.sizeInBytes);

    const auto state = TollovaneFactoryPresets::loadState (row.index);
    ASSERT_TRUE (state.isValid());
    EXPECT_TRUE (state.hasType ("PARAMETERS"));
    EXPECT_EQ (state.getNumProperties(), 0); // factory files carry no identity
    ASSERT_EQ (state.getNumChildren(), 12);

    for (int i = 0; i < 12; ++i)
    {
        const auto child = state.getChild (i);
        EXPECT_TRUE (child.hasType ("PARAM"));
        EXPECT_EQ (child["id"].toString(), ids[(size_t) i]);
        EXPECT_EQ (child["value"].toString(), row.values[(size_t) i]) << ids[(size_t) i];
    }

    // Applied, each parameter lands on the value of its file.
    TamberAudioProcessor processor;
    ASSERT_TRUE (processor.applyState (state));
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_NEAR (processor.valueTreeState.getRawParameterValue (ids[i])->load(),
                     juce::String (row.values[i]).getFloatValue(), 1.0e-4f)
            << ids[i];
}

INSTANTIATE_TEST_SUITE_P (
    TollovaneFactoryPresets, FactoryPreset,
    testing::Values (
        FactoryFile { 0, "Drum Bus Para", "Drum_Bus_Para_tollovane", 567,
                      { "0.199999988079071", "1.0", "0.0", "64.5", "3.5", "50.90000152587891", "8.0", "1.0", "53.0", "0.0",
                        "-17.79999923706055", "48.20000076293945" } },
        FactoryFile { 1, "Drum Room", "Drum_Room_tollovane", 572,
                      { "0.1799999922513962", "1.0", "0.0", "56.40000152587891", "2.600000381469727", "100.0", "10.0", "1.0",
                        "97.0", "0.0", "-22.29999923706055", "100.0" } },
        FactoryFile { 2, "Guitar Clamp", "Guitar_Clamp_tollovane", 556,
                      { "9.949999809265137", "0.0", "0.0", "40.5", "0.0", "100.0", "3.0", "5.0", "170.0", "1.0",
                        "-10.39999961853027", "34.10000228881836" } },
        FactoryFile { 3, "Harmonics + Width", "Harmonics__Width_tollovane", 515,
                      { "8.0", "0.0", "0.0", "100.0", "0.0", "100.0", "10.0", "3.0", "50.0", "0.0", "0.0", "70.5" } },
        FactoryFile { 4, "MIX FINISHER", "MIX_FINISHER_tollovane", 544,
                      { "10.64999961853027", "1.0", "1.0", "100.0", "0.0", "100.0", "6.0", "7.0", "115.0", "0.0",
                        "-7.799999237060547", "84.5" } },
        FactoryFile { 5, "Mix Glue + Excite", "Mix_Glue__Excite_tollovane", 528,
                      { "10.01000022888184", "1.0", "0.0", "50.0", "0.0", "89.5", "3.0", "7.0", "80.0", "0.0", "-10.0", "40.0" } },
        FactoryFile { 6, "Stereo Mix Bus", "Stereo_Mix_Bus_tollovane", 568,
                      { "10.02999973297119", "1.0", "0.0", "70.90000152587891", "0.0", "100.0", "4.0", "7.0", "90.0", "0.0",
                        "-15.19999980926514", "57.70000076293945" } },
        FactoryFile { 7, "Vocal Group", "Vocal_Group_tollovane", 570,
                      { "10.68000030517578", "0.0", "0.0", "100.0", "7.200000762939453", "100.0", "10.0", "2.0", "0.0", "0.0",
                        "-22.89999961853027", "52.20000076293945" } },
        FactoryFile { 8, "Vocals Up Front", "Vocals_Up_Front_tollovane", 530,
                      { "1.069999933242798", "1.0", "0.0", "100.0", "0.0", "100.0", "7.0", "0.0", "159.0", "0.0", "-15.5", "0.0" } }),
    [] (const testing::TestParamInfo<FactoryFile>& row) { return std::string (row.param.resource); });

TEST (TollovaneFactoryPresets, FindByNameIgnoresCaseButNothingElse)
{
    const struct
    {
        const char* name;
        int index;
    } cases[] = {
        { "Drum Bus Para", 0 },   { "mix finisher", 4 },     { "VOCALS UP FRONT", 8 }, { "harmonics + width", 3 },
        { "Drum Bus Para ", -1 }, { " Drum Bus Para", -1 },  { "Drum Bus", -1 },       { "Harmonics Width", -1 },
        { "", -1 },               { "Drum Bus Para.tollovane", -1 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (TollovaneFactoryPresets::findByName (c.name), c.index) << '"' << c.name << '"';
}

TEST (TollovaneFactoryPresets, LoadStateOutsideTheNineIsInvalid)
{
    for (const int index : { -1, 9, INT_MIN, INT_MAX })
        EXPECT_FALSE (TollovaneFactoryPresets::loadState (index).isValid()) << index;
}

TEST (TollovaneFactoryPresets, GuitarClampReleasesOnTheBeat)
{
    TamberAudioProcessor processor;
    auto state = TollovaneFactoryPresets::loadState (TollovaneFactoryPresets::findByName ("Guitar Clamp"));
    state.setProperty ("tollovanePresetName", "Guitar Clamp", nullptr);
    state.setProperty ("tollovanePresetKind", "factory", nullptr);
    ASSERT_TRUE (processor.applyState (state));

    FixedTempoPlayHead head (120.0);
    processor.setPlayHead (&head);
    ProcessorHarness::prepare (processor, 48000.0, 64);
    juce::AudioBuffer<float> block (2, 64);
    block.clear();
    ProcessorHarness::process (processor, block, 64);
    processor.setPlayHead (nullptr);

    // Tempo mode, index 5: one beat, 500 ms at 120 BPM.
    const auto snapshot = processor.gatherParameters();
    EXPECT_FLOAT_EQ (snapshot.releaseMs, 500.0f);
    EXPECT_FALSE (snapshot.autoRelease);
    EXPECT_EQ (processor.valueTreeState.state["tollovanePresetName"].toString(), "Guitar Clamp");
}
