#include "gui/GUI.h"

#include "core/NumberText.h"
#include "methods/MethodRegistry.h"

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
    showMethodRows();
}

void GUI::showMethodRows()
{
    const std::vector<MethodInfo>& methods = evolutionMethods();
    const MethodInfo* method = findMethod(params.method);
    if (!method)
        method = &methods.front();
    methodCombo->setSelected(static_cast<s32>(method - methods.data()));
    const std::pair<gui::IGUIElement*, const char*> rows[] = {
        {eliteCountEdit, "elite-count"},       {selectorCombo, "selector"},
        {crossoverRateEdit, "crossover-rate"}, {mutationRateEdit, "mutation-rate"},
        {maxPerturbationEdit, "max-perturbation"}, {sigmaEdit, "sigma"},
        {learningRateEdit, "learning-rate"}, {hiddenNeuronsEdit, "hidden-neurons"}};
    for (const auto& [element, option] : rows)
        element->setEnabled(methodUses(*method, option));
    // A value the method has no use for is not shown.
    sigmaEdit->setText(methodUses(*method, "sigma") ? numberToString(params.sigma).c_str() : L"");
    learningRateEdit->setText(methodUses(*method, "learning-rate") ? numberToString(params.learningRate).c_str() : L"");
}

} // namespace modules
