// The sensors' and the collection's shortcuts against the plain computations they replace:
// the item grid against a scan of every item in list order, over many random layouts with
// items on cell borders, at exactly the sensing and collecting distances, on top of each
// other and outside the arena; the wall boxes against asking the engine for every line.

#include "TestEngine.h"

#include "vehicle/VehicleSensor.h"
#include "world/ItemManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using irr::core::line3df;
using irr::core::vector3df;
using modules::engine;
using modules::ItemManager;
using modules::VehicleSensor;

namespace {

// The sensors' item choice as a scan in list order makes it.
int scannedNearestItem(const line3df& line, const ItemManager& items)
{
    const vector3df& start = line.start;
    const vector3df& end = line.end;
    const float length = line.getLength();
    vector3df unit = line.getVector();
    unit.normalize();
    int chosen = -1;
    float bestSquared = 100000.0f;
    for (size_t i = 0; i < items.items.size(); ++i) {
        const vector3df q = items.items[i]->getPosition();
        const float t = (q - start).dotProduct(unit);
        const vector3df closest = t < 0.0f ? start : (t > length ? end : start + unit * t);
        if (!(closest.getDistanceFrom(q) < VehicleSensor::ITEM_SENSE_DISTANCE))
            continue;
        const float squared = q.getDistanceFromSQ(start);
        if (chosen < 0)
            chosen = static_cast<int>(i);
        if (squared < bestSquared) {
            bestSquared = squared;
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

// Collection as a scan in list order makes it: the first item within reach.
int scannedItemInReach(const vector3df& position, const ItemManager& items)
{
    for (size_t i = 0; i < items.items.size(); ++i)
        if (position.getDistanceFrom(items.items[i]->getPosition()) < ItemManager::COLLECT_DISTANCE)
            return static_cast<int>(i);
    return -1;
}

// The wall reading as the engine's collision manager gives it for every line.
float askedWallReading(const line3df& line, irr::scene::ITriangleSelector* walls)
{
    vector3df point(0, 0, 0);
    irr::core::triangle3df triangle;
    irr::scene::ISceneNode* hit = nullptr;
    if (!engine.sceneManager->getSceneCollisionManager()->getCollisionPoint(line, walls, point, triangle, hit))
        return 0.0f;
    return point.getDistanceFrom(line.end) / 2.0f;
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class SensingEquivalence : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(3); }

    std::mt19937 random{20240611u};

    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    // A coordinate on a border between two cells of the grid (or on its outer edge).
    float border(const ItemManager& items, int cells, float origin)
    {
        return origin + static_cast<float>(below(cells + 1)) * items.itemGrid().cellSize();
    }

    vector3df layoutPosition(const ItemManager& items, const std::vector<vector3df>& placed)
    {
        const modules::ItemGrid& grid = items.itemGrid();
        const float minX = -0.5f * engine.world->arenaWidth;
        const float minZ = -0.5f * engine.world->arenaDepth;
        switch (below(8)) {
        case 0:
            return vector3df(border(items, grid.columns(), minX), 0.05f, uniform(-4.5f, 4.5f));
        case 1:
            return vector3df(uniform(-4.5f, 4.5f), 0.05f, border(items, grid.rows(), minZ));
        case 2:
            return vector3df(border(items, grid.columns(), minX), 0.05f, border(items, grid.rows(), minZ));
        case 3: // on top of another item
            if (!placed.empty())
                return placed[static_cast<size_t>(below(static_cast<int>(placed.size())))];
            return vector3df(0.0f, 0.05f, 0.0f);
        case 4: // off the floor or outside the arena
            return vector3df(uniform(-8.0f, 8.0f), uniform(-0.2f, 0.3f), uniform(-8.0f, 8.0f));
        case 5:
            return vector3df(uniform(-3000.0f, 3000.0f), 0.05f, uniform(-3000.0f, 3000.0f));
        default:
            return vector3df(uniform(-4.5f, 4.5f), 0.05f, uniform(-4.5f, 4.5f));
        }
    }

    // A sensor line; many run exactly the sensing distance past an item or put the edge of
    // their reach on a cell border.
    line3df sensorLine(const ItemManager& items, bool& onTheEdge)
    {
        const float angle = uniform(0.0f, 6.2831853f);
        const vector3df direction(std::sin(angle), 0.0f, -std::cos(angle));
        const vector3df across(direction.Z, 0.0f, -direction.X);
        const float height = below(4) == 0 ? uniform(-0.1f, 0.1f) : 0.0f;
        onTheEdge = false;
        vector3df start(uniform(-7.0f, 7.0f), height, uniform(-7.0f, 7.0f));
        const int kind = below(6);
        if (kind <= 2 && !items.items.empty()) {
            // Item q at (nearly) exactly the sensing distance in three dimensions.
            const vector3df q = items.items[static_cast<size_t>(below(static_cast<int>(items.items.size())))]->getPosition();
            const float dy = q.Y - height;
            const float flat = std::sqrt(std::max(0.0f, 0.01f - dy * dy));
            float offset = flat;
            for (int ulps = below(5) - 2; ulps != 0; ulps += ulps > 0 ? -1 : 1)
                offset = std::nextafter(offset, ulps > 0 ? 1.0f : 0.0f);
            const float along = kind == 2 ? uniform(-0.1f, 2.1f) : uniform(0.0f, 2.0f);
            start = vector3df(q.X, height, q.Z) - direction * along + across * (below(2) ? offset : -offset);
            onTheEdge = true;
        } else if (kind == 3) {
            // The reach ends on a cell border.
            const modules::ItemGrid& grid = items.itemGrid();
            start.X = border(items, grid.columns(), -0.5f * engine.world->arenaWidth) +
                      (below(2) ? 0.1f : -0.1f);
            return line3df(start, start + vector3df(0.0f, 0.0f, below(2) ? 2.0f : -2.0f));
        } else if (kind == 4 && below(4) == 0) {
            // Odd lengths, the empty segment among them.
            return line3df(start, start + direction * static_cast<float>(below(4)) * 1.5f);
        }
        return line3df(start, start + direction * 2.0f);
    }

    vector3df collectorPosition(const ItemManager& items, bool& onTheEdge)
    {
        onTheEdge = false;
        if (below(2) == 0 && !items.items.empty()) {
            // An item at (nearly) exactly the collecting distance in three dimensions.
            const vector3df q = items.items[static_cast<size_t>(below(static_cast<int>(items.items.size())))]->getPosition();
            const float dy = q.Y;
            float flat = std::sqrt(std::max(0.0f, 0.04f - dy * dy));
            for (int ulps = below(5) - 2; ulps != 0; ulps += ulps > 0 ? -1 : 1)
                flat = std::nextafter(flat, ulps > 0 ? 1.0f : 0.0f);
            const float angle = below(2) ? static_cast<float>(below(4)) * 1.5707964f : uniform(0.0f, 6.2831853f);
            onTheEdge = true;
            return vector3df(q.X + flat * std::cos(angle), 0.0f, q.Z + flat * std::sin(angle));
        }
        return vector3df(uniform(-5.5f, 5.5f), 0.0f, uniform(-5.5f, 5.5f));
    }
};

} // namespace

TEST_F(SensingEquivalence, SensorsAndCollectionChooseWhatAFullScanChooses)
{
    irr::scene::ISceneNode* probe = engine.sceneManager->addEmptySceneNode(nullptr, -1);
    VehicleSensor sensor(probe, vector3df(0, 0, 0), vector3df(0, 0, -1), 2.0f);
    const int counts[] = {0, 1, 2, 7, 60, 300, 1000, 5000};
    int edgeSensed = 0, edgeMissed = 0, edgeCollected = 0, edgeOutOfReach = 0;
    for (int layout = 0; layout < 48; ++layout) {
        const int count = counts[layout % 8];
        ItemManager items(engine.world, count);
        std::vector<vector3df> placed;
        for (int i = 0; i < count; ++i) {
            placed.push_back(layoutPosition(items, placed));
            items.moveItem(i, placed.back());
        }
        for (int query = 0; query < 1500; ++query) {
            bool onTheEdge = false;
            sensor.worldLine = sensorLine(items, onTheEdge);
            const int expected = scannedNearestItem(sensor.worldLine, items);
            ASSERT_EQ(sensor.nearestItem(&items), expected)
                << "layout " << layout << " query " << query << " line " << testing::PrintToString(sensor.worldLine.start)
                << " to " << testing::PrintToString(sensor.worldLine.end);
            const float reading = sensor.getItemProximity(&items);
            const float expectedReading =
                expected < 0 ? 0.0f
                             : items.items[static_cast<size_t>(expected)]->getPosition().getDistanceFrom(sensor.worldLine.end) / 2.0f;
            ASSERT_TRUE(sameBits(reading, expectedReading)) << reading << " vs " << expectedReading;
            if (onTheEdge)
                ++(expected >= 0 ? edgeSensed : edgeMissed);

            const vector3df at = collectorPosition(items, onTheEdge);
            const int reached = scannedItemInReach(at, items);
            ASSERT_EQ(items.itemInReach(at), reached) << "layout " << layout << " at " << testing::PrintToString(at);
            if (onTheEdge)
                ++(reached >= 0 ? edgeCollected : edgeOutOfReach);
            // Collect now and then, so that replacements and moves keep the grid changing.
            if (query % 7 == 0) {
                EXPECT_EQ(items.collectItem(at), reached >= 0);
            } else if (query % 11 == 0 && count > 0) {
                const int moved = below(count);
                placed[static_cast<size_t>(moved)] = layoutPosition(items, placed);
                items.moveItem(moved, placed[static_cast<size_t>(moved)]);
            }
        }
    }
    // Both sides of the exact distances were met many times.
    EXPECT_GT(edgeSensed, 1000);
    EXPECT_GT(edgeMissed, 1000);
    EXPECT_GT(edgeCollected, 1000);
    EXPECT_GT(edgeOutOfReach, 1000);
}

TEST_F(SensingEquivalence, WallReadingsAreTheEnginesForEveryLine)
{
    irr::scene::ITriangleSelector* walls = engine.world->wallSelector;
    ASSERT_NE(walls, nullptr);
    irr::scene::ISceneNode* probe = engine.sceneManager->addEmptySceneNode(nullptr, -1);
    VehicleSensor sensor(probe, vector3df(0, 0, 0), vector3df(0, 0, -1), 2.0f);
    int skipped = 0, hits = 0, closeMisses = 0;
    for (int i = 0; i < 200000; ++i) {
        const float angle = below(8) == 0 ? static_cast<float>(below(4)) * 1.5707964f : uniform(0.0f, 6.2831853f);
        const vector3df direction(std::sin(angle), 0.0f, -std::cos(angle));
        const float height = below(4) == 0 ? uniform(-0.5f, 1.0f) : 0.0f;
        vector3df start(uniform(-6.5f, 6.5f), height, uniform(-6.5f, 6.5f));
        float length = below(8) == 0 ? uniform(0.0f, 4.0f) : 2.0f;
        if (below(2) == 0) {
            // An end or the whole line on the inner face of a wall, or a few steps off it.
            float face = below(2) ? 5.0f : -5.0f;
            for (int ulps = below(7) - 3; ulps != 0; ulps += ulps > 0 ? -1 : 1)
                face = std::nextafter(face, ulps > 0 ? 10.0f : -10.0f);
            const bool alongX = below(2) == 0;
            (alongX ? start.X : start.Z) = face;
            if (below(2) == 0) {
                const vector3df end = start;
                start = end - direction * length;
            }
            if (below(4) == 0)
                length = 0.0f;
        }
        sensor.worldLine = line3df(start, start + direction * length);
        const float expected = askedWallReading(sensor.worldLine, walls);
        ASSERT_TRUE(sameBits(sensor.getWallProximity(walls), expected))
            << testing::PrintToString(sensor.worldLine.start) << " to " << testing::PrintToString(sensor.worldLine.end);
        if (!engine.world->wallBoxes.mayCross(sensor.worldLine))
            ++skipped;
        else if (expected > 0.0f)
            ++hits;
        else
            ++closeMisses;
    }
    // The shortcut was taken often, and lines it could not rule out both hit and missed.
    EXPECT_GT(skipped, 20000);
    EXPECT_GT(hits, 20000);
    EXPECT_GT(closeMisses, 1000);
}
