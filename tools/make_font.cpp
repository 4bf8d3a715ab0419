// make_font: renders a TrueType font into the engine's XML bitmap font format.
//
//   make_font <font.ttf> <output dir> <png name> [pixel size]
//
// Writes <output dir>/font.xml and <output dir>/<png name>: white glyphs whose
// coverage is stored in the alpha channel, one glyph per printable ASCII character
// (32..126). Every glyph rectangle spans the same rows, from the highest ascent to
// the lowest descent of the whole set, so the engine's line height (the tallest
// rectangle) is that span and all baselines line up. A glyph that reaches left of
// its pen position or past its advance gets a wider rectangle and negative "u"/"o"
// bearings, so that u + width + o is always the hinted advance.
//
// The media folder is mounted with paths ignored, so the PNG name must be unique
// among all files below media/.

#include <ft2build.h>
#include FT_FREETYPE_H

#include "PngWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int FIRST_CHAR = 32;
constexpr int LAST_CHAR = 126;
constexpr int SHEET_WIDTH = 256; // power of two, safe for every driver
constexpr int GAP = 1;           // empty pixels between glyph cells against bleeding

struct Glyph {
    int code = 0;
    int advance = 0;      // hinted advance in pixels
    int bitmapLeft = 0;   // pen position to first bitmap column
    int bitmapTop = 0;    // baseline to first bitmap row (up is positive)
    int bitmapWidth = 0;
    int bitmapRows = 0;
    std::vector<unsigned char> coverage; // bitmapWidth * bitmapRows, 0..255
    // Cell in the sheet, relative to the pen: [cellLeft, cellRight) columns.
    int cellLeft = 0;
    int cellRight = 0;
    int x = 0; // sheet position of the cell
    int y = 0;
};

std::string xmlEscape(char c)
{
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return std::string(1, c);
    }
}

int nextPowerOfTwo(int v)
{
    int p = 1;
    while (p < v)
        p *= 2;
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: %s <font.ttf> <output dir> <png name> [pixel size]\n", argv[0]);
        return 2;
    }
    const std::string fontPath = argv[1];
    const std::string outDir = argv[2];
    const std::string pngName = argv[3];
    const int pixelSize = argc == 5 ? std::atoi(argv[4]) : 15;
    if (pixelSize < 6 || pixelSize > 200) {
        std::fprintf(stderr, "make_font: pixel size %s out of range 6..200\n", argv[4]);
        return 2;
    }
    if (pngName.empty() || pngName.find('/') != std::string::npos) {
        std::fprintf(stderr, "make_font: the png name must be a plain file name\n");
        return 2;
    }

    FT_Library library;
    if (FT_Init_FreeType(&library)) {
        std::fprintf(stderr, "make_font: cannot initialise FreeType\n");
        return 1;
    }
    FT_Face face;
    if (FT_New_Face(library, fontPath.c_str(), 0, &face)) {
        std::fprintf(stderr, "make_font: cannot open font %s\n", fontPath.c_str());
        FT_Done_FreeType(library);
        return 1;
    }
    if (FT_Set_Pixel_Sizes(face, 0, pixelSize)) {
        std::fprintf(stderr, "make_font: font %s cannot be scaled to %d px\n", fontPath.c_str(), pixelSize);
        FT_Done_Face(face);
        FT_Done_FreeType(library);
        return 1;
    }

    // Render every glyph with the hinter so stems and advances sit on whole pixels.
    std::vector<Glyph> glyphs;
    int ascent = 0;  // highest row above the baseline over the whole set
    int descent = 0; // lowest row below the baseline over the whole set
    for (int code = FIRST_CHAR; code <= LAST_CHAR; ++code) {
        FT_UInt index = FT_Get_Char_Index(face, code);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL)) {
            std::fprintf(stderr, "make_font: font %s has no usable glyph for '%c'\n", fontPath.c_str(), code);
            FT_Done_Face(face);
            FT_Done_FreeType(library);
            return 1;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        Glyph g;
        g.code = code;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        g.bitmapLeft = slot->bitmap_left;
        g.bitmapTop = slot->bitmap_top;
        g.bitmapWidth = static_cast<int>(bitmap.width);
        g.bitmapRows = static_cast<int>(bitmap.rows);
        g.coverage.resize(static_cast<size_t>(g.bitmapWidth) * g.bitmapRows);
        for (int row = 0; row < g.bitmapRows; ++row) {
            const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
            std::copy(src, src + g.bitmapWidth, g.coverage.begin() + static_cast<ptrdiff_t>(row) * g.bitmapWidth);
        }
        if (g.bitmapRows > 0) {
            ascent = std::max(ascent, g.bitmapTop);
            descent = std::max(descent, g.bitmapRows - g.bitmapTop);
        }
        g.cellLeft = std::min(0, g.bitmapLeft);
        g.cellRight = std::max(g.advance, g.bitmapLeft + g.bitmapWidth);
        glyphs.push_back(std::move(g));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    const int lineHeight = ascent + descent;

    // Shelf packing in character order.
    int x = GAP;
    int y = GAP;
    for (Glyph& g : glyphs) {
        const int w = g.cellRight - g.cellLeft;
        if (x + w + GAP > SHEET_WIDTH) {
            x = GAP;
            y += lineHeight + GAP;
        }
        g.x = x;
        g.y = y;
        x += w + GAP;
    }
    const int sheetHeight = nextPowerOfTwo(y + lineHeight + GAP);

    // White everywhere; the glyph coverage goes to alpha.
    std::vector<unsigned char> rgba(static_cast<size_t>(SHEET_WIDTH) * sheetHeight * 4, 0);
    for (size_t i = 0; i < rgba.size(); i += 4)
        rgba[i] = rgba[i + 1] = rgba[i + 2] = 255;
    for (const Glyph& g : glyphs) {
        const int originX = g.x - g.cellLeft;  // pen position in the sheet
        const int baselineY = g.y + ascent;
        for (int row = 0; row < g.bitmapRows; ++row) {
            for (int col = 0; col < g.bitmapWidth; ++col) {
                const int px = originX + g.bitmapLeft + col;
                const int py = baselineY - g.bitmapTop + row;
                rgba[(static_cast<size_t>(py) * SHEET_WIDTH + px) * 4 + 3] =
                    g.coverage[static_cast<size_t>(row) * g.bitmapWidth + col];
            }
        }
    }

    const std::string pngPath = outDir + "/" + pngName;
    if (!writeRgbaPng("make_font", pngPath, SHEET_WIDTH, sheetHeight, rgba))
        return 1;

    const std::string xmlPath = outDir + "/font.xml";
    FILE* xml = std::fopen(xmlPath.c_str(), "w");
    if (!xml) {
        std::fprintf(stderr, "make_font: cannot write %s: %s\n", xmlPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::fprintf(xml, "<?xml version=\"1.0\"?>\n");
    std::fprintf(xml, "<!-- Generated by make_font: %d px, line height %d, ascent %d, descent %d -->\n",
                 pixelSize, lineHeight, ascent, descent);
    std::fprintf(xml, "<font type=\"bitmap\">\n");
    std::fprintf(xml, "  <Texture index=\"0\" filename=\"%s\" hasAlpha=\"true\" />\n", pngName.c_str());
    for (const Glyph& g : glyphs) {
        const int w = g.cellRight - g.cellLeft;
        std::fprintf(xml, "  <c c=\"%s\" r=\"%d,%d,%d,%d\"", xmlEscape(static_cast<char>(g.code)).c_str(), g.x, g.y,
                     g.x + w, g.y + lineHeight);
        const int underhang = g.cellLeft;              // <= 0
        const int overhang = g.advance - g.cellRight;  // <= 0
        if (underhang != 0)
            std::fprintf(xml, " u=\"%d\"", underhang);
        if (overhang != 0)
            std::fprintf(xml, " o=\"%d\"", overhang);
        std::fprintf(xml, " />\n");
    }
    std::fprintf(xml, "</font>\n");
    if (std::fclose(xml) != 0) {
        std::fprintf(stderr, "make_font: cannot finish %s\n", xmlPath.c_str());
        return 1;
    }
    std::printf("make_font: %s and %s, %d glyphs, line height %d px\n", xmlPath.c_str(), pngName.c_str(),
                static_cast<int>(glyphs.size()), lineHeight);
    return 0;
}
