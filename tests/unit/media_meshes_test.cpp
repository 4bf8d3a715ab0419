// The generated meshes in media/, loaded as the program loads them.

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <string>

using namespace irr;

namespace {

class MediaMeshesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = createDevice(video::EDT_NULL, core::dimension2du(640, 480));
        ASSERT_NE(device, nullptr);
        sceneManager = device->getSceneManager();
    }

    void TearDown() override
    {
        if (device)
            device->drop();
    }

    scene::IMesh* load(const char* name)
    {
        scene::IAnimatedMesh* mesh = sceneManager->getMesh((std::string("media/") + name).c_str());
        return mesh ? mesh->getMesh(0) : nullptr;
    }

    IrrlichtDevice* device = nullptr;
    scene::ISceneManager* sceneManager = nullptr;
};

TEST_F(MediaMeshesTest, GroundIsALightFloorJustBelowTheSensorPlane)
{
    scene::IMesh* ground = load("ground.b3d");
    ASSERT_NE(ground, nullptr);
    ASSERT_GT(ground->getMeshBufferCount(), 0u);
    const core::aabbox3df box = ground->getBoundingBox();
    EXPECT_LT(box.MaxEdge.Y, 0.0f);
    EXPECT_GT(box.MaxEdge.Y, -0.05f);
    EXPECT_LE(box.MinEdge.X, -30.0f);
    EXPECT_GE(box.MaxEdge.X, 30.0f);
    EXPECT_LE(box.MinEdge.Z, -30.0f);
    EXPECT_GE(box.MaxEdge.Z, 30.0f);

    // Dark screen text lies over it wherever the camera looks, far from the lamp too.
    for (u32 b = 0; b < ground->getMeshBufferCount(); ++b) {
        scene::IMeshBuffer* buffer = ground->getMeshBuffer(b);
        EXPECT_FALSE(buffer->getMaterial().Lighting);
        const auto* vertices = static_cast<const video::S3DVertex*>(buffer->getVertices());
        for (u32 v = 0; v < buffer->getVertexCount(); ++v) {
            ASSERT_GT(vertices[v].Color.getLuminance(), 180.0f) << "vertex " << v;
            ASSERT_GT(vertices[v].Normal.Y, 0.99f) << "vertex " << v;
        }
    }
}

TEST_F(MediaMeshesTest, WallsEncloseThePlacementArea)
{
    scene::IMesh* walls = load("walls.b3d");
    ASSERT_NE(walls, nullptr);
    ASSERT_GT(walls->getMeshBufferCount(), 0u);
    const core::aabbox3df box = walls->getBoundingBox();
    EXPECT_LT(box.MinEdge.Y, 0.0f);
    EXPECT_GE(box.MaxEdge.Y, 0.6f);
    EXPECT_GT(box.MaxEdge.X, 5.0f);
    EXPECT_LT(box.MinEdge.X, -5.0f);
    EXPECT_GT(box.MaxEdge.Z, 5.0f);
    EXPECT_LT(box.MinEdge.Z, -5.0f);
}

TEST_F(MediaMeshesTest, SensorSegmentsHitTheInnerWallFacesAndNothingInside)
{
    scene::IAnimatedMesh* mesh = sceneManager->getMesh("media/walls.b3d");
    ASSERT_NE(mesh, nullptr);
    scene::IAnimatedMeshSceneNode* node = sceneManager->addAnimatedMeshSceneNode(mesh);
    scene::ITriangleSelector* selector = sceneManager->createOctreeTriangleSelector(mesh->getMesh(0), node, 1);
    node->updateAbsolutePosition();
    scene::ISceneCollisionManager* collision = sceneManager->getSceneCollisionManager();

    auto hit = [&](core::vector3df from, core::vector3df to, core::vector3df* at) {
        core::triangle3df triangle;
        scene::ISceneNode* hitNode = nullptr;
        return collision->getCollisionPoint(core::line3df(from, to), selector, *at, triangle, hitNode);
    };

    const struct {
        core::vector3df from, to, expected;
    } crossings[] = {
        {{4, 0, 0}, {6, 0, 0}, {5, 0, 0}},         {{-4, 0, 0}, {-6, 0, 0}, {-5, 0, 0}},
        {{0, 0, 4}, {0, 0, 6}, {0, 0, 5}},         {{0, 0, -4}, {0, 0, -6}, {0, 0, -5}},
        {{4.9f, 0, 4.9f}, {5.5f, 0, 5.5f}, {5, 0, 5}}, {{-4.9f, 0, -4.9f}, {-5.5f, 0, -5.5f}, {-5, 0, -5}},
        {{4.9f, 0, -4.9f}, {5.5f, 0, -5.5f}, {5, 0, -5}}, {{-4.9f, 0, 4.9f}, {-5.5f, 0, 5.5f}, {-5, 0, 5}},
    };
    for (const auto& c : crossings) {
        core::vector3df at;
        EXPECT_TRUE(hit(c.from, c.to, &at)) << "from " << c.from.X << "," << c.from.Z;
        EXPECT_NEAR(at.X, c.expected.X, 1e-3f);
        EXPECT_NEAR(at.Z, c.expected.Z, 1e-3f);
    }

    core::vector3df at;
    EXPECT_FALSE(hit({0, 0, 0}, {2, 0, 0}, &at));
    EXPECT_FALSE(hit({-4.4f, 0, -4.4f}, {4.4f, 0, 4.4f}, &at));
    selector->drop();
}

TEST_F(MediaMeshesTest, VehicleStandsOnItsOriginAndItsFirstMaterialCanTurnRed)
{
    scene::IMesh* vehicle = load("vehicle.b3d");
    ASSERT_NE(vehicle, nullptr);
    ASSERT_GT(vehicle->getMeshBufferCount(), 0u);
    const core::aabbox3df box = vehicle->getBoundingBox();
    EXPECT_FLOAT_EQ(box.MinEdge.Y, 0.0f);
    const core::vector3df size = box.getExtent();
    EXPECT_GE(size.Z, 0.2f);
    EXPECT_LE(size.Z, 0.3f);
    EXPECT_NEAR(size.X, 0.18f, 0.03f);
    EXPECT_NEAR(size.Y, 0.1f, 0.03f);
    EXPECT_NEAR(box.getCenter().X, 0.0f, 1e-4f);
    EXPECT_NEAR(box.getCenter().Z, 0.0f, 1e-4f);

    // The best vehicle is marked by setting this ambient colour to opaque red; that only
    // shows if the material is lit, takes its ambient colour from itself and is not red.
    const video::SMaterial& first = vehicle->getMeshBuffer(0)->getMaterial();
    EXPECT_TRUE(first.Lighting);
    EXPECT_EQ(first.ColorMaterial, video::ECM_NONE);
    EXPECT_LT(first.AmbientColor.getRed(), 64u);
    EXPECT_GT(first.AmbientColor.getBlue(), 128u);
}

} // namespace
