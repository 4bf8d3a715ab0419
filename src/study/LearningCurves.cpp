#include "study/LearningCurves.h"

#include "study/Statistics.h"

#include "core/TickStep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace modules {

namespace {

const char* const COLOURS[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                               "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

constexpr double WIDTH = 960, HEIGHT = 560;
constexpr double LEFT = 80, RIGHT = 280, TOP = 50, BOTTOM = 70;

// The colour mixed with white: bands keep their light shade in renderers that ignore
// transparency (ImageMagick's), and are still see-through in those that do not.
std::string tint(const char* colour)
{
    char text[8];
    unsigned value = 0;
    std::sscanf(colour + 1, "%x", &value);
    auto mix = [&](int shift) { return static_cast<unsigned>(255 - (255 - ((value >> shift) & 0xff)) * 0.35); };
    std::snprintf(text, sizeof text, "#%02x%02x%02x", mix(16), mix(8), mix(0));
    return text;
}

std::string escape(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string format(double value, int decimals = 2)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string tickLabel(double value, double step)
{
    const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    return format(value, decimals);
}

struct Band {
    std::vector<double> mean, low, high;
};

Band band(const std::vector<std::vector<double>>& curves, long long generations)
{
    Band b;
    for (long long g = 0; g < generations; ++g) {
        std::vector<double> values;
        for (const std::vector<double>& curve : curves)
            values.push_back(curve[static_cast<std::size_t>(g)]);
        const MeanInterval interval = meanWithInterval(values);
        b.mean.push_back(interval.mean);
        // One run has no spread to show: the band closes onto the curve.
        b.low.push_back(std::isnan(interval.low) ? interval.mean : interval.low);
        b.high.push_back(std::isnan(interval.high) ? interval.mean : interval.high);
    }
    return b;
}

// The curves of every combination, one per complete run, and what they show.
struct CurveSet {
    std::vector<const std::vector<std::vector<double>>*> curves;
    std::string title;
    std::string axis;
};

std::string curvesSvg(const StudyPlan& plan, const CurveSet& set)
{
    const long long generations = plan.generations;
    std::vector<Band> bands(plan.configs.size());
    double top = 0.0;
    double bottom = 0.0;
    for (std::size_t c = 0; c < plan.configs.size(); ++c) {
        if (set.curves[c]->empty())
            continue;
        bands[c] = band(*set.curves[c], generations);
        for (double v : bands[c].high)
            if (std::isfinite(v))
                top = std::max(top, v);
        // The curves, not their bands, set the bottom: a band's reach below 0 where no
        // value can be is only its width.
        for (double v : bands[c].mean)
            if (std::isfinite(v))
                bottom = std::min(bottom, v);
    }
    // The axis ends at 1e300 at most: one higher would overflow to infinity, and the tick
    // loops below would never end. Anything above is drawn at the top edge. It starts at 0,
    // or lower for fitness below 0 (a task with penalties).
    top = std::min(top, 1e300);
    bottom = std::max(bottom, -1e300);
    const double yStep = tickStep(top - bottom > 0.0 ? top - bottom : 1.0, 6);
    const double yMax = std::max(1.0, std::ceil(top / yStep)) * yStep;
    const double yMin = std::floor(bottom / yStep) * yStep;
    const double xMin = 1.0;
    const double xMax = std::max(2.0, static_cast<double>(generations));
    const double plotWidth = WIDTH - LEFT - RIGHT;
    const double plotHeight = HEIGHT - TOP - BOTTOM;
    auto x = [&](double generation) { return LEFT + (generation - xMin) / (xMax - xMin) * plotWidth; };
    auto y = [&](double fitness) {
        const double clamped = std::isfinite(fitness) ? std::min(std::max(fitness, yMin), yMax) : yMax;
        return TOP + plotHeight - (clamped - yMin) / (yMax - yMin) * plotHeight;
    };
    auto point = [&](double generation, double fitness) { return format(x(generation)) + "," + format(y(fitness)); };

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + format(WIDTH, 0) + "\" height=\"" +
                      format(HEIGHT, 0) + "\" viewBox=\"0 0 " + format(WIDTH, 0) + " " + format(HEIGHT, 0) +
                      "\" font-family=\"sans-serif\" font-size=\"13\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + format(LEFT + plotWidth / 2) + "\" y=\"28\" text-anchor=\"middle\" font-size=\"16\">" +
           escape(set.title) + "</text>\n";

    // Grid and ticks.
    svg += "<g class=\"axes\" stroke=\"#cccccc\" stroke-width=\"1\">\n";
    for (double v = yMin; v <= yMax + yStep / 2; v += yStep)
        svg += "<line x1=\"" + format(LEFT) + "\" y1=\"" + format(y(v)) + "\" x2=\"" + format(LEFT + plotWidth) +
               "\" y2=\"" + format(y(v)) + "\"/>\n";
    svg += "</g>\n<g class=\"ticks\" text-anchor=\"end\">\n";
    for (double v = yMin; v <= yMax + yStep / 2; v += yStep)
        svg += "<text x=\"" + format(LEFT - 8) + "\" y=\"" + format(y(v) + 4) + "\">" + tickLabel(v, yStep) +
               "</text>\n";
    svg += "</g>\n<g class=\"ticks\" text-anchor=\"middle\">\n";
    const double xStep = std::max(1.0, tickStep(xMax - xMin, 10));
    for (double g = xStep > 1.0 ? xStep : 1.0; g <= xMax + 0.5; g += xStep)
        svg += "<text x=\"" + format(x(g)) + "\" y=\"" + format(TOP + plotHeight + 20) + "\">" + format(g, 0) +
               "</text>\n";
    if (xStep > 1.0)
        svg += "<text x=\"" + format(x(1)) + "\" y=\"" + format(TOP + plotHeight + 20) + "\">1</text>\n";
    svg += "</g>\n";
    svg += "<rect x=\"" + format(LEFT) + "\" y=\"" + format(TOP) + "\" width=\"" + format(plotWidth) +
           "\" height=\"" + format(plotHeight) + "\" fill=\"none\" stroke=\"black\"/>\n";
    svg += "<text x=\"" + format(LEFT + plotWidth / 2) + "\" y=\"" + format(HEIGHT - 22) +
           "\" text-anchor=\"middle\">generation</text>\n";
    svg += "<text transform=\"translate(22," + format(TOP + plotHeight / 2) +
           ") rotate(-90)\" text-anchor=\"middle\">" + escape(set.axis) + "</text>\n";

    // Bands first, so that no curve is hidden under another combination's band.
    for (std::size_t c = 0; c < plan.configs.size(); ++c) {
        if (set.curves[c]->empty())
            continue;
        std::string points;
        for (long long g = 0; g < generations; ++g)
            points += (g ? " " : "") + point(static_cast<double>(g + 1), bands[c].high[g]);
        for (long long g = generations; g-- > 0;)
            points += " " + point(static_cast<double>(g + 1), bands[c].low[g]);
        svg += "<polygon class=\"band\" data-combination=\"" + escape(plan.configs[c].name) + "\" fill=\"" +
               tint(COLOURS[c % 10]) + "\" fill-opacity=\"0.6\" stroke=\"none\" points=\"" + points + "\"/>\n";
    }
    for (std::size_t c = 0; c < plan.configs.size(); ++c) {
        if (set.curves[c]->empty())
            continue;
        std::string points;
        for (long long g = 0; g < generations; ++g)
            points += (g ? " " : "") + point(static_cast<double>(g + 1), bands[c].mean[g]);
        svg += "<polyline class=\"curve\" data-combination=\"" + escape(plan.configs[c].name) +
               "\" fill=\"none\" stroke=\"" + COLOURS[c % 10] + "\" stroke-width=\"2\" points=\"" + points + "\"/>\n";
    }

    // Legend.
    svg += "<g class=\"legend\">\n";
    double legendY = TOP + 10;
    for (std::size_t c = 0; c < plan.configs.size(); ++c, legendY += 22) {
        const double lx = LEFT + plotWidth + 20;
        const std::size_t runs = set.curves[c]->size();
        std::string label = plan.configs[c].label + " (" + std::to_string(runs) + (runs == 1 ? " seed)" : " seeds)");
        svg += "<rect x=\"" + format(lx) + "\" y=\"" + format(legendY - 9) + "\" width=\"24\" height=\"12\" fill=\"" +
               tint(COLOURS[c % 10]) + "\"/>\n";
        svg += "<line x1=\"" + format(lx) + "\" y1=\"" + format(legendY - 3) + "\" x2=\"" + format(lx + 24) +
               "\" y2=\"" + format(legendY - 3) + "\" stroke=\"" + COLOURS[c % 10] + "\" stroke-width=\"2\"/>\n";
        svg += "<text x=\"" + format(lx + 32) + "\" y=\"" + format(legendY + 1) + "\">" + escape(label) +
               "</text>\n";
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

} // namespace

std::string learningCurvesSvg(const StudyPlan& plan, const std::vector<ConfigResult>& results)
{
    // Fitness counts items collected unless a task of the study has its own rules.
    CurveSet set{{}, "Best fitness per generation, mean over seeds with 95% confidence band",
                 studyMeasureNames(results).empty() ? "best fitness (items collected)" : "best fitness"};
    for (const ConfigResult& result : results)
        set.curves.push_back(&result.curves);
    return curvesSvg(plan, set);
}

std::vector<std::string> studyMeasureNames(const std::vector<ConfigResult>& results)
{
    std::vector<std::string> names;
    for (const ConfigResult& result : results)
        for (const std::string& name : result.measureNames)
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
    return names;
}

std::string measureCurvesSvg(const StudyPlan& plan, const std::vector<ConfigResult>& results, const std::string& measure)
{
    static const std::vector<std::vector<double>> none;
    CurveSet set{{}, measure + " per generation, mean over seeds with 95% confidence band", measure};
    for (const ConfigResult& result : results) {
        const auto found = std::find(result.measureNames.begin(), result.measureNames.end(), measure);
        set.curves.push_back(found == result.measureNames.end()
                                 ? &none
                                 : &result.measureCurves[static_cast<std::size_t>(found - result.measureNames.begin())]);
    }
    return curvesSvg(plan, set);
}

} // namespace modules
