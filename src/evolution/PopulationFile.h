#pragma once

#include "core/Random.h"
#include "evolution/EvolutionParams.h"
#include "evolution/FitnessHistory.h"
#include "evolution/RunLimits.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace modules {

// A run at a generation boundary: everything that decides the rest of it. Nothing else
// carries across generations: the items, the vehicles' places and the clocks are all made
// anew, with the generator, when a generation starts.
struct SavedRun {
    EvolutionParams params; // the method's name and its parameters too
    unsigned seed = 0;    // the seed the generator started from
    int generation = 0;   // generations finished
    RandomState randomState{}; // the generator right before the next generation is placed
    // The method's complete state (EvolutionMethod::state()): for the genetic algorithm the
    // next generation's genomes in population order.
    nlohmann::json methodState;
    std::vector<GenerationFitness> history;  // one entry per finished generation
};

constexpr const char* POPULATION_FORMAT = "kinetarium-population";
// Version 1 files (the genetic algorithm's genomes at the top level) still load, as "ga";
// versions 1 and 2 (before tasks) as "collect".
constexpr int POPULATION_FORMAT_VERSION = 4;

// The largest population file written or read. Far above what the run limits let the genomes
// take (20 million genes of some 30 characters); a very long history can pass it, and is then
// refused by the writer as the reader would refuse it.
constexpr std::uintmax_t MAX_POPULATION_FILE_BYTES = 1ULL << 30;

// Values (numbers, strings, lists, objects) the reader takes inside the members other than the
// two long lists ("genomes", "history"). NEAT's state takes the most: its genomes and as
// many species representatives, within the run limits' genes, each gene at most 6 values (a
// connection [from, to, weight, enabled, innovation] and its list); 8 million more are far
// beyond what everything else needs (the parameters, the generator, the strategies' vectors
// of the genome's length, NEAT's innovation record).
constexpr long long MAX_SHORT_VALUES = 2 * 6 * MAX_NEAT_POPULATION_GENES + 8000000;

// Writes the file's text (JSON, format and version first) to `out`. False with a reason for
// a text that would pass `sizeLimit` bytes or a gene that is not a number; a gene beyond the
// largest float is written as "Infinity" or "-Infinity" and reads back as it was.
bool writePopulationJson(std::ostream& out, const SavedRun& run, std::uintmax_t sizeLimit, std::string& reason);
// The file's text; empty for a run that cannot be written.
std::string populationToJson(const SavedRun& run);
// Reads and checks a file's text. On failure returns false with a short reason and leaves
// `run` as it was. `keptValues`, when given, gets how many values of the short members the
// reader built as JSON (the cost of reading them; unknown members cost none).
bool populationFromJson(const std::string& text, SavedRun& run, std::string& reason,
                        long long* keptValues = nullptr);

// Writes the file safely (see writeFileSafely). On failure: false and one line
// "Error: ..." naming the file in `error`; an old file is kept.
bool writePopulationFile(const std::string& path, const SavedRun& run, std::string& error,
                         std::uintmax_t sizeLimit = MAX_POPULATION_FILE_BYTES);
// Reads a file. On failure: false, one line "Error: ..." naming the file and the problem in
// `error`, and `run` unchanged.
// The cost of reading stays bounded: by the size limit, by the run limits for the genomes,
// and members this program does not know are passed over without being kept.
bool readPopulationFile(const std::string& path, SavedRun& run, std::string& error,
                        std::uintmax_t sizeLimit = MAX_POPULATION_FILE_BYTES);

} // namespace modules
