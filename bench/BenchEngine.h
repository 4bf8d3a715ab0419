#pragma once

// Brings the global engine up on the null device with the real media files and starts an
// evolution, as kinetarium-batch does. Benchmarks run from the build directory.

#include "batch/BatchRunner.h"
#include "core/Engine.h"
#include "evolution/EvolutionRun.h"
#include "world/World.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace bench_support {

// Runs `work` with standard output sent to /dev/null.
template <typename Work>
void withoutStdout(Work work)
{
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    if (savedStdout >= 0 && devNull >= 0)
        dup2(devNull, STDOUT_FILENO);
    work();
    std::fflush(stdout);
    if (savedStdout >= 0 && devNull >= 0)
        dup2(savedStdout, STDOUT_FILENO);
    if (devNull >= 0)
        close(devNull);
    if (savedStdout >= 0)
        close(savedStdout);
}

class EngineRun {
public:
    EngineRun(const modules::EvolutionParams& params, unsigned seed, benchmark::State& state)
    {
        std::string error;
        // The engine prints its version banner when the device is made; once per benchmark
        // run would bury the table.
        bool opened = false;
        withoutStdout([&] {
            opened = modules::engine.openDevice(irr::video::EDT_NULL, irr::core::dimension2du(640, 480), false, error);
        });
        if (opened)
            modules::engine.device->getLogger()->setLogLevel(irr::ELL_WARNING);
        if (!opened || !modules::engine.createScene(seed, false, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        modules::startEvolution(params, *modules::engine.world);
        ok = true;
    }
    ~EngineRun() { modules::engine.shutdown(); }
    EngineRun(const EngineRun&) = delete;
    EngineRun& operator=(const EngineRun&) = delete;

    // One step as kinetarium-batch and the window's undrawn fast-mode steps make it.
    void step()
    {
        modules::engine.undrawnStep(modules::BatchRunner::animationTime(++steps));
    }

    bool ok = false;
    unsigned long long steps = 0;
};

// A share of a default generation: each iteration runs one generation in `run`'s arena and
// then `work`, timed in turn, so that a machine whose speed drifts changes both alike. The
// time reported is the work's; returns its total over the generations' total, in percent.
template <typename Work>
double shareOfGeneration(benchmark::State& state, EngineRun& run, Work work)
{
    using Clock = std::chrono::steady_clock;
    double workSeconds = 0.0, generationSeconds = 0.0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const int generation = modules::engine.world->run->generation;
        while (modules::engine.world->run->generation == generation)
            run.step();
        const Clock::time_point between = Clock::now();
        work();
        const double seconds = std::chrono::duration<double>(Clock::now() - between).count();
        state.SetIterationTime(seconds);
        workSeconds += seconds;
        generationSeconds += std::chrono::duration<double>(between - start).count();
    }
    return generationSeconds > 0.0 ? 100.0 * workSeconds / generationSeconds : 0.0;
}

} // namespace bench_support
