#pragma once
// Random walks through the real windows (offscreen, over a scripted platform).
//
// A walk is a list of steps: clicks on controls found by object name, rows of the point
// list, typed texts, single keys, close boxes, answers to choice dialogs, and escape probes.
// A seed generates a walk step by step from what the active window offers (weighted toward
// the roads users take, with a share of steps that may be anything enabled); the recorded
// steps replay the same walk, and a replay of a shortened list is how a failing walk is
// shrunk. Each step also carries the answers the desktop gives while it runs (which file
// the open dialog returns, where the save dialog points, whether the printer dialog is
// confirmed).
//
// After every step the invariants are checked: no exception left a handler, the step came
// back within the step limit, no text on any window, message or report reads NaN or inf,
// the points in the list are the points read or typed less the rows deleted, a saved point
// file reads back as the list, the points handed on are the list's, a paste leaves at most
// 200 points in the list, a comparison's table and its plot's legend name the same sets, a
// saved picture file is complete, and no window is left open when the menu is back. An escape probe checks that the road back (never typing, and
// "Stop" only where a window has no road back) reaches the menu within a few actions.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace kinetra::walk {

enum class StepKind {
    Click,     // a control of the window, by object name, clicked through the window
    ClickRow,  // a row of the point list (row from 1)
    Type,      // Ctrl+A, then the text, into the focused control
    Key,       // one key into the focused control (or the window)
    CloseBox,  // the window's close box
    Answer,    // a choice dialog: that option, then "Continue"
    Escape,    // the escape probe starts here
    Choose,    // a combo box's item (row from 0), picked with the keys
    Paste,     // the text put on the clipboard, then Ctrl+V in the point list
};

struct Step {
    StepKind kind = StepKind::Click;
    QString window;     // object name of the window acted on
    QString control;    // Click: control; Answer: option
    QString text;       // Type: the text
    int key = 0;        // Key: Qt::Key
    int row = 0;        // ClickRow: row from 1; Choose: the item from 0
    int openChoice = 0;   // the open dialog's answer: an index into the offered files; -1 cancels
    int saveChoice = 0;   // the save dialog's answer: 0 a fresh file, 1 an unwritable place, -1 cancels
    bool printerOk = true;
    int pictureEnding = 0;  // a picture's save dialog answers a name ending .png (0), .svg (1) or .pdf (2)
};

// One line per step, readable and parsed back by parseStep.
QString describeStep(const Step& step);
bool parseStep(const QString& line, Step& step);

struct Fault {
    QString kind;    // "exception", "slow step", "nan", "lost point", "trap", "leak", ...
    QString detail;
    int step = -1;   // index of the step after which it showed (-1: none)
    bool operator==(const Fault&) const = default;
};

struct WalkOptions {
    int steps = 200;
    int stepLimitMs = 1000;        // a step that takes longer is a fault
    double escapeChance = 0.03;    // share of steps that start an escape probe
    double anythingShare = 0.2;    // share of steps chosen uniformly among everything enabled
    int escapeActions = 10;        // the road back must reach the menu within this many actions
    bool german = false;           // the decimal comma
};

struct WalkResult {
    std::vector<Step> steps;       // what ran (generated or replayed)
    std::vector<QString> trace;    // steps and escape actions as they ran
    Fault fault;                   // kind empty: the walk passed
    int actions = 0;               // steps and escape actions performed
    int restarts = 0;              // the program ended and started again within the walk
    int escapes = 0;               // escape probes that ran
    double maxStepMs = 0;
    bool passed() const { return fault.kind.isEmpty(); }
};

// The walk of that seed (its locale follows from the seed unless options say otherwise).
WalkOptions optionsForSeed(std::uint64_t seed, WalkOptions base = {});
WalkResult runWalk(std::uint64_t seed, const WalkOptions& options);
WalkResult replayWalk(const std::vector<Step>& steps, const WalkOptions& options);

// The shortest list found by dropping steps (chunks, then single steps) while `fails`
// still holds; `fails` is called on candidate lists.
std::vector<Step> shrinkSteps(std::vector<Step> steps, const std::function<bool(const std::vector<Step>&)>& fails);

// A walk file: "# seed <n> locale <c|de>", a line for the fault if any ("# fault <kind>: ..."),
// then one step a line. Lines starting with '#' are notes.
QString walkFileText(std::uint64_t seed, const WalkOptions& options, const std::vector<Step>& steps, const Fault& fault);
bool readWalkFile(const QString& path, std::vector<Step>& steps, WalkOptions& options);

// Text to print when the process dies: the seed and the steps so far (kept up to date).
const char* crashContext();
// head, then that text, on stderr (safe in a signal handler)
void writeCrashContext(const char* head);

}  // namespace kinetra::walk
