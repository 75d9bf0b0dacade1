#pragma once
// Graph 1: the entered points, rate against the decimal logarithm of concentration.
// The picture is drawn on every activation (DesenhaGrafico1) and kept, so the window
// also repaints it when it is uncovered.

#include <QPushButton>

#include "ui/ChildForm.h"
#include "ui/Shell.h"
#include "graphs/DisplayList.h"

class QPaintEvent;

namespace kinetra {

class frmGrafico1 : public ChildForm {
    Q_OBJECT
public:
    explicit frmGrafico1(Shell& hub, QWidget* parent = nullptr);

    void activated() override;
    void DesenhaGrafico1();

    // The picture as last drawn (empty before the first drawing).
    const DisplayList& picture() const { return drawn; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void connectHandlers();

    void cmmhelp_Click();
    void cmmBack_Click();
    void cmdNext_Click();
    void cmmStop_Click();

    Shell& shell;
    WindowState& st;
    DisplayList drawn;

    QPushButton* cmmhelp = nullptr;
    QPushButton* cmmBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmmStop = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdSavePicture = nullptr;  // the picture as a PNG, SVG or PDF file
};

}  // namespace kinetra
