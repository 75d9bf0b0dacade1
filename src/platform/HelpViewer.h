#pragma once
// The program's help viewer: opens the help file at a topic number in a small window.
// When the file is not at the path asked for, the viewer falls back to the copy installed
// with the program; when there is none either, it says so plainly.

#include <QString>

class QWidget;

namespace kinetra {

void showHelpTopic(QWidget* parent, const QString& helpFile, int topic);

}  // namespace kinetra
