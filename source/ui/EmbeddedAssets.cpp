#include "EmbeddedAssets.h"

#include "TamberHeaderButton.h"

#include <BinaryData.h>

namespace
{
struct Resource
{
    const char* data;
    int size;
};

struct IconSet
{
    HeaderIcon icon;
    Resource pictures[TamberHeaderButton::stateCount];
    juce::Point<int> offsets[TamberHeaderButton::stateCount];
};

// Pictures in the order inactive, default, hovered, pressed.
const IconSet iconSets[] {
    { HeaderIcon::previous,
      { { BinaryData::arrow_left_inactive_png, BinaryData::arrow_left_inactive_pngSize },
        { BinaryData::arrow_left_default_png, BinaryData::arrow_left_default_pngSize },
        { BinaryData::arrow_left_hovered_png, BinaryData::arrow_left_hovered_pngSize },
        { BinaryData::arrow_left_pressed_png, BinaryData::arrow_left_pressed_pngSize } },
      { { 2, 2 }, { 2, 2 }, { 1, 0 }, { 1, 0 } } },
    { HeaderIcon::next,
      { { BinaryData::arrow_right_inactive_png, BinaryData::arrow_right_inactive_pngSize },
        { BinaryData::arrow_right_default_png, BinaryData::arrow_right_default_pngSize },
        { BinaryData::arrow_right_hovered_png, BinaryData::arrow_right_hovered_pngSize },
        { BinaryData::arrow_right_pressed_png, BinaryData::arrow_right_pressed_pngSize } },
      { { 2, 2 }, { 2, 2 }, { 2, 0 }, { 2, 0 } } },
    { HeaderIcon::newPreset,
      { { BinaryData::new_inactive_png, BinaryData::new_inactive_pngSize },
        { BinaryData::new_default_png, BinaryData::new_default_pngSize },
        { BinaryData::new_hovered_png, BinaryData::new_hovered_pngSize },
        { BinaryData::new_pressed_png, BinaryData::new_pressed_pngSize } },
      {} },
    { HeaderIcon::save,
      { { BinaryData::save_inactive_png, BinaryData::save_inactive_pngSize },
        { BinaryData::save_default_png, BinaryData::save_default_pngSize },
        { BinaryData::save_hovered_png, BinaryData::save_hovered_pngSize },
        { BinaryData::save_pressed_png, BinaryData::save_pressed_pngSize } },
      {} },
    { HeaderIcon::remove,
      { { BinaryData::delete_inactive_png, BinaryData::delete_inactive_pngSize },
        { BinaryData::delete_default_png, BinaryData::delete_default_pngSize },
        { BinaryData::delete_hovered_png, BinaryData::delete_hovered_pngSize },
        { BinaryData::delete_pressed_png, BinaryData::delete_pressed_pngSize } },
      {} },
    { HeaderIcon::about,
      { { BinaryData::settings_inactive_png, BinaryData::settings_inactive_pngSize },
        { BinaryData::settings_default_png, BinaryData::settings_default_pngSize },
        { BinaryData::settings_hovered_png, BinaryData::settings_hovered_pngSize },
        { BinaryData::settings_pressed_png, BinaryData::settings_pressed_pngSize } },
      { { 4, 4 }, { 4, 4 }, { 0, 0 }, { 0, 0 } } },
};
} // namespace

juce::Image loadEmbeddedImage (const void* data, int size)
{
    return juce::ImageFileFormat::loadFrom (data, (size_t) std::max (size, 0));
}

juce::Typeface::Ptr loadEmbeddedTypeface (const void* data, int size)
{
    return juce::Typeface::createSystemTypefaceFor (data, (size_t) std::max (size, 0));
}

void installHeaderIcon (TamberHeaderButton& button, HeaderIcon icon)
{
    for (const auto& set : iconSets)
    {
        if (set.icon != icon)
            continue;

        std::array<juce::Image, TamberHeaderButton::stateCount> images;
        std::array<juce::Point<int>, TamberHeaderButton::stateCount> offsets;
        for (size_t state = 0; state < images.size(); ++state)
        {
            images[state] = loadEmbeddedImage (set.pictures[state].data, set.pictures[state].size);
            offsets[state] = set.offsets[state];
        }
        button.setStateImages (std::move (images), offsets);
        return;
    }
}
