// The check of the user's parameter input: the syntax test of one edit box, and the
// panel's evolutionParamsChanged, which stores all ten controls or rolls every one back.

#include "TestEngine.h"

#include "evolution/InputCheck.h"
#include "gui/GUI.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <string>

using modules::engine;
using modules::EvolutionParams;
using modules::GUI;
using modules::strIsNumber;
using namespace irr;

namespace {

TEST(StrIsNumber, AcceptsDigitsPointsAndSlashesOnly)
{
    for (const wchar_t* text : {L"0", L"20", L"0.8", L".5", L"5.", L"1/2", L"1.2.3", L".", L"/", L"//..",
                                L"0123456789", L"9"})
        EXPECT_TRUE(strIsNumber(text)) << "\"" << text << "\"";
}

TEST(StrIsNumber, RejectsEmptySignsExponentsSpacesAndOtherCharacters)
{
    for (const wchar_t* text : {L"", L"-1", L"+1", L"1e3", L"1E3", L" 5", L"5 ", L"1,5", L"abc", L"inf", L"nan",
                                L"-", L"0x10", L"1:2", L"\t1"})
        EXPECT_FALSE(strIsNumber(text)) << "\"" << text << "\"";
}

TEST(StrIsNumber, RangeEndsAtPointAndNine)
{
    // '-' (0x2D) and ':' (0x3A) lie just outside the accepted codes 0x2E to 0x39.
    EXPECT_FALSE(strIsNumber(core::stringw(L"\x2D")));
    EXPECT_TRUE(strIsNumber(core::stringw(L"\x2E")));
    EXPECT_TRUE(strIsNumber(core::stringw(L"\x39")));
    EXPECT_FALSE(strIsNumber(core::stringw(L"\x3A")));
    EXPECT_FALSE(strIsNumber(core::stringw(L"12\x3A")));
}

bool sameParams(const EvolutionParams& a, const EvolutionParams& b)
{
    return a.generationTime == b.generationTime && a.itemCount == b.itemCount
        && a.populationSize == b.populationSize && a.eliteCount == b.eliteCount && a.selectorType == b.selectorType
        && a.crossoverRate == b.crossoverRate && a.mutationRate == b.mutationRate
        && a.maxPerturbation == b.maxPerturbation && a.hiddenNeurons == b.hiddenNeurons
        && a.weightRange == b.weightRange;
}

class ParamsInput : public testing_support::NullEngineTest {
protected:
    void SetUp() override { startEngine(1, true); }

    GUI& gui() { return *engine.gui; }

    // Types `text` into `box` and commits the edit.
    void commit(gui::IGUIEditBox* box, const wchar_t* text)
    {
        box->setText(text);
        gui().evolutionParamsChanged();
    }

    std::wstring textOf(const gui::IGUIElement* element) { return std::wstring(element->getText()); }

    // Every control shows the default record.
    void expectDefaultsShown()
    {
        EXPECT_EQ(textOf(gui().generationTimeEdit), L"20.0");
        EXPECT_EQ(textOf(gui().itemCountEdit), L"60");
        EXPECT_EQ(textOf(gui().populationSizeEdit), L"20");
        EXPECT_EQ(textOf(gui().eliteCountEdit), L"2");
        EXPECT_EQ(gui().selectorCombo->getSelected(), 0);
        EXPECT_EQ(textOf(gui().crossoverRateEdit), L"0.8");
        EXPECT_EQ(textOf(gui().mutationRateEdit), L"0.05");
        EXPECT_EQ(textOf(gui().maxPerturbationEdit), L"10.0");
        EXPECT_EQ(textOf(gui().hiddenNeuronsEdit), L"4");
        EXPECT_EQ(textOf(gui().weightRangeEdit), L"1.0");
    }
};

TEST_F(ParamsInput, IntegerFieldsTruncateAndFloatFieldsConvertTheLeadingNumber)
{
    commit(gui().populationSizeEdit, L"20.7");
    EXPECT_EQ(gui().params.populationSize, 20);
    // Stored without rewriting the control.
    EXPECT_EQ(textOf(gui().populationSizeEdit), L"20.7");

    commit(gui().mutationRateEdit, L".5");
    EXPECT_EQ(gui().params.mutationRate, 0.5f);
    commit(gui().mutationRateEdit, L"5.");
    EXPECT_EQ(gui().params.mutationRate, 5.0f);
    commit(gui().crossoverRateEdit, L"1/2");
    EXPECT_EQ(gui().params.crossoverRate, 1.0f);
    commit(gui().crossoverRateEdit, L"1.2.3");
    EXPECT_EQ(gui().params.crossoverRate, static_cast<float>(1.2));
    commit(gui().itemCountEdit, L"99.999");
    EXPECT_EQ(gui().params.itemCount, 99);
    commit(gui().eliteCountEdit, L"7/3");
    EXPECT_EQ(gui().params.eliteCount, 7);
}

TEST_F(ParamsInput, LonePointOrSlashStoresZero)
{
    commit(gui().weightRangeEdit, L".");
    EXPECT_EQ(gui().params.weightRange, 0.0f);
    commit(gui().hiddenNeuronsEdit, L"/");
    EXPECT_EQ(gui().params.hiddenNeurons, 0);
    commit(gui().populationSizeEdit, L".");
    EXPECT_EQ(gui().params.populationSize, 0);
    EXPECT_EQ(gui().params.weightRange, 0.0f);
}

TEST_F(ParamsInput, EveryFieldIsReadFromItsOwnControl)
{
    gui().generationTimeEdit->setText(L"1.5");
    gui().itemCountEdit->setText(L"11");
    gui().populationSizeEdit->setText(L"12");
    gui().eliteCountEdit->setText(L"3");
    gui().selectorCombo->setSelected(1);
    gui().crossoverRateEdit->setText(L"0.25");
    gui().mutationRateEdit->setText(L"0.125");
    gui().maxPerturbationEdit->setText(L"2.75");
    gui().hiddenNeuronsEdit->setText(L"6");
    gui().weightRangeEdit->setText(L"3.5");
    gui().evolutionParamsChanged();
    const EvolutionParams& p = gui().params;
    EXPECT_EQ(p.generationTime, 1.5f);
    EXPECT_EQ(p.itemCount, 11);
    EXPECT_EQ(p.populationSize, 12);
    EXPECT_EQ(p.eliteCount, 3);
    EXPECT_EQ(p.selectorType, 1);
    EXPECT_EQ(p.crossoverRate, 0.25f);
    EXPECT_EQ(p.mutationRate, 0.125f);
    EXPECT_EQ(p.maxPerturbation, 2.75f);
    EXPECT_EQ(p.hiddenNeurons, 6);
    EXPECT_EQ(p.weightRange, 3.5f);
}

TEST_F(ParamsInput, MalformedTextRollsEveryControlBack)
{
    gui::IGUIEditBox* const boxes[] = {gui().generationTimeEdit, gui().itemCountEdit,      gui().populationSizeEdit,
                                       gui().eliteCountEdit,     gui().crossoverRateEdit,  gui().mutationRateEdit,
                                       gui().maxPerturbationEdit, gui().hiddenNeuronsEdit, gui().weightRangeEdit};
    const EvolutionParams before = gui().params;
    for (const wchar_t* bad : {L"-1", L"1e3", L" 5", L""}) {
        for (gui::IGUIEditBox* box : boxes) {
            // A valid new value in another box, and a new selector, are thrown away too.
            gui::IGUIEditBox* other = box == gui().mutationRateEdit ? gui().itemCountEdit : gui().mutationRateEdit;
            other->setText(L"7");
            gui().selectorCombo->setSelected(1);
            box->setText(bad);
            gui().evolutionParamsChanged();
            EXPECT_TRUE(sameParams(gui().params, before)) << "box " << box->getID();
            expectDefaultsShown();
        }
    }
}

TEST_F(ParamsInput, RollBackShowsTheStoredRecordNotTheDefaults)
{
    commit(gui().populationSizeEdit, L"33");
    commit(gui().weightRangeEdit, L"0.250");
    gui().eliteCountEdit->setText(L"-2");
    gui().evolutionParamsChanged();
    EXPECT_EQ(gui().params.populationSize, 33);
    EXPECT_EQ(gui().params.eliteCount, 2);
    EXPECT_EQ(textOf(gui().populationSizeEdit), L"33");
    EXPECT_EQ(textOf(gui().eliteCountEdit), L"2");
    EXPECT_EQ(textOf(gui().weightRangeEdit), L"0.25");
}

TEST_F(ParamsInput, ComboChangeAloneStoresTheNewIndex)
{
    gui().selectorCombo->setSelected(1);
    gui().evolutionParamsChanged();
    EvolutionParams expected;
    expected.selectorType = 1;
    EXPECT_TRUE(sameParams(gui().params, expected));
    gui().selectorCombo->setSelected(0);
    gui().evolutionParamsChanged();
    EXPECT_EQ(gui().params.selectorType, 0);
}

// Stored, such a value would be infinity, which the run limits refuse and the panel shows as
// "inf"; every later edit of another box would then be rolled back until it was retyped.
TEST_F(ParamsInput, FloatBeyondTheLargestFloatRollsEverythingBack)
{
    const EvolutionParams before = gui().params;
    for (const std::wstring& text : {std::wstring(40, L'9'), L"1" + std::wstring(39, L'0'),
                                     std::wstring(L"340282400000000000000000000000000000000")}) {
        for (gui::IGUIEditBox* box : {gui().generationTimeEdit, gui().crossoverRateEdit, gui().mutationRateEdit,
                                      gui().maxPerturbationEdit, gui().weightRangeEdit}) {
            gui().itemCountEdit->setText(L"7");
            gui().selectorCombo->setSelected(1);
            box->setText(text.c_str());
            gui().evolutionParamsChanged();
            EXPECT_TRUE(sameParams(gui().params, before)) << "box " << box->getID();
            expectDefaultsShown();
        }
    }

    // The largest float itself is stored, and the next edit of another box goes through.
    commit(gui().maxPerturbationEdit, L"340282346638528859811704183484516925440");
    EXPECT_EQ(gui().params.maxPerturbation, FLT_MAX);
    commit(gui().itemCountEdit, L"7");
    EXPECT_EQ(gui().params.itemCount, 7);
    EXPECT_EQ(gui().params.maxPerturbation, FLT_MAX);
}

TEST_F(ParamsInput, IntegerOutsideThirtyTwoBitsRollsEverythingBack)
{
    const EvolutionParams before = gui().params;
    for (const std::wstring& text :
         {std::wstring(40, L'9'), std::wstring(L"3000000000"), std::wstring(L"2147483648")}) {
        for (gui::IGUIEditBox* box :
             {gui().itemCountEdit, gui().populationSizeEdit, gui().eliteCountEdit, gui().hiddenNeuronsEdit}) {
            gui().generationTimeEdit->setText(L"5");
            gui().selectorCombo->setSelected(1);
            box->setText(text.c_str());
            gui().evolutionParamsChanged();
            EXPECT_TRUE(sameParams(gui().params, before)) << "box " << box->getID();
            expectDefaultsShown();
        }
    }
}

TEST_F(ParamsInput, LargestThirtyTwoBitIntegerIsStored)
{
    commit(gui().itemCountEdit, L"2147483647");
    EXPECT_EQ(gui().params.itemCount, INT_MAX);
    commit(gui().populationSizeEdit, L"2147483647.9");
    EXPECT_EQ(gui().params.populationSize, INT_MAX);
}

} // namespace
