#pragma once
// What the statistics windows share in the texts they show: figures to six significant
// digits with the user's decimal separator, and the weighting choices.

#include <QString>
#include <array>
#include <optional>
#include <string>

#include "stats/Weighting.h"

class QComboBox;
class QWidget;

namespace kinetra {

// Six significant digits with the user's decimal separator, or "not determined": the
// windows show what a reader compares; "Copy" and "Save CSV…" give every digit.
QString shownFigure(std::optional<double> value);
std::string shownFigureText(std::optional<double> value);

// The weightings in the order the windows offer them, and their captions: "None", "1/Y²",
// "1/Y".
inline constexpr std::array<Weighting, 3> kWeightingChoices = {Weighting::None, Weighting::Relative,
                                                               Weighting::Poisson};
QString weightingCaption(Weighting weighting);

// A drop-down list of the weightings, "None" chosen.
QComboBox* weightingList(QWidget* parent);
// The weighting chosen in such a list.
Weighting chosenWeighting(const QComboBox* list);

}  // namespace kinetra
