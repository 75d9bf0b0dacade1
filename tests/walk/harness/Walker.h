#pragma once
// One walk: the program runs in an event loop, and each step is taken from a timer, so a step
// that opens a modal window is followed by the next one from inside that window's own loop.
// Walker.cpp drives the loop and the program's lifetime, Actions.cpp chooses and performs the
// steps and the road back, Invariants.cpp checks what each step left.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "app/MDIForm1.h"
#include "walk/harness/Points.h"
#include "walk/harness/Walk.h"
#include "walk/harness/WalkPlatform.h"

class QEventLoop;

namespace kinetra::walk {

class Walker : public QObject {
public:
    // replay: the steps to run instead of generating them from the seed
    Walker(std::uint64_t seed, const WalkOptions& options, const std::vector<Step>* replay)
        : opt(options), rng(seed), replaying(replay), seedValue(seed)
    {
        if (replay) script = *replay;
    }

    WalkResult run();

private:
    // the program
    void startProgram();
    void endProgramSession();
    void dropProgram();
    // the steps
    void tick();
    void schedule(int delayMs = 0);
    void stop();
    void startEscape();
    Step chooseStep();
    QWidget* frontWindow(const std::vector<QWidget*>& wins) const;
    void act(const Step& s);
    std::optional<Step> escapeAction();
    bool finishIfNeeded();
    bool typedValuePending() const;
    // the invariants
    void checkAfterStep();
    void checkNoNanOrInf();
    void checkPoints();
    void checkComparisons();
    void checkPictures();
    void fail(const QString& kind, const QString& detail);
    void noteFieldNumbers();
    bool knownNumber(double v) const;
    void updateContext();

    WalkOptions opt;
    std::mt19937_64 rng;
    const std::vector<Step>* replaying;
    std::uint64_t seedValue;
    std::vector<Step> script;  // replay: the steps to run

    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<WalkPlatform> platform;
    std::unique_ptr<MDIForm1> hub;
    QEventLoop* loop = nullptr;
    WalkResult result;

    int next = 0;          // index of the next recorded step
    int depth = 0;         // steps whose action has not returned (a modal window is up)
    // for each action on the stack, the modal window that was up when it began: a step that
    // comes while no newer one is up runs in an event loop about to end, and waits
    std::vector<QPointer<QWidget>> modalAtAction;
    bool finishing = false;
    bool done = false;
    bool finalEscapeDone = false;
    int escapeLeft = -1;   // actions left to the running escape probe (-1: none)
    Step lastStep;
    bool lastStepRan = false;
    bool fieldFocusedBefore = false;
    QElapsedTimer stepClock;
    QElapsedTimer waiting;  // how long ticks have waited for event loops to end
    bool clockRunning = false;

    // what the invariants remember between steps
    std::vector<Pair> lastPoints;
    QPointer<QTreeWidget> lastList;
    const QTreeWidget* lastListAddress = nullptr;
    bool graph1WasOpen = false;
    int listMayChange = 0;
    std::vector<double> typedNumbers;
    QStringList typedTexts;
    std::size_t jobsChecked = 0;
    bool pasted = false;  // the step pasted into the point list
};

}  // namespace kinetra::walk
