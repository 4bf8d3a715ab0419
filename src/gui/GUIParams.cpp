#include "gui/GUI.h"

#include "evolution/InputCheck.h"

using namespace irr;

namespace modules {

namespace {

core::stringw textOf(const gui::IGUIElement* element)
{
    const wchar_t* text = element->getText();
    return core::stringw(text ? text : L"");
}

} // namespace

void GUI::evolutionParamsChanged()
{
    const gui::IGUIEditBox* boxes[] = {generationTimeEdit, itemCountEdit,      populationSizeEdit,
                                       eliteCountEdit,     crossoverRateEdit,  mutationRateEdit,
                                       maxPerturbationEdit, hiddenNeuronsEdit, weightRangeEdit};
    for (const gui::IGUIEditBox* box : boxes) {
        if (!strIsNumber(textOf(box))) {
            updateGuiContents();
            return;
        }
    }

    // Built aside and stored whole, so a value that cannot be stored rolls back every field.
    EvolutionParams read;
    read.selectorType = selectorCombo->getSelected();
    const bool valuesFit = textToFloat(textOf(generationTimeEdit), read.generationTime)
        && textToInt(textOf(itemCountEdit), read.itemCount)
        && textToInt(textOf(populationSizeEdit), read.populationSize)
        && textToInt(textOf(eliteCountEdit), read.eliteCount)
        && textToInt(textOf(hiddenNeuronsEdit), read.hiddenNeurons)
        && textToFloat(textOf(crossoverRateEdit), read.crossoverRate)
        && textToFloat(textOf(mutationRateEdit), read.mutationRate)
        && textToFloat(textOf(maxPerturbationEdit), read.maxPerturbation)
        && textToFloat(textOf(weightRangeEdit), read.weightRange);
    if (!valuesFit) {
        updateGuiContents();
        return;
    }
    params = read;
}

} // namespace modules
