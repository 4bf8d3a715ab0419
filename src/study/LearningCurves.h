#pragma once

#include "study/StudyPlan.h"
#include "study/StudyReport.h"

#include <string>
#include <vector>

namespace modules {

// learning-curves.svg: for each combination with a complete run, the mean best fitness per
// generation (a polyline of class "curve") over its 95% confidence band (a polygon of
// class "band"), with a legend and labelled axes.
std::string learningCurvesSvg(const StudyPlan& plan, const std::vector<ConfigResult>& results);
// The tasks' own columns found in the study's runs, in the order first met ("mean_poison").
std::vector<std::string> studyMeasureNames(const std::vector<ConfigResult>& results);
// MEASURE-curves.svg: the same drawing for a task's own column, for the combinations whose
// task has it.
std::string measureCurvesSvg(const StudyPlan& plan, const std::vector<ConfigResult>& results, const std::string& measure);

} // namespace modules
