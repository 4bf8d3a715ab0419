#pragma once

#include <irrlicht.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace modules {

// Checks of the panel's two XML files, made before the engine reads them. The engine's XML
// reader runs past the end of its text on a cut-off tag, comment or attribute value, and
// its bitmap-font loader dereferences attributes it assumes present; a count of items in a
// layout makes it add that many items. So each file passes these checks first.

// One element of a document, in document order.
struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes; // ASCII; other characters as '?'
    int depth = 0;                                               // 0 for the root element

    // The value of the first attribute of that name, or null.
    const std::string* attribute(const char* attributeName) const;
};

constexpr int MAX_XML_DEPTH = 64;

// Reads a document in the subset of XML the program's files use, in the encodings the
// engine reads (8-bit, or UTF-8, UTF-16 or UTF-32 with a byte order mark): one root element,
// elements nested at most MAX_XML_DEPTH deep and all closed, attribute values quoted,
// comments, processing instructions and CDATA sections closed, no DOCTYPE, no NUL
// character. Returns an empty text and the elements, or a short reason ("... at byte N").
std::string parseXml(const unsigned char* data, std::size_t size, std::vector<XmlElement>& elements);

// What the bitmap-font loader needs of font.xml: the root <font type="bitmap">; every
// <Texture> with a filename and an index from 0 to MAX_FONT_TEXTURES - 1; every <c> with a
// character `c`, a rectangle `r` of four non-negative whole numbers and, if it names one,
// a texture index `i` that a <Texture> defines.
std::string checkFontDocument(const std::vector<XmlElement>& elements);
constexpr int MAX_FONT_TEXTURES = 256;

// What the layout loader needs of gui.xml: the root <irr_gui>, and every count attribute
// (<int name="...Count" value="N"/>, e.g. a combo box's ItemCount) from 0 to MAX_LAYOUT_COUNT.
std::string checkLayoutDocument(const std::vector<XmlElement>& elements);
constexpr int MAX_LAYOUT_COUNT = 1000;

// Open the file through the engine's file system (as the engine will) and check it.
// `found` tells whether the file could be opened at all; the text is empty when it passes.
std::string checkFontFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found);
std::string checkLayoutFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found);

} // namespace modules
