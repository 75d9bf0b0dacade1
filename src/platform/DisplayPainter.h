#pragma once
// The one painter of display lists: the graph windows, the printer, images and PDF files
// all draw through paintDisplayList, so a printout looks like the screen.
//
// Coordinates: the caller scales the painter to twips (device units per twip = logical
// DPI / 1440). Pen widths of the list are in pixels of a 96 DPI screen (one pixel is
// 15 twips) and are drawn as real widths in twips, not as cosmetic one-device-pixel pens,
// so a 3-pixel frame on the screen is just as thick on a 600 DPI printer. Font sizes are
// points, drawn as pixel sizes in twips (1 pt = 20 twips) on the scaled painter.

#include "graphs/DisplayList.h"

class QPainter;
class QPaintDevice;
class QWidget;

namespace kinetra {

inline constexpr double kTwipsPerScreenPixel = 15.0;  // one pixel at 96 DPI
inline constexpr double kTwipsPerPoint = 20.0;

// Scales a painter on its device so that one unit is one twip.
void scaleToTwips(QPainter& p);

// Paints the list with the painter as it is set up (already scaled to twips).
void paintDisplayList(QPainter& p, const DisplayList& list);

// Paints the list on any paint device (a widget in its paint event, an image, a printer),
// scaled to twips by the device's logical resolution.
void paintDisplayListOn(QPaintDevice& device, const DisplayList& list);

// Paints the list in a widget's paint event, scaled by the widget's own resolution: also
// right when the widget is rendered onto another device (a printer, an image), whose
// painter then carries the scale from screen pixels to its own.
void paintOnWidget(QWidget& widget, const DisplayList& list);

}  // namespace kinetra
