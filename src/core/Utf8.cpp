#include "core/Utf8.h"

#include <cstdint>

namespace modules {

namespace {

constexpr std::uint32_t REPLACEMENT = 0xFFFD;

bool isCodePoint(std::uint32_t c)
{
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

} // namespace

std::string toUtf8(const wchar_t* text)
{
    std::string result;
    for (; text && *text; ++text) {
        const long long value = static_cast<long long>(*text); // wchar_t is signed on Linux
        if (value < 0 && value >= -128) {
            result += static_cast<char>(value);
            continue;
        }
        std::uint32_t c = static_cast<std::uint32_t>(*text);
        if (!isCodePoint(c))
            c = REPLACEMENT;
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else if (c < 0x800) {
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            result += static_cast<char>(0xE0 | (c >> 12));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (c >> 18));
            result += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

std::wstring fromUtf8(const std::string& text)
{
    std::wstring result;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const std::uint32_t lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t c = 0, smallest = 0;
        if (lead < 0x80) {
            length = 1, c = lead;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            length = 2, c = lead & 0x1F, smallest = 0x80;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3, c = lead & 0x0F, smallest = 0x800;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            length = 4, c = lead & 0x07, smallest = 0x10000;
        }
        bool valid = length > 0 && n - i >= length;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const std::uint32_t next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms and surrogates are no UTF-8: each such byte stands for itself as U+FFFD.
        if (!valid || c < smallest || !isCodePoint(c)) {
            result += static_cast<wchar_t>(REPLACEMENT);
            ++i;
            continue;
        }
        result += static_cast<wchar_t>(c);
        i += length;
    }
    return result;
}

} // namespace modules
