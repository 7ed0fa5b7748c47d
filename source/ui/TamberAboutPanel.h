#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

// The overlay naming the product, its maker and its version. It starts hidden; the editor shows
// it and only its own close button hides it again.
class TamberAboutPanel : public juce::Component
{
public:
    TamberAboutPanel();
    ~TamberAboutPanel() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    std::function<void()> onClose; // called once the panel has hidden itself
    juce::TextButton closeButton { "CLOSE" };
    juce::Typeface::Ptr labelTypeface;
    juce::Typeface::Ptr valueTypeface;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TamberAboutPanel)
};
