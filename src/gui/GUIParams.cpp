#include "gui/GUI.h"

#include "core/Utf8.h"
#include "evolution/InputCheck.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

using namespace irr;

namespace modules {

namespace {

core::stringw textOf(const gui::IGUIElement* element)
{
    const wchar_t* text = element->getText();
    return core::stringw(text ? text : L"");
}

// The combo box's entry of `list`, the first one when none is selected.
template <typename Info>
const Info& chosenOf(const gui::IGUIComboBox* combo, const std::vector<Info>& list)
{
    const s32 chosen = combo->getSelected();
    return chosen >= 0 && static_cast<size_t>(chosen) < list.size() ? list[static_cast<size_t>(chosen)] : list.front();
}

} // namespace

void GUI::evolutionParamsChanged()
{
    const MethodInfo& method = chosenOf(methodCombo, evolutionMethods());
    const TaskInfo& task = chosenOf(taskCombo, evolutionTasks());
    const bool methodChanged = method.name != params.method;
    const bool taskChanged = task.name != params.task;

    // Built aside and stored whole, so a value that cannot be stored rolls back every field.
    EvolutionParams read;
    // Another method starts from its own defaults; the same one keeps what the boxes hold.
    chooseMethod(read, method.name);
    read.task = task.name;
    for (const ParameterRow& row : parameterRows) {
        const ParameterInfo& parameter = *row.parameter;
        // A method's own box counts only while that method uses it (enabled); the other
        // disabled rows still show their values.
        if (parameter.methodOwn && (methodChanged || !row.control->isEnabled()))
            continue;
        bool fits = true;
        if (!parameter.choices.empty()) {
            read.*parameter.intField = static_cast<gui::IGUIComboBox*>(row.control)->getSelected();
        } else if (parameter.textField) {
            // A box left empty brings the stored name back, as for the numbers.
            fits = !textOf(row.control).empty();
            if (fits)
                read.*parameter.textField = toUtf8(textOf(row.control).c_str());
        } else {
            const core::stringw text = textOf(row.control);
            fits = strIsNumber(text)
                && (parameter.intField ? textToInt(text, read.*parameter.intField)
                                       : textToFloat(text, read.*parameter.floatField));
        }
        if (!fits) {
            updateGuiContents();
            return;
        }
    }
    const bool objectiveChanged = read.objective != params.objective;
    params = read;
    // Another method shows its own values; each of the three choices enables its rows.
    if (methodChanged || taskChanged || objectiveChanged)
        updateGuiContents();
}

} // namespace modules
