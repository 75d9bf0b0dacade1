#pragma once
// Graph 2: the measured points and the fitted rate law, v/V against concentration on a
// logarithmic axis. The drawing goes into a persistent picture (the display lists drawn
// since the window was last cleared), painted on every paint event and printed by Print.

#include <QPushButton>
#include <vector>

#include "ui/ChildForm.h"
#include "ui/Shell.h"
#include "graphs/DisplayList.h"
#include "graphs/GraphGeometry.h"

class QPaintEvent;

namespace kinetra {

class frmGrafico2 : public ChildForm {
    Q_OBJECT
public:
    explicit frmGrafico2(Shell& hub, QWidget* parent = nullptr);

    void activated() override;
    void DesenhaGrafico2();

    bool firstDrawing() const { return graph.firstDrawing; }
    // The persistent picture: the lists drawn one over the other since the last clear.
    const std::vector<DisplayList>& picture() const { return layers; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void keepDrawing(DisplayList list);
    void failDrawing(const std::string& failure);

    void cmmhelp_Click();
    void cmmBack_Click();
    void cmdNext_Click();
    void cmdPrint_Click();
    void cmmStop_Click();

    Shell& shell;
    WindowState& st;
    Graph2State graph;
    std::vector<DisplayList> layers;

    QPushButton* cmmhelp = nullptr;
    QPushButton* cmmtofile = nullptr;
    QPushButton* cmmBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmmStop = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdSavePicture = nullptr;  // the picture as a PNG, SVG or PDF file
};

}  // namespace kinetra
