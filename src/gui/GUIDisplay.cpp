#include "gui/GUI.h"

#include "core/NumberText.h"

using namespace irr;

namespace modules {

core::stringw GUI::numberToString(float value)
{
    return numberText(value);
}

void GUI::updateGuiContents()
{
    generationTimeEdit->setText(numberToString(params.generationTime).c_str());
    itemCountEdit->setText(core::stringw(params.itemCount).c_str());
    populationSizeEdit->setText(core::stringw(params.populationSize).c_str());
    eliteCountEdit->setText(core::stringw(params.eliteCount).c_str());
    selectorCombo->setSelected(params.selectorType);
    crossoverRateEdit->setText(numberToString(params.crossoverRate).c_str());
    mutationRateEdit->setText(numberToString(params.mutationRate).c_str());
    maxPerturbationEdit->setText(numberToString(params.maxPerturbation).c_str());
    hiddenNeuronsEdit->setText(core::stringw(params.hiddenNeurons).c_str());
    weightRangeEdit->setText(numberToString(params.weightRange).c_str());
}

} // namespace modules
