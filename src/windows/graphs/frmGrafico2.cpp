#include "windows/graphs/frmGrafico2.h"

#include <QPaintEvent>
#include <QPointer>
#include <algorithm>
#include <exception>
#include <type_traits>
#include <variant>

#include "windows/graphs/GraphWindowSupport.h"
#include "ui/HelpFile.h"
#include "ui/Messages.h"
#include "ui/PictureFile.h"
#include "ui/WindowLook.h"
#include "windows/graphs/frmSubConcentration.h"
#include "platform/DisplayPainter.h"

namespace kinetra {

namespace {
constexpr double kButtonLeft = 10320;
constexpr double kButtonWidth = 975;
constexpr double kButtonHeight = 615;

bool sameOp(const DrawOp& a, const DrawOp& b)
{
    if (a.index() != b.index()) return false;
    return std::visit(
        [&b](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, Line>)
                return x.from == y.from && x.to == y.to && x.penWidth == y.penWidth &&
                       x.colour == y.colour;
            else if constexpr (std::is_same_v<T, Circle>)
                return x.centre == y.centre && x.radius == y.radius &&
                       x.penWidth == y.penWidth && x.outline == y.outline && x.fill == y.fill;
            else if constexpr (std::is_same_v<T, Dot>)
                return x.at == y.at && x.colour == y.colour;
            else if constexpr (std::is_same_v<T, Text>)
                return x.topLeft == y.topLeft && x.text == y.text &&
                       x.pointSize == y.pointSize && x.colour == y.colour;
            else
                return true;
        },
        a);
}

bool samePicture(const DisplayList& a, const DisplayList& b)
{
    return a.fontFamily == b.fontFamily &&
           std::equal(a.ops.begin(), a.ops.end(), b.ops.begin(), b.ops.end(), sameOp);
}
}  // namespace

frmGrafico2::frmGrafico2(Shell& hub, QWidget* parent)
    : ChildForm(parent), shell(hub), st(hub.state())
{
    createControls();
    connectHandlers();
}

void frmGrafico2::createControls()
{
    setObjectName(QStringLiteral("frmGrafico2"));
    setWindowTitle(QStringLiteral("Graph"));
    setHasCloseBox(false);
    setFormGeometry(0, 0, kPageWidth, kPageHeight);
    setFont(formFont());
    setWhiteBackground(*this);

    cmmhelp = makeButton(this, "cmmhelp", "Help", {kButtonLeft, 360, kButtonWidth, kButtonHeight});
    cmmtofile =
        makeButton(this, "cmmtofile", "To File", {kButtonLeft, 1080, kButtonWidth, kButtonHeight});
    cmmBack = makeButton(this, "cmmBack", "Back", {kButtonLeft, 2040, kButtonWidth, kButtonHeight});
    cmdNext = makeButton(this, "cmdNext", "Next", {kButtonLeft, 3000, kButtonWidth, kButtonHeight});
    cmdPrint =
        makeButton(this, "cmdPrint", "Print", {kButtonLeft, 3840, kButtonWidth, kButtonHeight});
    cmmStop = makeButton(this, "cmmStop", "Stop", {kButtonLeft, 4920, kButtonWidth, kButtonHeight});
    cmdSave = makeButton(this, "cmdSave", "Save", {kButtonLeft, 5760, kButtonWidth, kButtonHeight});
    // in the place of the save button nothing shows
    cmdSavePicture = makeButton(this, "cmdSavePicture", kSavePictureCaption,
                                {kButtonLeft, 5760, kButtonWidth, kButtonHeight});
    cmdSavePicture->setToolTip(kSavePictureTip);

    const QFont captionFont = timesFont(18, true);
    for (QPushButton* b : {cmmhelp, cmmtofile, cmmBack, cmdNext, cmdPrint, cmmStop, cmdSave})
        b->setFont(captionFont);
    cmdSavePicture->setFont(timesFont(11, true));  // the caption is longer than the others

    // nothing in the program shows or enables these two: a graph has no save or export
    cmmtofile->setEnabled(false);
    cmmtofile->hide();
    cmdSave->hide();
}

void frmGrafico2::connectHandlers()
{
    connect(cmmhelp, &QPushButton::clicked, this, &frmGrafico2::cmmhelp_Click);
    connect(cmmBack, &QPushButton::clicked, this, &frmGrafico2::cmmBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmGrafico2::cmdNext_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmGrafico2::cmdPrint_Click);
    connect(cmmStop, &QPushButton::clicked, this, &frmGrafico2::cmmStop_Click);
    connect(cmdSavePicture, &QPushButton::clicked, this, [this] { savePicture(shell, this, flattened(layers)); });
}

void frmGrafico2::activated()
{
    if (graph.firstDrawing) DesenhaGrafico2();
}

void frmGrafico2::keepDrawing(DisplayList list)
{
    const bool startsAfresh =
        !list.ops.empty() && std::holds_alternative<Clear>(list.ops.front());
    if (startsAfresh) layers.clear();
    // the same picture drawn over itself changes nothing: keep it once
    if (layers.empty() || !samePicture(layers.back(), list)) layers.push_back(std::move(list));
    update();
}

void frmGrafico2::failDrawing(const std::string& failure)
{
    Shell& hub = shell;  // this window is gone once closed
    QPointer<frmGrafico2> self(this);
    showCritical(hub, this, QString::fromStdString(failure));
    if (!stillOpen(self)) return;  // the program ended while the message was up
    hub.closeGraph2();
    hub.showMenu();
}

void frmGrafico2::DesenhaGrafico2()
{
    if (!graph.firstDrawing) {
        // the second way: the window is cleared, then the new range is asked for
        layers.clear();
        update();
        bool chosen = false;
        QPointer<frmGrafico2> self(this);
        Shell& hub = shell;
        {
            frmSubConcentration range(hub, hub.mainWindow());
            chosen = range.askRange();
        }
        if (!chosen) {
            // closed by its close box: the program ends at once
            hub.endProgram();
            return;
        }
        if (!stillOpen(self)) return;
    }
    std::string failure;
    try {
        keepDrawing(buildGraph2(st.dataSet, st.curves, st.considerBaseline, graph, st.rangeLowConc, st.rangeHighConc));
        return;
    } catch (...) {
        failure = drawingFailureText(std::current_exception());
    }
    failDrawing(failure);
}

void frmGrafico2::paintEvent(QPaintEvent*)
{
    for (const DisplayList& list : layers) paintOnWidget(*this, list);
}

void frmGrafico2::cmmhelp_Click()
{
    shell.openHelp(this, helpFileIn(st.helpPath), 5);
}

void frmGrafico2::cmmBack_Click()
{
    Shell& hub = shell;
    hub.closeGraph2();
    hub.openGraph1();
}

void frmGrafico2::cmdNext_Click()
{
    Shell& hub = shell;
    QPointer<frmGrafico2> self(this);
    const bool changeX = hub.askChoice(ChoiceId::frmchangeX) != QLatin1String("optno");
    if (!stillOpen(self)) return;  // the program ended while the question was up
    if (!changeX) {
        hub.closeGraph2();
        hub.showMenu();
        return;
    }
    graph.firstDrawing = false;
    const bool baseline = hub.askChoice(ChoiceId::frmconsiderabaseline2) == QLatin1String("optyes");
    if (!stillOpen(self)) return;
    st.considerBaseline = baseline;
    DesenhaGrafico2();
}

void frmGrafico2::cmdPrint_Click()
{
    Platform& platform = shell.platform();
    // a cancelled printer dialog prints nothing
    QPointer<frmGrafico2> self(this);
    if (!platform.choosePrinter(this) || !stillOpen(self)) return;

    const QList<QPushButton*> hiddenWhilePrinting{cmmBack, cmdNext, cmmStop, cmdPrint, cmdSavePicture};
    for (QPushButton* b : hiddenWhilePrinting) b->hide();
    std::string failure;
    try {
        platform.printWidget(this);
    } catch (...) {
        failure = drawingFailureText(std::current_exception());
    }
    for (QPushButton* b : hiddenWhilePrinting) b->show();
    if (!failure.empty()) {
        // the graph stays: only the printout is lost
        showCritical(shell, this,
                     QStringLiteral("The graph could not be printed.\r\n\r\n") + QString::fromStdString(failure));
    }
}

void frmGrafico2::cmmStop_Click()
{
    Shell& hub = shell;
    hub.closeGraph2();
    hub.endProgram();
}

}  // namespace kinetra
