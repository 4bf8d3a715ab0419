#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace modules {

// splitmix64 (Steele, Lea & Flood 2014): the next value of the stream whose state is `x`.
// Seeds MethodRandom, and gives small fixed streams of their own elsewhere.
std::uint64_t splitmix64(std::uint64_t& x);

// The evolution methods' own generator, apart from the C library's rand() that the arena
// draws from, so that a method's draws never shift the arena's. xoshiro256** seeded through
// splitmix64; Gaussians by the ziggurat method of Marsaglia & Tsang (2000) written here,
// because the standard library's distributions give different numbers on different
// standard libraries.
class MethodRandom {
public:
    explicit MethodRandom(std::uint64_t seed = 0);

    std::uint64_t next();
    // Uniform in [0, 1), 53 bits.
    double uniform();
    // Uniform integer in [0, n), n > 0, without modulo bias.
    std::uint64_t below(std::uint64_t n);
    // Standard normal, exact up to the tables' double precision; one 64-bit draw for most.
    double gaussian();
    // `count` Gaussians into out[0..count), the same numbers as as many gaussian() calls,
    // in one loop that keeps the tables at hand.
    void gaussians(double* out, std::size_t count);

    nlohmann::json state() const;
    // False with a reason for a state this generator cannot be in (e.g. all zeros).
    bool restore(const nlohmann::json& state, std::string& reason);

private:
    std::uint64_t s[4];
};

} // namespace modules
