#include "gui/GUI.h"

#include <cstdio>

using namespace irr;

namespace modules {

core::stringw GUI::numberToString(float value)
{
    char buffer[255];
    std::snprintf(buffer, sizeof buffer, "%0.6f", static_cast<double>(value));
    core::stringw text(buffer);

    const s32 point = text.findFirst(L'.');
    if (point < 0)
        return text;
    const u32 firstDecimal = static_cast<u32>(point) + 1;
    while (text.size() > firstDecimal + 1 && text[text.size() - 1] == L'0')
        text = text.subString(0, text.size() - 1);
    return text;
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
