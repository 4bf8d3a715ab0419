// Population files: a run saved at a generation boundary continues exactly as the
// uninterrupted run, through the batch's code path and the window's buttons; a damaged or
// hostile file is refused whole; a failed write keeps the old file.

#include "AddressSanitizer.h"
#include "ChildProcess.h"
#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "core/Random.h"
#include "core/SafeWrite.h"
#include "core/Utf8.h"
#include "evolution/EvolutionRun.h"
#include "evolution/PopulationFile.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"
#include "gui/ScreenLog.h"
#include "methods/Evolver.h"
#include "vehicle/Vehicle.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using modules::engine;
using modules::EvolutionParams;
using modules::SavedRun;

namespace fs = std::filesystem;

namespace {

constexpr unsigned SEED = 4711u;

std::string narrow(const wchar_t* text)
{
    std::string result;
    for (; text && *text; ++text)
        result += static_cast<char>(*text);
    return result;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Bit for bit: fitness values are compared as the bytes they are.
void expectSameHistory(const std::vector<modules::GenerationFitness>& a,
                       const std::vector<modules::GenerationFitness>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(std::memcmp(&a[i].best, &b[i].best, sizeof a[i].best), 0) << "generation " << i + 1;
        EXPECT_EQ(std::memcmp(&a[i].mean, &b[i].mean, sizeof a[i].mean), 0) << "generation " << i + 1;
        EXPECT_EQ(std::memcmp(&a[i].median, &b[i].median, sizeof a[i].median), 0) << "generation " << i + 1;
    }
}

std::vector<std::vector<float>> genomesOf(modules::Evolver& evolver)
{
    std::vector<std::vector<float>> genomes;
    for (const modules::NeuralNetwork& network : evolver.population)
        genomes.push_back(network.getData());
    return genomes;
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/kinetarium-population-test.XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (fs::path(path) / name).string(); }
    std::string path;
};

class PopulationRunTest : public testing_support::NullEngineTest {
protected:
    // Each vehicle's position and heading, as exact float values.
    std::vector<std::vector<float>> vehiclePlaces() const
    {
        std::vector<std::vector<float>> places;
        for (const modules::Vehicle* vehicle : engine.world->vehicles) {
            const irr::core::vector3df p = vehicle->node->getPosition();
            places.push_back({p.X, p.Z, vehicle->node->getRotation().Y});
        }
        return places;
    }

    void runUntil(int generation)
    {
        while (engine.world->run && engine.world->run->generation < generation)
            step();
        ASSERT_NE(engine.world->run, nullptr) << "the run ended early";
    }
};

} // namespace

TEST(RandomState, OwnBufferGivesTheDefaultSequenceAndCapturedStatesReplayExactly)
{
    for (unsigned seed : {1u, 12345u, 4294967295u}) {
        std::srand(seed);
        std::vector<int> expected(2000);
        for (int& value : expected)
            value = std::rand();
        modules::seedRandom(seed);
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(std::rand(), expected[i]) << "seed " << seed << ", draw " << i;
    }

    // Taken from the library's own buffer and from ours, the latter put back into the buffer in use.
    for (bool own : {false, true}) {
        if (own)
            modules::seedRandom(99);
        else
            std::srand(99);
        for (int i = 0; i < 77; ++i)
            std::rand();
        const modules::RandomState state = modules::captureRandomState();
        ASSERT_TRUE(modules::isValidRandomState(state));
        std::vector<int> next(200);
        for (int& value : next)
            value = std::rand();
        for (int i = 0; i < 13; ++i)
            std::rand();
        modules::restoreRandomState(state);
        for (size_t i = 0; i < next.size(); ++i)
            ASSERT_EQ(std::rand(), next[i]) << (own ? "own" : "default") << " buffer, draw " << i;
    }
}

struct ResumeCase {
    const char* name;
    int populationSize;
    int eliteCount;
    int selectorType;
    int hiddenNeurons;
    int savedAt = 3; // the generation the file holds
    // Mutation as large as the panel takes carries genes past the largest float.
    bool overflowingGenes = false;
};

bool hasInfiniteGene(const std::vector<std::vector<float>>& genomes)
{
    for (const std::vector<float>& genome : genomes)
        for (float gene : genome)
            if (std::isinf(gene))
                return true;
    return false;
}

class PopulationResume : public PopulationRunTest, public ::testing::WithParamInterface<ResumeCase> {};

// G + 3 generations in one go equal G, the file, a new engine with another seed, 3 more.
TEST_P(PopulationResume, SavedAndLoadedRunEqualsTheUninterruptedOne)
{
    const int G = GetParam().savedAt;
    constexpr int STEPS_IN = 45;
    EvolutionParams params;
    params.generationTime = 3.0f;
    params.itemCount = 40;
    params.populationSize = GetParam().populationSize;
    params.eliteCount = GetParam().eliteCount;
    params.selectorType = GetParam().selectorType;
    params.hiddenNeurons = GetParam().hiddenNeurons;
    if (GetParam().overflowingGenes) {
        params.mutationRate = 1.0f;
        params.maxPerturbation = std::numeric_limits<float>::max();
    }

    startEngine(SEED);
    modules::startEvolution(params, *engine.world);
    runUntil(G);
    // Where the vehicles are a while into generation G + 1: every move must be the same.
    for (int i = 0; i < STEPS_IN; ++i)
        step();
    const auto expectedPlaces = vehiclePlaces();
    runUntil(G + 3);
    const auto expectedHistory = engine.world->run->history;
    const auto expectedGenomes = genomesOf(*engine.world->evolver);
    engine.shutdown();

    TempDir dir;
    const std::string path = dir.file("run.json");
    startEngine(SEED);
    modules::startEvolution(params, *engine.world);
    runUntil(G);
    // Part way into generation G + 1: the file still holds the boundary before it.
    for (int i = 0; i < 20; ++i)
        step();
    std::string error;
    ASSERT_TRUE(modules::writePopulationFile(path, modules::savedRun(*engine.world->run), error)) << error;
    engine.shutdown();

    startEngine(SEED + 1000);
    SavedRun run;
    ASSERT_TRUE(modules::readPopulationFile(path, run, error)) << error;
    EXPECT_EQ(run.generation, G);
    EXPECT_EQ(run.seed, SEED);
    if (GetParam().overflowingGenes) {
        ASSERT_TRUE(hasInfiniteGene(run.methodState["genomes"].get<std::vector<std::vector<float>>>()))
            << "no gene overflowed: the case tests nothing";
    }
    ASSERT_TRUE(modules::resumeEvolution(run, run.params, *engine.world, 1, error)) << error;
    for (int i = 0; i < STEPS_IN; ++i)
        step();
    EXPECT_EQ(vehiclePlaces(), expectedPlaces);
    runUntil(G + 3);
    expectSameHistory(engine.world->run->history, expectedHistory);
    EXPECT_EQ(genomesOf(*engine.world->evolver), expectedGenomes);
}

INSTANTIATE_TEST_SUITE_P(Parameters, PopulationResume,
                         ::testing::Values(ResumeCase{"roulette_elites2", 20, 2, 0, 4},
                                           ResumeCase{"roulette_noElites_odd", 7, 0, 0, 4},
                                           ResumeCase{"tournament_elites3_odd", 9, 3, 1, 3},
                                           ResumeCase{"tournament_noElites_odd", 11, 0, 1, 5},
                                           // Saved before any generation finished.
                                           ResumeCase{"roulette_fromGeneration0", 8, 1, 0, 4, 0},
                                           ResumeCase{"tournament_overflowingGenes", 6, 1, 1, 2, 3, true}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

class WindowPopulation : public PopulationRunTest {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("XDG_DATA_HOME");
        oldDataHome = old ? old : "";
        hadDataHome = old != nullptr;
        setenv("XDG_DATA_HOME", dataHome.path.c_str(), 1);
    }
    void TearDown() override
    {
        PopulationRunTest::TearDown();
        if (hadDataHome)
            setenv("XDG_DATA_HOME", oldDataHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    bool click(irr::s32 id)
    {
        return engine.gui->OnEvent(testing_support::guiEvent(
            irr::gui::EGET_BUTTON_CLICKED, modules::GUIElementIDs::getElementFromID(id, nullptr)));
    }
    // The newest line's whole text (the log shows a line with a long path shortened).
    std::string logLine() const { return narrow(engine.screenLog->text(0).c_str()); }

    TempDir dataHome;
    std::string oldDataHome;
    bool hadDataHome = false;
};

} // namespace

// The window's own buttons: Save population on a running evolution, Load population into a
// new program's panel, Start: the run goes on as if never interrupted. A bad file changes nothing.
TEST_F(WindowPopulation, SaveAndLoadThroughThePanelContinueTheRunExactly)
{
    constexpr int G = 2;
    EvolutionParams params;
    params.generationTime = 3.0f;
    params.populationSize = 9;
    params.eliteCount = 1;
    params.selectorType = 1;

    startEngine(SEED, true);
    engine.gui->params = params;
    click(modules::GUIElementIDs::START_BUTTON);
    runUntil(2 * G);
    const auto expectedHistory = engine.world->run->history;
    engine.shutdown();

    startEngine(SEED, true);
    engine.gui->params = params;
    click(modules::GUIElementIDs::START_BUTTON);
    runUntil(G);
    for (int i = 0; i < 30; ++i)
        step();
    click(modules::GUIElementIDs::SAVE_POPULATION_BUTTON);
    const std::string folder = dataHome.file("kinetarium");
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.push_back(entry.path().string());
    ASSERT_EQ(files.size(), 1u) << "one file, no temporary left";
    const std::string saved = files[0];
    EXPECT_NE(saved.find("-generation-2.json"), std::string::npos) << saved;
    EXPECT_EQ(logLine(), "Population saved to " + saved);
    engine.shutdown();

    startEngine(SEED + 7, true);
    modules::GUI& gui = *engine.gui;
    // A damaged file first: an error line, the panel and the next Start untouched.
    const std::string bad = dataHome.file("bad.json");
    writeText(bad, readText(saved).substr(0, 500));
    EXPECT_FALSE(gui.loadPopulation(bad));
    EXPECT_EQ(logLine().rfind("Error: cannot load the population file '" + bad + "': the file is cut short", 0), 0u)
        << logLine();
    EXPECT_EQ(gui.params.populationSize, EvolutionParams().populationSize);
    EXPECT_FALSE(gui.loadedRun.has_value());

    ASSERT_TRUE(gui.loadPopulation(saved));
    EXPECT_EQ(logLine(), "Loaded population of 9 vehicles from " + saved + " (generation 2)");
    EXPECT_EQ(narrow(gui.populationSizeEdit->getText()), "9");
    EXPECT_EQ(gui.selectorCombo->getSelected(), 1);
    click(modules::GUIElementIDs::START_BUTTON);
    ASSERT_NE(engine.world->run, nullptr);
    EXPECT_EQ(engine.world->run->generation, G);
    ASSERT_NE(engine.world->evolver, nullptr);
    EXPECT_EQ(engine.world->evolver->generation, G); // the loaded run's count, carried on
    runUntil(2 * G);
    expectSameHistory(engine.world->run->history, expectedHistory);
}

namespace {

struct BadFileCase {
    const char* name;
    // Turns the text of a good file into the damaged one.
    std::string (*damage)(const std::string& good);
    const char* problem; // part of the error line
};

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// A small run at generation 2 with 3 vehicles of 1 hidden neuron (13 genes each).
SavedRun goodRun()
{
    SavedRun run;
    run.params.populationSize = 3;
    run.params.hiddenNeurons = 1;
    run.seed = 8;
    run.generation = 2;
    modules::seedRandom(8);
    run.randomState = modules::captureRandomState();
    std::vector<std::vector<float>> genomes;
    for (int i = 0; i < 3; ++i)
        genomes.push_back(std::vector<float>(13, 0.25f * static_cast<float>(i + 1)));
    run.methodState = {{"genomes", genomes}};
    run.history = {{3.0f, 1.5, 1.0}, {4.0f, 2.0, 2.0}};
    return run;
}

const BadFileCase BAD_FILES[] = {
    {"empty", [](const std::string&) { return std::string("\n"); }, "the file is empty"},
    {"notJson", [](const std::string&) { return std::string("generation,best\n1,2\n"); }, "not JSON"},
    {"cutShort", [](const std::string& good) { return good.substr(0, good.size() / 2); }, "cut short"},
    {"otherFormat", [](const std::string& good) { return replaced(good, "kinetarium-population", "other"); },
     "not a Kinetarium population file"},
    {"jsonArray", [](const std::string&) { return std::string("[1, 2, 3]"); }, "not a Kinetarium population file"},
    {"newerVersion", [](const std::string& good) { return replaced(good, "\"version\": 4", "\"version\": 5"); },
     "format version 5 is newer"},
    {"moreHiddenNeurons",
     [](const std::string& good) { return replaced(good, "\"hidden_neurons\": 1", "\"hidden_neurons\": 2"); },
     "genome 1 has 13 genes, but 2 hidden neurons need 20"},
    {"shortGenome", [](const std::string& good) { return replaced(good, "0.75,", ""); }, "genome 3 has 12 genes"},
    {"fewerGenomes",
     [](const std::string& good) { return replaced(good, "\"population_size\": 3", "\"population_size\": 4"); },
     "3 genomes for a population of 4"},
    {"geneOverflows", [](const std::string& good) { return replaced(good, "0.75", "1e999"); }, "number overflow"},
    {"geneBeyondFloat", [](const std::string& good) { return replaced(good, "0.75", "1e39"); }, "too large for a float"},
    {"geneNull", [](const std::string& good) { return replaced(good, "0.75", "null"); }, "gene 1 is not a number"},
    {"rateOverflows",
     [](const std::string& good) { return replaced(good, "\"weight_range\": 1.0", "\"weight_range\": -1e999"); },
     "not a finite number"},
    {"populationBeyondLimit",
     [](const std::string& good) { return replaced(good, "\"population_size\": 3", "\"population_size\": 10001"); },
     "beyond the run limits: a population of 10001 is above the limit of 10000"},
    {"hiddenBeyondLimit",
     [](const std::string& good) { return replaced(good, "\"hidden_neurons\": 1", "\"hidden_neurons\": 99999999999"); },
     "\"hidden_neurons\" is 99999999999, outside"},
    {"stateTooShort", [](const std::string& good) { return replaced(good, "\"random_state\": [", "\"random_state\": [0,"); },
     "not 32 numbers (it has 33)"},
    {"stateNotAState",
     [](const std::string& good) {
         // Word 0 made 1000: type 0 (5 x 200 + 0), a position far outside the table.
         const std::string head = "\"random_state\": [\n  ";
         const size_t at = good.find(head) + head.size();
         return good.substr(0, at) + "1000" + good.substr(good.find(',', at));
     },
     "\"random_state\" is not a state of the generator"},
    {"stateAllZero",
     [](const std::string& good) {
         // Position 0, type 3, and a table of zeros: rand() would return 0 for ever.
         const size_t at = good.find("\"random_state\": [");
         std::string state = "\"random_state\": [3";
         for (int i = 1; i < 32; ++i)
             state += ", 0";
         return good.substr(0, at) + state + good.substr(good.find(']', at));
     },
     "\"random_state\" is not a state of the generator"},
    {"versionZero", [](const std::string& good) { return replaced(good, "\"version\": 4", "\"version\": 0"); },
     "\"version\" is 0, outside 1 to"},
    {"populationZeroNoGenomes",
     [](const std::string& good) {
         const std::string empty = replaced(good, "\"population_size\": 3", "\"population_size\": 0");
         return empty.substr(0, empty.find("\"genomes\": [")) + "\"genomes\": []\n}\n";
     },
     "\"population_size\" is 0, outside 1 to"},
    {"historyTooShort", [](const std::string& good) { return replaced(good, "\"generation\": 2", "\"generation\": 3"); },
     "one entry for each of the 3 finished generations"},
    {"noGenomes", [](const std::string& good) { return replaced(good, "\"genomes\"", "\"genome\""); },
     "has no \"genomes\""},
    {"noSpecies", [](const std::string& good) { return replaced(good, "\"species\": 1", "\"species\": 0"); },
     "history entry 1 \"species\" is 0, outside 1 to"},
    {"negativeGenomeSize",
     [](const std::string& good) { return replaced(good, "\"genome_size\": 0.0", "\"genome_size\": -1.5"); },
     "history entry 1 \"genome_size\" is negative"},
};

class PopulationBadFile : public ::testing::TestWithParam<BadFileCase> {};

} // namespace

TEST_P(PopulationBadFile, IsRefusedWithOneLineNamingFileAndProblemAndNothingLoaded)
{
    TempDir dir;
    const std::string good = dir.file("good.json");
    std::string error;
    ASSERT_TRUE(modules::writePopulationFile(good, goodRun(), error)) << error;
    const std::string text = readText(good);
    const std::string damaged = GetParam().damage(text);
    ASSERT_NE(damaged, text) << "the damage did not apply";

    const std::string path = dir.file("bad.json");
    writeText(path, damaged);
    SavedRun run;
    run.generation = -5;
    EXPECT_FALSE(modules::readPopulationFile(path, run, error));
    EXPECT_EQ(error.rfind("Error: cannot load the population file '" + path + "': ", 0), 0u) << error;
    EXPECT_NE(error.find(GetParam().problem), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(run.generation, -5);
    EXPECT_TRUE(run.methodState.is_null());

    // The good one reads back whole.
    ASSERT_TRUE(modules::readPopulationFile(good, run, error)) << error;
    EXPECT_EQ(modules::populationToJson(run), text);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PopulationBadFile, ::testing::ValuesIn(BAD_FILES),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// The first element of `type` in the tree below `start` (a modal dialog sits in a modal screen).
irr::gui::IGUIElement* elementOfType(irr::gui::IGUIElement* start, irr::gui::EGUI_ELEMENT_TYPE type)
{
    for (irr::gui::IGUIElement* child : start->getChildren()) {
        if (child->getType() == type)
            return child;
        if (irr::gui::IGUIElement* found = elementOfType(child, type))
            return found;
    }
    return nullptr;
}

} // namespace

// Load population's dialog lists the names decoded by the desktop's locale, and hands the
// chosen path over as wide characters too: a name beyond Latin-1 (Cyrillic, CJK) must reach
// the file system as the same bytes.
TEST_F(WindowPopulation, AFileNamedBeyondLatin1LoadsThroughTheDialog)
{
    const std::string name = u8"популяция-种群.json";
    const std::string folder = dataHome.file("kinetarium");
    fs::create_directories(folder);
    std::string error;
    ASSERT_TRUE(modules::writePopulationFile(folder + "/" + name, goodRun(), error)) << error;

    // A UTF-8 desktop, for this test only.
    struct Locale {
        Locale() : had(std::getenv("LC_ALL") != nullptr), old(had ? std::getenv("LC_ALL") : "")
        {
            setenv("LC_ALL", "C.UTF-8", 1);
        }
        ~Locale()
        {
            if (had)
                setenv("LC_ALL", old.c_str(), 1);
            else
                unsetenv("LC_ALL");
        }
        bool had;
        std::string old;
    } utf8Desktop;
    startEngine(SEED, true);
    click(modules::GUIElementIDs::LOAD_POPULATION_BUTTON);
    irr::gui::IGUIElement* dialog = elementOfType(engine.guiEnvironment->getRootGUIElement(),
                                                  irr::gui::EGUIET_FILE_OPEN_DIALOG);
    ASSERT_NE(dialog, nullptr);
    auto* files = static_cast<irr::gui::IGUIListBox*>(elementOfType(dialog, irr::gui::EGUIET_LIST_BOX));
    ASSERT_NE(files, nullptr);
    int chosen = -1;
    for (irr::u32 i = 0; i < files->getItemCount(); ++i)
        if (files->getListItem(i) == modules::fromUtf8(name))
            chosen = static_cast<int>(i);
    ASSERT_GE(chosen, 0) << "the file is not listed";
    // A click on the file, as the list box reports it to the dialog, then on OK.
    files->setSelected(chosen);
    dialog->OnEvent(testing_support::guiEvent(irr::gui::EGET_LISTBOX_CHANGED, files));
    irr::gui::IGUIElement* ok = nullptr;
    for (irr::gui::IGUIElement* child : dialog->getChildren())
        if (child->getType() == irr::gui::EGUIET_BUTTON && std::wstring(child->getText()) == L"OK")
            ok = child;
    ASSERT_NE(ok, nullptr);
    dialog->OnEvent(testing_support::guiEvent(irr::gui::EGET_BUTTON_CLICKED, ok));

    ASSERT_TRUE(engine.gui->loadedRun.has_value()) << logLine();
    EXPECT_EQ(engine.gui->loadedRun->methodState, goodRun().methodState);
}

// A write that fails keeps the previous file: a file size limit stops the write half way
// (as a full disk does), a missing folder, a device such as /dev/full is not replaced.
TEST(PopulationSave, FailedWriteKeepsTheOldFileAndNamesIt)
{
    TempDir dir;
    const std::string path = dir.file("run.json");
    SavedRun small = goodRun();
    std::string error;
    ASSERT_TRUE(modules::writePopulationFile(path, small, error)) << error;
    const std::string before = readText(path);

    SavedRun large = small;
    large.methodState = {{"genomes", std::vector<std::vector<float>>(3, std::vector<float>(13, 0.123456789f))}};
    large.history.assign(2, {1.1f, 2.2, 3.3});
    for (int i = 0; i < 2000; ++i)
        large.history.push_back({1.1f, 2.2, 3.3});
    large.generation = static_cast<int>(large.history.size());
    const testing_support::ChildResult child = testing_support::runInChild(
        [&] {
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::string childError;
            const bool written = modules::writePopulationFile(path, large, childError);
            const bool named = childError.rfind("Error: cannot write the population file '" + path + "': ", 0) == 0;
            return written ? 1 : named ? 0 : 2;
        },
        60);
    EXPECT_TRUE(child.exited && child.status == 0) << child.describe();
    EXPECT_EQ(readText(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1) << "a temporary file is left";

    EXPECT_FALSE(modules::writePopulationFile(dir.file("no/such/folder/run.json"), small, error));
    EXPECT_NE(error.find("no/such/folder/run.json"), std::string::npos) << error;

    EXPECT_FALSE(modules::writePopulationFile("/dev/full", small, error));
    EXPECT_EQ(error, "Error: cannot write the population file '/dev/full': it is not a regular file.");
    struct stat device;
    ASSERT_EQ(stat("/dev/full", &device), 0);
    EXPECT_TRUE(S_ISCHR(device.st_mode));

    // A folder that cannot be written (root may write anywhere, so only checked for others).
    if (geteuid() != 0) {
        chmod(dir.path.c_str(), 0555);
        EXPECT_FALSE(modules::writePopulationFile(path, large, error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(readText(path), before);
    }
}

namespace {

// The address space the process has now, in bytes.
std::size_t addressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Lets the process grow by `bytes` more and no further, as a small machine would. Under the
// address sanitizer a limit cannot be set this way; the files are still read there.
void limitAddressSpace(std::size_t bytes)
{
    if (ADDRESS_SANITIZER)
        return;
    const rlim_t limit = addressSpaceInUse() + bytes;
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_AS, &cap);
}

} // namespace

// Hostile files cost little to refuse or read: 20 MB of "[" and a good file with 15 million
// zeros in a member of its own are read within 256 MB more address space, in the window's
// Load population, which goes on working afterwards.
TEST_F(WindowPopulation, HostileFilesAreReadAtBoundedCostAndTheWindowGoesOn)
{
    TempDir dir;
    const std::string brackets = dir.file("brackets.json");
    writeText(brackets, std::string(20 << 20, '['));
    std::string error;
    const std::string good = dir.file("good.json");
    ASSERT_TRUE(modules::writePopulationFile(good, goodRun(), error)) << error;
    std::string zeros = "\"padding\": [0";
    zeros.reserve(30 << 20);
    for (int i = 1; i < 15000000; ++i)
        zeros += ",0";
    zeros += "],\n \"genomes\": [";
    const std::string padded = dir.file("padded.json");
    writeText(padded, replaced(readText(good), "\"genomes\": [", zeros));
    zeros = std::string();

    startEngine(SEED, true);
    const testing_support::ChildResult child = testing_support::runInChild(
        [&] {
            limitAddressSpace(256u << 20);
            modules::GUI& gui = *engine.gui;
            if (gui.loadPopulation(brackets))
                return 2;
            if (logLine() != "Error: cannot load the population file '" + brackets
                    + "': not a Kinetarium population file (no \"format\": \"kinetarium-population\").")
                return 3;
            if (!gui.loadPopulation(padded))
                return 4;
            click(modules::GUIElementIDs::START_BUTTON);
            if (!engine.world->run || engine.world->run->generation != 2)
                return 5;
            for (int i = 0; i < 200000 && engine.world->run && engine.world->run->generation < 3; ++i)
                step();
            return engine.world->run && engine.world->run->generation == 3 ? 0 : 6;
        },
        300);
    EXPECT_TRUE(child.exited && child.status == 0) << child.describe();
}

// The writer refuses what the reader would refuse, at the same size, and a long history is
// written without a copy of itself in memory: 300 000 generations (some 27 MB of file) within
// 64 MB more address space.
TEST(PopulationSave, LongHistoryStreamsOutAndWriterAndReaderAgreeOnTheSizeLimit)
{
    TempDir dir;
    const std::string path = dir.file("long.json");
    SavedRun run = goodRun();
    run.history.assign(300000, {1.1f, 2.2, 3.3});
    run.generation = static_cast<int>(run.history.size());
    const testing_support::ChildResult child = testing_support::runInChild(
        [&] {
            limitAddressSpace(64u << 20);
            std::string childError;
            return modules::writePopulationFile(path, run, childError) ? 0 : 1;
        },
        300);
    ASSERT_TRUE(child.exited && child.status == 0) << child.describe();
    SavedRun read;
    std::string error;
    ASSERT_TRUE(modules::readPopulationFile(path, read, error)) << error;
    expectSameHistory(read.history, run.history);

    // At the limit both take the file; one byte less and both refuse it, the old file kept.
    const std::uintmax_t size = fs::file_size(path);
    ASSERT_TRUE(modules::writePopulationFile(path, run, error, size)) << error;
    ASSERT_TRUE(modules::readPopulationFile(path, read, error, size)) << error;
    const std::string before = readText(path);
    run.history.push_back({1.0f, 1.0, 1.0});
    ++run.generation;
    EXPECT_FALSE(modules::writePopulationFile(path, run, error, size));
    EXPECT_EQ(error, "Error: cannot write the population file '" + path + "': the file would be larger than the "
                         + std::to_string(size) + " bytes a population file may hold.");
    EXPECT_EQ(readText(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1) << "a temporary file is left";
    EXPECT_FALSE(modules::readPopulationFile(path, read, error, size - 1));
    EXPECT_EQ(error, "Error: cannot load the population file '" + path + "': the file is larger than the "
                         + std::to_string(size - 1) + " bytes a population file may hold.");
}

// A writer killed between creating its temporary and renaming it leaves ".NAME.XXXXXX"; the
// next successful save of the same file removes it, but not a temporary still being written
// (its writer holds a lock on it) nor another file's.
TEST(PopulationSave, StaleTemporariesOfTheSameFileAreRemovedAtTheNextSave)
{
    TempDir dir;
    const std::string path = dir.file("ck.json");
    const std::string stale = dir.file(".ck.json.a1B2c3");
    const std::string busy = dir.file(".ck.json.Zz9Yy8");
    const std::string other = dir.file(".other.json.a1B2c3");
    const std::string similar = dir.file(".ck.json.a1B2c3.keep");
    for (const std::string& file : {stale, busy, other, similar})
        writeText(file, "{\"format\": \"kinetarium-population\", ");
    const int held = open(busy.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    std::string error;
    ASSERT_TRUE(modules::writePopulationFile(path, goodRun(), error)) << error;
    close(held);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(busy));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(similar));
    SavedRun run;
    EXPECT_TRUE(modules::readPopulationFile(path, run, error)) << error;
}

// A file that exists but cannot be reached is not "no such file": the system's reason is
// given. A dangling link given as the file to write is written through, to where it points.
TEST(PopulationFileNames, ErrorsGiveTheRealReasonAndDanglingLinksAreWrittenThrough)
{
    TempDir dir;
    std::string error;
    SavedRun run;
    const std::string loop = dir.file("loop.json");
    ASSERT_EQ(symlink("loop.json", loop.c_str()), 0);
    EXPECT_FALSE(modules::readPopulationFile(loop, run, error));
    EXPECT_EQ(error, "Error: cannot read the population file '" + loop + "': " + std::strerror(ELOOP) + ".");
    const std::string longName = dir.file(std::string(300, 'n') + ".json");
    EXPECT_FALSE(modules::readPopulationFile(longName, run, error));
    EXPECT_EQ(error, "Error: cannot read the population file '" + longName + "': " + std::strerror(ENAMETOOLONG) + ".");
    const std::string missing = dir.file("missing.json");
    EXPECT_FALSE(modules::readPopulationFile(missing, run, error));
    EXPECT_EQ(error, "Error: cannot read the population file '" + missing + "': " + std::strerror(ENOENT) + ".");

    fs::create_directory(dir.file("runs"));
    const std::string link = dir.file("latest.json");
    ASSERT_EQ(symlink("runs/run.json", link.c_str()), 0);
    ASSERT_TRUE(modules::writePopulationFile(link, goodRun(), error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_regular_file(dir.file("runs/run.json")));
    EXPECT_TRUE(modules::readPopulationFile(link, run, error)) << error;
    EXPECT_FALSE(modules::writePopulationFile(loop, goodRun(), error));
    EXPECT_EQ(error, "Error: cannot write the population file '" + loop + "': " + std::strerror(ELOOP) + ".");
}
