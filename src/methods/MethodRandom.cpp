#include "methods/MethodRandom.h"

#include <cmath>
#include <cstring>

namespace modules {

std::uint64_t splitmix64(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

namespace {

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// Marsaglia & Tsang's ziggurat for the normal density f(x) = exp(-x^2 / 2), x >= 0: layers of
// equal area V stacked under the curve. Layer 0 is the rectangle [0, R] x [0, f(R)] with the
// tail beyond R; layer k >= 1 spans heights f(x_k) to f(x_(k+1)) with width x_k, where
// x_1 = R, f(x_(k+1)) = f(x_k) + V / x_k and the top layer reaches f(0) = 1.
// R is the paper's for 256 layers; V = R f(R) + the tail's area, to double precision.
constexpr int ZIGGURAT_LAYERS = 256;
constexpr double ZIGGURAT_R = 3.6541528853610088;
constexpr double ZIGGURAT_V = 0.004928673233974658;

struct Ziggurat {
    double scaledWidth[ZIGGURAT_LAYERS];    // the layer's width over 2^53
    std::uint64_t inner[ZIGGURAT_LAYERS];   // 53-bit places below this lie under the layer above
    double bottom[ZIGGURAT_LAYERS + 1];     // f at the layer's lower edge; bottom[256] = 1
};

// Built once from exp, log and sqrt only, so every machine gets the same tables.
Ziggurat buildZiggurat()
{
    Ziggurat z;
    double edge[ZIGGURAT_LAYERS + 1]; // edge[k] = x_k; edge[0] = layer 0's virtual width
    const double fR = std::exp(-0.5 * ZIGGURAT_R * ZIGGURAT_R);
    edge[0] = ZIGGURAT_V / fR;
    edge[1] = ZIGGURAT_R;
    z.bottom[0] = 0.0;
    z.bottom[1] = fR;
    for (int k = 1; k + 1 < ZIGGURAT_LAYERS; ++k) {
        z.bottom[k + 1] = z.bottom[k] + ZIGGURAT_V / edge[k];
        edge[k + 1] = std::sqrt(-2.0 * std::log(z.bottom[k + 1]));
    }
    edge[ZIGGURAT_LAYERS] = 0.0;
    z.bottom[ZIGGURAT_LAYERS] = 1.0;
    for (int k = 0; k < ZIGGURAT_LAYERS; ++k) {
        z.scaledWidth[k] = edge[k] * 0x1.0p-53;
        z.inner[k] = static_cast<std::uint64_t>(edge[k + 1] / edge[k] * 0x1.0p53);
    }
    return z;
}

const Ziggurat& ziggurat()
{
    static const Ziggurat tables = buildZiggurat();
    return tables;
}

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

namespace {

// x with its sign bit flipped when bit 8 of `bits` is set: sign * x exactly, for the sign
// +-1, but without a branch on a bit that is as likely set as not.
inline double signed8(double x, std::uint64_t bits)
{
    std::uint64_t word;
    std::memcpy(&word, &x, sizeof word);
    word ^= (bits & ZIGGURAT_LAYERS) << 55;
    std::memcpy(&x, &word, sizeof word);
    return x;
}

// One Gaussian from the ziggurat; here so that next() and uniform() inline.
inline double zigguratGaussian(MethodRandom& random, const Ziggurat& z)
{
    for (;;) {
        // Low 8 bits: the layer; bit 8: the sign; top 53 bits: the place along the layer.
        const std::uint64_t bits = random.next();
        const int layer = static_cast<int>(bits & (ZIGGURAT_LAYERS - 1));
        const std::uint64_t along = bits >> 11;
        const double x = static_cast<double>(along) * z.scaledWidth[layer];
        if (along < z.inner[layer])
            return signed8(x, bits); // under the layer above: inside the curve
        if (layer == 0) {
            // Beyond R: the tail, by Marsaglia's (1964) method. 1 - uniform() is in (0, 1].
            double t, y;
            do {
                t = -std::log(1.0 - random.uniform()) / ZIGGURAT_R;
                y = -std::log(1.0 - random.uniform());
            } while (y + y <= t * t);
            return signed8(ZIGGURAT_R + t, bits);
        }
        // The wedge between the layer's inner and outer edge: accept under the curve.
        const double y = z.bottom[layer] + random.uniform() * (z.bottom[layer + 1] - z.bottom[layer]);
        if (y < std::exp(-0.5 * x * x))
            return signed8(x, bits);
    }
}

} // namespace

double MethodRandom::gaussian()
{
    return zigguratGaussian(*this, ziggurat());
}

void MethodRandom::gaussians(double* out, std::size_t count)
{
    const Ziggurat& z = ziggurat();
    for (std::size_t i = 0; i < count; ++i)
        out[i] = zigguratGaussian(*this, z);
}

nlohmann::json MethodRandom::state() const
{
    return {{"xoshiro256", {s[0], s[1], s[2], s[3]}}};
}

bool MethodRandom::restore(const nlohmann::json& state, std::string& reason)
{
    const auto words = state.is_object() ? state.find("xoshiro256") : state.end();
    if (!state.is_object() || words == state.end() || !words->is_array() || words->size() != 4) {
        reason = "the method's generator state is not four words";
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
    std::memcpy(s, next, sizeof s);
    return true;
}

} // namespace modules
