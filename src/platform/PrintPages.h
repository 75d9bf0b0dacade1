#pragma once
// Painting on a printer, shared by the real and the scripted platform so that a test's PDF
// shows exactly what paper would: text jobs as lines in a fixed-pitch face, top to bottom,
// a new page when the next line would cross the page's bottom edge; a window's picture
// scaled to fit the page, aspect ratio kept.

#include <string>
#include <vector>

class QPainter;
class QPrinter;
class QRectF;
class QWidget;

namespace kinetra {

// The failure number desktop users know for a printer that cannot print.
inline constexpr int kPrinterErrorNumber = 482;
inline constexpr const char* kPrinterErrorText = "Printer error";

// Lines of a text job on one page of this printer (at least 1).
int linesPerPage(QPrinter& printer);

// Prints the lines (UTF-8) as one document. An empty job prints nothing. Throws
// RuntimeFailure(kPrinterErrorNumber) when the printer cannot be opened.
void printTextLines(QPrinter& printer, const std::vector<std::string>& lines);

// Paints the widget's picture, as displayed, in `page` (device units) of the painter's
// device: at its size on the screen, or smaller to fit, aspect ratio kept; lines and texts
// stay lines and texts.
void paintWidgetOnPage(QPainter& painter, const QRectF& page, QWidget& widget);

// Prints the widget's picture, as displayed, on one page. Throws like printTextLines.
void printWidgetPicture(QPrinter& printer, QWidget& widget);

}  // namespace kinetra
