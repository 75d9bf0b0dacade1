// The walk's loop: the program's start and end, the ticks that take the steps one by one
// (generated or replayed), the escape probes, the step clock, and the finish that closes
// whatever is open; with the entry points of Walk.h that run a walk.
#include "walk/harness/Walker.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <string>
#include <unistd.h>

#include "ui/BackgroundWork.h"
#include "ui/ChoiceDialog.h"
#include "walk/harness/OpenWindows.h"
#include "walk/harness/Watchdog.h"

namespace kinetra::walk {

WalkResult Walker::run()
{
    QLocale::setDefault(opt.german ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
    scratch = std::make_unique<QTemporaryDir>();
    startWatchdog(std::max(10000, opt.stepLimitMs * 10));
    startProgram();
    QEventLoop eventLoop;
    loop = &eventLoop;
    schedule();
    eventLoop.exec();
    loop = nullptr;
    clearProgress();
    dropProgram();
    platform.reset();
    QLocale::setDefault(QLocale::c());
    return result;
}

void Walker::startProgram()
{
    platform = std::make_unique<WalkPlatform>();
    platform->scratchDir = scratch->path();
    platform->pdfDirectory = scratch->path();
    hub = std::make_unique<MDIForm1>(*platform);
    hub->show();
    (void)QTest::qWaitForWindowExposed(hub.get());
    hub->activateWindow();
    (void)QTest::qWaitForWindowActive(hub.get());
    lastPoints.clear();
    lastList = nullptr;
    lastListAddress = nullptr;
    graph1WasOpen = false;
    typedNumbers.clear();
    typedTexts.clear();
    jobsChecked = 0;
}

// The program ended (Stop, "Exit to Windows", a close box): nothing may be left open.
void Walker::endProgramSession()
{
    QStringList left;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible()) left << top->objectName() + QLatin1Char(':') + QLatin1String(top->metaObject()->className());
    }
    if (!left.isEmpty()) fail(QStringLiteral("leak"), QStringLiteral("after the program ended: ") + left.join(QLatin1Char(' ')));
    dropProgram();
}

// The main window goes, and with it every window it owns, deleted now.
void Walker::dropProgram()
{
    hub.reset();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A value the user typed into the focused field, which keeps the focus until it is corrected
// when it is wrong: the road back is then not expected to work without typing.
bool Walker::typedValuePending() const
{
    for (QWidget* w : candidateWindows(hub.get()))
        if (QLineEdit* typed = focusedField(w); typed && typed->isModified()) return true;
    return false;
}

void Walker::schedule(int delayMs)
{
    QTimer::singleShot(delayMs, this, [this] { tick(); });
}

void Walker::stop()
{
    done = true;
    if (loop) loop->quit();
}

void Walker::startEscape()
{
    ++result.escapes;
    escapeLeft = opt.escapeActions;
}

void Walker::fail(const QString& kind, const QString& detail)
{
    if (!result.fault.kind.isEmpty()) return;
    result.fault = Fault{kind, detail, static_cast<int>(result.steps.size()) - 1};
    result.trace.push_back(QStringLiteral("FAULT %1: %2").arg(kind, detail));
    finishing = true;
}

void Walker::updateContext()
{
    std::string text = "walk seed " + std::to_string(seedValue) + (replaying ? " (replay)" : "") + "\nsteps so far:\n";
    const std::size_t from = result.trace.size() > 60 ? result.trace.size() - 60 : 0;
    for (std::size_t i = from; i < result.trace.size(); ++i) text += "  " + result.trace[i].toStdString() + "\n";
    setCrashContext(text);
}

// What the walk must stop at: the last step done, a fault, the end of a replay.
bool Walker::finishIfNeeded()
{
    if (!finishing) return false;
    // close whatever modal window is up, from the innermost out, then end the program
    if (QWidget* modal = visibleModal()) {
        // a choice dialog's close box gives no answer; any other modal window is hidden,
        // which ends its showing without asking anything more
        ++depth;
        modalAtAction.emplace_back(modal);
        schedule(1);
        if (auto* choice = qobject_cast<ChoiceDialog*>(modal)) choice->close();
        else modal->hide();
        --depth;
        modalAtAction.pop_back();
        return true;
    }
    if (depth > 0) {
        schedule(1);
        return true;
    }
    if (hub && !hub->programEnded()) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != hub.get() && top->isVisible() && qobject_cast<QDialog*>(top)) top->hide();
        hub->endProgram();
    }
    hub.reset();
    stop();
    return true;
}

void Walker::tick()
{
    if (done) return;
    stampProgress();
    if (depth > 0 && (!visibleModal() || std::any_of(modalAtAction.begin(), modalAtAction.end(), [](const QPointer<QWidget>& m) {
                          return m.data() == visibleModal();
                      }))) {
        // the innermost action opened no modal window that is still up: this runs from an
        // event loop about to end, or from the events a click delivers, so it waits
        if (!waiting.isValid()) waiting.start();
        if (waiting.elapsed() > std::max(2000, opt.stepLimitMs)) {
            // an event loop runs with nothing shown to answer it: the user could only kill
            // the program. Nothing unwinds it from here, so the walk ends the process.
            QStringList tops;
            for (QWidget* top : QApplication::topLevelWidgets())
                tops << QStringLiteral("%1(%2)").arg(top->objectName(), top->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"));
            result.trace.push_back(QStringLiteral("FAULT hang: an event loop waits and no window is shown to answer it (windows: %1)")
                                       .arg(tops.join(QLatin1Char(' '))));
            updateContext();
            writeCrashContext("\nWALK HANG in\n");
            ::_exit(3);
        }
        schedule(1);
        return;
    }
    waiting.invalidate();
    if (finishIfNeeded()) return;
    if (hub && hub->programEnded()) {
        if (QWidget* modal = visibleModal(); modal && depth > 0) {
            // ending the program closes every window at once, without a question
            fail(QStringLiteral("question at the end"),
                 QStringLiteral("the program asks in %1 while it ends").arg(modal->objectName()));
            finishIfNeeded();
            return;
        }
        // the nested event loops of the ended program unwind first
        if (depth > 0) {
            schedule(1);
            return;
        }
        endProgramSession();
        if (finishing) {
            stop();
            return;
        }
        ++result.restarts;
        startProgram();
    }
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    // A table read or a comparison started by the step ends before the next step, so that a
    // walk goes the same way every time it is replayed.
    if (hub) kinetra::BackgroundWork::waitForAll(hub.get());

    if (clockRunning) {
        const double ms = static_cast<double>(stepClock.elapsed());
        result.maxStepMs = std::max(result.maxStepMs, ms);
        if (ms > opt.stepLimitMs)
            fail(QStringLiteral("slow step"), QStringLiteral("the step took %1 ms").arg(ms));
    }
    if (qEnvironmentVariableIsSet("KINETRA_WALK_DEBUG"))  // the windows after each step, in the trace
        result.trace.push_back(QStringLiteral("      (depth %2 windows: %1)").arg(windowNames(hub.get()).join(QLatin1Char(' '))).arg(depth));
    if (lastStepRan) checkAfterStep();
    if (finishIfNeeded()) return;

    // an escape probe runs its own actions until the menu is back
    if (escapeLeft >= 0) {
        if (atMenu(hub.get()) || hub->programEnded()) {
            escapeLeft = -1;
        } else if (escapeLeft == 0) {
            fail(QStringLiteral("trap"), QStringLiteral("the road back did not reach the menu within %1 actions (still in %2)")
                                             .arg(opt.escapeActions)
                                             .arg(windowNames(hub.get()).join(QLatin1Char(' '))));
            finishIfNeeded();
            return;
        } else if (std::optional<Step> a = escapeAction()) {
            --escapeLeft;
            result.trace.push_back(QStringLiteral("   escape: ") + describeStep(*a));
            lastStep = *a;
            lastStepRan = true;
            updateContext();
            act(*a);
            return;
        } else {
            escapeLeft = -1;
        }
    }

    const bool more = replaying ? next < static_cast<int>(script.size()) : next < opt.steps;
    if (!more) {
        // every walk ends with the road back to the menu
        if (escapeLeft < 0 && !finalEscapeDone && !hub->programEnded() && !typedValuePending()) {
            finalEscapeDone = true;
            Step marker;
            marker.kind = StepKind::Escape;
            result.trace.push_back(QStringLiteral("(end of walk) ") + describeStep(marker));
            startEscape();
            lastStepRan = false;
            schedule();
            return;
        }
        finishing = true;
        finishIfNeeded();
        return;
    }

    Step s = replaying ? script[static_cast<std::size_t>(next)] : chooseStep();
    ++next;
    result.steps.push_back(s);
    result.trace.push_back(QStringLiteral("%1: ").arg(result.steps.size() - 1, 3) + describeStep(s));
    updateContext();
    lastStep = s;
    lastStepRan = true;
    if (s.kind == StepKind::Escape) {
        if (!typedValuePending()) startEscape();
        schedule();
        return;
    }
    act(s);
}

WalkOptions optionsForSeed(std::uint64_t seed, WalkOptions base)
{
    base.german = seed % 4 == 3;
    return base;
}

WalkResult runWalk(std::uint64_t seed, const WalkOptions& options)
{
    Walker walker(seed, options, nullptr);
    return walker.run();
}

WalkResult replayWalk(const std::vector<Step>& steps, const WalkOptions& options)
{
    Walker walker(0, options, &steps);
    return walker.run();
}

}  // namespace kinetra::walk
