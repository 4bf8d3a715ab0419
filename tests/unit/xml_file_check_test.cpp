// The checks of the panel layout gui.xml and the font font.xml that run before the
// engine's readers see them: the program's own files pass, damaged ones are refused with a
// reason, and whatever passes the engine reads without crashing or hanging.

#include "ChildProcess.h"

#include "gui/XmlFileCheck.h"

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using modules::XmlElement;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

std::string parse(const Bytes& bytes, std::vector<XmlElement>* out = nullptr)
{
    std::vector<XmlElement> elements;
    const std::string error = modules::parseXml(bytes.data(), bytes.size(), elements);
    if (out)
        *out = elements;
    return error;
}

std::string checkFont(const Bytes& bytes)
{
    std::vector<XmlElement> elements;
    std::string error = parse(bytes, &elements);
    return error.empty() ? modules::checkFontDocument(elements) : error;
}

std::string checkLayout(const Bytes& bytes)
{
    std::vector<XmlElement> elements;
    std::string error = parse(bytes, &elements);
    return error.empty() ? modules::checkLayoutDocument(elements) : error;
}

// Where the end tag of the root element ends: a cut before it leaves the document open.
std::size_t rootEnd(const Bytes& bytes)
{
    std::size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] != '>')
        --end;
    return end;
}

const char* const FONT =
    "<?xml version=\"1.0\"?>\n<font type=\"bitmap\">\n"
    "  <Texture index=\"0\" filename=\"font1.png\" hasAlpha=\"true\" />\n"
    "  <c c=\" \" r=\"1,1,6,17\" />\n  <c c=\"&amp;\" r=\"62,1,74,17\" o=\"-1\" />\n</font>\n";

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/kinetarium-xml-check.XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string path;
};

// The engine reads the font (font.xml with the real glyph sheet beside it) or the layout
// in a child process, and draws the GUI once: exit status 0 either way, never a crash.
testing_support::ChildResult readInEngine(const std::string& dir, bool font)
{
    return testing_support::runInChild(
        [&]() {
            irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL, irr::core::dimension2du(640, 480));
            device->getLogger()->setLogLevel(irr::ELL_NONE);
            irr::gui::IGUIEnvironment* gui = device->getGUIEnvironment();
            if (font) {
                if (irr::gui::IGUIFont* loaded = gui->getFont((dir + "/font.xml").c_str()))
                    gui->getSkin()->setFont(loaded);
            } else {
                gui->loadGUI((dir + "/gui.xml").c_str());
            }
            device->getVideoDriver()->beginScene(true, true, irr::video::SColor(0));
            gui->drawAll();
            device->getVideoDriver()->endScene();
            device->drop();
            return 0;
        },
        20);
}

} // namespace

TEST(XmlFileCheck, TheProgramsFilesPass)
{
    EXPECT_EQ(checkLayout(readFile("media/gui.xml")), "");
    EXPECT_EQ(checkFont(readFile("media/font1/font.xml")), "");
    EXPECT_EQ(checkFont(text(FONT)), "");
}

TEST(XmlFileCheck, ReadsElementsAndAttributesInDocumentOrder)
{
    std::vector<XmlElement> elements;
    ASSERT_EQ(parse(text("<!-- c --><a x='1' y = \"two\"><b/><![CDATA[<not an element>]]><c z=\"&lt;\"></c></a>"),
                    &elements),
              "");
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0].name, "a");
    EXPECT_EQ(elements[0].depth, 0);
    ASSERT_NE(elements[0].attribute("y"), nullptr);
    EXPECT_EQ(*elements[0].attribute("y"), "two");
    EXPECT_EQ(elements[0].attribute("z"), nullptr);
    EXPECT_EQ(elements[1].name, "b");
    EXPECT_EQ(elements[1].depth, 1);
    EXPECT_EQ(*elements[2].attribute("z"), "&lt;");
}

TEST(XmlFileCheck, ReadsTheEncodingsTheEngineReads)
{
    const std::string font = FONT;
    Bytes utf8 = {0xEF, 0xBB, 0xBF};
    utf8.insert(utf8.end(), font.begin(), font.end());
    Bytes utf16le = {0xFF, 0xFE}, utf16be = {0xFE, 0xFF}, utf32le = {0xFF, 0xFE, 0, 0};
    for (char c : font) {
        utf16le.insert(utf16le.end(), {static_cast<unsigned char>(c), 0});
        utf16be.insert(utf16be.end(), {0, static_cast<unsigned char>(c)});
        utf32le.insert(utf32le.end(), {static_cast<unsigned char>(c), 0, 0, 0});
    }
    EXPECT_EQ(checkFont(utf8), "");
    EXPECT_EQ(checkFont(utf16le), "");
    EXPECT_EQ(checkFont(utf16be), "");
    EXPECT_EQ(checkFont(utf32le), "");
    utf16le.pop_back();
    EXPECT_EQ(checkFont(utf16le), "the text ends inside a character");
}

TEST(XmlFileCheck, EveryCutIntoTheDocumentIsRefused)
{
    const Bytes font = readFile("media/font1/font.xml");
    ASSERT_FALSE(font.empty());
    for (std::size_t length = 0; length < rootEnd(font); ++length)
        ASSERT_NE(checkFont(Bytes(font.begin(), font.begin() + static_cast<std::ptrdiff_t>(length))), "")
            << "font.xml cut to " << length << " bytes";

    const Bytes layout = readFile("media/gui.xml");
    ASSERT_FALSE(layout.empty());
    // Every length in the first and last kilobyte, every 7th in between.
    for (std::size_t length = 0; length < rootEnd(layout); length += (length < 1024 || length + 1024 > layout.size()) ? 1 : 7)
        ASSERT_NE(checkLayout(Bytes(layout.begin(), layout.begin() + static_cast<std::ptrdiff_t>(length))), "")
            << "gui.xml cut to " << length << " bytes";
}

TEST(XmlFileCheck, RefusesEachKindOfDamageWithAReason)
{
    const struct {
        const char* what;
        const char* document;
        bool font;
        const char* reason;
    } cases[] = {
        {"empty file", "", true, "no root element"},
        {"garbage", "\x89PNG\r\n\x1a\n", true, "text before the root element"},
        {"comment without its end", "<font type=\"bitmap\"><!-- cut", true, "a comment without its end"},
        {"'<' in a comment (the engine's reader looks for the '>' that balances it, past the end)",
         "<font type=\"bitmap\"><!-- 1<x in 100 --></font>", true, "a '<' inside a comment"},
        {"attribute value without its quote", "<font type=\"bitmap>", true, "closing quote"},
        {"attribute without quotes", "<font type=bitmap>", true, "without quotes"},
        {"tag without its end", "<font type=\"bitmap\"", true, "a tag without its end"},
        {"element not closed", "<font type=\"bitmap\"><c c=\"a\" r=\"1,1,2,2\" />", true, "without its end tag"},
        {"wrong end tag", "<font type=\"bitmap\"></fnt>", true, "</fnt> closing <font>"},
        {"second root", "<font type=\"bitmap\"></font><font/>", true, "after the root element"},
        {"DOCTYPE", "<font type=\"bitmap\"><!DOCTYPE x></font>", true, "declaration"},
        {"'<' in a value", "<font type=\"a<b\"></font>", true, "'<' inside an attribute value"},
        {"not a bitmap font", "<font><Texture filename=\"f.png\"/><c c=\"a\" r=\"1,1,2,2\"/></font>", true,
         "not <font type=\"bitmap\">"},
        {"glyph without its character (the font loader dereferences it)",
         "<font type=\"bitmap\"><Texture filename=\"f.png\"/><c r=\"1,1,2,2\"/></font>", true, "without its character"},
        {"glyph without its rectangle", "<font type=\"bitmap\"><Texture filename=\"f.png\"/><c c=\"a\" r=\"1,2\"/></font>",
         true, "rectangle of four"},
        {"glyph on a texture that is not there",
         "<font type=\"bitmap\"><Texture filename=\"f.png\"/><c c=\"a\" r=\"1,1,2,2\" i=\"3\"/></font>", true,
         "which is not defined"},
        {"texture index far out (the font loader fills every slot up to it)",
         "<font type=\"bitmap\"><Texture index=\"100000000\" filename=\"f.png\"/><c c=\"a\" r=\"1,1,2,2\"/></font>",
         true, "outside 0 to 255"},
        {"negative texture index",
         "<font type=\"bitmap\"><Texture index=\"-5\" filename=\"f.png\"/><c c=\"a\" r=\"1,1,2,2\"/></font>", true,
         "outside 0 to 255"},
        {"texture without a file", "<font type=\"bitmap\"><Texture index=\"0\"/><c c=\"a\" r=\"1,1,2,2\"/></font>",
         true, "without a filename"},
        {"font without glyphs", "<font type=\"bitmap\"><Texture filename=\"f.png\"/></font>", true, "no glyphs"},
        {"layout of another root", "<font type=\"bitmap\"></font>", false, "not <irr_gui>"},
        {"a combo box of two billion items (the layout loader adds each one)",
         "<irr_gui><element type=\"comboBox\"><attributes><int name=\"ItemCount\" value=\"2147483647\"/>"
         "</attributes></element></irr_gui>",
         false, "ItemCount of \"2147483647\""},
        {"a negative count", "<irr_gui><element><attributes><int name=\"ColumnCount\" value=\"-1\"/></attributes>"
                             "</element></irr_gui>",
         false, "ColumnCount"},
    };
    for (const auto& c : cases) {
        const Bytes bytes = text(c.document);
        const std::string reason = c.font ? checkFont(bytes) : checkLayout(bytes);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": got \"" << reason << "\"";
    }

    Bytes withNul = text(FONT);
    withNul[30] = 0;
    EXPECT_NE(checkFont(withNul).find("a NUL character at line 2"), std::string::npos);

    std::string deep;
    for (int i = 0; i < modules::MAX_XML_DEPTH + 1; ++i)
        deep += "<e>";
    for (int i = 0; i < modules::MAX_XML_DEPTH + 1; ++i)
        deep += "</e>";
    EXPECT_NE(parse(text(deep)).find("nested more than"), std::string::npos);
}

// Random damage to the program's two files (cuts, garbage, changed bytes, removed
// attributes): whatever passes the checks, the engine reads and draws without crashing or
// hanging; the rest is refused.
TEST(XmlFileCheck, WhatPassesTheChecksNeverCrashesOrHangsTheEngine)
{
    TempDir dir;
    std::filesystem::copy_file("media/font1/font1.png", dir.path + "/font1.png");
    std::mt19937 random(777u);
    int refused = 0;
    int passed = 0;
    for (bool font : {true, false}) {
        const Bytes whole = readFile(font ? "media/font1/font.xml" : "media/gui.xml");
        ASSERT_FALSE(whole.empty());
        for (int round = 0; round < 300; ++round) {
            Bytes bytes = whole;
            std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 1);
            switch (round % 5) {
            case 0: // cut
                bytes.resize(at(random));
                break;
            case 1: // a few changed bytes
                for (int i = 0; i < 1 + round % 6; ++i)
                    bytes[at(random)] = static_cast<unsigned char>(random());
                break;
            case 2: { // an attribute removed: from a space before a name to the end of its value
                const std::size_t start = at(random);
                std::size_t space = start, quotes = 0, end = start;
                while (space < bytes.size() && bytes[space] != ' ')
                    ++space;
                for (end = space; end < bytes.size() && quotes < 2; ++end)
                    quotes += bytes[end] == '"';
                bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(space),
                            bytes.begin() + static_cast<std::ptrdiff_t>(end));
                break;
            }
            case 3: // garbage
                bytes.resize(1 + at(random) % 4096);
                for (auto& b : bytes)
                    b = static_cast<unsigned char>(random());
                break;
            default: // a quote, '<' or '>' dropped in
                bytes[at(random)] = "\"<>/="[random() % 5];
                break;
            }
            const std::string reason = font ? checkFont(bytes) : checkLayout(bytes);
            if (!reason.empty()) {
                ++refused;
                continue;
            }
            ++passed;
            writeFile(dir.path + (font ? "/font.xml" : "/gui.xml"), bytes);
            const testing_support::ChildResult result = readInEngine(dir.path, font);
            if (!result.exited) {
                const std::string kept = std::string("damaged-") + (font ? "font" : "gui") + "-" + std::to_string(round) + ".xml";
                writeFile(kept, bytes);
                FAIL() << (font ? "font.xml" : "gui.xml") << " round " << round << ": " << result.describe()
                       << " (the file is kept as " << kept << ")";
            }
        }
    }
    std::printf("damaged XML files: %d refused by the checks, %d passed them and read without a crash or hang\n",
                refused, passed);
    EXPECT_GT(refused, 0);
    EXPECT_GT(passed, 0);
}
