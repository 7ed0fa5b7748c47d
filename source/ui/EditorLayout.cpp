#include "EditorLayout.h"

namespace
{
constexpr int aboutPanelWidth = 440;
constexpr int aboutPanelPreferredHeight = 350;
constexpr int aboutPanelMargin = 12;
} // namespace

juce::Rectangle<int> aboutPanelBounds (juce::Rectangle<int> editor)
{
    const int height = std::min (aboutPanelPreferredHeight, editor.getHeight() - 2 * aboutPanelMargin);
    return { editor.getX() + (editor.getWidth() - aboutPanelWidth) / 2,
             editor.getY() + (editor.getHeight() - height) / 2,
             aboutPanelWidth,
             height };
}
