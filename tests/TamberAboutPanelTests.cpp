#include "ImageProbe.h"

#include "ui/EditorLayout.h"
#include "ui/TamberAboutPanel.h"

#include <gtest/gtest.h>

namespace
{
TEST (AboutPanel, StartsHiddenAndOnlyItsCloseButtonHidesIt)
{
    TamberAboutPanel panel;
    EXPECT_FALSE (panel.isVisible());

    int closes = 0;
    panel.onClose = [&] { EXPECT_FALSE (panel.isVisible()) << "onClose runs after the panel has hidden itself"; ++closes; };

    panel.setVisible (true);
    panel.setVisible (true);
    EXPECT_TRUE (panel.isVisible());

    panel.closeButton.onClick();
    EXPECT_FALSE (panel.isVisible());
    EXPECT_EQ (closes, 1);
}

TEST (AboutPanel, CloseWithoutHandlerOnlyHides)
{
    TamberAboutPanel panel;
    panel.setVisible (true);
    panel.closeButton.onClick();
    EXPECT_FALSE (panel.isVisible());
}

// The panel is taller than the editor would allow at its preferred size; it must shrink so
// that the close button stays reachable inside the window.
TEST (AboutPanel, FitsInsideTheEditorWithItsCloseButton)
{
    const auto bounds = aboutPanelBounds (editorBounds);
    EXPECT_EQ (bounds.getWidth(), 440);
    EXPECT_EQ (bounds.getCentreX(), editorBounds.getCentreX());
    EXPECT_TRUE (editorBounds.contains (bounds));

    TamberAboutPanel panel;
    panel.setBounds (bounds);
    EXPECT_TRUE (editorBounds.contains (panel.closeButton.getBounds() + bounds.getPosition()));
    EXPECT_EQ (panel.closeButton.getWidth(), 88);
    EXPECT_EQ (panel.closeButton.getBounds().getCentreX(), bounds.getWidth() / 2);
}

TEST (AboutPanel, KeepsItsPreferredHeightWhereThereIsRoom)
{
    const auto bounds = aboutPanelBounds ({ 0, 0, 1000, 600 });
    EXPECT_EQ (bounds, juce::Rectangle<int> (280, 125, 440, 350));
}

TEST (AboutPanel, PaintsAnOpaqueBodyWithTheTitleInCream)
{
    TamberAboutPanel panel;
    panel.setBounds (aboutPanelBounds (editorBounds));
    const auto image = paintOver (panel, juce::Colours::white);

    EXPECT_LT (image.getPixelAt (30, 200).getBrightness(), 0.1f);

    // The title line spans y 18 to 48; its brightest pixels are the cream text.
    juce::Colour brightest;
    for (int y = 18; y < 48; ++y)
        for (int x = 24; x < panel.getWidth() - 24; ++x)
            if (image.getPixelAt (x, y).getBrightness() > brightest.getBrightness())
                brightest = image.getPixelAt (x, y);
    EXPECT_EQ (brightest.getRed(), 0xff);
    EXPECT_EQ (brightest.getGreen(), 0xef);
    EXPECT_EQ (brightest.getBlue(), 0xbc);
}
} // namespace
