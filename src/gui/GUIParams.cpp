#include "gui/GUI.h"

#include "evolution/InputCheck.h"
#include "methods/MethodRegistry.h"

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
    // The method's own boxes count only while the method uses them (enabled).
    for (const gui::IGUIEditBox* box : {sigmaEdit, learningRateEdit}) {
        if (box->isEnabled() && !strIsNumber(textOf(box))) {
            updateGuiContents();
            return;
        }
    }

    // Built aside and stored whole, so a value that cannot be stored rolls back every field.
    EvolutionParams read;
    read.selectorType = selectorCombo->getSelected();
    const std::vector<MethodInfo>& methods = evolutionMethods();
    const s32 chosen = methodCombo->getSelected();
    const MethodInfo& method = chosen >= 0 && static_cast<size_t>(chosen) < methods.size()
        ? methods[static_cast<size_t>(chosen)]
        : methods.front();
    const bool methodChanged = method.name != params.method;
    // Another method starts from its own defaults; the same one keeps what the boxes hold.
    chooseMethod(read, method.name);
    const bool methodValuesFit = methodChanged
        || ((!sigmaEdit->isEnabled() || textToFloat(textOf(sigmaEdit), read.sigma))
            && (!learningRateEdit->isEnabled() || textToFloat(textOf(learningRateEdit), read.learningRate)));
    const bool valuesFit = textToFloat(textOf(generationTimeEdit), read.generationTime)
        && textToInt(textOf(itemCountEdit), read.itemCount)
        && textToInt(textOf(populationSizeEdit), read.populationSize)
        && textToInt(textOf(eliteCountEdit), read.eliteCount)
        && textToInt(textOf(hiddenNeuronsEdit), read.hiddenNeurons)
        && textToFloat(textOf(crossoverRateEdit), read.crossoverRate)
        && textToFloat(textOf(mutationRateEdit), read.mutationRate)
        && textToFloat(textOf(maxPerturbationEdit), read.maxPerturbation)
        && textToFloat(textOf(weightRangeEdit), read.weightRange);
    if (!valuesFit || !methodValuesFit) {
        updateGuiContents();
        return;
    }
    params = read;
    if (methodChanged)
        showMethodRows();
}

} // namespace modules
