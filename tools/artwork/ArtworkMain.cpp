// Draws every picture of the editor and writes it as PNG into the asset folder. The output is
// committed; the plug-in build embeds the committed files and never runs this tool.
//
//     tollovane-artwork <asset folder> [name filter]
//
// The folder must hold Roboto-Medium.ttf and RopaSans-Regular.ttf, which the panel's printing
// uses. With a filter, only pictures whose file name contains it are drawn.

#include "ArtFonts.h"
#include "IconArt.h"
#include "KnobArt.h"
#include "PanelArt.h"
#include "WidgetArt.h"

#include <iostream>

namespace
{
struct Picture
{
    juce::String fileName;
    std::function<juce::Image (const ArtFonts&)> draw;
};

std::vector<Picture> allPictures()
{
    std::vector<Picture> pictures {
        { "tollovanebg.png", [] (const ArtFonts& fonts) { return PanelArt::renderBackground (fonts); } },
        { "knob_big_figma_129.png", [] (const ArtFonts&) { return KnobArt::renderLargeKnobStrip(); } },
        { "knob_small_figma_129.png", [] (const ArtFonts&) { return KnobArt::renderSmallKnobStrip(); } },
        { "meter_long.png", [] (const ArtFonts&) { return WidgetArt::renderLevelColumn(); } },
        { "meter_short.png", [] (const ArtFonts&) { return WidgetArt::renderGainReductionColumn(); } },
        { "screen_knob.png", [] (const ArtFonts&) { return WidgetArt::renderKnobScreen(); } },
        { "switch_down.png", [] (const ArtFonts& fonts) { return WidgetArt::renderSwitch (fonts, true); } },
        { "switch_up.png", [] (const ArtFonts& fonts) { return WidgetArt::renderSwitch (fonts, false); } },
    };

    for (const auto icon : IconArt::allIcons)
        for (const auto state : IconArt::allStates)
            pictures.push_back ({ IconArt::fileName (icon, state),
                                  [icon, state] (const ArtFonts&) { return IconArt::render (icon, state); } });

    return pictures;
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    return stream.openedOk() && png.writeImageToStream (image, stream);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::cerr << "usage: tollovane-artwork <asset folder> [name filter]\n";
        return 2;
    }

    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    const juce::String filter = argc > 2 ? juce::String (argv[2]) : juce::String();

    const auto fonts = ArtFonts::loadFrom (folder);
    if (fonts.label == nullptr || fonts.value == nullptr)
    {
        std::cerr << "cannot load the fonts from " << folder.getFullPathName() << "\n";
        return 1;
    }

    for (const auto& picture : allPictures())
    {
        if (filter.isNotEmpty() && ! picture.fileName.contains (filter))
            continue;

        const auto file = folder.getChildFile (picture.fileName);
        if (! writePng (picture.draw (fonts), file))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
        std::cout << "wrote " << file.getFullPathName() << "\n";
    }

    return 0;
}
