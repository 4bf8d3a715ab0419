// The method rows of the parameter dialog: the combo box offers every method; a method's own
// parameters are enabled for it only, the rows it does not use stay in place disabled and
// never act; its values are checked and rolled back like the others; the run names it.

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "evolution/EvolutionRun.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "methods/MethodRegistry.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <string>

using modules::engine;
using modules::GUI;
using namespace irr;
using testing_support::guiEvent;

namespace {

class MethodPanel : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(3, true); }
    GUI& gui() { return *engine.gui; }
    static std::wstring text(const gui::IGUIElement* element) { return element->getText(); }
    void choose(s32 index)
    {
        gui().methodCombo->setSelected(index);
        gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, gui().methodCombo));
    }
    void type(gui::IGUIEditBox* box, const wchar_t* value)
    {
        gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUSED, box));
        box->setText(value);
        gui().OnEvent(guiEvent(gui::EGET_EDITBOX_ENTER, box));
    }
    // Enabled state of the five genetic rows, then sigma and learning rate.
    std::vector<bool> enabled()
    {
        std::vector<bool> states;
        for (const gui::IGUIElement* e :
             {static_cast<gui::IGUIElement*>(gui().eliteCountEdit), static_cast<gui::IGUIElement*>(gui().selectorCombo),
              static_cast<gui::IGUIElement*>(gui().crossoverRateEdit),
              static_cast<gui::IGUIElement*>(gui().mutationRateEdit),
              static_cast<gui::IGUIElement*>(gui().maxPerturbationEdit),
              static_cast<gui::IGUIElement*>(gui().sigmaEdit), static_cast<gui::IGUIElement*>(gui().learningRateEdit)})
            states.push_back(e->isEnabled());
        return states;
    }
};

} // namespace

TEST_F(MethodPanel, EachMethodEnablesItsOwnRowsAndChecksItsValues)
{
    const auto& methods = modules::evolutionMethods();
    ASSERT_EQ(gui().methodCombo->getItemCount(), methods.size());
    EXPECT_EQ(gui().methodCombo->getSelected(), 0);
    EXPECT_EQ(gui().params.method, "ga");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true, false, false}));
    EXPECT_EQ(text(gui().sigmaEdit), L"");

    // OpenAI-ES: sigma and learning rate with its defaults; the genetic rows disabled.
    const modules::MethodInfo* openai = modules::findMethod("openai-es");
    ASSERT_NE(openai, nullptr);
    choose(static_cast<s32>(openai - methods.data()));
    EXPECT_EQ(gui().params.method, "openai-es");
    EXPECT_EQ(gui().params.sigma, openai->defaultSigma);
    EXPECT_EQ(gui().params.learningRate, openai->defaultLearningRate);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, false, true, true}));
    EXPECT_EQ(text(gui().sigmaEdit), GUI::numberToString(openai->defaultSigma).c_str());
    const std::wstring elite = text(gui().eliteCountEdit);
    EXPECT_EQ(elite, L"2"); // in place, with its value

    // Checked like the others: a bad value rolls back, a good one is stored.
    type(gui().learningRateEdit, L"fast");
    EXPECT_EQ(gui().params.learningRate, openai->defaultLearningRate);
    EXPECT_EQ(text(gui().learningRateEdit), GUI::numberToString(openai->defaultLearningRate).c_str());
    type(gui().sigmaEdit, L"0.25");
    EXPECT_EQ(gui().params.sigma, 0.25f);
    EXPECT_EQ(text(gui().sigmaEdit), L"0.25");

    // A disabled box never acts: focusing it does not empty it.
    gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUSED, gui().eliteCountEdit));
    EXPECT_EQ(text(gui().eliteCountEdit), elite);
    gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUS_LOST, gui().eliteCountEdit));
    EXPECT_EQ(gui().params.sigma, 0.25f);

    // Started, the run uses the method and names it after "Evolution started!".
    gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, gui().setupWindow->getElementFromId(modules::GUIElementIDs::START_BUTTON, true)));
    ASSERT_NE(engine.world->run, nullptr);
    EXPECT_EQ(engine.world->run->method->name(), "openai-es");
    EXPECT_EQ(std::wstring(engine.screenLog->lines[1]->getText()), L"Evolution started!");
    EXPECT_EQ(std::wstring(engine.screenLog->lines[0]->getText()),
              modules::methodLine(*engine.world->run->method));
    EXPECT_EQ(modules::methodLine(*engine.world->run->method).rfind(L"Method: openai-es (", 0), 0u);
    EXPECT_EQ(engine.world->run->params.sigma, 0.25f);
    gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, engine.gui->runWindow->getElementFromId(modules::GUIElementIDs::STOP_BUTTON, true)));

    // Back to the genetic algorithm: its rows again, the strategies' values gone.
    choose(0);
    EXPECT_EQ(gui().params.method, "ga");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true, false, false}));
    EXPECT_EQ(text(gui().sigmaEdit), L"");
    EXPECT_EQ(text(gui().learningRateEdit), L"");
}
