#pragma once
// A plot of the statistics windows: a display list in the frame of the graphs, the part of
// the page it draws on scaled as a whole to the box it is given (keeping its shape), on
// white.

#include <QWidget>

#include "graphs/DisplayList.h"

namespace kinetra {

class PlotPicture : public QWidget {
public:
    // `list` must outlive the picture; call update() after it changed.
    PlotPicture(const DisplayList& list, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const DisplayList& plot;
};

}  // namespace kinetra
