// The task rows of the parameter dialog: every parameter of the table has its control; the
// task combo box offers every task and each task enables the rows it uses; the tasks' values
// are checked on Start; a refused maze file and a population of another task start nothing,
// each with its line on the log. The objective and MAP-Elites rows follow the method and the
// objective as the task rows follow the task.

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "evolution/EvolutionRun.h"
#include "evolution/PopulationFile.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "media/MazeFile.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using modules::engine;
using modules::GUI;
using namespace irr;
using testing_support::guiEvent;

namespace {

class TaskPanel : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(3, true); }
    GUI& gui() { return *engine.gui; }
    void chooseTask(const std::string& name)
    {
        const modules::TaskInfo* task = modules::findTask(name);
        ASSERT_NE(task, nullptr) << name;
        gui().taskCombo->setSelected(static_cast<s32>(task - modules::evolutionTasks().data()));
        gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, gui().taskCombo));
    }
    void chooseMethod(const std::string& name)
    {
        const modules::MethodInfo* method = modules::findMethod(name);
        ASSERT_NE(method, nullptr) << name;
        gui().methodCombo->setSelected(static_cast<s32>(method - modules::evolutionMethods().data()));
        gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, gui().methodCombo));
    }
    gui::IGUIElement* row(const char* name)
    {
        for (const GUI::ParameterRow& r : gui().parameterRows)
            if (r.parameter->name() == name)
                return r.control;
        ADD_FAILURE() << "no row for " << name;
        return gui().setupWindow;
    }
    void type(gui::IGUIEditBox* box, const wchar_t* value)
    {
        gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUSED, box));
        box->setText(value);
        gui().OnEvent(guiEvent(gui::EGET_EDITBOX_ENTER, box));
    }
    void click(gui::IGUIElement* window, s32 id)
    {
        gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED, window->getElementFromId(id, true)));
    }
    std::wstring newestLine() const { return engine.screenLog->text(0); }
};

} // namespace

TEST_F(TaskPanel, EveryParameterHasOneControlNamedAfterIt)
{
    const auto& parameters = modules::evolutionParameters();
    ASSERT_EQ(gui().parameterRows.size(), parameters.size());
    std::set<const gui::IGUIElement*> controls;
    for (size_t i = 0; i < parameters.size(); ++i) {
        EXPECT_EQ(gui().parameterRows[i].parameter, &parameters[i]);
        EXPECT_EQ(gui().parameterRows[i].control->getName(), GUI::controlName(parameters[i])) << parameters[i].option;
        EXPECT_EQ(gui().parameterRows[i].control->getParent(), gui().setupWindow) << parameters[i].option;
        controls.insert(gui().parameterRows[i].control);
    }
    EXPECT_EQ(controls.size(), parameters.size());
    EXPECT_EQ(GUI::controlName(*modules::findParameter("mutation-rate")), "mutationRateEdit");
    EXPECT_EQ(GUI::controlName(*modules::findParameter("selector")), "selectorCombo");
    EXPECT_EQ(gui().poisonShareEdit->getName(), GUI::controlName(*modules::findParameter("poison-share")));
    EXPECT_EQ(gui().mazeEdit->getName(), GUI::controlName(*modules::findParameter("maze")));
}

TEST_F(TaskPanel, EachTaskEnablesTheRowsItUses)
{
    const auto& tasks = modules::evolutionTasks();
    ASSERT_EQ(gui().taskCombo->getItemCount(), tasks.size());
    for (u32 i = 0; i < tasks.size(); ++i)
        EXPECT_EQ(std::wstring(gui().taskCombo->getItem(i)), tasks[i].label);
    EXPECT_EQ(gui().taskCombo->getSelected(), 0);
    struct Case {
        const char* task;
        bool items, poison, maze;
    };
    for (const Case& c : {Case{"forage", true, true, false}, Case{"maze", false, false, true},
                          Case{"collect", true, false, false}}) {
        chooseTask(c.task);
        EXPECT_EQ(gui().params.task, c.task);
        EXPECT_EQ(gui().itemCountEdit->isEnabled(), c.items) << c.task;
        EXPECT_EQ(gui().poisonShareEdit->isEnabled(), c.poison) << c.task;
        EXPECT_EQ(gui().mazeEdit->isEnabled(), c.maze) << c.task;
        // The other rows keep their values in place.
        EXPECT_EQ(std::wstring(gui().itemCountEdit->getText()), L"60") << c.task;
        EXPECT_TRUE(gui().populationSizeEdit->isEnabled()) << c.task;
    }
}

TEST_F(TaskPanel, TheTasksValuesAreCheckedLikeTheOthers)
{
    chooseTask("forage");
    struct Case {
        gui::IGUIEditBox* box;
        const wchar_t* typed;
        const wchar_t* shown;
    };
    for (const Case& c : {Case{gui().poisonShareEdit, L"lots", L"0.5"}, Case{gui().poisonShareEdit, L"0.25", L"0.25"},
                          Case{gui().poisonShareEdit, L"", L"0.25"}}) {
        type(c.box, c.typed);
        EXPECT_EQ(std::wstring(c.box->getText()), c.shown) << c.typed;
    }
    EXPECT_EQ(gui().params.poisonShare, 0.25f);
    // A number outside its range is refused at Start.
    type(gui().poisonShareEdit, L"1.5");
    click(gui().setupWindow, modules::GUIElementIDs::START_BUTTON);
    EXPECT_EQ(engine.world->run, nullptr);
    EXPECT_EQ(newestLine(), L"Cannot start: a poison share of 1.5 is above the limit of 1.0.");
    type(gui().poisonShareEdit, L"0.5");

    chooseTask("maze");
    EXPECT_EQ(std::wstring(gui().mazeEdit->getText()), L"maze.json");
    type(gui().mazeEdit, L""); // left empty: the stored name comes back
    EXPECT_EQ(std::wstring(gui().mazeEdit->getText()), L"maze.json");
    type(gui().mazeEdit, L"no-such-maze.json");
    EXPECT_EQ(gui().params.mazeFile, "no-such-maze.json");
}

TEST_F(TaskPanel, ARefusedMazeFileStartsNothingAndSaysWhy)
{
    modules::MazeLayout layout;
    std::string refusal;
    if (modules::readMazeFile("/nonexistent/no-such-maze.json", 10.0f, 10.0f, layout, refusal))
        GTEST_SKIP() << "this build's maze reader refuses no file";
    chooseTask("maze");
    type(gui().mazeEdit, L"no-such-maze.json");
    click(gui().setupWindow, modules::GUIElementIDs::START_BUTTON);
    EXPECT_EQ(engine.world->run, nullptr);
    EXPECT_EQ(newestLine().rfind(L"Error: ", 0), 0u);
    EXPECT_NE(newestLine().find(L"no-such-maze.json"), std::wstring::npos);
    EXPECT_TRUE(gui().setupWindow->isVisible());
}

TEST_F(TaskPanel, AForageRunStartsAndResumesOnlyAsForage)
{
    chooseTask("forage");
    type(gui().poisonShareEdit, L"0.25");
    click(gui().setupWindow, modules::GUIElementIDs::START_BUTTON);
    ASSERT_NE(engine.world->run, nullptr);
    EXPECT_EQ(engine.world->run->task->name(), "forage");
    EXPECT_EQ(engine.world->run->task->inputNames().size(), 6u);
    EXPECT_EQ(engine.world->run->params.poisonShare, 0.25f);
    const modules::SavedRun saved = modules::savedRun(*engine.world->run);
    click(gui().runWindow, modules::GUIElementIDs::STOP_BUTTON);

    const std::string path =
        (std::filesystem::path(::testing::TempDir()) / "task-panel-forage.json").string();
    std::string error;
    ASSERT_TRUE(modules::writePopulationFile(path, saved, error)) << error;
    chooseTask("collect");
    ASSERT_TRUE(gui().loadPopulation(path));
    EXPECT_EQ(gui().params.task, "forage");
    EXPECT_EQ(gui().taskCombo->getSelected(), 1);
    EXPECT_TRUE(gui().poisonShareEdit->isEnabled());

    // Another task is refused with its line; its own starts.
    chooseTask("maze");
    click(gui().setupWindow, modules::GUIElementIDs::START_BUTTON);
    EXPECT_EQ(engine.world->run, nullptr);
    EXPECT_EQ(newestLine(), L"Cannot start: the loaded population needs the task forage.");
    chooseTask("forage");
    click(gui().setupWindow, modules::GUIElementIDs::START_BUTTON);
    ASSERT_NE(engine.world->run, nullptr);
    EXPECT_EQ(engine.world->run->task->name(), "forage");
    std::filesystem::remove(path);
}

TEST_F(TaskPanel, TheMethodAndTheObjectiveEnableTheNoveltyAndMapRows)
{
    bool offered = false;
    for (u32 i = 0; i < gui().methodCombo->getItemCount(); ++i)
        offered = offered || std::wstring(gui().methodCombo->getItem(i)) == L"MAP-Elites";
    EXPECT_TRUE(offered);
    auto* objective = static_cast<gui::IGUIComboBox*>(row("objective"));
    struct Case {
        const char* method;
        int objective;
        bool objectiveRow, novelty, cells, mutation;
    };
    for (const Case& c : {Case{"ga", 1, true, true, false, true}, Case{"ga", 0, true, false, false, true},
                          Case{"neat", 1, true, true, false, false}, Case{"map-elites", 1, false, false, true, true},
                          Case{"cmaes", 1, false, false, false, false}, Case{"ga", 0, true, false, false, true}}) {
        chooseMethod(c.method);
        objective->setSelected(c.objective);
        gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, objective));
        const std::string what = std::string(c.method) + " objective " + std::to_string(c.objective);
        EXPECT_EQ(gui().params.method, c.method) << what;
        EXPECT_EQ(gui().params.objective, c.objective) << what;
        EXPECT_EQ(objective->isEnabled(), c.objectiveRow) << what;
        EXPECT_EQ(row("novelty-k")->isEnabled(), c.novelty) << what;
        EXPECT_EQ(row("novelty-threshold")->isEnabled(), c.novelty) << what;
        EXPECT_EQ(row("map-cells")->isEnabled(), c.cells) << what;
        EXPECT_EQ(gui().mutationRateEdit->isEnabled(), c.mutation) << what;
    }

    // Their values are checked like the others': a word rolls back, a number too large is
    // refused at Start with its line.
    chooseMethod("map-elites");
    auto* cells = static_cast<gui::IGUIEditBox*>(row("map-cells"));
    type(cells, L"many");
    EXPECT_EQ(std::wstring(cells->getText()), L"10");
    type(cells, L"101");
    EXPECT_EQ(gui().params.mapCells, 101);
    click(gui().setupWindow, modules::GUIElementIDs::START_BUTTON);
    EXPECT_EQ(engine.world->run, nullptr);
    EXPECT_EQ(newestLine(), L"Cannot start: 101 cells per axis are above the limit of 100.");
    chooseMethod("ga");
    objective->setSelected(1);
    gui().OnEvent(guiEvent(gui::EGET_COMBO_BOX_CHANGED, objective));
    type(static_cast<gui::IGUIEditBox*>(row("novelty-k")), L"1001");
    click(gui().setupWindow, modules::GUIElementIDs::START_BUTTON);
    EXPECT_EQ(engine.world->run, nullptr);
    EXPECT_EQ(newestLine(), L"Cannot start: a novelty k of 1001 is above the limit of 1000.");
}
