// What the trial load of the data files adds to every start: the check itself (fork, the
// engine on the null device in the child, every file loaded, the child's end), beside the
// in-process start it precedes (device, meshes, walls' selector, panel).

#include "BenchEngine.h"
#include "core/Engine.h"
#include "media/MediaCheck.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void mediaCheck(benchmark::State& state)
{
    for (auto _ : state) {
        std::string error;
        if (!modules::checkMediaFiles(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}
BENCHMARK(mediaCheck)->Unit(benchmark::kMillisecond);

void startWithPanel(benchmark::State& state)
{
    // The engine's version banner would bury the table.
    bench_support::withoutStdout([&] {
        for (auto _ : state) {
            std::string error;
            const bool ok = modules::engine.openDevice(irr::video::EDT_NULL, irr::core::dimension2du(640, 480), false,
                                                       error)
                && modules::engine.createScene(1, true, error);
            modules::engine.shutdown();
            if (!ok) {
                state.SkipWithError(error.c_str());
                break;
            }
        }
    });
}
BENCHMARK(startWithPanel)->Unit(benchmark::kMillisecond);

} // namespace
