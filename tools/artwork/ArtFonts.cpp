#include "ArtFonts.h"

namespace
{
juce::Typeface::Ptr loadTypeface (const juce::File& file)
{
    juce::MemoryBlock data;
    if (! file.loadFileAsData (data))
        return {};
    return juce::Typeface::createSystemTypefaceFor (data.getData(), data.getSize());
}

juce::Font fontFor (const juce::Typeface::Ptr& typeface, float height, float kerning)
{
#if JUCE_MAJOR_VERSION >= 8
    return juce::Font (juce::FontOptions (typeface).withHeight (height).withKerningFactor (kerning));
#else
    juce::Font font (typeface);
    font.setHeight (height);
    font.setExtraKerningFactor (kerning);
    return font;
#endif
}
} // namespace

ArtFonts ArtFonts::loadFrom (const juce::File& folder)
{
    return { loadTypeface (folder.getChildFile ("Roboto-Medium.ttf")),
             loadTypeface (folder.getChildFile ("RopaSans-Regular.ttf")) };
}

juce::Font ArtFonts::labelFont (float height, float kerning) const
{
    return fontFor (label, height, kerning);
}

juce::Font ArtFonts::valueFont (float height, float kerning) const
{
    return fontFor (value, height, kerning);
}
