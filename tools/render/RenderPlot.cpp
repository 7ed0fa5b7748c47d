#include "RenderPlot.h"

namespace
{
constexpr int plotWidth = 1600;
constexpr int plotHeight = 720;
constexpr float margin = 56.0f;
constexpr float smallestReductionScaleDb = 12.0f;

const juce::Colour background { 0xff0a0b0e };
const juce::Colour grid { 0xff2a2d34 };
const juce::Colour text { 0xffffefbc };
const juce::Colour inputColour { 0xff8a8f99 };
const juce::Colour outputColour { 0xfff3d267 };
const juce::Colour reductionColour { 0xffe5533d };

void drawMirroredWaveform (juce::Graphics& g, const std::vector<float>& maxima, juce::Rectangle<float> area,
                           juce::Colour colour)
{
    g.setColour (colour);
    const float centre = area.getCentreY();
    for (size_t x = 0; x < maxima.size(); ++x)
    {
        const float half = juce::jmin (maxima[x], 1.0f) * area.getHeight() * 0.5f;
        g.fillRect (area.getX() + (float) x, centre - half, 1.0f, juce::jmax (1.0f, 2.0f * half));
    }
}

void drawPanelFrame (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& title)
{
    g.setColour (grid);
    g.drawRect (area, 1.0f);
    g.setColour (text);
    g.setFont (15.0f);
    g.drawText (title, area.withHeight (20.0f).translated (4.0f, -20.0f), juce::Justification::centredLeft);
}
} // namespace

std::vector<float> RenderPlot::columnMaxima (const std::vector<Point>& points, int columns, double length)
{
    // The largest value of each pixel column, so short peaks stay visible however long the file.
    std::vector<float> maxima ((size_t) columns, 0.0f);
    for (const auto& point : points)
    {
        const int column = juce::jlimit (0, columns - 1, (int) (point.seconds / length * columns));
        maxima[(size_t) column] = std::max (maxima[(size_t) column], point.value);
    }
    return maxima;
}

void RenderPlot::addInputBlock (double startSeconds, float peak) { inputPeaks.push_back ({ startSeconds, peak }); }
void RenderPlot::addOutputBlock (double startSeconds, float peak) { outputPeaks.push_back ({ startSeconds, peak }); }
void RenderPlot::addGainReduction (double startSeconds, float reductionDb) { reductions.push_back ({ startSeconds, reductionDb }); }

juce::Image RenderPlot::draw (int width, int height, double lengthSeconds) const
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (background);

    const double length = std::max (lengthSeconds, 1.0e-3);
    auto plotArea = juce::Rectangle<float> ((float) width, (float) height).reduced (margin, margin * 0.5f);
    const float panelGap = 30.0f;
    const float panelHeight = (plotArea.getHeight() - 2.0f * panelGap) / 3.0f;
    const auto inputArea = plotArea.removeFromTop (panelHeight);
    plotArea.removeFromTop (panelGap);
    const auto outputArea = plotArea.removeFromTop (panelHeight);
    plotArea.removeFromTop (panelGap);
    const auto reductionArea = plotArea;

    const int columns = (int) inputArea.getWidth();

    drawPanelFrame (g, inputArea, "Input");
    drawMirroredWaveform (g, columnMaxima (inputPeaks, columns, length), inputArea, inputColour);
    drawPanelFrame (g, outputArea, "Output");
    drawMirroredWaveform (g, columnMaxima (outputPeaks, columns, length), outputArea, outputColour);

    const auto reductionMaxima = columnMaxima (reductions, columns, length);
    const float largest = reductionMaxima.empty() ? 0.0f : *std::max_element (reductionMaxima.begin(), reductionMaxima.end());
    const float scaleDb = std::max (smallestReductionScaleDb, std::ceil (largest / 6.0f) * 6.0f);
    drawPanelFrame (g, reductionArea, "Gain reduction (0 to -" + juce::String (scaleDb, 0) + " dB)");

    g.setFont (12.0f);
    for (float db = 0.0f; db <= scaleDb; db += 6.0f)
    {
        const float y = reductionArea.getY() + db / scaleDb * reductionArea.getHeight();
        g.setColour (grid);
        g.drawHorizontalLine ((int) y, reductionArea.getX(), reductionArea.getRight());
        g.setColour (text);
        g.drawText (db == 0.0f ? juce::String ("0") : juce::String (-db, 0), juce::Rectangle<float> (0.0f, y - 8.0f, margin - 6.0f, 16.0f),
                    juce::Justification::centredRight);
    }

    juce::Path trace;
    for (size_t x = 0; x < reductionMaxima.size(); ++x)
    {
        const float y = reductionArea.getY() + juce::jmin (reductionMaxima[x] / scaleDb, 1.0f) * reductionArea.getHeight();
        if (x == 0)
            trace.startNewSubPath (reductionArea.getX(), y);
        else
            trace.lineTo (reductionArea.getX() + (float) x, y);
    }
    g.setColour (reductionColour);
    g.strokePath (trace, juce::PathStrokeType (1.5f));

    g.setColour (text);
    g.drawText (juce::String (length, 2) + " s", reductionArea.withY (reductionArea.getBottom() + 2.0f).withHeight (16.0f),
                juce::Justification::centredRight);
    return image;
}

bool RenderPlot::writePng (const juce::File& file, double lengthSeconds) const
{
    const auto image = draw (plotWidth, plotHeight, lengthSeconds);
    juce::TemporaryFile temporary (file);
    {
        auto stream = temporary.getFile().createOutputStream();
        juce::PNGImageFormat png;
        if (stream == nullptr || ! png.writeImageToStream (image, *stream))
            return false;
    }
    return temporary.overwriteTargetFileWithTemporary();
}
