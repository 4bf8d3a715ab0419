// A bounded fuzz of the panel's input on the real panel (null device, media/gui.xml):
// many thousands of random and adversarial texts, built from the corpus in
// tests/fuzz/corpus, go through strIsNumber and, typed into the nine edit boxes or set
// with the selector, through GUI::evolutionParamsChanged. Nothing may crash, and after
// every check the parameter record is either fully stored (every field read from its
// control, the controls kept as typed) or fully rolled back (the record unchanged and
// every control showing it again), never half of each.
//
// The run is reproducible: it prints its seed; KINETARIUM_FUZZ_SEED=<n> repeats it (or
// tries another), KINETARIUM_FUZZ_ROUNDS=<n> makes it longer.

#include "SyntheticEvents.h"
#include "TestEngine.h"

#include "evolution/InputCheck.h"
#include "gui/GUI.h"
#include "gui/GUIElementIDs.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <dirent.h>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

using modules::engine;
using modules::EvolutionParams;
using modules::GUI;
using namespace irr;
using testing_support::guiEvent;
using testing_support::keyEvent;
using testing_support::mouseEvent;

#ifndef KINETARIUM_FUZZ_CORPUS_DIR
#error "KINETARIUM_FUZZ_CORPUS_DIR must name tests/fuzz/corpus"
#endif

namespace {

// UTF-8 to wide characters; a malformed byte stands for itself.
std::wstring decodeUtf8(const std::string& bytes)
{
    std::wstring out;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (c >= 0x80 && c < 0xC0)
            extra = 0;
        if (i + static_cast<std::size_t>(extra) >= bytes.size() + (extra ? 0 : 1)) {
            out += static_cast<wchar_t>(c);
            ++i;
            continue;
        }
        std::uint32_t code = extra == 0 ? c : (c & (0x3F >> extra));
        for (int k = 1; k <= extra; ++k)
            code = (code << 6) | (static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]) & 0x3F);
        out += static_cast<wchar_t>(code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::vector<std::wstring> loadCorpus()
{
    std::vector<std::wstring> corpus;
    DIR* dir = opendir(KINETARIUM_FUZZ_CORPUS_DIR);
    if (!dir)
        return corpus;
    std::vector<std::string> files;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0)
            files.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : files) {
        std::ifstream file(std::string(KINETARIUM_FUZZ_CORPUS_DIR) + "/" + name, std::ios::binary);
        std::string line;
        while (std::getline(file, line))
            corpus.push_back(decodeUtf8(line));
    }
    return corpus;
}

unsigned long envNumber(const char* name, unsigned long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// The syntax rule itself: not empty, and every character from '.' (0x2E) to '9' (0x39).
bool acceptedText(const std::wstring& s)
{
    if (s.empty())
        return false;
    for (wchar_t c : s)
        if (c < 0x2E || c > 0x39)
            return false;
    return true;
}

// Random texts: corpus lines, characters from around the accepted range and far outside it,
// long digit runs, and pieces of all of these glued together.
class TextMaker {
public:
    TextMaker(std::mt19937& random, const std::vector<std::wstring>& corpus)
        : random(random)
        , corpus(corpus)
    {
    }

    std::wstring make()
    {
        switch (pick(10)) {
        case 0:
        case 1:
            return corpus.empty() ? std::wstring() : corpus[pick(corpus.size())];
        case 2:
            return characters(L"0123456789./", 1 + pick(12));
        case 3:
            return characters(L"0123456789./-+eE ,:", pick(16));
        case 4:
            return digits(20 + pick(400));
        case 5:
            return anyCharacters(pick(24));
        case 6: { // glue
            std::wstring text;
            for (std::size_t n = 1 + pick(3); n > 0; --n)
                text += corpus.empty() ? L"1" : corpus[pick(corpus.size())];
            return text;
        }
        case 7: { // one character changed in a good number
            std::wstring text = corpus.empty() ? std::wstring(L"20") : corpus[pick(corpus.size())];
            if (text.empty())
                return text;
            text[pick(text.size())] = oneCharacter();
            return text;
        }
        case 8:
            return pick(8) == 0 ? digits(2000 + pick(8000)) : characters(L"0123456789.", 1 + pick(40));
        default:
            return characters(L"./", 1 + pick(6));
        }
    }

private:
    std::size_t pick(std::size_t n) { return static_cast<std::size_t>(random() % n); }

    std::wstring characters(const wchar_t* set, std::size_t length)
    {
        const std::size_t n = std::wcslen(set);
        std::wstring text;
        for (std::size_t i = 0; i < length; ++i)
            text += set[pick(n)];
        return text;
    }

    std::wstring digits(std::size_t length)
    {
        std::wstring text = characters(L"0123456789", length);
        if (pick(3) == 0)
            text.insert(pick(text.size() + 1), 1, L'.');
        return text;
    }

    wchar_t oneCharacter()
    {
        static const wchar_t edges[] = {0x2D, 0x2E, 0x2F, 0x39, 0x3A, 0x01, 0x09, 0x0A, 0x0D, 0x20, 0x7F, 0x80,
                                        0xA0, 0xFF, 0x660, 0xFF10, 0xFFFD, 0xFFFE, 0xFFFF, 0xD800, 0xDFFF,
                                        0x10000, 0x1F600, 0x10FFFF};
        switch (pick(3)) {
        case 0:
            return edges[pick(sizeof edges / sizeof edges[0])];
        case 1:
            return static_cast<wchar_t>(1 + pick(0x7F));
        default:
            return static_cast<wchar_t>(1 + pick(0x10FFFF));
        }
    }

    std::wstring anyCharacters(std::size_t length)
    {
        std::wstring text;
        for (std::size_t i = 0; i < length; ++i)
            text += oneCharacter();
        return text;
    }

    std::mt19937& random;
    const std::vector<std::wstring>& corpus;
};

bool sameRecord(const EvolutionParams& a, const EvolutionParams& b)
{
    const auto bits = [](float f) {
        std::uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    };
    return bits(a.generationTime) == bits(b.generationTime) && a.itemCount == b.itemCount
        && a.populationSize == b.populationSize && a.eliteCount == b.eliteCount && a.selectorType == b.selectorType
        && bits(a.crossoverRate) == bits(b.crossoverRate) && bits(a.mutationRate) == bits(b.mutationRate)
        && bits(a.maxPerturbation) == bits(b.maxPerturbation) && a.hiddenNeurons == b.hiddenNeurons
        && bits(a.weightRange) == bits(b.weightRange);
}

std::wstring describe(const EvolutionParams& p)
{
    wchar_t text[512];
    std::swprintf(text, 512, L"{%g, %d, %d, %d, %d, %g, %g, %g, %d, %g}", static_cast<double>(p.generationTime),
                  p.itemCount, p.populationSize, p.eliteCount, p.selectorType, static_cast<double>(p.crossoverRate),
                  static_cast<double>(p.mutationRate), static_cast<double>(p.maxPerturbation), p.hiddenNeurons,
                  static_cast<double>(p.weightRange));
    return text;
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text.substr(0, 120)) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(c));
            out += escape;
        }
    }
    return text.size() > 120 ? out + "... (" + std::to_string(text.size()) + " characters)" : out;
}

class PanelInputFuzz : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(1, true); }

    GUI& gui() { return *engine.gui; }

    std::vector<gui::IGUIEditBox*> boxes()
    {
        return {gui().generationTimeEdit, gui().itemCountEdit,    gui().populationSizeEdit,
                gui().eliteCountEdit,     gui().crossoverRateEdit, gui().mutationRateEdit,
                gui().maxPerturbationEdit, gui().hiddenNeuronsEdit, gui().weightRangeEdit};
    }

    std::vector<std::wstring> texts()
    {
        std::vector<std::wstring> all;
        for (gui::IGUIEditBox* box : boxes())
            all.emplace_back(box->getText() ? box->getText() : L"");
        return all;
    }

    // What the controls show after the record has been written into them.
    static std::vector<std::wstring> shown(const EvolutionParams& p)
    {
        const auto number = [](float f) { return std::wstring(GUI::numberToString(f).c_str()); };
        const auto whole = [](int i) { return std::wstring(core::stringw(i).c_str()); };
        return {number(p.generationTime), whole(p.itemCount),        whole(p.populationSize),
                whole(p.eliteCount),      number(p.crossoverRate),   number(p.mutationRate),
                number(p.maxPerturbation), whole(p.hiddenNeurons),   number(p.weightRange)};
    }

    // The record that a full store of these texts gives; false when it must roll back.
    static bool storedRecord(const std::vector<std::wstring>& t, int selected, EvolutionParams& p)
    {
        for (const std::wstring& text : t)
            if (!acceptedText(text))
                return false;
        const auto real = [](const std::wstring& s) { return std::wcstod(s.c_str(), nullptr); };
        const auto whole = [&](const std::wstring& s, int& out) {
            const double v = std::trunc(real(s));
            if (!(v >= static_cast<double>(INT_MIN) && v <= static_cast<double>(INT_MAX)))
                return false;
            out = static_cast<int>(v);
            return true;
        };
        // Beyond the largest float the value would be infinity: refused.
        const auto single = [&](const std::wstring& s, float& out) {
            const double v = real(s);
            if (!(std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max())))
                return false;
            out = static_cast<float>(v);
            return true;
        };
        if (!single(t[0], p.generationTime) || !whole(t[1], p.itemCount) || !whole(t[2], p.populationSize)
            || !whole(t[3], p.eliteCount) || !whole(t[7], p.hiddenNeurons) || !single(t[4], p.crossoverRate)
            || !single(t[5], p.mutationRate) || !single(t[6], p.maxPerturbation) || !single(t[8], p.weightRange))
            return false;
        p.selectorType = selected;
        return true;
    }

    // Types `text` into a box as a user does: a click into it (the panel empties it),
    // one key press per character, then Enter. The last two characters go in with the
    // edit box's own keys for them when they have one.
    void typeInto(gui::IGUIEditBox* box, const std::wstring& text)
    {
        const core::position2di centre = box->getAbsolutePosition().getCenter();
        engine.device->postEventFromUser(mouseEvent(EMIE_MOUSE_MOVED, centre));
        engine.device->postEventFromUser(mouseEvent(EMIE_LMOUSE_PRESSED_DOWN, centre));
        engine.device->postEventFromUser(mouseEvent(EMIE_LMOUSE_LEFT_UP, centre));
        for (wchar_t c : text.substr(0, 64)) {
            if (c == L'\r' || c == L'\n')
                continue; // Enter is pressed at the end
            engine.device->postEventFromUser(keyEvent(KEY_KEY_X, true, c));
            engine.device->postEventFromUser(keyEvent(KEY_KEY_X, false, c));
        }
    }

    void pressEnter()
    {
        engine.device->postEventFromUser(keyEvent(KEY_RETURN, true, L'\r'));
        engine.device->postEventFromUser(keyEvent(KEY_RETURN, false, L'\r'));
    }
};

} // namespace

TEST_F(PanelInputFuzz, StrIsNumberAcceptsExactlyDigitsPointsAndSlashes)
{
    const std::vector<std::wstring> corpus = loadCorpus();
    ASSERT_GT(corpus.size(), 50u) << "corpus in " << KINETARIUM_FUZZ_CORPUS_DIR;
    const unsigned long seed = envNumber("KINETARIUM_FUZZ_SEED", 20240611ul);
    const unsigned long rounds = envNumber("KINETARIUM_FUZZ_ROUNDS", 100000ul);
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    TextMaker maker(random, corpus);

    unsigned long accepted = 0;
    for (const std::wstring& text : corpus) {
        ASSERT_EQ(modules::strIsNumber(core::stringw(text.c_str())), acceptedText(text)) << narrow(text);
        accepted += acceptedText(text);
    }
    for (unsigned long i = 0; i < rounds; ++i) {
        const std::wstring text = maker.make();
        const bool expected = acceptedText(text);
        ASSERT_EQ(modules::strIsNumber(core::stringw(text.c_str())), expected)
            << "seed " << seed << " round " << i << ": " << narrow(text);
        accepted += expected;
    }
    std::printf("strIsNumber: %zu corpus texts and %lu random ones (seed %lu), %lu of them numbers\n", corpus.size(),
                rounds, seed, accepted);
}

TEST_F(PanelInputFuzz, EveryEditIsFullyStoredOrFullyRolledBack)
{
    const std::vector<std::wstring> corpus = loadCorpus();
    ASSERT_GT(corpus.size(), 50u);
    const unsigned long seed = envNumber("KINETARIUM_FUZZ_SEED", 20240611ul);
    const unsigned long rounds = envNumber("KINETARIUM_FUZZ_ROUNDS", 100000ul) / 5;
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed + 1));
    TextMaker maker(random, corpus);
    std::vector<gui::IGUIEditBox*> editBoxes = boxes();
    const gui::EGUI_EVENT_TYPE triggers[] = {gui::EGET_EDITBOX_ENTER, gui::EGET_ELEMENT_FOCUS_LOST,
                                             gui::EGET_COMBO_BOX_CHANGED};

    // Every corpus text in every box once, then random edits of one to nine boxes.
    std::vector<std::pair<std::size_t, std::wstring>> plan;
    for (std::size_t b = 0; b < editBoxes.size(); ++b)
        for (const std::wstring& text : corpus)
            plan.emplace_back(b, text);

    unsigned long stored = 0;
    unsigned long rolledBack = 0;
    unsigned long typed = 0;
    const unsigned long total = plan.size() + rounds;
    for (unsigned long round = 0; round < total; ++round) {
        bool viaKeyboard = false;
        if (round < plan.size()) {
            editBoxes[plan[round].first]->setText(plan[round].second.c_str());
        } else {
            if (random() % 8 == 0) {
                // A user's edit of one box: its own click and Enter run the check.
                gui::IGUIEditBox* box = editBoxes[random() % editBoxes.size()];
                typeInto(box, maker.make());
                viaKeyboard = true;
                ++typed;
            } else {
                for (std::size_t n = 1 + random() % 9; n > 0; --n)
                    editBoxes[random() % editBoxes.size()]->setText(maker.make().c_str());
                if (random() % 4 == 0)
                    gui().selectorCombo->setSelected(static_cast<s32>(random() % 2));
            }
        }
        // The state the check is about to see; a click into a box has just run one check
        // itself, on the texts before the typing, which must have changed nothing.
        const EvolutionParams settled = gui().params;
        const std::vector<std::wstring> typedTexts = texts();
        const int selected = gui().selectorCombo->getSelected();
        if (viaKeyboard)
            pressEnter();
        else if (random() % 3 == 0)
            gui().evolutionParamsChanged();
        else
            gui().OnEvent(guiEvent(triggers[random() % 3], editBoxes[random() % editBoxes.size()]));

        EvolutionParams expected = settled;
        const bool store = storedRecord(typedTexts, selected, expected);
        const EvolutionParams& after = gui().params;
        if (store) {
            ASSERT_TRUE(sameRecord(after, expected))
                << "seed " << seed << " round " << round << ": stored " << narrow(describe(after)) << ", expected "
                << narrow(describe(expected));
            ASSERT_EQ(texts(), typedTexts) << "round " << round << ": a stored edit rewrote the controls";
            ++stored;
        } else {
            ASSERT_TRUE(sameRecord(after, settled))
                << "seed " << seed << " round " << round << ": a refused edit changed the record to "
                << narrow(describe(after)) << " from " << narrow(describe(settled));
            ASSERT_EQ(texts(), shown(settled)) << "round " << round << ": a refused edit left controls unrestored";
            ASSERT_EQ(gui().selectorCombo->getSelected(), settled.selectorType);
            ++rolledBack;
        }
    }
    std::printf("evolutionParamsChanged: %lu edits (%lu typed with keys, seed %lu): %lu fully stored, %lu fully "
                "rolled back, none half\n",
                total, typed, seed, stored, rolledBack);
    EXPECT_GT(stored, 100u);
    EXPECT_GT(rolledBack, 100u);
}
