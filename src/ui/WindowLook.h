#pragma once
// The look of the windows: their fonts, and captions shown exactly as given.
//
// The windows ask for "MS Sans Serif" (8.25 pt where nothing else is said) and "Times New
// Roman". fontconfig has neither: the first would fall back to a wider face (DejaVu Sans)
// and the texts would not fit their controls. installFontSubstitutes() maps both to the
// metric-compatible Liberation faces; main() and the tests call it before the first window.

#include <QFont>
#include <QString>

class QWidget;

namespace kinetra {

inline constexpr double kFormPointSize = 8.25;

void installFontSubstitutes();

// The application's name and version, and the fonts above, before the first window. No
// display name is set: the desktop would append it to every window title.
void setUpApplication();

// "MS Sans Serif" at the size given: the font of every window and its controls.
QFont formFont(double pointSize = kFormPointSize);
// "Times New Roman" at the size given.
QFont timesFont(double pointSize, bool bold = false, bool italic = false);

// Sets a window's caption exactly as given. A window without a caption gets a single blank:
// an empty title would make the desktop show the program's name instead.
void setCaption(QWidget* window, const QString& caption);

}  // namespace kinetra
