#include "media/MazeFile.h"

#include "cli/OptionValue.h"
#include "media/B3DStructure.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace modules {

namespace {

using Json = nlohmann::json;
using Vec = irr::core::vector3d<double>;

// A maze's JSON is a few lines and its mesh a few boxes; the limits keep a hostile file's
// parse (a JSON value per byte, a triangle per 12 bytes) to a bounded cost.
constexpr long long JSON_LIMIT = 1LL << 20;
constexpr long long MESH_LIMIT = 16LL << 20;

// Reads a whole regular file of at most `limit` bytes; the reason why not, else empty.
std::string readWhole(const std::string& path, long long limit, std::vector<unsigned char>& bytes)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "it is not a regular file";
    if (info.st_size > limit)
        return "it is larger than " + std::to_string(limit >> 20) + " MiB";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::strerror(errno);
    bytes.resize(static_cast<std::size_t>(info.st_size));
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool more = std::fgetc(file) != EOF;
    std::fclose(file);
    if (got != bytes.size() || more)
        return "it changed while being read";
    return std::string();
}

// A coordinate for a message: "0.5", "-3.8", "0.0".
std::string number(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
    std::string s = text;
    while (s.size() > 1 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    return s == "-0.0" ? "0.0" : s;
}

std::string pointText(irr::core::vector2df p) { return "(" + number(p.X) + ", " + number(p.Y) + ")"; }

// A value for a message, cut short: the file may hold a long one.
std::string shown(const Json& value)
{
    const std::string text = value.dump();
    return printable(text.size() > 40 ? text.substr(0, 40) + "..." : text);
}

bool finite(const Json& value) { return value.is_number() && std::isfinite(value.get<double>()); }

// The member's problem, or empty when it is a finite number.
std::string numberProblem(const Json& object, const char* name)
{
    const std::string quoted = std::string("\"") + name + "\"";
    if (!object.contains(name))
        return " has no " + quoted;
    if (!object[name].is_number())
        return ": its " + quoted + " is not a number";
    if (!finite(object[name]))
        return ": its " + quoted + " is not a finite number";
    return std::string();
}

std::string pointProblem(const Json& object, const char* name, irr::core::vector2df& point)
{
    const std::string quoted = std::string("\"") + name + "\"";
    if (!object.contains(name))
        return " has no " + quoted;
    const Json& value = object[name];
    if (!value.is_array() || value.size() != 2 || !value[0].is_number() || !value[1].is_number())
        return ": its " + quoted + " is not a pair of numbers [x, z]";
    if (!finite(value[0]) || !finite(value[1]))
        return ": its " + quoted + " is not a pair of finite numbers";
    point.set(value[0].get<float>(), value[1].get<float>());
    if (!std::isfinite(point.X) || !std::isfinite(point.Y))
        return ": its " + quoted + " is not a pair of finite numbers";
    return std::string();
}

// The line of byte `byte` (counted from 0; nlohmann counts from 1) of the text.
std::size_t lineOf(const std::vector<unsigned char>& text, std::size_t byte)
{
    const std::size_t end = std::min(byte > 0 ? byte - 1 : 0, text.size());
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(end), '\n'));
}

Vec toDouble(const irr::core::vector3df& v) { return Vec(v.X, v.Y, v.Z); }

// The squared distance from p to the triangle abc (the closest point by its Voronoi regions).
double squaredDistance(const Vec& p, const Vec& a, const Vec& b, const Vec& c)
{
    const Vec ab = b - a, ac = c - a, ap = p - a;
    const double d1 = ab.dotProduct(ap), d2 = ac.dotProduct(ap);
    if (d1 <= 0 && d2 <= 0)
        return ap.getLengthSQ();
    const Vec bp = p - b;
    const double d3 = ab.dotProduct(bp), d4 = ac.dotProduct(bp);
    if (d3 >= 0 && d4 <= d3)
        return bp.getLengthSQ();
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return (p - (a + ab * (d1 / (d1 - d3)))).getLengthSQ();
    const Vec cp = p - c;
    const double d5 = ab.dotProduct(cp), d6 = ac.dotProduct(cp);
    if (d6 >= 0 && d5 <= d6)
        return cp.getLengthSQ();
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return (p - (a + ac * (d2 / (d2 - d6)))).getLengthSQ();
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return (p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))))).getLengthSQ();
    const double sum = va + vb + vc;
    if (sum == 0) // a degenerate triangle: its edges were handled above
        return ap.getLengthSQ();
    return (p - (a + ab * (vb / sum) + ac * (vc / sum))).getLengthSQ();
}

// Whether the ray from `origin` along `direction`, up to `reach` times its length, meets abc.
bool rayHits(const Vec& origin, const Vec& direction, double reach, const irr::core::triangle3df& t)
{
    const Vec a = toDouble(t.pointA), b = toDouble(t.pointB), c = toDouble(t.pointC);
    const Vec ab = b - a, ac = c - a;
    const Vec p = direction.crossProduct(ac);
    const double det = ab.dotProduct(p);
    if (std::fabs(det) < 1e-12)
        return false;
    const Vec s = origin - a;
    const double u = s.dotProduct(p) / det;
    if (u < 0 || u > 1)
        return false;
    const Vec q = s.crossProduct(ab);
    const double v = direction.dotProduct(q) / det;
    if (v < 0 || u + v > 1)
        return false;
    const double along = ac.dotProduct(q) / det;
    return along >= 0 && along <= reach;
}

// Inside a closed wall mesh, a ray crosses its surface an odd number of times. Three rays in
// unrelated directions vote, so that one grazing an edge does not decide it.
bool insideWalls(const std::vector<irr::core::triangle3df>& walls, const Vec& point)
{
    const Vec directions[3] = {Vec(0.83, 0.11, 0.55), Vec(-0.37, 0.21, 0.9), Vec(-0.6, -0.17, -0.78)};
    int odd = 0;
    for (const Vec& direction : directions) {
        int crossings = 0;
        for (const auto& t : walls)
            crossings += rayHits(point, direction, 1e30, t) ? 1 : 0;
        odd += crossings % 2;
    }
    return odd >= 2;
}

// The problem with a start or goal, or empty: inside the arena, and clear of every wall.
std::string placeProblem(const char* what, irr::core::vector2df point, float halfWidth, float halfDepth,
                         const std::vector<irr::core::triangle3df>& walls)
{
    const std::string head = std::string(": the ") + what + " " + pointText(point);
    if (std::fabs(point.X) > halfWidth || std::fabs(point.Y) > halfDepth)
        return head + " lies outside the arena (|x| at most " + number(halfWidth) + ", |z| at most "
            + number(halfDepth) + ")";
    const Vec floor(point.X, 0.0, point.Y);
    if (insideWalls(walls, floor))
        return head + " lies inside a wall";
    const double clearance = MAZE_WALL_CLEARANCE;
    for (const auto& t : walls)
        if (squaredDistance(floor, toDouble(t.pointA), toDouble(t.pointB), toDouble(t.pointC))
            <= clearance * clearance)
            return head + " touches a wall (closer than " + number(MAZE_WALL_CLEARANCE) + ")";
    return std::string();
}

// The JSON's problem (its tail after "the maze file 'PATH'"), or empty.
std::string readJson(const std::string& path, MazeLayout& maze)
{
    std::vector<unsigned char> text;
    const std::string reason = readWhole(path, JSON_LIMIT, text);
    if (!reason.empty())
        return " cannot be read: " + reason;
    Json root;
    try {
        root = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        return " is not valid JSON at line " + std::to_string(lineOf(text, e.byte));
    } catch (const Json::out_of_range&) {
        return " holds a number too large to read"; // such as 1e999
    } catch (const Json::exception&) {
        return " is not valid JSON";
    }
    if (!root.is_object())
        return " is not a JSON object";
    if (!root.contains("format"))
        return " has no \"format\"";
    if (!root["format"].is_string() || root["format"].get<std::string>() != "kinetarium-maze")
        return " is not a maze: its \"format\" is " + shown(root["format"]) + ", not \"kinetarium-maze\"";
    if (!root.contains("version"))
        return " has no \"version\"";
    if (!root["version"].is_number_integer() || root["version"].get<long long>() != 1)
        return ": its \"version\" " + shown(root["version"]) + " is not 1, the one this program reads";
    if (!root.contains("mesh"))
        return " has no \"mesh\"";
    if (!root["mesh"].is_string() || root["mesh"].get<std::string>().empty())
        return ": its \"mesh\" is not a file name";
    std::string problem = pointProblem(root, "start", maze.start);
    if (problem.empty())
        problem = numberProblem(root, "heading");
    if (problem.empty())
        problem = pointProblem(root, "goal", maze.goal);
    if (!problem.empty())
        return problem;
    maze.heading = root["heading"].get<float>();
    if (!std::isfinite(maze.heading))
        return ": its \"heading\" is not a finite number";
    const std::string mesh = root["mesh"].get<std::string>();
    const std::size_t slash = path.rfind('/');
    maze.meshPath = mesh[0] == '/' || slash == std::string::npos ? mesh : path.substr(0, slash + 1) + mesh;
    return std::string();
}

std::string readMesh(MazeLayout& maze)
{
    std::vector<unsigned char> bytes;
    std::string reason = readWhole(maze.meshPath, MESH_LIMIT, bytes);
    if (reason.empty())
        reason = readB3DTriangles(bytes.data(), bytes.size(), maze.walls);
    if (reason.empty() && maze.walls.empty())
        reason = "it has no triangles";
    for (const auto& t : maze.walls)
        for (const auto& p : {t.pointA, t.pointB, t.pointC})
            if (reason.empty() && !(std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.Z)))
                reason = "it has a vertex that is not a finite number";
    return reason.empty() ? reason : ": its mesh '" + printable(maze.meshPath) + "' cannot be read: " + reason;
}

} // namespace

bool readMazeFile(const std::string& path, float arenaWidth, float arenaDepth, MazeLayout& maze, std::string& error)
{
    MazeLayout read;
    std::string problem = readJson(path, read);
    if (problem.empty())
        problem = readMesh(read);
    const float halfWidth = arenaWidth * 0.5f - MAZE_EDGE_MARGIN;
    const float halfDepth = arenaDepth * 0.5f - MAZE_EDGE_MARGIN;
    if (problem.empty())
        problem = placeProblem("start", read.start, halfWidth, halfDepth, read.walls);
    if (problem.empty())
        problem = placeProblem("goal", read.goal, halfWidth, halfDepth, read.walls);
    if (!problem.empty()) {
        error = "Error: the maze file '" + printable(path) + "'" + problem;
        return false;
    }
    maze = std::move(read);
    error.clear();
    return true;
}

std::string mazePath(const std::string& value, const std::string& mediaFolder)
{
    if (value.find('/') != std::string::npos || mediaFolder.empty())
        return value;
    return mediaFolder.back() == '/' ? mediaFolder + value : mediaFolder + "/" + value;
}

bool crossesWall(const std::vector<irr::core::triangle3df>& walls, irr::core::vector2df from, irr::core::vector2df to)
{
    const Vec origin(from.X, 0.0, from.Y);
    const Vec direction(to.X - from.X, 0.0, to.Y - from.Y);
    for (const auto& t : walls)
        if (rayHits(origin, direction, 1.0, t))
            return true;
    return false;
}

} // namespace modules
