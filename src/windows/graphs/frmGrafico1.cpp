#include "windows/graphs/frmGrafico1.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <exception>
#include <new>

#include "graphs/GraphGeometry.h"
#include "windows/graphs/GraphWindowSupport.h"
#include "ui/HelpFile.h"
#include "ui/Messages.h"
#include "ui/PictureFile.h"
#include "ui/WindowLook.h"
#include "platform/DisplayPainter.h"

namespace kinetra {

namespace {
constexpr double kButtonLeft = 10440;
constexpr double kButtonWidth = 915;
constexpr double kButtonHeight = 555;
}  // namespace

frmGrafico1::frmGrafico1(Shell& hub, QWidget* parent)
    : ChildForm(parent), shell(hub), st(hub.state())
{
    createControls();
    connectHandlers();
}

void frmGrafico1::createControls()
{
    setObjectName(QStringLiteral("frmGrafico1"));
    setWindowTitle(QStringLiteral("Graph"));
    setHasCloseBox(false);
    setFormGeometry(0, 0, kPageWidth, kPageHeight);
    setFont(formFont(9.75));
    setWhiteBackground(*this);

    cmmhelp = makeButton(this, "cmmhelp", "Help", {kButtonLeft, 1080, kButtonWidth, kButtonHeight});
    cmmBack = makeButton(this, "cmmBack", "Back", {kButtonLeft, 1920, kButtonWidth, kButtonHeight});
    cmdNext = makeButton(this, "cmdNext", "Next", {kButtonLeft, 2760, kButtonWidth, kButtonHeight});
    cmmStop = makeButton(this, "cmmStop", "Stop", {kButtonLeft, 3480, kButtonWidth, kButtonHeight});
    // nothing in the program shows the save button
    cmdSave = makeButton(this, "cmdSave", "Save", {kButtonLeft, 4320, kButtonWidth, kButtonHeight});
    cmdSave->hide();
    // in the place of the save button nothing shows; one pixel wider than the others: the
    // caption fits
    cmdSavePicture = makeButton(this, "cmdSavePicture", kSavePictureCaption,
                                {kButtonLeft, 4320, kButtonWidth + 15, kButtonHeight});
    cmdSavePicture->setToolTip(kSavePictureTip);
}

void frmGrafico1::connectHandlers()
{
    connect(cmmhelp, &QPushButton::clicked, this, &frmGrafico1::cmmhelp_Click);
    connect(cmmBack, &QPushButton::clicked, this, &frmGrafico1::cmmBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmGrafico1::cmdNext_Click);
    connect(cmmStop, &QPushButton::clicked, this, &frmGrafico1::cmmStop_Click);
    connect(cmdSavePicture, &QPushButton::clicked, this, [this] { savePicture(shell, this, drawn); });
}

void frmGrafico1::activated() { DesenhaGrafico1(); }

void frmGrafico1::DesenhaGrafico1()
{
    const GraphMessage onMessage = [this](const std::string& text, const std::string& title) {
        showCritical(shell, this, QString::fromStdString(text), QString::fromStdString(title));
    };
    std::string failure;
    try {
        // every drawing paints the same picture over the last one: keeping the last is enough
        drawn = buildGraph1(st.dataSet, onMessage);
        update();
        return;
    } catch (...) {
        failure = drawingFailureText(std::current_exception());
    }
    Shell& hub = shell;  // this window is gone once closed
    QPointer<frmGrafico1> self(this);
    showCritical(hub, this, QString::fromStdString(failure));
    if (!stillOpen(self)) return;  // the program ended while the message was up
    hub.closeGraph1();
    hub.showMenu();
}

void frmGrafico1::paintEvent(QPaintEvent*)
{
    paintOnWidget(*this, drawn);
}

void frmGrafico1::cmmhelp_Click()
{
    shell.openHelp(this, helpFileIn(st.helpPath), 4);
}

void frmGrafico1::cmmBack_Click()
{
    Shell& hub = shell;
    hub.closeGraph1();
    hub.showDataEntry();
}

void frmGrafico1::cmdNext_Click()
{
    Shell& hub = shell;
    hub.closeGraph1();
    hub.openCalculation();
}

void frmGrafico1::cmmStop_Click()
{
    Shell& hub = shell;
    hub.closeGraph1();
    hub.endProgram();
}

}  // namespace kinetra
