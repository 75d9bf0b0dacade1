#pragma once
// The critical message box of the windows: a modal box with the stop icon and one OK button,
// over the window that shows it. Input errors, the fit's numbered errors and failed drawings
// are titled "Crítica de Dados"; failed reading, calculation and data that cannot be fitted
// "Wrong Data".

#include <QString>

#include "base/Outcome.h"

class QWidget;

namespace kinetra {

class Shell;

QString criticaTitle();    // "Crítica de Dados"
QString wrongDataTitle();  // "Wrong Data"

void showCritical(Shell& shell, QWidget* over, const QString& text, const QString& title = criticaTitle());

// A failure of the core as the windows show it: the fit's numbered errors and refused input
// titled "Crítica de Dados", everything else "Wrong Data"; a run-time failure with its number
// and description.
void showFailure(Shell& shell, QWidget* over, const Failure& failure);
// Where the windows go after a calculation ended by the failure: the data entry window for
// data that cannot be fitted by a sigmoid (so that the points can be corrected), else the menu.
bool returnsToDataEntry(const Failure& failure);

}  // namespace kinetra
