// The engine's scene on the null device: the camera glide, the screen log, the arena and the
// rule that nothing is simulated while no evolution runs.

#include "TestEngine.h"
#include "VectorExpect.h"

#include "brain/NeuralNetwork.h"
#include "core/Engine.h"
#include "evolution/EvolutionRun.h"
#include "gui/CameraController.h"
#include "gui/ScreenLog.h"
#include "methods/Evolver.h"
#include "vehicle/Vehicle.h"
#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using irr::core::vector3df;
using modules::CameraController;
using modules::engine;

namespace {

constexpr float DT = modules::Engine::SIMULATION_STEP;
// The glide's factors for the simulation step, as 32-bit floats.
constexpr float A = 0.96683335f;
constexpr float B = 0.033166647f;

const vector3df OVERVIEW_POSITION(4.0f, 6.0f, 0.0f);
const vector3df OVERVIEW_TARGET(0.0f, 0.0f, 0.0f);

vector3df glide(const vector3df& desired, const vector3df& current)
{
    return vector3df(B * desired.X + A * current.X, B * desired.Y + A * current.Y, B * desired.Z + A * current.Z);
}

class EngineScene : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(23); }

    CameraController& controller() { return *engine.cameraController; }
    irr::scene::ICameraSceneNode* camera() { return engine.cameraController->camera; }

    void placeCamera(const vector3df& position, const vector3df& target)
    {
        camera()->setPosition(position);
        camera()->setTarget(target);
    }

    std::wstring line(int i) { return engine.screenLog->lines[i]->getText(); }
};

} // namespace

TEST_F(EngineScene, CameraStartsAtTheOverviewAndGlidesAFixedShareOfTheWay)
{
    ASSERT_NE(camera(), nullptr);
    EXPECT_EQ(engine.sceneManager->getActiveCamera(), camera());
    EXPECT_EQ(controller().cameraType, modules::ECT_TOP_DOWN);
    EXPECT_EQ(controller().followedVehicle, nullptr);
    EXPECT_VEC_EQ(controller().desiredPosition, OVERVIEW_POSITION);
    EXPECT_VEC_EQ(controller().desiredTarget, OVERVIEW_TARGET);
    EXPECT_VEC_EQ(camera()->getPosition(), OVERVIEW_POSITION);
    EXPECT_VEC_EQ(camera()->getTarget(), OVERVIEW_TARGET);
    EXPECT_FLOAT_EQ(camera()->getFOV(), 1.2566371f);
    EXPECT_FLOAT_EQ(camera()->getNearValue(), 0.01f);

    // The factors follow from the step: a = 1 - 0.995 dt in double, stored as a float.
    EXPECT_EQ(static_cast<float>(1.0 - 0.995 * static_cast<double>(DT)), A);
    EXPECT_EQ(1.0f - A, B);

    controller().desiredPosition.set(1.0f, 2.0f, -3.0f);
    controller().desiredTarget.set(-1.0f, 0.5f, 2.0f);
    controller().updateCamera(DT);
    const vector3df position = glide(vector3df(1.0f, 2.0f, -3.0f), OVERVIEW_POSITION);
    const vector3df target = glide(vector3df(-1.0f, 0.5f, 2.0f), OVERVIEW_TARGET);
    EXPECT_VEC_EQ(camera()->getPosition(), position);
    EXPECT_VEC_EQ(camera()->getTarget(), target);
    // The top-down mode keeps the desired pose it was given.
    EXPECT_VEC_EQ(controller().desiredPosition, vector3df(1.0f, 2.0f, -3.0f));

    controller().updateCamera(DT);
    EXPECT_VEC_EQ(camera()->getPosition(), glide(vector3df(1.0f, 2.0f, -3.0f), position));
    EXPECT_VEC_EQ(camera()->getTarget(), glide(vector3df(-1.0f, 0.5f, 2.0f), target));
}

TEST_F(EngineScene, CameraWithinAMillionthOfItsPoseIsLeftAlone)
{
    controller().updateCamera(DT);
    EXPECT_VEC_EQ(camera()->getPosition(), OVERVIEW_POSITION);
    EXPECT_VEC_EQ(camera()->getTarget(), OVERVIEW_TARGET);

    const vector3df nearPosition(4.0f, 6.0f, 0.0000005f);
    const vector3df nearTarget(-0.0000005f, 0.0f, 0.0000009f);
    placeCamera(nearPosition, nearTarget);
    controller().updateCamera(DT);
    EXPECT_VEC_EQ(camera()->getPosition(), nearPosition);
    EXPECT_VEC_EQ(camera()->getTarget(), nearTarget);

    // Off by more in one coordinate of the position: position and aim both move.
    const vector3df offPosition(4.0f, 6.0f, 0.0000015f);
    placeCamera(offPosition, nearTarget);
    controller().updateCamera(DT);
    EXPECT_VEC_EQ(camera()->getPosition(), glide(OVERVIEW_POSITION, offPosition));
    EXPECT_VEC_EQ(camera()->getTarget(), glide(OVERVIEW_TARGET, nearTarget));

    // Off by more in one coordinate of the aim.
    const vector3df offTarget(0.0f, -0.0000015f, 0.0f);
    placeCamera(nearPosition, offTarget);
    controller().updateCamera(DT);
    EXPECT_VEC_EQ(camera()->getPosition(), glide(OVERVIEW_POSITION, nearPosition));
    EXPECT_VEC_EQ(camera()->getTarget(), glide(OVERVIEW_TARGET, offTarget));
}

TEST_F(EngineScene, CameraModesChooseTheDesiredPose)
{
    // Switching to follow keeps the last desired pose until the next camera step.
    controller().desiredPosition.set(1.0f, 1.0f, 1.0f);
    controller().setCameraType(modules::ECT_FOLLOW_BEST);
    EXPECT_EQ(controller().cameraType, modules::ECT_FOLLOW_BEST);
    EXPECT_VEC_EQ(controller().desiredPosition, vector3df(1.0f, 1.0f, 1.0f));

    // Following nobody: towards the overview.
    const vector3df position(2.0f, 3.0f, 4.0f);
    const vector3df target(1.0f, 1.0f, 1.0f);
    placeCamera(position, target);
    controller().updateCamera(DT);
    EXPECT_VEC_EQ(controller().desiredPosition, OVERVIEW_POSITION);
    EXPECT_VEC_EQ(controller().desiredTarget, OVERVIEW_TARGET);
    EXPECT_VEC_EQ(camera()->getPosition(), glide(OVERVIEW_POSITION, position));
    EXPECT_VEC_EQ(camera()->getTarget(), glide(OVERVIEW_TARGET, target));

    // Following a vehicle: 1.5 beside and 1.5 above it, in world axes, looking at it.
    modules::ItemManager items(engine.world, 0);
    modules::NeuralNetwork network;
    network.addLayer(4);
    network.addLayer(2);
    modules::Vehicle vehicle(network, engine.world->wallSelector, &items, vector3df(1.0f, 0.0f, 2.0f));
    vehicle.node->setRotation(vector3df(0.0f, 70.0f, 0.0f));
    controller().followedVehicle = &vehicle;
    placeCamera(position, target);
    controller().updateCamera(DT);
    EXPECT_VEC_EQ(controller().desiredPosition, vector3df(2.5f, 1.5f, 2.0f));
    EXPECT_VEC_EQ(controller().desiredTarget, vector3df(1.0f, 0.0f, 2.0f));
    EXPECT_VEC_EQ(camera()->getPosition(), glide(vector3df(2.5f, 1.5f, 2.0f), position));
    EXPECT_VEC_EQ(camera()->getTarget(), glide(vector3df(1.0f, 0.0f, 2.0f), target));

    // Back to top-down: the overview at once.
    controller().setCameraType(modules::ECT_TOP_DOWN);
    EXPECT_EQ(controller().cameraType, modules::ECT_TOP_DOWN);
    EXPECT_VEC_EQ(controller().desiredPosition, OVERVIEW_POSITION);
    EXPECT_VEC_EQ(controller().desiredTarget, OVERVIEW_TARGET);
    controller().updateCamera(DT);
    EXPECT_VEC_EQ(controller().desiredPosition, OVERVIEW_POSITION);
    controller().followedVehicle = nullptr;
}

TEST_F(EngineScene, FirstFrameOfAGenerationHighlightsAfterTheCameraStep)
{
    modules::World& world = *engine.world;
    world.itemCount = 2;
    world.vehicleCount = 2;
    std::vector<modules::NeuralNetwork> networks(2);
    for (modules::NeuralNetwork& network : networks) {
        network.addLayer(4);
        network.addLayer(2);
    }
    world.createVehicles(networks);
    controller().setCameraType(modules::ECT_FOLLOW_BEST);

    engine.drawFrame();
    // The camera step saw no followed vehicle; the highlight step then chose the first.
    EXPECT_VEC_EQ(controller().desiredPosition, OVERVIEW_POSITION);
    EXPECT_EQ(world.highlightedVehicle, world.vehicles[0]);
    EXPECT_EQ(controller().followedVehicle, world.vehicles[0]);

    engine.drawFrame();
    EXPECT_VEC_EQ(controller().desiredTarget, world.vehicles[0]->node->getPosition());
}

// The window draws the first frame of a generation before the new vehicles have had an
// update or an animation pass (drawing the scene makes that pass). Their lines belong where
// the vehicles were put, not on the placeholder near the arena's centre.
TEST_F(EngineScene, FirstFrameOfAGenerationDrawsTheSensorLinesAtTheNewVehicles)
{
    modules::EvolutionParams params;
    params.populationSize = 4;
    params.generationTime = 0.5f;
    modules::startEvolution(params, *engine.world);
    const modules::EvolutionRun& run = *engine.world->run;
    // As the window's loop does it: a simulation step, then the frame.
    for (int i = 0; i < 100 && run.generation == 0; ++i) {
        engine.simulationStep();
        if (run.generation == 0)
            engine.drawFrame();
    }
    ASSERT_EQ(run.generation, 1);
    std::vector<vector3df> positions;
    for (const modules::Vehicle* vehicle : engine.world->vehicles)
        positions.push_back(vehicle->node->getPosition());

    engine.drawFrame();
    ASSERT_EQ(engine.world->vehicles.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        for (const modules::VehicleSensor* sensor : engine.world->vehicles[i]->sensors) {
            // New vehicles are not turned yet.
            EXPECT_VEC_NEAR(sensor->worldLine.start, positions[i], 1e-6f) << "vehicle " << i;
            EXPECT_VEC_NEAR(sensor->worldLine.end, positions[i] + sensor->localLine.end, 1e-6f) << "vehicle " << i;
        }
    }
}

TEST_F(EngineScene, ScreenLogShowsTheNewestOfFiveLinesOnTop)
{
    modules::ScreenLog& log = *engine.screenLog;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(line(i), L"") << "line " << i;

    for (const wchar_t* text : {L"one", L"two", L"three", L"four", L"five", L"six"})
        log.writeLine(text);
    const wchar_t* expected[] = {L"six", L"five", L"four", L"three", L"two"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(line(i), expected[i]) << "line " << i;

    log.writeLine(L"again");
    log.writeLine(L"again");
    EXPECT_EQ(line(0), L"again");
    EXPECT_EQ(line(1), L"again");
    EXPECT_EQ(line(2), L"six");

    log.clear();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(line(i), L"") << "line " << i;
    // The log keeps its own copy of the text.
    wchar_t buffer[] = L"Evolution started!";
    log.writeLine(buffer);
    buffer[0] = L'X';
    EXPECT_EQ(line(0), L"Evolution started!");
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(line(i), L"") << "line " << i;
}

TEST_F(EngineScene, ScreenLogSitsAtTheBottomLeft)
{
    const irr::core::rect<irr::s32> viewport = engine.driver->getViewPort();
    ASSERT_EQ(viewport.getHeight(), 768);
    for (int i = 0; i < 5; ++i) {
        irr::gui::IGUIStaticText* text = engine.screenLog->lines[i];
        EXPECT_EQ(text->getParent(), engine.guiEnvironment->getRootGUIElement());
        const irr::core::rect<irr::s32> area = text->getRelativePosition();
        EXPECT_EQ(area.UpperLeftCorner.X, 10) << "line " << i;
        EXPECT_EQ(area.getWidth(), 500) << "line " << i;
        EXPECT_EQ(area.getHeight(), 16) << "line " << i;
        EXPECT_EQ(area.LowerRightCorner.Y, 768 - 10 - 16 * (4 - i)) << "line " << i;
    }
}

TEST_F(EngineScene, ArenaWallsBlockLinesThatLeaveIt)
{
    modules::World& world = *engine.world;
    EXPECT_EQ(world.run, nullptr);
    EXPECT_TRUE(world.vehicles.empty());
    EXPECT_EQ(world.itemManager, nullptr);
    EXPECT_EQ(world.highlightedVehicle, nullptr);
    EXPECT_EQ(world.arenaWidth, 9.0f);
    EXPECT_EQ(world.arenaDepth, 9.0f);
    EXPECT_EQ(world.itemCount, 0);
    EXPECT_EQ(world.vehicleCount, 0);
    EXPECT_EQ(world.generationTime, 0.0f);
    EXPECT_EQ(world.generationClock, 0.0f);
    EXPECT_EQ(world.highlightTimer, 0.0f);
    ASSERT_NE(world.wallSelector, nullptr);

    irr::scene::ISceneCollisionManager* collisions = engine.sceneManager->getSceneCollisionManager();
    auto hit = [&](const vector3df& from, const vector3df& to, vector3df& point) {
        irr::core::triangle3df triangle;
        irr::scene::ISceneNode* node = nullptr;
        point.set(0, 0, 0);
        return collisions->getCollisionPoint(irr::core::line3df(from, to), world.wallSelector, point, triangle, node);
    };
    vector3df point;
    struct Case {
        vector3df to;
        vector3df face;
    } walls[] = {
        {{10.0f, 0.0f, 1.0f}, {5.0f, 0.0f, 0.5f}},
        {{-10.0f, 0.0f, 0.0f}, {-5.0f, 0.0f, 0.0f}},
        {{-2.0f, 0.0f, 10.0f}, {-1.0f, 0.0f, 5.0f}},
        {{0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, -5.0f}},
    };
    for (const Case& c : walls) {
        for (float height : {0.0f, 0.25f}) {
            const vector3df from(0.0f, height, 0.0f);
            const vector3df to(c.to.X, height, c.to.Z);
            EXPECT_TRUE(hit(from, to, point)) << "towards " << testing::PrintToString(to);
            EXPECT_VEC_NEAR(point, vector3df(c.face.X, height, c.face.Z), 1e-4f);
        }
    }
    EXPECT_TRUE(hit(vector3df(0, 0, 0), vector3df(7.0f, 0.0f, 7.0f), point)); // into a corner
    EXPECT_FALSE(hit(vector3df(-4.9f, 0.0f, 0.0f), vector3df(4.9f, 0.0f, 0.0f), point));
    EXPECT_FALSE(hit(vector3df(-4.5f, 0.0f, -4.5f), vector3df(4.5f, 0.0f, 4.5f), point));
    EXPECT_FALSE(hit(vector3df(4.9f, 0.0f, -4.9f), vector3df(4.9f, 0.0f, 4.9f), point));
}

TEST_F(EngineScene, NothingIsSimulatedWithoutAnEvolution)
{
    modules::World& world = *engine.world;
    world.itemCount = 3;
    world.vehicleCount = 2;
    world.generationTime = 100.0f;
    // Networks that always turn and drive at full command.
    modules::NeuralNetwork network;
    network.addLayer(4);
    network.addLayer(2);
    network.setData(std::vector<float>(network.getData().size(), 0.0f));
    network.layers[1][0].threshold = -1000.0f;
    network.layers[1][1].threshold = -1000.0f;
    world.createVehicles(std::vector<modules::NeuralNetwork>(2, network));

    for (int i = 0; i < 5; ++i)
        step();
    EXPECT_EQ(world.generationClock, 0.0f);
    for (modules::Vehicle* vehicle : world.vehicles)
        EXPECT_EQ(vehicle->node->getRotation().Y, 0.0f);

    // With an evolution running the same step moves them.
    world.run = std::make_unique<modules::EvolutionRun>(
        std::make_unique<modules::Evolver>(network, 0, 0, 0, 0.0f, 0.0f, 0.0f));
    step();
    EXPECT_EQ(world.generationClock, DT);
    for (modules::Vehicle* vehicle : world.vehicles)
        EXPECT_FLOAT_EQ(vehicle->node->getRotation().Y, DT * 500.0f);
}
