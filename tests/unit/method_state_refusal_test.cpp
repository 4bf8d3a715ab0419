// Search states that no run reaches and that would break the run that loads them (numbers
// whose next products overflow, a covariance that cannot be sampled, a generation count at the
// end of its range) are refused with a reason naming what is wrong, both when a method restores
// them and when a population file would be written with them; the writer never writes a
// number JSON cannot hold.

#include "brain/NeuralNetwork.h"
#include "core/Random.h"
#include "evolution/PopulationFile.h"
#include "methods/CmaEs.h"
#include "methods/OpenAiEs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <sstream>

namespace {

using Json = nlohmann::json;

enum class Kind { FULL, SEPARABLE, OPENAI };

struct Made {
    std::unique_ptr<modules::EvolutionMethod> method;
    modules::EvolutionParams params; // the run's parameters that make the same method
};

Made make(Kind kind)
{
    Made made;
    made.params.populationSize = 20;
    made.params.hiddenNeurons = kind == Kind::SEPARABLE ? 20 : 4; // 146 genes: diagonal; 34: full
    std::srand(7);
    modules::NeuralNetwork shape(1.0f);
    shape.addLayer(4);
    shape.addLayer(made.params.hiddenNeurons);
    shape.addLayer(2);
    if (kind == Kind::OPENAI) {
        made.params.method = "openai-es";
        made.params.sigma = 0.1f;
        made.params.learningRate = 0.05f;
        made.method = modules::makeOpenAiEsMethod(shape, 20, made.params.sigma, made.params.learningRate, 3);
    } else {
        made.params.method = "cmaes";
        made.params.sigma = 0.6f;
        made.method = modules::makeCmaEsMethod(shape, 20, made.params.sigma, 3);
    }
    // A few generations with a fitness that prefers genes near 0.3, the last one asked.
    for (int g = 0; g < 4; ++g) {
        const auto brains = made.method->ask();
        if (g == 3)
            break;
        std::vector<float> fitness;
        for (std::size_t i = 0; i < brains.size(); ++i)
            fitness.push_back(static_cast<float>(i % 5));
        made.method->tell(fitness);
    }
    return made;
}

// The file's writer on a run holding `state`: empty when written, else its reason.
std::string writeRefusal(const Made& made, const Json& state)
{
    modules::SavedRun run;
    run.params = made.params;
    modules::seedRandom(3);
    run.randomState = modules::captureRandomState();
    run.methodState = state;
    std::ostringstream out;
    std::string reason;
    return modules::writePopulationJson(out, run, std::numeric_limits<std::uintmax_t>::max(), reason) ? "" : reason;
}

struct Damage {
    Kind kind;
    const char* field;
    std::function<void(Json& search)> apply;
    const char* restoreRefusal; // part of the reason restore() gives
    const char* writeRefusal;   // part of the writer's reason
};

TEST(MethodStateRefusal, DamagedSearchStatesAreRefusedOnLoadAndNeverWritten)
{
    const double huge = 1e300;
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Damage> damages = {
        {Kind::FULL, "eigenvalue roots of 1e300", [=](Json& s) { s["eigenvalue_roots"][2] = huge; },
         "\"eigenvalue_roots\" holds a number beyond", "does not fit"},
        {Kind::FULL, "step-size path of 1e300", [=](Json& s) { s["path_sigma"][0] = huge; },
         "\"path_sigma\" holds a number beyond", "does not fit"},
        {Kind::FULL, "covariance path of 1e300", [=](Json& s) { s["path_c"][5] = -huge; },
         "\"path_c\" holds a number beyond", "does not fit"},
        {Kind::FULL, "mean of 1e300", [=](Json& s) { s["mean"][1] = huge; }, "\"mean\" holds a number beyond",
         "does not fit"},
        {Kind::FULL, "covariance not positive definite",
         [](Json& s) {
             const int n = s["dimension"];
             for (int i = 0; i < n * n; ++i)
                 s["covariance"][i] = i % (n + 1) == 0 ? 1.0 : 0.0;
             s["covariance"][1] = s["covariance"][n] = 2.0; // eigenvalues 3 and -1
         },
         "covariance is not positive definite", "does not fit"},
        {Kind::FULL, "all-zero eigenvectors",
         [](Json& s) { for (Json& x : s["eigenvectors"]) x = 0.0; }, "eigenvectors are not orthonormal",
         "does not fit"},
        {Kind::FULL, "generation at the end of the integer range", [](Json& s) { s["generation"] = 2147483647; },
         "\"generation\" is out of range", "does not fit"},
        {Kind::FULL, "infinite covariance path", [=](Json& s) { s["path_c"][5] = inf; },
         "\"path_c\" holds something other than a finite number", "is not finite (at \"state\"/search/path_c/5)"},
        {Kind::SEPARABLE, "covariance diagonal of 1e300", [=](Json& s) { s["covariance_diagonal"][7] = huge; },
         "\"covariance_diagonal\" holds a number beyond", "does not fit"},
        {Kind::SEPARABLE, "step-size path of NaN",
         [](Json& s) { s["path_sigma"][0] = std::numeric_limits<double>::quiet_NaN(); },
         "\"path_sigma\" holds something other than a finite number", "is not finite"},
        {Kind::OPENAI, "second moment of 1.7e308", [](Json& s) { s["adam_second_moment"][0] = 1.7e308; },
         "\"adam_second_moment\" holds a number beyond", "does not fit"},
        {Kind::OPENAI, "first moment of 1.7e308", [](Json& s) { s["adam_first_moment"][0] = 1.7e308; },
         "\"adam_first_moment\" holds a number beyond", "does not fit"},
        {Kind::OPENAI, "first moment that its second cannot have made",
         [](Json& s) {
             s["adam_first_moment"][0] = 1.0;
             s["adam_second_moment"][0] = 0.0;
         },
         "first moment is larger than its second moment allows", "does not fit"},
        {Kind::OPENAI, "generation at the end of the integer range",
         [](Json& s) { s["generation"] = 2147483647; }, "\"generation\" is out of range", "does not fit"},
    };
    for (const Kind kind : {Kind::FULL, Kind::SEPARABLE, Kind::OPENAI}) {
        const Made made = make(kind);
        const Json good = made.method->state();
        EXPECT_EQ(writeRefusal(made, good), "") << "a sound state is refused";
        for (const Damage& damage : damages) {
            if (damage.kind != kind)
                continue;
            SCOPED_TRACE(damage.field);
            Json bad = good;
            damage.apply(bad["search"]);
            std::string reason;
            EXPECT_FALSE(made.method->restore(bad, reason));
            EXPECT_NE(reason.find(damage.restoreRefusal), std::string::npos) << reason;
            EXPECT_EQ(made.method->state(), good) << "a refused state changed the method";
            const std::string refusal = writeRefusal(made, bad);
            EXPECT_NE(refusal.find(damage.writeRefusal), std::string::npos) << refusal;
        }
    }
}

} // namespace
