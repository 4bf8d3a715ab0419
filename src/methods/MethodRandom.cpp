#include "methods/MethodRandom.h"

#include <cmath>
#include <cstring>

namespace modules {

namespace {

std::uint64_t splitmix64(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

} // namespace

MethodRandom::MethodRandom(std::uint64_t seed)
{
    for (std::uint64_t& word : s)
        word = splitmix64(seed);
}

std::uint64_t MethodRandom::next()
{
    const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
}

double MethodRandom::uniform()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

std::uint64_t MethodRandom::below(std::uint64_t n)
{
    // Rejects the top partial block so every value is equally likely.
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    std::uint64_t value;
    do
        value = next();
    while (value >= limit);
    return value % n;
}

double MethodRandom::gaussian()
{
    if (hasSpare) {
        hasSpare = false;
        return spare;
    }
    double u, v, q;
    do {
        u = 2.0 * uniform() - 1.0;
        v = 2.0 * uniform() - 1.0;
        q = u * u + v * v;
    } while (q >= 1.0 || q == 0.0);
    const double scale = std::sqrt(-2.0 * std::log(q) / q);
    spare = v * scale;
    hasSpare = true;
    return u * scale;
}

nlohmann::json MethodRandom::state() const
{
    // The spare is kept bit for bit: a decimal round trip of a double is exact in
    // nlohmann-json, but its bits say so without relying on it.
    std::uint64_t spareBits;
    std::memcpy(&spareBits, &spare, sizeof spareBits);
    return {{"xoshiro256", {s[0], s[1], s[2], s[3]}}, {"has_spare", hasSpare}, {"spare_bits", spareBits}};
}

bool MethodRandom::restore(const nlohmann::json& state, std::string& reason)
{
    const auto words = state.find("xoshiro256");
    const auto has = state.find("has_spare");
    const auto bits = state.find("spare_bits");
    if (!state.is_object() || words == state.end() || has == state.end() || bits == state.end()
        || !words->is_array() || words->size() != 4 || !has->is_boolean() || !bits->is_number_unsigned()) {
        reason = "the method's generator state is not four words, a flag and a spare";
        return false;
    }
    std::uint64_t next[4];
    for (int i = 0; i < 4; ++i) {
        if (!(*words)[i].is_number_unsigned()) {
            reason = "the method's generator state is not four unsigned words";
            return false;
        }
        next[i] = (*words)[i].get<std::uint64_t>();
    }
    if ((next[0] | next[1] | next[2] | next[3]) == 0) {
        reason = "the method's generator state is all zeros";
        return false;
    }
    const std::uint64_t spareBits = bits->get<std::uint64_t>();
    double nextSpare;
    std::memcpy(&nextSpare, &spareBits, sizeof nextSpare);
    if (!std::isfinite(nextSpare)) {
        reason = "the method's generator spare is not a finite number";
        return false;
    }
    std::memcpy(s, next, sizeof s);
    hasSpare = has->get<bool>();
    spare = nextSpare;
    return true;
}

} // namespace modules
