#include "app/MDIForm1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <exception>

#include "ui/ChoiceDialog.h"
#include "ui/WindowLook.h"
#include "app/frmMenu.h"
#include "windows/entry/frmDadParcial.h"
#include "windows/entry/frmEntDados.h"
#include "windows/graphs/frmGrafico1.h"
#include "windows/graphs/frmGrafico2.h"
#include "windows/kinetics/frmCalCinetico.h"
#include "windows/stats/frmCompare.h"
#include "windows/stats/frmFitStatistics.h"

namespace kinetra {

namespace {
constexpr double kMainWidth = 12000;
constexpr double kMainHeight = 8500;
}  // namespace

MDIForm1::MDIForm1(Platform& platform, QWidget* parent) : QMainWindow(parent), desktop(platform)
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("KINETRA"));
    setFont(formFont());
    area = new QMdiArea(this);
    area->setObjectName(QStringLiteral("workspace"));
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area);
    resize(twipsToPixels(kMainWidth), twipsToPixels(kMainHeight));
    connect(area, &QMdiArea::subWindowActivated, this, &MDIForm1::subWindowActivated);
}

MDIForm1::~MDIForm1()
{
    // the children go with the workspace; none may call back into a half-destroyed hub
    for (ChildSlot& slot : children) {
        if (slot.form) slot.form->removeEventFilter(this);
        if (slot.frame) slot.frame->removeEventFilter(this);
    }
    disconnect(area, nullptr, this, nullptr);
}

// On opening: the main window's outer size is 12000 x 8500 twips, then the menu is shown.
void MDIForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (openedOnce) return;
    openedOnce = true;
    const QSize decoration = frameGeometry().size() - size();
    resize(twipsToPixels(kMainWidth) - decoration.width(), twipsToPixels(kMainHeight) - decoration.height());
    showMenu();
}

void MDIForm1::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!ended) endProgram();
}

// ------------------------------------------------------------------ child windows

ChildForm* MDIForm1::live(Child which) const
{
    const ChildSlot& slot = children[which];
    if (!slot.form || !slot.frame || slot.closedByProgram) return nullptr;
    // a frame that is hidden without the hub hiding it was closed and awaits destruction
    if (slot.frame->isHidden() && !slot.hiddenByHub) return nullptr;
    return slot.form;
}

void MDIForm1::placeInWorkspace(ChildSlot& slot, ChildForm* form)
{
    if (form->objectName().isEmpty()) {
        QString name = QString::fromLatin1(form->metaObject()->className());
        form->setObjectName(name.mid(name.lastIndexOf(QLatin1Char(':')) + 1));
    }
    slot = ChildSlot{};
    slot.form = form;
    slot.frame = area->addSubWindow(form);
    slot.frame->setObjectName(form->objectName() + QStringLiteral("Frame"));
    slot.frame->setAttribute(Qt::WA_DeleteOnClose);
    form->applyFrame();
    form->installEventFilter(this);
    slot.frame->installEventFilter(this);
}

template <class W>
W* MDIForm1::showChild(Child which)
{
    ChildSlot& slot = children[which];
    if (!live(which)) placeInWorkspace(slot, new W(*this));
    slot.hiddenByHub = false;
    ChildForm* form = slot.form;
    slot.frame->show();
    slot.frame->raise();
    area->setActiveSubWindow(slot.frame);
    noteActivation(form, true);
    return static_cast<W*>(form);
}

void MDIForm1::closeChild(Child which)
{
    ChildSlot& slot = children[which];
    if (!live(which)) return;
    slot.closedByProgram = true;
    QMdiSubWindow* frame = slot.frame;
    frame->close();
    // an unload is not refused: a form that kept itself open goes all the same
    if (slot.frame && !slot.frame->isHidden()) {
        slot.frame->hide();
        slot.frame->deleteLater();
    }
    if (lastActivated == slot.form) lastActivated = nullptr;
}

bool MDIForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close) {
        for (ChildSlot& slot : children) {
            if (watched == slot.frame && !slot.closedByProgram && !slot.closingItself) {
                slot.closingByUser = true;  // close box, system menu or a shortcut on the frame
            } else if (watched == slot.form && slot.form) {
                if (slot.closingByUser) {
                    slot.closingByUser = false;
                    emit slot.form->closedByUser();
                } else if (!slot.closedByProgram) {
                    slot.closingItself = true;
                }
            }
        }
    }
    if (event->type() == QEvent::Hide) {
        // a form that closed itself takes its frame along once its close went through
        for (ChildSlot& slot : children) {
            if (watched == slot.form && slot.closingItself && slot.form->isHidden() && slot.frame &&
                !slot.frame->isHidden()) {
                slot.frame->close();
                if (lastActivated == slot.form) lastActivated = nullptr;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

frmMenu* MDIForm1::menuWindow() const { return static_cast<frmMenu*>(live(Menu)); }
QWidget* MDIForm1::dataEntryWindow() const { return live(DataEntry); }
QWidget* MDIForm1::graph1Window() const { return live(Graph1); }
QWidget* MDIForm1::calculationWindow() const { return live(Calculation); }
QWidget* MDIForm1::graph2Window() const { return live(Graph2); }
QWidget* MDIForm1::statisticsWindow() const { return live(Statistics); }
QWidget* MDIForm1::comparisonWindow() const { return live(Compare); }

ChoiceDialog* MDIForm1::choiceDialog(ChoiceId id) const
{
    return choices[static_cast<std::size_t>(id)];
}

void MDIForm1::showMenu() { showChild<frmMenu>(Menu); }

void MDIForm1::startCalculation()
{
    resetForCalculation(st);
    report.reset();  // a job left by an abandoned calculation never prints
    closeChild(Statistics);  // it showed the curves of the calculation before
    closeChild(Compare);     // and this one compared its curve 1
    closeChild(Menu);
    showDataEntry();
}

void MDIForm1::showDataEntry() { showChild<frmEntDados>(DataEntry); }

void MDIForm1::hideDataEntry()
{
    ChildSlot& slot = children[DataEntry];
    if (!live(DataEntry)) return;
    slot.hiddenByHub = true;
    slot.frame->hide();
    if (lastActivated == slot.form) lastActivated = nullptr;
}

void MDIForm1::closeDataEntry() { closeChild(DataEntry); }
void MDIForm1::openGraph1() { showChild<frmGrafico1>(Graph1); }
void MDIForm1::closeGraph1() { closeChild(Graph1); }
void MDIForm1::openCalculation() { showChild<frmCalCinetico>(Calculation); }
void MDIForm1::closeCalculation() { closeChild(Calculation); }
void MDIForm1::openGraph2() { showChild<frmGrafico2>(Graph2); }
void MDIForm1::closeGraph2() { closeChild(Graph2); }

void MDIForm1::openStatistics(const CalculationStatistics& calculation)
{
    showChild<frmFitStatistics>(Statistics)->setCalculation(calculation);
}

void MDIForm1::openComparison(const std::vector<DataSetPoints>& sets, Weighting weighting)
{
    showChild<frmCompare>(Compare)->setComparison(sets, weighting);
}

// Closes every window at once, without a question, and stops the application's event loop.
void MDIForm1::endProgram()
{
    if (ended) return;
    ended = true;
    for (int which = 0; which < ChildCount; ++which) closeChild(static_cast<Child>(which));
    for (QPointer<ChoiceDialog>& dialog : choices) {
        if (dialog) dialog->hide();
    }
    // modal dialogs of the windows (keyboard entry, points of a curve, ...) and message boxes:
    // hidden, not closed, since a close would let a window ask its own question ("Cancel It?")
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != this && top->isVisible()) top->hide();
    }
    report.reset();  // an unfinished printout is dropped
    hide();
    QCoreApplication::quit();
}

// ------------------------------------------------------------------ activation

void MDIForm1::subWindowActivated(QMdiSubWindow* frame)
{
    // null: the main window lost the activation (another application, a modal dialog)
    if (!frame) return;
    noteActivation(qobject_cast<ChildForm*>(frame->widget()), false);
}

// The return to the same child window (after its own modal dialog or message box, or from
// another application) is not an activation; a window shown by the hub always is.
void MDIForm1::noteActivation(ChildForm* form, bool force)
{
    if (!form) return;
    if (!force && form == lastActivated) return;
    lastActivated = form;
    if (activationQueued) return;
    activationQueued = true;
    QTimer::singleShot(0, this, &MDIForm1::deliverActivation);
}

void MDIForm1::deliverActivation()
{
    activationQueued = false;
    ChildForm* form = lastActivated;
    if (!form || ended) return;
    bool open = false;
    for (int which = 0; which < ChildCount; ++which) {
        if (live(static_cast<Child>(which)) == form && !children[which].hiddenByHub) open = true;
    }
    if (!open) return;
    QPointer<ChildForm> guard = form;
    try {
        form->activated();
        if (guard) emit childActivated(guard);
    } catch (const std::exception& e) {
        // a window's activation handles its own failures; this only keeps the event loop alive
        desktop.message(this, QString::fromStdString(e.what()), QStringLiteral("Error"), MessageIcon::Critical);
    }
}

// ------------------------------------------------------------------ choice dialogs

frmDadParcial& MDIForm1::pointsWindow()
{
    if (!points) points = new frmDadParcial(*this, this);
    return *points;
}

bool MDIForm1::askCurvePoints() { return pointsWindow().askPoints(); }

QString MDIForm1::askChoice(ChoiceId id)
{
    QPointer<ChoiceDialog>& dialog = choices[static_cast<std::size_t>(id)];
    if (!dialog) dialog = new ChoiceDialog(id, this);
    dialog->exec();
    if (!dialog) return QString();
    if (dialog->closedByCloseBox()) {
        // the close box unloads the dialog: its answer is forgotten
        dialog->deleteLater();
        dialog = nullptr;
        return QString();
    }
    return dialog->selectedOption();
}

// ------------------------------------------------------------------ report job and help

void MDIForm1::setReportJob(std::unique_ptr<TextPrintJob> job)
{
    std::unique_ptr<TextPrintJob> previous = std::move(report);
    report = std::move(job);
    if (previous) previous->end();
}

void MDIForm1::endReportJob()
{
    std::unique_ptr<TextPrintJob> job = std::move(report);
    if (job) job->end();
}

void MDIForm1::openHelp(QWidget* parent, const QString& helpFile, int topic)
{
    desktop.showHelp(parent ? parent : this, helpFile, topic);
}

}  // namespace kinetra
