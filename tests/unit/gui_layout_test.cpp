// The panel layout media/gui.xml and the generated bitmap font media/font1/font.xml,
// loaded the way the program loads them (media folder mounted with paths ignored),
// on the null device: ids, kinds and nesting, combo items, and that every text fits.

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace irr;

namespace {

const std::map<s32, gui::EGUI_ELEMENT_TYPE> kExpectedKinds = {
    {100, gui::EGUIET_WINDOW},   {101, gui::EGUIET_BUTTON},    {102, gui::EGUIET_EDIT_BOX},
    {103, gui::EGUIET_EDIT_BOX}, {104, gui::EGUIET_EDIT_BOX},  {105, gui::EGUIET_EDIT_BOX},
    {106, gui::EGUIET_COMBO_BOX}, {107, gui::EGUIET_EDIT_BOX}, {108, gui::EGUIET_EDIT_BOX},
    {109, gui::EGUIET_EDIT_BOX}, {110, gui::EGUIET_EDIT_BOX},  {111, gui::EGUIET_EDIT_BOX},
    {112, gui::EGUIET_BUTTON},   {113, gui::EGUIET_BUTTON},    {114, gui::EGUIET_COMBO_BOX},
    {115, gui::EGUIET_EDIT_BOX}, {116, gui::EGUIET_EDIT_BOX},  {117, gui::EGUIET_COMBO_BOX},
    {118, gui::EGUIET_EDIT_BOX}, {119, gui::EGUIET_EDIT_BOX},
    {120, gui::EGUIET_COMBO_BOX}, {121, gui::EGUIET_EDIT_BOX}, {122, gui::EGUIET_EDIT_BOX},
    {123, gui::EGUIET_EDIT_BOX}, {200, gui::EGUIET_WINDOW},
    {201, gui::EGUIET_BUTTON},   {202, gui::EGUIET_BUTTON},    {300, gui::EGUIET_WINDOW},
    {301, gui::EGUIET_BUTTON},
    {400, gui::EGUIET_WINDOW},   {401, gui::EGUIET_BUTTON},    {402, gui::EGUIET_BUTTON},
    {403, gui::EGUIET_BUTTON},
    {404, gui::EGUIET_BUTTON},
    {405, gui::EGUIET_BUTTON},   {406, gui::EGUIET_STATIC_TEXT},
    {407, gui::EGUIET_BUTTON},
};

// Pixels that a text must leave free in its element, over both sides together.
constexpr s32 kSpare = 4;

class GuiLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = createDevice(video::EDT_NULL, core::dimension2du(1280, 720));
        ASSERT_NE(device, nullptr);
        device->getLogger()->setLogLevel(ELL_ERROR);
        env = device->getGUIEnvironment();
        ASSERT_TRUE(device->getFileSystem()->addFileArchive("media", true, true, io::EFAT_FOLDER))
            << "run the tests from the build directory";
        font = env->getFont("media/font1/font.xml");
        ASSERT_NE(font, nullptr);
        env->getSkin()->setFont(font);
        ASSERT_TRUE(env->loadGUI("gui.xml"));
        collect(env->getRootGUIElement());
    }

    void TearDown() override
    {
        if (device)
            device->drop();
    }

    void collect(gui::IGUIElement* element)
    {
        all.push_back(element);
        for (gui::IGUIElement* child : element->getChildren())
            collect(child);
    }

    gui::IGUIElement* byId(s32 id) const
    {
        for (gui::IGUIElement* e : all)
            if (e->getID() == id)
                return e;
        return nullptr;
    }

    core::dimension2du measure(const wchar_t* text) const { return font->getDimension(text); }

    IrrlichtDevice* device = nullptr;
    gui::IGUIEnvironment* env = nullptr;
    gui::IGUIFont* font = nullptr;
    std::vector<gui::IGUIElement*> all;
};

::testing::AssertionResult fits(const core::dimension2du& text, s32 width, s32 height, s32 spareHeight = kSpare)
{
    if (static_cast<s32>(text.Width) + kSpare <= width && static_cast<s32>(text.Height) + spareHeight <= height)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "text " << text.Width << "x" << text.Height << " in " << width << "x"
                                         << height;
}

TEST_F(GuiLayout, FontCoversPrintableAsciiWithItsOwnGlyphs)
{
    ASSERT_EQ(font->getType(), gui::EGFT_BITMAP);
    auto* bitmapFont = static_cast<gui::IGUIFontBitmap*>(font);
    const wchar_t space = L' ';
    const u32 spaceSprite = bitmapFont->getSpriteNoFromChar(&space);
    for (wchar_t c = 33; c <= 126; ++c) {
        EXPECT_NE(bitmapFont->getSpriteNoFromChar(&c), spaceSprite) << "no glyph for '" << static_cast<char>(c) << "'";
        const wchar_t text[] = {c, 0};
        EXPECT_GT(measure(text).Width, 0u) << static_cast<char>(c);
    }
    // A character outside the font falls back to the space glyph.
    const wchar_t unknown = 0x4E2D;
    EXPECT_EQ(bitmapFont->getSpriteNoFromChar(&unknown), spaceSprite);
    EXPECT_EQ(measure(L"\x4E2D").Width, measure(L" ").Width);
    EXPECT_GT(measure(L" ").Width, 0u);
}

TEST_F(GuiLayout, FontGlyphsShareOneHeightSoBaselinesLineUp)
{
    auto* bank = static_cast<gui::IGUIFontBitmap*>(font)->getSpriteBank();
    ASSERT_NE(bank, nullptr);
    ASSERT_GE(bank->getSprites().size(), 95u);
    const s32 lineHeight = static_cast<s32>(measure(L"Ag").Height);
    EXPECT_GE(lineHeight, 14);
    EXPECT_LE(lineHeight, 20);
    for (u32 i = 0; i < bank->getSprites().size(); ++i) {
        const u32 rect = bank->getSprites()[i].Frames[0].rectNumber;
        EXPECT_EQ(bank->getPositions()[rect].getHeight(), lineHeight) << "sprite " << i;
    }
}

TEST_F(GuiLayout, EachIdentifierOnceWithItsKind)
{
    std::map<s32, int> seen;
    for (gui::IGUIElement* e : all) {
        const s32 id = e->getID();
        if (id == -1 || id == 0)
            continue;
        ++seen[id];
        auto expected = kExpectedKinds.find(id);
        ASSERT_NE(expected, kExpectedKinds.end()) << "unexpected element id " << id;
        EXPECT_EQ(e->getType(), expected->second) << "id " << id;
        EXPECT_TRUE(e->isVisible()) << "id " << id;
        EXPECT_TRUE(e->isEnabled()) << "id " << id;
    }
    for (const auto& [id, kind] : kExpectedKinds)
        EXPECT_EQ(seen[id], 1) << "id " << id;
}

TEST_F(GuiLayout, ControlsSitInsideTheWindowOfTheirHundred)
{
    for (const auto& [id, kind] : kExpectedKinds) {
        gui::IGUIElement* e = byId(id);
        ASSERT_NE(e, nullptr) << id;
        if (kind == gui::EGUIET_WINDOW) {
            EXPECT_EQ(e->getParent(), env->getRootGUIElement()) << id;
            auto* window = static_cast<gui::IGUIWindow*>(e);
            EXPECT_TRUE(window->getDrawBackground()) << id;
            EXPECT_TRUE(window->getDrawTitlebar()) << id;
            continue;
        }
        gui::IGUIElement* window = byId(id / 100 * 100);
        EXPECT_EQ(e->getParent(), window) << id;
        // Below the title bar and wholly inside the window, so nothing is clipped.
        const core::rect<s32> r = e->getRelativePosition();
        const core::rect<s32> w = window->getRelativePosition();
        EXPECT_GE(r.UpperLeftCorner.X, 0) << id;
        EXPECT_GE(r.UpperLeftCorner.Y, 20) << id;
        EXPECT_LE(r.LowerRightCorner.X, w.getWidth()) << id;
        EXPECT_LE(r.LowerRightCorner.Y, w.getHeight()) << id;
    }
}

TEST_F(GuiLayout, SmallWindowsKeepToTheTopLeftCorner)
{
    const core::rect<s32> setup = byId(100)->getRelativePosition();
    // Two columns: centred on a 1024x600 screen it stays clear of the log's band.
    EXPECT_LE(setup.getWidth(), 1024 - 20);
    EXPECT_LE(setup.getHeight(), 600 - 2 * 90);
    // The arena's centre on a 1024x768 screen, the smallest one considered, stays free.
    // The run window, taller than the others, keeps to the left edge instead.
    for (s32 id : {200, 300, 400}) {
        const core::rect<s32> r = byId(id)->getRelativePosition();
        EXPECT_GE(r.UpperLeftCorner.X, 0) << id;
        EXPECT_GE(r.UpperLeftCorner.Y, 0) << id;
        EXPECT_LE(r.LowerRightCorner.X, id == 400 ? 200 : 320) << id;
        EXPECT_LT(r.LowerRightCorner.Y, id == 400 ? 400 : 384) << id;
    }
}

TEST_F(GuiLayout, SelectorOffersRouletteWheelThenTournament)
{
    auto* combo = static_cast<gui::IGUIComboBox*>(byId(106));
    ASSERT_EQ(combo->getItemCount(), 2u);
    EXPECT_STREQ(combo->getItem(0), L"Roulette wheel");
    EXPECT_STREQ(combo->getItem(1), L"Tournament");
    EXPECT_EQ(combo->getSelected(), 0);
    EXPECT_EQ(combo->getMaxSelectionRows(), 2u);
}

TEST_F(GuiLayout, EveryParameterControlHasALabelOnItsLeft)
{
    for (s32 id : {102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123}) {
        const core::rect<s32> control = byId(id)->getRelativePosition();
        int labels = 0;
        for (gui::IGUIElement* sibling : byId(100)->getChildren()) {
            if (sibling->getType() != gui::EGUIET_STATIC_TEXT)
                continue;
            const core::rect<s32> r = sibling->getRelativePosition();
            // Just left of it: the second column's controls have the first column's on their left too.
            if (r.LowerRightCorner.X <= control.UpperLeftCorner.X && r.LowerRightCorner.X >= control.UpperLeftCorner.X - 12 &&
                r.getCenter().Y == control.getCenter().Y && std::wstring(sibling->getText()).size() > 0) {
                ++labels;
                EXPECT_TRUE(sibling->getID() == -1 || sibling->getID() == 0);
            }
        }
        EXPECT_EQ(labels, 1) << "control " << id;
    }
}

TEST_F(GuiLayout, EveryTextFitsItsElement)
{
    gui::IGUISkin* skin = env->getSkin();
    const s32 buttonWidth = skin->getSize(gui::EGDS_WINDOW_BUTTON_WIDTH);
    for (gui::IGUIElement* e : all) {
        if (e->isSubElement())
            continue;
        const core::rect<s32> r = e->getRelativePosition();
        switch (e->getType()) {
        case gui::EGUIET_WINDOW:
            // The title bar is as high as a window button plus two pixels; the title text
            // ends before the close button.
            EXPECT_TRUE(fits(measure(e->getText()), r.getWidth() - 2 * buttonWidth, buttonWidth + 2, 0))
                << "title of window " << e->getID();
            break;
        case gui::EGUIET_BUTTON:
        case gui::EGUIET_STATIC_TEXT:
            EXPECT_TRUE(fits(measure(e->getText()), r.getWidth(), r.getHeight()))
                << "\"" << core::stringc(e->getText()).c_str() << "\"";
            break;
        case gui::EGUIET_COMBO_BOX: {
            auto* combo = static_cast<gui::IGUIComboBox*>(e);
            for (u32 i = 0; i < combo->getItemCount(); ++i)
                EXPECT_TRUE(fits(measure(combo->getItem(i)), r.getWidth() - buttonWidth, r.getHeight()))
                    << "combo item " << i;
            break;
        }
        case gui::EGUIET_EDIT_BOX:
            // The defaults as the program shows them, and a long six-decimal value.
            for (const wchar_t* value : {L"20.0", L"60", L"20", L"2", L"0.8", L"0.05", L"10.0", L"4", L"1.0", L"0.000001", L"maze.json"})
                EXPECT_TRUE(fits(measure(value), r.getWidth(), r.getHeight())) << "edit box " << e->getID();
            break;
        default:
            break;
        }
    }
    // The Record button's other text, shown while recording.
    const core::rect<s32> record = byId(407)->getRelativePosition();
    EXPECT_TRUE(fits(measure(L"Stop recording"), record.getWidth(), record.getHeight()));
}

} // namespace
