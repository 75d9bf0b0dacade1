#pragma once
// The critical message box of the windows: a modal box with the stop icon and one OK button,
// over the window that shows it. Input errors, the fit's numbered errors and failed drawings
// are titled "Crítica de Dados"; failed reading, calculation and data that cannot be fitted
// "Wrong Data".

#include <QString>

class QWidget;

namespace kinetra {

class Shell;

QString criticaTitle();    // "Crítica de Dados"
QString wrongDataTitle();  // "Wrong Data"

void showCritical(Shell& shell, QWidget* over, const QString& text, const QString& title = criticaTitle());

}  // namespace kinetra
