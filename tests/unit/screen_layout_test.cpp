// The screen's parts when the window's size changes, on the null device (whose driver
// takes a new size as the window's device gives it one): the dialog centred again, the log
// at the bottom left, the top-left windows in place, the camera's aspect ratio; and the
// smallest usable size keeps every part inside the window and apart.

#include "TestEngine.h"

#include "evolution/ParameterTable.h"
#include "gui/CameraController.h"
#include "gui/GUI.h"
#include "gui/ScreenLayout.h"
#include "gui/ScreenLog.h"

#include <gtest/gtest.h>

using modules::engine;
using namespace irr;

namespace {

bool inside(const core::rect<s32>& area, const core::rect<s32>& screen)
{
    return area.UpperLeftCorner.X >= screen.UpperLeftCorner.X && area.UpperLeftCorner.Y >= screen.UpperLeftCorner.Y
        && area.LowerRightCorner.X <= screen.LowerRightCorner.X && area.LowerRightCorner.Y <= screen.LowerRightCorner.Y;
}

class ScreenLayoutTest : public testing_support::NullEngineTest {
protected:
    void resizeTo(u32 width, u32 height)
    {
        engine.driver->OnResize(core::dimension2du(width, height));
        engine.followScreenSize();
        // Drawing the GUI gives its root the new size, as each drawn frame does.
        engine.guiEnvironment->drawAll();
    }

    core::rect<s32> logArea() const
    {
        core::rect<s32> area = engine.screenLog->lines[0]->getAbsolutePosition();
        for (const gui::IGUIStaticText* line : engine.screenLog->lines)
            area.addInternalPoint(line->getAbsolutePosition().LowerRightCorner);
        return area;
    }
};

TEST_F(ScreenLayoutTest, EachPartKeepsItsPlaceWhenTheWindowIsResized)
{
    startEngine(1, true);
    modules::GUI& gui = *engine.gui;
    const core::rect<s32> cameraWindow = gui.cameraWindow->getAbsolutePosition();
    const core::rect<s32> runWindow = gui.runWindow->getAbsolutePosition();
    const core::dimension2di dialog = gui.setupWindow->getAbsolutePosition().getSize();

    resizeTo(900, 700);
    EXPECT_EQ(gui.setupWindow->getAbsolutePosition(),
              core::rect<s32>(core::position2di(450 - dialog.Width / 2, 350 - dialog.Height / 2), dialog));
    EXPECT_EQ(logArea(), core::rect<s32>(10, 700 - 90, 510, 700 - 10));
    EXPECT_EQ(gui.cameraWindow->getAbsolutePosition(), cameraWindow);
    EXPECT_EQ(gui.runWindow->getAbsolutePosition(), runWindow);
    // Not stretched: the projection's horizontal and vertical scales differ by the window's
    // aspect ratio.
    scene::ICameraSceneNode* camera = engine.cameraController->camera;
    EXPECT_FLOAT_EQ(camera->getAspectRatio(), 900.0f / 700.0f);
    const core::matrix4& projection = camera->getProjectionMatrix();
    EXPECT_FLOAT_EQ(projection[5] / projection[0], 900.0f / 700.0f);

    // And back: the same places as at the start.
    resizeTo(1024, 768);
    EXPECT_EQ(gui.setupWindow->getAbsolutePosition(),
              core::rect<s32>(core::position2di(512 - dialog.Width / 2, 384 - dialog.Height / 2), dialog));
    EXPECT_EQ(logArea(), core::rect<s32>(10, 768 - 90, 510, 768 - 10));
    EXPECT_FLOAT_EQ(projection[5] / projection[0], 1024.0f / 768.0f);
}

TEST_F(ScreenLayoutTest, TheSmallestUsableWindowHoldsEveryPartApart)
{
    startEngine(1, true);
    modules::GUI& gui = *engine.gui;
    resizeTo(modules::ScreenLayout::MINIMUM_WIDTH, modules::ScreenLayout::MINIMUM_HEIGHT);
    const core::rect<s32> screen(0, 0, modules::ScreenLayout::MINIMUM_WIDTH, modules::ScreenLayout::MINIMUM_HEIGHT);
    const core::rect<s32> log = logArea();
    for (gui::IGUIWindow* window : {gui.setupWindow, gui.cameraWindow, gui.fastModeWindow, gui.runWindow}) {
        const core::rect<s32> area = window->getAbsolutePosition();
        EXPECT_TRUE(inside(area, screen)) << "window " << window->getID();
        EXPECT_FALSE(area.isRectCollided(log)) << "window " << window->getID() << " covers the log";
    }
    EXPECT_TRUE(inside(log, screen));
}

// The dialog with both its columns in the default window, on a 1024x600 screen and in the
// smallest window: inside the screen, clear of the log, every control inside it and no two
// of them on each other.
TEST_F(ScreenLayoutTest, TheDialogFitsSmallScreensWithNoTwoControlsOverlapping)
{
    startEngine(1, true);
    modules::GUI& gui = *engine.gui;
    EXPECT_EQ(gui.setupWindow->getAbsolutePosition().getSize(),
              core::dimension2di(modules::ScreenLayout::DIALOG_WIDTH, modules::ScreenLayout::DIALOG_HEIGHT));
    for (const core::dimension2du size : {core::dimension2du(1280, 720), core::dimension2du(1024, 600),
                                          core::dimension2du(modules::ScreenLayout::MINIMUM_WIDTH,
                                                             modules::ScreenLayout::MINIMUM_HEIGHT)}) {
        resizeTo(size.Width, size.Height);
        const core::rect<s32> screen(0, 0, static_cast<s32>(size.Width), static_cast<s32>(size.Height));
        const core::rect<s32> dialog = gui.setupWindow->getAbsolutePosition();
        EXPECT_TRUE(inside(dialog, screen)) << size.Width << "x" << size.Height;
        EXPECT_FALSE(dialog.isRectCollided(logArea())) << size.Width << "x" << size.Height;
        std::vector<const gui::IGUIElement*> controls;
        for (const gui::IGUIElement* child : gui.setupWindow->getChildren())
            if (child->isVisible() && !child->isSubElement())
                controls.push_back(child);
        ASSERT_GE(controls.size(), 2u * (modules::evolutionParameters().size() + 2));
        for (size_t i = 0; i < controls.size(); ++i) {
            const core::rect<s32> a = controls[i]->getAbsolutePosition();
            EXPECT_TRUE(inside(a, dialog)) << controls[i]->getName();
            for (size_t j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(a.isRectCollided(controls[j]->getAbsolutePosition()))
                    << controls[i]->getName() << " on " << controls[j]->getName();
        }
    }
}

} // namespace
