#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

// What the compressor did to a file, block by block: input and output peaks and the gain
// reduction the meters showed, drawn as a picture a user can look at.
class RenderPlot
{
public:
    void addInputBlock (double startSeconds, float peak);
    void addOutputBlock (double startSeconds, float peak);
    void addGainReduction (double startSeconds, float reductionDb);

    juce::Image draw (int width, int height, double lengthSeconds) const;

    bool writePng (const juce::File& file, double lengthSeconds) const;

private:
    struct Point
    {
        double seconds;
        float value;
    };

    static std::vector<float> columnMaxima (const std::vector<Point>& points, int columns, double length);

    std::vector<Point> inputPeaks, outputPeaks, reductions;
};
