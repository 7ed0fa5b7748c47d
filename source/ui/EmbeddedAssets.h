#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class TamberHeaderButton;

// Decoding of the pictures and fonts built into the plug-in (namespace BinaryData).

// An invalid image when the data does not decode.
juce::Image loadEmbeddedImage (const void* data, int size);

// Null when the data is not a font.
juce::Typeface::Ptr loadEmbeddedTypeface (const void* data, int size);

enum class HeaderIcon
{
    previous,
    next,
    newPreset,
    save,
    remove,
    about
};

// Gives a header button the four pictures of its icon, each at the offset that keeps the
// glyph centred in the button when the hovered and pressed pictures are larger.
void installHeaderIcon (TamberHeaderButton& button, HeaderIcon icon);
