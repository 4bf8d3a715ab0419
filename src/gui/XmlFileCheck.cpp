#include "gui/XmlFileCheck.h"

#include "core/MediaFile.h"

#include <cstdint>
#include <cstring>

namespace modules {

const std::string* XmlElement::attribute(const char* attributeName) const
{
    for (const auto& entry : attributes)
        if (entry.first == attributeName)
            return &entry.second;
    return nullptr;
}

namespace {

// The text as the engine's reader sees it: one code unit per character.
bool decode(const unsigned char* data, std::size_t size, std::u32string& text, std::string& error)
{
    auto has = [&](std::initializer_list<unsigned char> bom) {
        if (size < bom.size())
            return false;
        std::size_t i = 0;
        for (unsigned char b : bom)
            if (data[i++] != b)
                return false;
        return true;
    };
    int unit = 1;
    bool bigEndian = false;
    std::size_t start = 0;
    if (has({0x00, 0x00, 0xFE, 0xFF})) {
        unit = 4, bigEndian = true, start = 4;
    } else if (has({0xFF, 0xFE, 0x00, 0x00})) {
        unit = 4, start = 4;
    } else if (has({0xFE, 0xFF})) {
        unit = 2, bigEndian = true, start = 2;
    } else if (has({0xFF, 0xFE})) {
        unit = 2, start = 2;
    } else if (has({0xEF, 0xBB, 0xBF})) {
        start = 3;
    }
    if ((size - start) % static_cast<std::size_t>(unit) != 0) {
        error = "the text ends inside a character";
        return false;
    }
    text.clear();
    text.reserve((size - start) / static_cast<std::size_t>(unit));
    for (std::size_t i = start; i < size; i += static_cast<std::size_t>(unit)) {
        std::uint32_t c = 0;
        for (int b = 0; b < unit; ++b) {
            const unsigned char byte = data[i + static_cast<std::size_t>(bigEndian ? b : unit - 1 - b)];
            c = (c << 8) | byte;
        }
        text.push_back(static_cast<char32_t>(c));
    }
    return true;
}

class XmlParser {
public:
    XmlParser(const std::u32string& text, std::vector<XmlElement>& elements)
        : text(text)
        , elements(elements)
    {
    }

    std::string run()
    {
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == 0) {
                pos = i;
                fail("a NUL character");
                return error;
            }
        bool sawRoot = false;
        while (skipSpace(), pos < text.size()) {
            if (startsWith("<?")) {
                if (!skipPast("?>", "a processing instruction without its end", true))
                    return error;
            } else if (startsWith("<!--")) {
                if (!skipPast("-->", "a comment without its end", true))
                    return error;
            } else if (text[pos] == U'<' && !sawRoot) {
                if (!element(0))
                    return error;
                sawRoot = true;
            } else {
                fail(sawRoot ? "something after the root element" : "text before the root element");
                return error;
            }
        }
        if (!sawRoot)
            return "no root element";
        return std::string();
    }

private:
    static bool isSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n'; }
    static bool isNameStart(char32_t c)
    {
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_' || c == U':';
    }
    static bool isNameChar(char32_t c)
    {
        return isNameStart(c) || (c >= U'0' && c <= U'9') || c == U'-' || c == U'.';
    }

    bool fail(const std::string& what)
    {
        int line = 1;
        for (std::size_t i = 0; i < pos && i < text.size(); ++i)
            if (text[i] == U'\n')
                ++line;
        error = what + " at line " + std::to_string(line);
        return false;
    }

    bool startsWith(const char* ascii) const
    {
        const std::size_t n = std::strlen(ascii);
        if (text.size() - pos < n)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            if (text[pos + i] != static_cast<char32_t>(static_cast<unsigned char>(ascii[i])))
                return false;
        return true;
    }

    void skipSpace()
    {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
    }

    // Moves past the next `end`; fails with `what` (at the start) when there is none. The
    // engine's reader ends a comment or a processing instruction at the '>' that balances
    // the '<'s it has seen, and runs past the end of the text when there is none: with
    // `noBrackets`, a '<' or '>' before `end` is refused, so that both readings agree.
    bool skipPast(const char* end, const char* what, bool noBrackets)
    {
        const std::size_t begin = pos;
        pos += 2; // "<!" or "<?"
        for (; pos < text.size(); ++pos) {
            if (startsWith(end)) {
                pos += std::strlen(end);
                return true;
            }
            if (noBrackets && (text[pos] == U'<' || text[pos] == U'>'))
                return fail(std::string("a '") + static_cast<char>(text[pos]) + "' inside a comment or declaration");
        }
        pos = begin;
        return fail(what);
    }

    bool name(std::string& out)
    {
        if (pos >= text.size() || !isNameStart(text[pos]))
            return fail("a missing or bad name");
        out.clear();
        while (pos < text.size() && isNameChar(text[pos]))
            out += static_cast<char>(text[pos++]);
        return true;
    }

    // At '<' of a start tag: the element, its attributes and its content.
    bool element(int depth)
    {
        if (depth >= MAX_XML_DEPTH)
            return fail("elements nested more than " + std::to_string(MAX_XML_DEPTH) + " deep");
        ++pos;
        XmlElement opened;
        opened.depth = depth;
        if (!name(opened.name))
            return false;
        const std::size_t index = elements.size();
        elements.push_back(opened);
        bool empty = false;
        for (;;) {
            const std::size_t before = pos;
            skipSpace();
            if (pos >= text.size())
                return fail("a tag without its end");
            if (text[pos] == U'>') {
                ++pos;
                break;
            }
            if (startsWith("/>")) {
                pos += 2;
                empty = true;
                break;
            }
            if (pos == before)
                return fail("no space before an attribute");
            std::pair<std::string, std::string> attribute;
            if (!name(attribute.first))
                return false;
            skipSpace();
            if (pos >= text.size() || text[pos] != U'=')
                return fail("an attribute without '='");
            ++pos;
            skipSpace();
            if (pos >= text.size() || (text[pos] != U'"' && text[pos] != U'\''))
                return fail("an attribute value without quotes");
            const char32_t quote = text[pos++];
            for (; pos < text.size() && text[pos] != quote; ++pos) {
                if (text[pos] == U'<')
                    return fail("a '<' inside an attribute value");
                const char32_t c = text[pos];
                attribute.second += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
            }
            if (pos >= text.size())
                return fail("an attribute value without its closing quote");
            ++pos;
            elements[index].attributes.push_back(attribute);
        }
        if (empty)
            return true;

        // Content up to the matching end tag.
        for (;;) {
            while (pos < text.size() && text[pos] != U'<')
                ++pos;
            if (pos >= text.size())
                return fail("element <" + elements[index].name + "> without its end tag");
            if (startsWith("</")) {
                pos += 2;
                std::string closing;
                if (!name(closing))
                    return false;
                if (closing != elements[index].name)
                    return fail("</" + closing + "> closing <" + elements[index].name + ">");
                skipSpace();
                if (pos >= text.size() || text[pos] != U'>')
                    return fail("an end tag without its end");
                ++pos;
                return true;
            }
            if (startsWith("<!--")) {
                if (!skipPast("-->", "a comment without its end", true))
                    return false;
            } else if (startsWith("<![CDATA[")) {
                if (!skipPast("]]>", "a CDATA section without its end", false))
                    return false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>", "a processing instruction without its end", true))
                    return false;
            } else if (startsWith("<!")) {
                return fail("a declaration inside an element");
            } else if (!element(depth + 1)) {
                return false;
            }
        }
    }

    const std::u32string& text;
    std::vector<XmlElement>& elements;
    std::size_t pos = 0;
    std::string error;
};

// A whole number of at most nine digits, optionally negative.
bool wholeNumber(const std::string& text, long& value, bool allowNegative)
{
    std::size_t i = 0;
    bool negative = false;
    if (allowNegative && i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i >= text.size() || text.size() - i > 9)
        return false;
    long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

// Four non-negative whole numbers separated by commas and spaces.
bool rectangle(const std::string& text)
{
    int numbers = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ',' || text[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9')
            ++j;
        if (j == i || j - i > 9)
            return false;
        ++numbers;
        i = j;
    }
    return numbers == 4;
}

} // namespace

std::string parseXml(const unsigned char* data, std::size_t size, std::vector<XmlElement>& elements)
{
    elements.clear();
    std::u32string text;
    std::string error;
    if (!decode(data, data ? size : 0, text, error))
        return error;
    return XmlParser(text, elements).run();
}

std::string checkFontDocument(const std::vector<XmlElement>& elements)
{
    if (elements.empty() || elements[0].name != "font" || !elements[0].attribute("type")
        || *elements[0].attribute("type") != "bitmap")
        return "the root element is not <font type=\"bitmap\">";
    std::vector<bool> textures(MAX_FONT_TEXTURES, false);
    for (const XmlElement& element : elements) {
        if (element.name != "Texture")
            continue;
        long index = 0;
        const std::string* indexText = element.attribute("index");
        if (indexText && (!wholeNumber(*indexText, index, true) || index < 0 || index >= MAX_FONT_TEXTURES))
            return "a <Texture> index \"" + *indexText + "\" outside 0 to " + std::to_string(MAX_FONT_TEXTURES - 1);
        const std::string* file = element.attribute("filename");
        if (!file || file->empty())
            return "a <Texture> without a filename";
        textures[static_cast<std::size_t>(index)] = true;
    }
    int glyphs = 0;
    for (const XmlElement& element : elements) {
        if (element.name != "c")
            continue;
        ++glyphs;
        const std::string* character = element.attribute("c");
        if (!character || character->empty())
            return "glyph " + std::to_string(glyphs) + " without its character";
        const std::string* rect = element.attribute("r");
        if (!rect || !rectangle(*rect))
            return "glyph " + std::to_string(glyphs) + " without a rectangle of four whole numbers";
        long index = 0;
        const std::string* textureIndex = element.attribute("i");
        if (textureIndex
            && (!wholeNumber(*textureIndex, index, true) || index < 0 || index >= MAX_FONT_TEXTURES
                || !textures[static_cast<std::size_t>(index)]))
            return "glyph " + std::to_string(glyphs) + " on texture \"" + *textureIndex + "\", which is not defined";
        if (!textureIndex && !textures[0])
            return "glyph " + std::to_string(glyphs) + " on texture 0, which is not defined";
        for (const char* offset : {"u", "o"}) {
            long value = 0;
            const std::string* text = element.attribute(offset);
            if (text && !wholeNumber(*text, value, true))
                return "glyph " + std::to_string(glyphs) + " with a bad offset \"" + *text + "\"";
        }
    }
    if (glyphs == 0)
        return "no glyphs";
    return std::string();
}

std::string checkLayoutDocument(const std::vector<XmlElement>& elements)
{
    if (elements.empty() || elements[0].name != "irr_gui")
        return "the root element is not <irr_gui>";
    for (const XmlElement& element : elements) {
        if (element.name != "int")
            continue;
        const std::string* name = element.attribute("name");
        if (!name || name->size() < 5 || name->compare(name->size() - 5, 5, "Count") != 0)
            continue;
        const std::string* value = element.attribute("value");
        long count = 0;
        if (!value || !wholeNumber(*value, count, true) || count < 0 || count > MAX_LAYOUT_COUNT)
            return "a " + *name + " of \"" + (value ? *value : std::string()) + "\" (0 to "
                + std::to_string(MAX_LAYOUT_COUNT) + " allowed)";
    }
    return std::string();
}

namespace {

std::string checkXmlFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found,
                         std::string (*checkDocument)(const std::vector<XmlElement>&))
{
    std::vector<unsigned char> bytes;
    std::string error = readMediaFile(fileSystem, name, found, bytes);
    std::vector<XmlElement> elements;
    if (error.empty())
        error = parseXml(bytes.data(), bytes.size(), elements);
    if (error.empty())
        error = checkDocument(elements);
    return error;
}

} // namespace

std::string checkFontFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found)
{
    return checkXmlFile(fileSystem, name, found, checkFontDocument);
}

std::string checkLayoutFile(irr::io::IFileSystem* fileSystem, const char* name, bool& found)
{
    return checkXmlFile(fileSystem, name, found, checkLayoutDocument);
}

} // namespace modules
