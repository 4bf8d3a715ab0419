// A loaded run in the window's panel: a value that the resumed search would not use (CMA-ES's
// sigma, which the saved search has adapted; the weight range, which only drew the first
// generation) is refused at Start with a line that says why, rather than saved as if used; a
// value that the search takes (OpenAI-ES's sigma and learning rate, NEAT's weight range) is
// used and recorded. kinetarium-batch's --load gives the same answers (tests/batch/methods_test.sh).

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "core/Random.h"
#include "core/Utf8.h"
#include "evolution/EvolutionRun.h"
#include "evolution/PopulationFile.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "methods/MethodRegistry.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using modules::engine;
using namespace irr;
using testing_support::guiEvent;

namespace {

class ResumeOverride : public testing_support::NullEngineTest {
protected:
    modules::GUI& gui() { return *engine.gui; }
    void type(gui::IGUIEditBox* box, const wchar_t* value)
    {
        gui().OnEvent(guiEvent(gui::EGET_ELEMENT_FOCUSED, box));
        box->setText(value);
        gui().OnEvent(guiEvent(gui::EGET_EDITBOX_ENTER, box));
    }
    void start()
    {
        gui().OnEvent(guiEvent(gui::EGET_BUTTON_CLICKED,
                               gui().setupWindow->getElementFromId(modules::GUIElementIDs::START_BUTTON, true)));
    }
    std::string logLine() const { return modules::toUtf8(engine.screenLog->text(0).c_str()); }

    // A run of `method` saved after one generation, with the method's default parameters.
    std::string saveRunOf(const std::string& method)
    {
        modules::EvolutionParams params;
        modules::chooseMethod(params, method);
        params.populationSize = 6;
        modules::seedRandom(4);
        const modules::MethodInfo* info = modules::findMethod(method);
        auto made = info->make(modules::networkShape(params, 4, 2), params, 4, false);
        const auto brains = made->ask();
        made->tell(std::vector<float>(brains.size(), 1.0f));
        modules::SavedRun run;
        run.params = params;
        run.seed = 4;
        run.generation = 1;
        run.randomState = modules::captureRandomState();
        run.methodState = made->state();
        run.history = {{1.0f, 1.0, 1.0}};
        const std::string path = folder + "/" + method + ".json";
        std::string error;
        EXPECT_TRUE(modules::writePopulationFile(path, run, error)) << error;
        return path;
    }

    std::string folder = [] {
        char name[] = "/tmp/kinetarium-resume-override.XXXXXX";
        return std::string(mkdtemp(name));
    }();
    ~ResumeOverride() override { std::system(("rm -rf '" + folder + "'").c_str()); }
};

} // namespace

TEST_F(ResumeOverride, PanelValuesTheResumedSearchWouldNotUseAreRefusedAtStart)
{
    const struct {
        const char* method;
        gui::IGUIEditBox* modules::GUI::*box;
        const wchar_t* value;
        const char* refusal; // empty: the run starts with the value and records it
    } cases[] = {
        {"cmaes", &modules::GUI::sigmaEdit, L"0.3",
         "Cannot start: the loaded population's sigma cannot change: CMA-ES adapts its step size and the file "
         "holds the one its search has reached (the file's sigma: 1.16)."},
        {"cmaes", &modules::GUI::weightRangeEdit, L"2",
         "Cannot start: the loaded population's weight-range cannot change: it only draws the first generation's "
         "networks (the file's weight-range: 1)."},
        {"openai-es", &modules::GUI::weightRangeEdit, L"2",
         "Cannot start: the loaded population's weight-range cannot change: it only draws the first generation's "
         "networks (the file's weight-range: 1)."},
        {"ga", &modules::GUI::weightRangeEdit, L"2",
         "Cannot start: the loaded population's weight-range cannot change: it only draws the first generation's "
         "networks (the file's weight-range: 1)."},
        {"openai-es", &modules::GUI::sigmaEdit, L"0.5", ""},
        {"openai-es", &modules::GUI::learningRateEdit, L"0.5", ""},
        {"neat", &modules::GUI::weightRangeEdit, L"2", ""},
        {"cmaes", &modules::GUI::generationTimeEdit, L"2", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + modules::toUtf8(c.value));
        startEngine(5, true);
        const std::string path = saveRunOf(c.method);
        ASSERT_TRUE(gui().loadPopulation(path));
        type(gui().*c.box, c.value);
        const modules::EvolutionParams wanted = gui().params;
        start();
        if (*c.refusal) {
            EXPECT_EQ(logLine(), c.refusal);
            EXPECT_EQ(engine.world->run, nullptr);
            EXPECT_TRUE(gui().loadedRun.has_value()) << "the loaded run is kept for another Start";
        } else {
            ASSERT_NE(engine.world->run, nullptr) << logLine();
            const modules::SavedRun saved = modules::savedRun(*engine.world->run);
            EXPECT_EQ(saved.params.sigma, wanted.sigma);
            EXPECT_EQ(saved.params.learningRate, wanted.learningRate);
            EXPECT_EQ(saved.params.weightRange, wanted.weightRange);
            const nlohmann::json used = engine.world->run->method->parameters();
            if (used.contains("sigma")) {
                EXPECT_EQ(used["sigma"].get<double>(), static_cast<double>(wanted.sigma));
            }
            if (used.contains("learning_rate")) {
                EXPECT_EQ(used["learning_rate"].get<double>(), static_cast<double>(wanted.learningRate));
            }
        }
        engine.shutdown();
    }
}
