#include "TamberSwitch.h"

namespace
{
constexpr float disabledOpacity = 0.4f;
constexpr float highlightedGain = 1.08f;
constexpr float downGain = 0.9f;
} // namespace

TamberSwitch::TamberSwitch()
{
    setClickingTogglesState (true);
    setButtonText ({});
    setWantsKeyboardFocus (false);
}

TamberSwitch::~TamberSwitch() = default;

void TamberSwitch::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    const auto& image = toggleImages[getToggleState() ? 1 : 0];
    if (! image.isValid())
        return;

    float opacity = isEnabled() ? 1.0f : disabledOpacity;
    if (shouldDrawButtonAsHighlighted)
        opacity *= highlightedGain;
    if (shouldDrawButtonAsDown)
        opacity *= downGain;

    g.setOpacity (std::min (opacity, 1.0f));
    g.drawImage (image, getLocalBounds().toFloat());
    g.setOpacity (1.0f);
}
