// The one conversion between UTF-8 text (file names, command lines) and the engine's wide
// characters, checked against the C library's own UTF-8 locale for every code point, and
// for file names as the engine's file dialog hands them over.

#include "core/Utf8.h"

#include <irrlicht.h>

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cwchar>
#include <string>

namespace {

// The C library's encoding of one wide character in its C.UTF-8 locale.
std::string libraryUtf8(wchar_t c, locale_t utf8)
{
    const locale_t previous = uselocale(utf8);
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    const std::size_t length = std::wcrtomb(bytes, c, &state);
    uselocale(previous);
    return length == static_cast<std::size_t>(-1) ? std::string() : std::string(bytes, length);
}

} // namespace

TEST(Utf8, EveryCodePointRoundTripsAsTheCLibraryEncodesIt)
{
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    ASSERT_NE(utf8, static_cast<locale_t>(0)) << "no C.UTF-8 locale";
    for (wchar_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const wchar_t text[] = {c, 0};
        const std::string bytes = modules::toUtf8(text);
        ASSERT_EQ(bytes, libraryUtf8(c, utf8)) << std::hex << c;
        ASSERT_EQ(modules::fromUtf8(bytes), std::wstring(text)) << std::hex << c;
    }
    freelocale(utf8);

    // A file name as the engine's char-by-char copy widens it (the file dialog's names) comes
    // back as the same bytes, UTF-8 or not.
    for (const std::string& name :
         {std::string(u8"/tmp/популяция-种群-\U0001F600.json"), std::string("\xFF\x80 no UTF-8 \xE9")}) {
        const irr::core::stringw widened(name.c_str());
        EXPECT_EQ(modules::toUtf8(widened.c_str()), name);
    }

    // No code point (surrogates, beyond U+10FFFF, below the bytes' range) and no UTF-8 (a
    // stray continuation byte, overlong forms, an encoded surrogate, a cut sequence): U+FFFD each.
    const std::string replacement = modules::toUtf8(L"\xFFFD");
    const wchar_t notCodePoints[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000),
                                     static_cast<wchar_t>(-129), L'b', 0};
    EXPECT_EQ(modules::toUtf8(notCodePoints), "a" + replacement + replacement + replacement + "b");
    EXPECT_EQ(modules::fromUtf8("a\x80" "b\xC0\xAF" "c\xED\xA0\x80" "d\xE4\xB8"),
              L"a\xFFFD" L"b\xFFFD\xFFFD" L"c\xFFFD\xFFFD\xFFFD" L"d\xFFFD\xFFFD");
    EXPECT_EQ(modules::fromUtf8(""), L"");
}
