#include "gui/GUI.h"

#include "core/NumberText.h"
#include "core/Utf8.h"
#include "methods/MethodRegistry.h"
#include "tasks/TaskRegistry.h"

using namespace irr;

namespace modules {

core::stringw GUI::numberToString(float value)
{
    return numberText(value);
}

void GUI::updateGuiContents()
{
    for (const ParameterRow& row : parameterRows) {
        const ParameterInfo& parameter = *row.parameter;
        if (!parameter.choices.empty())
            static_cast<gui::IGUIComboBox*>(row.control)->setSelected(params.*parameter.intField);
        else if (parameter.textField)
            row.control->setText(fromUtf8(params.*parameter.textField).c_str());
        else if (parameter.intField)
            row.control->setText(core::stringw(params.*parameter.intField).c_str());
        else
            row.control->setText(numberToString(params.*parameter.floatField).c_str());
    }
    showUsedRows();
}

void GUI::showUsedRows()
{
    const std::vector<MethodInfo>& methods = evolutionMethods();
    const MethodInfo* method = findMethod(params.method);
    if (!method)
        method = &methods.front();
    methodCombo->setSelected(static_cast<s32>(method - methods.data()));
    const std::vector<TaskInfo>& tasks = evolutionTasks();
    const TaskInfo& task = taskOf(params);
    taskCombo->setSelected(static_cast<s32>(&task - tasks.data()));
    // The rows a run of the chosen method, task and objective would use.
    EvolutionParams chosen = params;
    chosen.method = method->name;
    chosen.task = task.name;
    for (const ParameterRow& row : parameterRows) {
        const bool used = runUses(*row.parameter, chosen);
        row.control->setEnabled(used);
        // A method's own value it has no use for is not shown: it has none.
        if (row.parameter->methodOwn && !used)
            row.control->setText(L"");
    }
}

} // namespace modules
