#include "TamberMeter.h"

#include <cmath>

namespace
{
constexpr float smallestShownReductionDb = 0.05f;
constexpr float largestReductionDb = 36.0f;
// The gain-reduction scale is three equal thirds: 0 to 5, 5 to 12 and 12 to 24 dB.
constexpr float firstThirdEndDb = 5.0f;
constexpr float secondThirdEndDb = 12.0f;
constexpr float fullScaleReductionDb = 24.0f;

constexpr float levelFloorDb = -60.0f;
constexpr float levelRangeDb = 66.0f; // -60 to +6 dBFS

constexpr float levelChangeThreshold = 0.001f;

constexpr float singleBarMaxWidth = 16.0f;
constexpr float barWidth = 12.0f;
constexpr float barGap = 8.0f;
constexpr float barCornerSize = 3.0f;
const juce::Colour barBoxColour { 0xeb050606 };
const juce::Colour barOutlineColour { 0x1fffffff };
constexpr float unlitOpacity = 0.16f;

float gainReductionFraction (float reductionDb)
{
    const float g = std::min (TamberMeter::sanitiseReduction (reductionDb), fullScaleReductionDb);
    constexpr float third = 1.0f / 3.0f;

    if (g <= firstThirdEndDb)
        return g / firstThirdEndDb * third;
    if (g <= secondThirdEndDb)
        return (g - firstThirdEndDb) / (secondThirdEndDb - firstThirdEndDb) * third + third;
    return (g - secondThirdEndDb) / (fullScaleReductionDb - secondThirdEndDb) * third + 2.0f * third;
}

float levelFraction (float levelDb)
{
    // NaN would otherwise pass the limits and turn the clip rectangle into garbage.
    if (std::isnan (levelDb))
        return 0.0f;
    return juce::jlimit (0.0f, 1.0f, (levelDb - levelFloorDb) / levelRangeDb);
}
} // namespace

TamberMeter::TamberMeter (int kindOfMeter) : kind (kindOfMeter) {}

TamberMeter::~TamberMeter() = default;

float TamberMeter::sanitiseReduction (float reductionDb)
{
    return std::isfinite (reductionDb) && reductionDb >= smallestShownReductionDb
               ? std::min (reductionDb, largestReductionDb)
               : 0.0f;
}

void TamberMeter::setChannelCount (int newChannelCount)
{
    if (newChannelCount == channelCount)
        return;

    channelCount = newChannelCount;
    repaint();
}

void TamberMeter::setLevels (float bar0, float bar1)
{
    if (kind == gainReduction)
    {
        bar0 = sanitiseReduction (bar0);
        bar1 = sanitiseReduction (bar1);
    }

    // An idle meter must never repaint.
    if (std::abs (levels[0] - bar0) < levelChangeThreshold && std::abs (levels[1] - bar1) < levelChangeThreshold)
        return;

    levels = { bar0, bar1 };
    repaint();
}

float TamberMeter::litFraction (float value) const
{
    return kind == gainReduction ? gainReductionFraction (value) : levelFraction (value);
}

void TamberMeter::paint (juce::Graphics& g)
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();

    if (channelCount == 1)
    {
        const float singleWidth = std::min (width, singleBarMaxWidth);
        paintBar (g, { (width - singleWidth) / 2.0f, 0.0f, singleWidth, height }, levels[0]);
        return;
    }

    // levels holds two values, so more bars than that have nothing to show.
    const int bars = std::min (barCount, (int) levels.size());
    const float totalWidth = (float) bars * barWidth + (float) (bars - 1) * barGap;

    for (int i = 0; i < bars; ++i)
        paintBar (g, { width / 2.0f - totalWidth / 2.0f + (barWidth + barGap) * (float) i, 0.0f, barWidth, height },
                  levels[(size_t) i]);
}

void TamberMeter::paintBar (juce::Graphics& g, juce::Rectangle<float> area, float value) const
{
    g.setColour (barBoxColour);
    g.fillRoundedRectangle (area, barCornerSize);
    g.setColour (barOutlineColour);
    g.drawRoundedRectangle (area, barCornerSize, 1.0f);

    const auto& column = kind == gainReduction ? shortImage : longImage;
    if (! column.isValid())
        return;

    g.setOpacity (unlitOpacity);
    g.drawImage (column, area);
    g.setOpacity (1.0f);

    const float fraction = litFraction (value);
    if (fraction <= 0.0f)
        return;

    const float litHeight = fraction * area.getHeight();
    const float litTop = kind == gainReduction ? area.getY() : area.getBottom() - litHeight;

    juce::Graphics::ScopedSaveState saved (g);
    g.reduceClipRegion (juce::roundToInt (area.getX()), juce::roundToInt (litTop),
                        juce::roundToInt (area.getWidth()), juce::roundToInt (litHeight));
    g.drawImage (column, area);
}
