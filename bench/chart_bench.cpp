// The fitness chart's drawing at 10 and at 100000 generations, on the null device with the
// real font: the lines rebuilt from the columns (as after every generation change), the
// labels and the draw calls. The reduction keeps both at the panel's width of columns.

#include "BenchEngine.h"
#include "gui/FitnessChart.h"

#include <irrlicht.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

irr::IrrlichtDevice* quietNullDevice(const irr::core::dimension2du& size)
{
    // The engine prints its version banner when a device is made.
    irr::IrrlichtDevice* device = nullptr;
    bench_support::withoutStdout([&] { device = irr::createDevice(irr::video::EDT_NULL, size); });
    return device;
}

// rebuild: the lines are rebuilt in every iteration, as in the first frame after a
// generation change; otherwise a frame in between, which draws the kept lines.
void chartDraw(benchmark::State& state, bool rebuild)
{
    const irr::core::dimension2du screen(1280, 720);
    irr::IrrlichtDevice* device = quietNullDevice(screen);
    if (!device) {
        state.SkipWithError("no null device");
        return;
    }
    device->getLogger()->setLogLevel(irr::ELL_WARNING);
    irr::gui::IGUIFont* font = nullptr;
    if (device->getFileSystem()->addFileArchive("media", true, true, irr::io::EFAT_FOLDER))
        font = device->getGUIEnvironment()->getFont("media/font1/font.xml");
    if (!font) {
        state.SkipWithError("no media/font1/font.xml: run from the build directory");
        device->drop();
        return;
    }

    std::vector<modules::GenerationFitness> history(static_cast<size_t>(state.range(0)));
    for (size_t g = 0; g < history.size(); ++g) {
        history[g].best = static_cast<float>((g * 7919) % 23);
        history[g].mean = static_cast<double>((g * 104729) % 17) / 3.0;
        history[g].median = static_cast<double>((g * 13) % 11) / 2.0;
    }
    modules::FitnessChart chart;
    chart.sync(1, history);
    irr::video::IVideoDriver* driver = device->getVideoDriver();
    chart.draw(driver, font, screen); // the columns for the panel's width, once

    for (auto _ : state) {
        if (rebuild)
            chart.invalidate();
        chart.draw(driver, font, screen);
    }
    state.counters["columns"] = static_cast<double>(chart.reduction().columns().size());
    device->drop();
}
void BM_ChartDrawAfterGeneration(benchmark::State& state)
{
    chartDraw(state, true);
}
void BM_ChartDrawFrame(benchmark::State& state)
{
    chartDraw(state, false);
}
// 384 generations fill the 384 columns of the panel at 1280x720; beyond that the count of
// columns stays between half and all of that.
BENCHMARK(BM_ChartDrawAfterGeneration)->ArgName("generations")->Arg(10)->Arg(384)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_ChartDrawFrame)->ArgName("generations")->Arg(10)->Arg(384)->Arg(100000)->Arg(1000000);

} // namespace
