#include "ImageProbe.h"

juce::Image snapshot (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

juce::Image paintOver (juce::Component& component, juce::Colour background)
{
    juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true);
    juce::Graphics g (image);
    g.fillAll (background);
    component.paintEntireComponent (g, true);
    return image;
}

juce::Image solidImage (int width, int height, juce::Colour colour)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (colour);
    return image;
}

int maxAlpha (const juce::Image& image, juce::Rectangle<int> area)
{
    int largest = 0;
    area = area.getIntersection (image.getBounds());
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            largest = std::max (largest, (int) image.getPixelAt (x, y).getAlpha());
    return largest;
}

bool RepaintCounter::invalidateAll()
{
    ++count;
    return false;
}

bool RepaintCounter::invalidate (const juce::Rectangle<int>&)
{
    ++count;
    return false;
}

RepaintCounter& countRepaints (juce::Component& component)
{
    auto* counter = new RepaintCounter();
    component.setVisible (true);
    component.setCachedComponentImage (counter);
    counter->count = 0;
    return *counter;
}
