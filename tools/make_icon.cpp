// make_icon: renders the program's icon, the arena seen from above with a vehicle
// sensing its way to the items, as a square PNG with an alpha channel.
//
//   make_icon <output.png> <size in pixels>
//
// The picture is described in unit coordinates (0..1, y down) and sampled 4x4 times per
// pixel, so every size is drawn from the same shapes with smooth edges.

#include "PngWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Colour {
    float r, g, b, a;
};

struct Point {
    float x, y;
};

constexpr int SUBSAMPLES = 4;

float length(Point p)
{
    return std::sqrt(p.x * p.x + p.y * p.y);
}

// Signed distance to a rounded rectangle centred at `centre`, negative inside.
float roundedBox(Point p, Point centre, Point half, float radius)
{
    const float qx = std::fabs(p.x - centre.x) - half.x + radius;
    const float qy = std::fabs(p.y - centre.y) - half.y + radius;
    const Point outside{std::max(qx, 0.0f), std::max(qy, 0.0f)};
    return length(outside) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float circle(Point p, Point centre, float radius)
{
    return length({p.x - centre.x, p.y - centre.y}) - radius;
}

// Distance to the segment a-b minus half the line's width.
float segment(Point p, Point a, Point b, float width)
{
    const Point ab{b.x - a.x, b.y - a.y};
    const Point ap{p.x - a.x, p.y - a.y};
    const float t = std::clamp((ap.x * ab.x + ap.y * ab.y) / (ab.x * ab.x + ab.y * ab.y), 0.0f, 1.0f);
    return length({ap.x - t * ab.x, ap.y - t * ab.y}) - width / 2;
}

// `p` in the frame of a body at `centre` turned by `angle` (radians, clockwise on screen).
Point toBody(Point p, Point centre, float angle)
{
    const float dx = p.x - centre.x;
    const float dy = p.y - centre.y;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return {c * dx + s * dy, -s * dx + c * dy};
}

void over(Colour& dst, Colour src)
{
    const float a = src.a + dst.a * (1 - src.a);
    if (a <= 0) {
        dst = {0, 0, 0, 0};
        return;
    }
    dst.r = (src.r * src.a + dst.r * dst.a * (1 - src.a)) / a;
    dst.g = (src.g * src.a + dst.g * dst.a * (1 - src.a)) / a;
    dst.b = (src.b * src.a + dst.b * dst.a * (1 - src.a)) / a;
    dst.a = a;
}

// The colour of the picture at one point.
Colour sample(Point p)
{
    Colour c{0, 0, 0, 0};
    const Point middle{0.5f, 0.5f};
    // The wall, then the floor inside it.
    if (roundedBox(p, middle, {0.46f, 0.46f}, 0.16f) <= 0)
        over(c, {0.62f, 0.66f, 0.70f, 1});
    if (roundedBox(p, middle, {0.39f, 0.39f}, 0.10f) <= 0) {
        const float shade = 0.85f + 0.15f * (1 - p.y);
        over(c, {0.13f * shade, 0.29f * shade, 0.36f * shade, 1});
        // A faint floor grid.
        const float gx = std::fabs(std::fmod(p.x * 6, 1.0f) - 0.5f);
        const float gy = std::fabs(std::fmod(p.y * 6, 1.0f) - 0.5f);
        if (gx > 0.46f || gy > 0.46f)
            over(c, {1, 1, 1, 0.07f});
    }

    // The vehicle, heading up and to the right, and its two sensor lines.
    const Point vehicle{0.40f, 0.62f};
    const float heading = 0.6f;
    // The body's front is local -y: on screen (sin, -cos) of the heading.
    const Point nose{vehicle.x + 0.13f * std::sin(heading), vehicle.y - 0.13f * std::cos(heading)};
    for (float spread : {-0.45f, 0.35f}) {
        const float a = heading + spread;
        const Point end{nose.x + 0.32f * std::sin(a), nose.y - 0.32f * std::cos(a)};
        if (segment(p, nose, end, 0.022f) <= 0)
            over(c, {0.95f, 0.25f, 0.2f, 0.85f});
    }

    // The items.
    const Point items[] = {{0.74f, 0.24f}, {0.27f, 0.27f}, {0.72f, 0.70f}, {0.52f, 0.36f}};
    for (const Point& item : items)
        if (circle(p, item, 0.05f) <= 0)
            over(c, {0.98f, 0.78f, 0.25f, 1});

    const Point local = toBody(p, vehicle, heading);
    for (float side : {-1.0f, 1.0f})
        for (float along : {-0.075f, 0.075f})
            if (roundedBox(local, {side * 0.085f, along}, {0.025f, 0.04f}, 0.015f) <= 0)
                over(c, {0.08f, 0.08f, 0.09f, 1});
    if (roundedBox(local, {0, 0}, {0.08f, 0.13f}, 0.04f) <= 0)
        over(c, {0.89f, 0.34f, 0.18f, 1});
    if (roundedBox(local, {0, -0.045f}, {0.055f, 0.035f}, 0.02f) <= 0)
        over(c, {0.55f, 0.80f, 0.95f, 1});
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output.png> <size in pixels>\n", argv[0]);
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "make_icon: size %s out of range 16..1024\n", argv[2]);
        return 2;
    }

    std::vector<unsigned char> rgba(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Average of the samples, weighted by their coverage (premultiplied).
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < SUBSAMPLES; ++sy) {
                for (int sx = 0; sx < SUBSAMPLES; ++sx) {
                    const Point p{(x + (sx + 0.5f) / SUBSAMPLES) / size, (y + (sy + 0.5f) / SUBSAMPLES) / size};
                    const Colour c = sample(p);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            unsigned char* out = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            const auto byte = [](float v) { return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
            out[0] = byte(a > 0 ? r / a : 0);
            out[1] = byte(a > 0 ? g / a : 0);
            out[2] = byte(a > 0 ? b / a : 0);
            out[3] = byte(a / (SUBSAMPLES * SUBSAMPLES));
        }
    }
    return writeRgbaPng("make_icon", argv[1], size, size, rgba) ? 0 : 1;
}
