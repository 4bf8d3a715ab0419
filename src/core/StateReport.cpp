#include "core/StateReport.h"

#include "core/Engine.h"
#include "evolution/EvolutionRun.h"
#include "gui/BehaviourMap.h"
#include "gui/CameraController.h"
#include "gui/GUI.h"
#include "gui/SelectionCaption.h"
#include "gui/ScreenLog.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <csignal>
#include <cstdio>
#include <string>

using namespace irr;

namespace modules {

namespace {

volatile std::sig_atomic_t reportAsked = 0;

void onReportSignal(int)
{
    reportAsked = 1;
}

std::string narrow(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text)
        out += *text < 128 ? static_cast<char>(*text) : '?';
    return out;
}

bool mapDrawn(const Engine& engine)
{
    return engine.gui && engine.behaviourMap && engine.gui->mapShown && engine.behaviourMap->hasContent();
}

// What the network panel shows: a clicked elite, a vehicle's network, or nothing.
const char* networkSource(const Engine& engine)
{
    if (!engine.gui || !engine.gui->chartsShown)
        return "none";
    if (engine.gui->eliteOnPanel())
        return "elite";
    return engine.cameraController->networkVehicle() ? "vehicle" : "none";
}

// The map's content, its plot on the screen and its fittest cell (where a click shows that
// elite); and the network panel's caption.
void reportBehaviourMap(const Engine& engine)
{
    const BehaviourMap* map = engine.behaviourMap;
    if (map && map->hasRun()) {
        static const char* const CONTENTS[] = {"none", "elites", "archive", "generation"};
        gui::IGUIFont* font = engine.guiEnvironment->getSkin()->getFont();
        const core::dimension2du screen = engine.driver->getScreenSize();
        const core::recti plot = BehaviourMap::plotArea(screen, font);
        std::printf("Map: content=%s cells=%d filled=%d points=%zu walls=%zu plot=%d,%d,%d,%d\n",
                    CONTENTS[map->content()], map->cellsPerAxis(), map->filledCells(), map->pointCount(),
                    map->wallLineCount(), plot.UpperLeftCorner.X, plot.UpperLeftCorner.Y, plot.LowerRightCorner.X,
                    plot.LowerRightCorner.Y);
        if (map->bestCell() >= 0) {
            const int n = map->cellsPerAxis();
            const core::position2di centre = map->cellCentre(map->bestCell(), screen, font);
            std::printf("Map best: cell=%d,%d screen=%d,%d fitness=%g\n", map->bestCell() % n, map->bestCell() / n,
                        centre.X, centre.Y, static_cast<double>(map->highestFitness()));
        }
    }
    if (engine.gui) {
        if (const GUI::ShownElite* elite = engine.gui->eliteOnPanel())
            std::printf("Network caption: %s\n", narrow(elite->caption.c_str()).c_str());
        else if (engine.cameraController->selectedVehicle)
            std::printf("Network caption: %s\n",
                        narrow(selectionCaption(engine.cameraController->selectedNumber,
                                                engine.cameraController->selectedVehicle->fitness).c_str()).c_str());
    }
}

} // namespace

void askStateReportOnSignal()
{
    std::signal(SIGUSR1, onReportSignal);
}

bool stateReportAsked()
{
    if (!reportAsked)
        return false;
    reportAsked = 0;
    return true;
}

void printStateReport(const Engine& engine)
{
    const World* world = engine.world;
    const CameraController* camera = engine.cameraController;
    if (!world || !camera)
        return;
    const core::vector3df position = camera->camera->getPosition();
    const core::vector3df target = camera->camera->getTarget();
    std::printf("State: time_ms=%u frames=%llu steps=%llu generation=%d clock=%.6f generation_time=%g paused=%d speed=%d fast=%d "
                "selected=%d camera=%.4f,%.4f,%.4f target=%.4f,%.4f,%.4f map=%d network=%s\n",
                engine.timer->getTime(), engine.framesDrawn, engine.stepsMade,
                world->run ? world->run->generation : -1, static_cast<double>(world->generationClock),
                static_cast<double>(world->generationTime),
                engine.timeControl.paused() ? 1 : 0, engine.timeControl.speed(), engine.fastMode ? 1 : 0,
                camera->selectedNumber, static_cast<double>(position.X), static_cast<double>(position.Y),
                static_cast<double>(position.Z), static_cast<double>(target.X), static_cast<double>(target.Y),
                static_cast<double>(target.Z), mapDrawn(engine) ? 1 : 0, networkSource(engine));
    scene::ISceneCollisionManager* collision = engine.sceneManager->getSceneCollisionManager();
    for (size_t i = 0; i < world->vehicles.size(); ++i) {
        const Vehicle* vehicle = world->vehicles[i];
        const core::vector3df place = vehicle->node->getPosition();
        const core::position2di screen =
            collision->getScreenCoordinatesFrom3DPosition(vehicle->node->getAbsolutePosition(), camera->camera);
        std::printf("Vehicle %zu: screen=%d,%d place=%.6f,%.6f fitness=%g\n", i + 1, screen.X, screen.Y,
                    static_cast<double>(place.X), static_cast<double>(place.Z), static_cast<double>(vehicle->fitness));
    }
    reportBehaviourMap(engine);
    for (const auto* line : engine.screenLog->lines)
        std::printf("Log: %s\n", narrow(line->getText()).c_str());
    std::puts("End of state.");
    std::fflush(stdout);
}

} // namespace modules
