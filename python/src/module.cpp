// The arena as the Python module kinetarium._kinetarium: arrays in and out, every value
// checked here so that bad input raises an exception rather than reaching the engine.

#include "ArenaCore.h"

#include "evolution/ParameterTable.h"
#include "evolution/RunLimits.h"
#include "tasks/TaskRegistry.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace py = pybind11;
using namespace modules;
using kinetarium_py::ArenaCore;

namespace {

std::string pyText(const py::handle& value)
{
    return py::str(value).cast<std::string>();
}

std::string typeName(const py::handle& value)
{
    return pyText(value.get_type().attr("__name__"));
}

std::string taskList()
{
    return taskNames(", ");
}

const TaskInfo& knownTask(const std::string& name)
{
    const TaskInfo* task = findTask(name);
    if (!task)
        throw py::value_error("unknown task '" + name + "': the tasks are " + taskList());
    return *task;
}

// The parameters an arena takes by keyword, as the parameter table names them.
std::string parameterList()
{
    std::string names;
    for (const ParameterInfo& parameter : evolutionParameters()) {
        const std::string key = parameter.fileKey();
        if (key == "population_size" || key == "item_count" || key == "generation_time")
            continue;
        names += (names.empty() ? "" : ", ") + key;
    }
    return names;
}

bool isBool(const py::handle& value)
{
    return py::isinstance<py::bool_>(value) || py::isinstance(value, py::module_::import("numpy").attr("bool_"));
}

// A number as kinetarium-batch's command line takes it; its own rules then judge the text.
std::string numberText(const std::string& name, const py::handle& value)
{
    if (isBool(value) || !(py::isinstance<py::int_>(value) || py::isinstance<py::float_>(value)
                           || py::isinstance(value, py::module_::import("numpy").attr("number"))))
        throw py::type_error(name + " must be a number, not " + typeName(value));
    if (py::isinstance<py::int_>(value) || py::isinstance(value, py::module_::import("numpy").attr("integer")))
        return std::string(py::str(py::int_(py::reinterpret_borrow<py::object>(value))));
    const double number = py::float_(py::reinterpret_borrow<py::object>(value));
    if (!std::isfinite(number))
        throw py::value_error(name + " must be finite, not " + std::string(py::repr(value)));
    std::string text = py::repr(py::float_(number));
    if (text.find('e') != std::string::npos) {
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, "%.30f", number);
        text = buffer;
        while (text.size() > 1 && text.back() == '0')
            text.pop_back();
    }
    return text;
}

std::string textValue(const std::string& name, const py::handle& value)
{
    if (!py::isinstance<py::str>(value))
        throw py::type_error(name + " must be a str, not " + typeName(value));
    return value.cast<std::string>();
}

unsigned seedValue(const py::handle& value)
{
    if (isBool(value) || !(py::isinstance<py::int_>(value)
                           || py::isinstance(value, py::module_::import("numpy").attr("integer"))))
        throw py::type_error("seed must be an int or None, not " + typeName(value));
    const py::int_ number(py::reinterpret_borrow<py::object>(value));
    if (number < py::int_(0) || number > py::int_(0xFFFFFFFFull))
        throw py::value_error("seed must be from 0 to 4294967295, not " + pyText(number));
    return number.cast<unsigned>();
}

unsigned freshSeed()
{
    std::random_device device;
    return device();
}

// A float array of exactly `rows` x `columns` finite values, as float32 in C order.
py::array_t<float, py::array::c_style> floatMatrix(const char* what, const py::handle& value, long long rows,
                                                   long long columns, const std::string& shapeNote)
{
    if (!py::isinstance<py::array>(value))
        throw py::type_error(std::string(what) + " must be a numpy array, not "
                             + typeName(value));
    const py::array array = py::reinterpret_borrow<py::array>(value);
    const char kind = array.dtype().kind();
    if (kind != 'f' && kind != 'i' && kind != 'u')
        throw py::type_error(std::string(what) + " must hold numbers (float), not " + std::string(py::str(array.dtype())));
    if (array.ndim() != 2 || array.shape(0) != rows || array.shape(1) != columns) {
        std::string shape = "(";
        for (py::ssize_t d = 0; d < array.ndim(); ++d)
            shape += (d ? ", " : "") + std::to_string(array.shape(d));
        shape += array.ndim() == 1 ? ",)" : ")";
        throw py::value_error(std::string(what) + " must have the shape (" + std::to_string(rows) + ", "
                              + std::to_string(columns) + ")" + shapeNote + ", not " + shape);
    }
    auto converted = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(array);
    if (!converted)
        throw py::type_error(std::string(what) + " cannot be read as float32");
    const float* data = converted.data();
    for (py::ssize_t i = 0; i < converted.size(); ++i)
        if (!std::isfinite(data[i]))
            throw py::value_error(std::string(what) + " must be finite: element " + std::to_string(i / columns) + ", "
                                  + std::to_string(i % columns) + " is " + std::to_string(data[i]));
    return converted;
}

template <typename T>
py::array_t<T> vectorArray(const std::vector<T>& values)
{
    py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

py::array_t<bool> boolArray(const std::vector<bool>& values)
{
    py::array_t<bool> array(static_cast<py::ssize_t>(values.size()));
    bool* out = array.mutable_data();
    for (std::size_t i = 0; i < values.size(); ++i)
        out[i] = values[i];
    return array;
}

py::array_t<float> observationArray(const std::vector<float>& values, int vehicles, int size)
{
    py::array_t<float> array({static_cast<py::ssize_t>(vehicles), static_cast<py::ssize_t>(size)});
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

int hiddenCount(const py::object& value)
{
    if (isBool(value) || !(py::isinstance<py::int_>(value)
                           || py::isinstance(value, py::module_::import("numpy").attr("integer"))))
        throw py::type_error("hidden_neurons must be an int, not "
                             + typeName(value));
    const py::int_ number(py::reinterpret_borrow<py::object>(value));
    if (number < py::int_(0) || number > py::int_(MAX_HIDDEN_NEURONS))
        throw py::value_error("hidden_neurons must be from 0 to " + std::to_string(MAX_HIDDEN_NEURONS) + ", not "
                              + pyText(number));
    return number.cast<int>();
}

// The Python face of an arena.
class Arena {
public:
    Arena(const py::object& task, const py::object& vehicles, const py::object& items, const py::object& generationTime,
          const py::object& seed, const py::kwargs& parameters)
    {
        const std::string taskName = textValue("task", task);
        knownTask(taskName);
        std::vector<std::string> arguments = {"--task", taskName, "--population-size", numberText("vehicles", vehicles),
                                              "--generation-time", numberText("generation_time", generationTime)};
        // Item counts are refused for tasks without items, as on the command line.
        if (!items.is_none())
            arguments.insert(arguments.end(), {"--item-count", numberText("items", items)});
        for (const auto& [key, value] : parameters) {
            const std::string name = py::str(key);
            std::string option = name;
            for (char& c : option)
                if (c == '_')
                    c = '-';
            // The three that every task takes have their own arguments.
            const std::pair<const char*, const char*> own[] = {
                {"population_size", "vehicles"}, {"item_count", "items"}, {"generation_time", "generation_time"}};
            for (const auto& [key, argument] : own)
                if (name == key)
                    throw py::value_error("give " + name + " as the argument " + argument + "=");
            const ParameterInfo* parameter = findParameter(option);
            if (!parameter || name.find('-') != std::string::npos)
                throw py::value_error("unknown parameter '" + name + "': the parameters are " + parameterList());
            const bool text = parameter->textField || !parameter->choices.empty();
            arguments.insert(arguments.end(),
                             {parameter->option, text ? textValue(name, value) : numberText(name, value)});
        }
        const EvolutionParams params = kinetarium_py::checkArenaParams(arguments);
        core = std::make_unique<ArenaCore>(params, seed.is_none() ? freshSeed() : seedValue(seed));
    }

    py::array_t<float> reset(const py::object& seed)
    {
        std::vector<float> observations;
        const bool reseed = !seed.is_none();
        live().reset(reseed, reseed ? seedValue(seed) : 0u, observations);
        return observationArray(observations, live().vehicles(), live().observationSize());
    }

    py::tuple step(const py::object& actions)
    {
        live().requireRunning(); // before the actions are looked at: the order of calls is the mistake
        const auto checked = floatMatrix("actions", actions, live().vehicles(), 2, " (vehicles, turn and speed)");
        std::vector<float> observations;
        std::vector<float> rewards;
        const bool ended = live().step(checked.data(), observations, rewards);
        const std::vector<bool> finished = live().finished();
        py::dict info;
        info["fitness"] = vectorArray(live().fitness());
        if (params().task == "forage") {
            info["food"] = vectorArray(live().foodTaken());
            info["poison"] = vectorArray(live().poisonTaken());
        }
        return py::make_tuple(observationArray(observations, live().vehicles(), live().observationSize()),
                              vectorArray(rewards), boolArray(finished),
                              boolArray(std::vector<bool>(static_cast<std::size_t>(live().vehicles()), ended)), info);
    }

    py::array_t<float> evaluate(const py::object& genomes, const py::object& hiddenNeurons)
    {
        const int hidden = hiddenCount(hiddenNeurons);
        EvolutionParams shape = params();
        shape.hiddenNeurons = hidden;
        const long long genes = genomeLength(shape);
        const auto checked = floatMatrix("genomes", genomes, live().vehicles(), genes,
                                         " (vehicles, genome_length(task, hidden_neurons))");
        // The lock stays held: arenas take turns in the engine's global place.
        return vectorArray(live().evaluate(checked.data(), live().vehicles(), genes, hidden));
    }

    py::array_t<float> initialGenomes() const
    {
        const auto genomes = live().initialGenomes();
        const std::size_t length = genomes.empty() ? 0 : genomes.front().size();
        py::array_t<float> array({static_cast<py::ssize_t>(genomes.size()), static_cast<py::ssize_t>(length)});
        float* out = array.mutable_data();
        for (const auto& genome : genomes)
            out = std::copy(genome.begin(), genome.end(), out);
        return array;
    }

    py::array_t<std::uint8_t> render(const py::object& width, const py::object& height)
    {
        std::string error;
        const unsigned w = sizeValue("width", width);
        const unsigned h = sizeValue("height", height);
        const std::vector<std::uint8_t> pixels = live().render(w, h, error);
        if (pixels.empty()) {
            PyErr_SetString(PyExc_NotImplementedError, error.c_str());
            throw py::error_already_set();
        }
        py::array_t<std::uint8_t> array({static_cast<py::ssize_t>(h), static_cast<py::ssize_t>(w), py::ssize_t(3)});
        std::copy(pixels.begin(), pixels.end(), array.mutable_data());
        return array;
    }

    const EvolutionParams& params() const { return live().params(); }
    ArenaCore& arena() const { return live(); }

    // Lets the engine go now rather than when Python collects the arena.
    void close() { core.reset(); }

    ArenaCore& live() const
    {
        if (!core)
            throw kinetarium_py::ArenaStateError("the arena is closed");
        return *core;
    }

    py::dict parameters() const
    {
        py::dict values;
        for (const ParameterInfo& parameter : evolutionParameters()) {
            if (!runUses(parameter, params()))
                continue;
            if (parameter.textField)
                values[py::str(parameter.fileKey())] = parameterText(parameter, params());
            else if (!parameter.choices.empty())
                values[py::str(parameter.fileKey())] = parameterText(parameter, params());
            else if (parameter.intField)
                values[py::str(parameter.fileKey())] = params().*parameter.intField;
            else
                values[py::str(parameter.fileKey())] = params().*parameter.floatField;
        }
        return values;
    }

private:
    static unsigned sizeValue(const char* name, const py::object& value)
    {
        if (isBool(value) || !py::isinstance<py::int_>(value))
            throw py::type_error(std::string(name) + " must be an int");
        const py::int_ number(value);
        if (number < py::int_(16) || number > py::int_(4096))
            throw py::value_error(std::string(name) + " must be from 16 to 4096, not " + pyText(number));
        return number.cast<unsigned>();
    }

    std::unique_ptr<ArenaCore> core;
};

} // namespace

PYBIND11_MODULE(_kinetarium, m)
{
    m.doc() = "Kinetarium's arena: vehicles steered by small networks, as kinetarium-batch runs them.";
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const kinetarium_py::ArenaStateError& e) {
            PyErr_SetString(PyExc_RuntimeError, e.what());
        } catch (const kinetarium_py::ArenaValueError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    m.def("tasks", [] {
        std::vector<std::string> names;
        for (const TaskInfo& task : evolutionTasks())
            names.push_back(task.name);
        return names;
    }, "The tasks' names, the default first.");
    m.def("genome_length", [](const py::object& task, const py::object& hiddenNeurons) {
        EvolutionParams params;
        params.task = knownTask(textValue("task", task)).name;
        if (isBool(hiddenNeurons) || !py::isinstance<py::int_>(hiddenNeurons))
            throw py::type_error("hidden_neurons must be an int");
        const py::int_ number(hiddenNeurons);
        if (number < py::int_(0) || number > py::int_(MAX_HIDDEN_NEURONS))
            throw py::value_error("hidden_neurons must be from 0 to " + std::to_string(MAX_HIDDEN_NEURONS));
        params.hiddenNeurons = number.cast<int>();
        return genomeLength(params);
    }, py::arg("task") = "collect", py::arg("hidden_neurons") = 4,
       "Genes of a layered network of the task: inputs + h*(inputs+1) + outputs*(h+1).");
    m.def("network_outputs", [](const py::object& genomes, const py::object& observations, const py::object& hiddenNeurons,
                                const py::object& task) {
        EvolutionParams params;
        params.task = knownTask(textValue("task", task)).name;
        params.hiddenNeurons = hiddenCount(hiddenNeurons);
        const long long genes = genomeLength(params);
        const int inputs = static_cast<int>(taskOf(params).inputNames.size());
        const long long rows = py::isinstance<py::array>(genomes) && py::reinterpret_borrow<py::array>(genomes).ndim() == 2
            ? py::reinterpret_borrow<py::array>(genomes).shape(0) : 0;
        const auto genes2d = floatMatrix("genomes", genomes, rows, genes, " (networks, genome_length(task, hidden_neurons))");
        const auto seen = floatMatrix("observations", observations, rows, inputs, " (networks, the task's inputs)");
        const std::vector<float> outputs = kinetarium_py::networkOutputs(params, genes2d.data(), seen.data(), rows);
        py::array_t<float> array({static_cast<py::ssize_t>(rows), py::ssize_t(2)});
        std::copy(outputs.begin(), outputs.end(), array.mutable_data());
        return array;
    }, py::arg("genomes"), py::arg("observations"), py::arg("hidden_neurons") = 4, py::arg("task") = "collect",
       "The layered networks' outputs (networks, 2) for one observation each, as a vehicle's brain computes them.");
    m.def("_set_media_folder", &kinetarium_py::setDefaultMediaFolder);

    py::class_<Arena>(m, "Arena", "One arena with its own engine and generator; see the package's documentation.")
        .def(py::init<const py::object&, const py::object&, const py::object&, const py::object&, const py::object&,
                      const py::kwargs&>(),
             py::arg("task") = "collect", py::arg("vehicles") = 20, py::arg("items") = py::none(),
             py::arg("generation_time") = 20.0, py::arg("seed") = py::none())
        .def("reset", &Arena::reset, py::arg("seed") = py::none(),
             "Places a new generation; a seed first starts the run anew from it. Returns the observations.")
        .def("step", &Arena::step, py::arg("actions"),
             "Steps with actions (vehicles, 2) in [0, 1]: (observations, rewards, terminated, truncated, info).")
        .def("evaluate", &Arena::evaluate, py::arg("genomes"), py::arg("hidden_neurons") = 4,
             "Runs a whole generation of layered networks (vehicles, genome_length) in C++; returns the fitness.")
        .def("close", &Arena::close, "Releases the arena's engine; later calls raise RuntimeError.")
        .def("initial_genomes", &Arena::initialGenomes,
             "The genomes that kinetarium-batch's first generation draws with this seed and parameters.")
        .def("render", &Arena::render, py::arg("width") = 320, py::arg("height") = 240,
             "A picture of the arena, uint8 (height, width, 3), drawn without a display.")
        .def_property_readonly("task", [](const Arena& a) { return a.params().task; })
        .def_property_readonly("vehicles", [](const Arena& a) { return a.params().populationSize; })
        .def_property_readonly("items", [](const Arena& a) { return a.params().itemCount; })
        .def_property_readonly("generation_time", [](const Arena& a) { return a.params().generationTime; })
        .def_property_readonly("hidden_neurons", [](const Arena& a) { return a.params().hiddenNeurons; })
        .def_property_readonly("seed", [](const Arena& a) { return a.arena().seed(); })
        .def_property_readonly("observation_size", [](const Arena& a) { return a.arena().observationSize(); })
        .def_property_readonly("action_size", [](const Arena&) { return 2; })
        .def_property_readonly("input_names", [](const Arena& a) { return a.arena().inputNames(); })
        .def_property_readonly("steps_per_generation", [](const Arena& a) { return a.arena().stepsPerGeneration(); })
        .def_property_readonly("parameters", &Arena::parameters)
        .def_property_readonly("behaviour_space", [](const Arena& a) {
            const BehaviourSpace space = a.arena().behaviourSpace();
            py::dict axes;
            for (const BehaviourAxis* axis : {&space.x, &space.y})
                axes[axis->name] = py::make_tuple(axis->low, axis->high);
            return axes;
        }, "The task's two behaviour axes by name, each (low, high), as novelty search and MAP-Elites scale them.")
        .def("behaviours", [](const Arena& a) {
            const std::vector<float> values = a.arena().behaviours();
            py::array_t<float> array({static_cast<py::ssize_t>(values.size() / 2), py::ssize_t(2)});
            std::copy(values.begin(), values.end(), array.mutable_data());
            return array;
        }, "Each vehicle's behaviour on the two axes of behaviour_space, float32 (vehicles, 2).");
}
