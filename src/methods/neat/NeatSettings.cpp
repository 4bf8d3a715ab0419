#include "methods/neat/NeatSettings.h"

#include <cmath>

namespace modules {

namespace {

// One table of names for writing, reading and checking, so the three cannot drift apart.
struct RateField {
    const char* name;
    double NeatSettings::*field;
};
struct CountField {
    const char* name;
    int NeatSettings::*field;
    int lowest;
};

const RateField rateFields[] = {
    {"weight-mutation-rate", &NeatSettings::weightMutationRate},
    {"weight-perturb-rate", &NeatSettings::weightPerturbRate},
    {"add-node-rate", &NeatSettings::addNodeRate},
    {"add-connection-rate", &NeatSettings::addConnectionRate},
    {"reenable-rate", &NeatSettings::reenableRate},
    {"disabled-inherit-rate", &NeatSettings::disabledInheritRate},
    {"mutation-only-rate", &NeatSettings::mutationOnlyRate},
    {"interspecies-rate", &NeatSettings::interspeciesRate},
    {"survival-fraction", &NeatSettings::survivalFraction},
};
// Non-negative reals without an upper bound.
const RateField scaleFields[] = {
    {"perturbation-power", &NeatSettings::perturbationPower},
    {"weight-limit", &NeatSettings::weightLimit},
    {"excess-coefficient", &NeatSettings::excessCoefficient},
    {"disjoint-coefficient", &NeatSettings::disjointCoefficient},
    {"weight-coefficient", &NeatSettings::weightCoefficient},
    {"initial-threshold", &NeatSettings::initialThreshold},
    {"threshold-step", &NeatSettings::thresholdStep},
};
const CountField countFields[] = {
    {"champion-minimum-size", &NeatSettings::championMinimumSize, 1},
    {"stagnation-limit", &NeatSettings::stagnationLimit, 1},
    {"small-genome-size", &NeatSettings::smallGenomeSize, 0},
    {"target-species", &NeatSettings::targetSpecies, 1},
};

} // namespace

nlohmann::json neatSettingsToJson(const NeatSettings& settings)
{
    nlohmann::json json = nlohmann::json::object();
    for (const RateField& f : rateFields)
        json[f.name] = settings.*f.field;
    for (const RateField& f : scaleFields)
        json[f.name] = settings.*f.field;
    for (const CountField& f : countFields)
        json[f.name] = settings.*f.field;
    return json;
}

std::string checkNeatSettings(const NeatSettings& settings)
{
    for (const RateField& f : rateFields) {
        const double v = settings.*f.field;
        if (!(v >= 0.0 && v <= 1.0))
            return std::string(f.name) + " must be between 0 and 1";
    }
    for (const RateField& f : scaleFields) {
        const double v = settings.*f.field;
        if (!(v >= 0.0 && std::isfinite(v)))
            return std::string(f.name) + " must be a finite number of at least 0";
    }
    for (const CountField& f : countFields)
        if (settings.*f.field < f.lowest)
            return std::string(f.name) + " must be at least " + std::to_string(f.lowest);
    if (!(settings.thresholdStep > 0.0))
        return "threshold-step must be above 0";
    return {};
}

bool neatSettingsFromJson(const nlohmann::json& json, NeatSettings& settings, std::string& reason)
{
    if (!json.is_object()) {
        reason = "the NEAT parameters are not an object";
        return false;
    }
    NeatSettings next = settings;
    for (const auto& item : json.items()) {
        bool known = false;
        for (const RateField& f : rateFields)
            if (item.key() == f.name && item.value().is_number()) {
                next.*f.field = item.value().get<double>();
                known = true;
            }
        for (const RateField& f : scaleFields)
            if (item.key() == f.name && item.value().is_number()) {
                next.*f.field = item.value().get<double>();
                known = true;
            }
        for (const CountField& f : countFields)
            if (item.key() == f.name && item.value().is_number_integer()) {
                const auto v = item.value().get<long long>();
                if (v > 1000000000LL || v < -1000000000LL) {
                    reason = std::string(f.name) + " is out of range";
                    return false;
                }
                next.*f.field = static_cast<int>(v);
                known = true;
            }
        if (!known) {
            reason = "unknown NEAT parameter or wrong type: " + item.key();
            return false;
        }
    }
    const std::string problem = checkNeatSettings(next);
    if (!problem.empty()) {
        reason = problem;
        return false;
    }
    settings = next;
    return true;
}

} // namespace modules
