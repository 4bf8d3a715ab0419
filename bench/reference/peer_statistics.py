"""The study's statistics in plain Python (no SciPy): a mean with its 95% interval from
Student's t, and Welch's two-sided t-test, as src/study/Statistics.cpp computes them."""

import math

NAN = float("nan")


def _incomplete_beta(x, a, b):
    """The regularised incomplete beta function I_x(a, b), by its continued fraction."""
    if x <= 0.0:
        return 0.0
    if x >= 1.0:
        return 1.0
    # The fraction converges fast below the mean a / (a + b); above it, use the symmetry.
    if x > (a + 1.0) / (a + b + 2.0):
        return 1.0 - _incomplete_beta(1.0 - x, b, a)
    front = math.exp(math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b) + a * math.log(x) + b * math.log1p(-x)) / a
    tiny = 1e-300
    c, d = 1.0, 1.0 - (a + b) * x / (a + 1.0)
    d = 1.0 / (d if abs(d) > tiny else tiny)
    result = d
    for m in range(1, 10000):
        for numerator in (m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m)),
                          -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))):
            d = 1.0 + numerator * d
            d = 1.0 / (d if abs(d) > tiny else tiny)
            c = 1.0 + numerator / c
            c = c if abs(c) > tiny else tiny
            result *= c * d
        if abs(c * d - 1.0) < 1e-15:
            break
    return front * result


def t_two_sided_p(t, degrees_of_freedom):
    """P(|T| >= |t|) for Student's t with the given degrees of freedom."""
    return _incomplete_beta(degrees_of_freedom / (degrees_of_freedom + t * t), degrees_of_freedom / 2.0, 0.5)


def t_quantile_975(degrees_of_freedom):
    """The t with P(T > t) = 0.025, by bisection on the two-sided p."""
    low, high = 0.0, 1e6
    for _ in range(200):
        middle = (low + high) / 2.0
        low, high = (middle, high) if t_two_sided_p(middle, degrees_of_freedom) > 0.05 else (low, middle)
    return (low + high) / 2.0


def _mean_variance(values):
    mean = sum(values) / len(values)
    return mean, sum((v - mean) ** 2 for v in values) / (len(values) - 1)


def mean_interval(values):
    """(mean, low, high): the 95% interval is NaN below two values."""
    if not values:
        return NAN, NAN, NAN
    if len(values) < 2:
        return values[0], NAN, NAN
    mean, variance = _mean_variance(values)
    half = t_quantile_975(len(values) - 1) * math.sqrt(variance / len(values))
    return mean, mean - half, mean + half


def welch(a, b):
    """(t, degrees of freedom, two-sided p); all NaN when undefined (fewer than two values
    on a side, or no spread at all)."""
    if len(a) < 2 or len(b) < 2:
        return NAN, NAN, NAN
    mean_a, variance_a = _mean_variance(a)
    mean_b, variance_b = _mean_variance(b)
    va, vb = variance_a / len(a), variance_b / len(b)
    if not va + vb > 0.0:
        return NAN, NAN, NAN
    t = (mean_a - mean_b) / math.sqrt(va + vb)
    degrees = (va + vb) ** 2 / (va * va / (len(a) - 1) + vb * vb / (len(b) - 1))
    return t, degrees, t_two_sided_p(abs(t), degrees)
