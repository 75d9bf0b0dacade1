#include "walk/harness/Walk.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>

#include "app/MDIForm1.h"
#include "entry/DataFileReader.h"
#include "format/NumberForms.h"
#include "graphs/GraphGeometry.h"
#include "platform/ScriptedPlatform.h"
#include "ui/ChildForm.h"
#include "ui/ChoiceDialog.h"

namespace kinetra::walk {

// ============================================================== steps as text

namespace {

const char* kindName(StepKind k)
{
    switch (k) {
    case StepKind::Click: return "click";
    case StepKind::ClickRow: return "row";
    case StepKind::Type: return "type";
    case StepKind::Key: return "key";
    case StepKind::CloseBox: return "close";
    case StepKind::Answer: return "answer";
    case StepKind::Escape: return "escape";
    }
    return "?";
}

struct KeyName {
    int key;
    const char* name;
};
constexpr KeyName kKeyNames[] = {{Qt::Key_Return, "Enter"},   {Qt::Key_Tab, "Tab"},
                                 {Qt::Key_Backtab, "Backtab"}, {Qt::Key_Escape, "Escape"},
                                 {Qt::Key_Delete, "Delete"},   {Qt::Key_Backspace, "Backspace"}};

QString keyText(int key)
{
    for (const KeyName& k : kKeyNames)
        if (k.key == key) return QString::fromLatin1(k.name);
    return QString(QChar(key));
}

int keyFromText(const QString& text)
{
    for (const KeyName& k : kKeyNames)
        if (text == QLatin1String(k.name)) return k.key;
    return text.size() == 1 ? text.at(0).unicode() : 0;
}

}  // namespace

QString describeStep(const Step& s)
{
    QString what;
    switch (s.kind) {
    case StepKind::Click: what = s.control; break;
    case StepKind::ClickRow: what = QString::number(s.row); break;
    case StepKind::Type: what = QStringLiteral("\"%1\"").arg(s.text); break;
    case StepKind::Key: what = keyText(s.key); break;
    case StepKind::Answer: what = s.control; break;
    case StepKind::CloseBox:
    case StepKind::Escape: break;
    }
    return QStringLiteral("%1 %2 %3 | open=%4 save=%5 printer=%6")
        .arg(QLatin1String(kindName(s.kind)), s.window.isEmpty() ? QStringLiteral("-") : s.window,
             what.isEmpty() ? QStringLiteral("-") : what)
        .arg(s.openChoice)
        .arg(s.saveChoice)
        .arg(s.printerOk ? 1 : 0);
}

bool parseStep(const QString& line, Step& s)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^(\w+) (\S+) (".*"|\S+) \| open=(-?\d+) save=(-?\d+) printer=([01])$)"));
    const QRegularExpressionMatch m = form.match(line.trimmed());
    if (!m.hasMatch()) return false;
    s = Step{};
    const QString kind = m.captured(1);
    bool known = false;
    for (StepKind k : {StepKind::Click, StepKind::ClickRow, StepKind::Type, StepKind::Key, StepKind::CloseBox,
                       StepKind::Answer, StepKind::Escape}) {
        if (kind == QLatin1String(kindName(k))) {
            s.kind = k;
            known = true;
        }
    }
    if (!known) return false;
    s.window = m.captured(2) == QLatin1String("-") ? QString() : m.captured(2);
    QString what = m.captured(3);
    if (what == QLatin1String("-")) what.clear();
    switch (s.kind) {
    case StepKind::Click:
    case StepKind::Answer: s.control = what; break;
    case StepKind::ClickRow: s.row = what.toInt(); break;
    case StepKind::Type: s.text = what.mid(1, what.size() - 2); break;
    case StepKind::Key: s.key = keyFromText(what); break;
    default: break;
    }
    s.openChoice = m.captured(4).toInt();
    s.saveChoice = m.captured(5).toInt();
    s.printerOk = m.captured(6) == QLatin1String("1");
    return true;
}

// ============================================================== crash context

namespace {

std::mutex contextMutex;
std::string contextText = "no walk running\n";
char contextBuffer[1 << 16];

void setContext(const std::string& text)
{
    std::lock_guard<std::mutex> lock(contextMutex);
    contextText = text;
    const std::size_t n = std::min(text.size(), sizeof contextBuffer - 1);
    std::copy_n(text.data(), n, contextBuffer);
    contextBuffer[n] = '\0';
}

}  // namespace

const char* crashContext() { return contextBuffer; }

// ============================================================== the files the dialogs offer

namespace {

struct OfferedFile {
    QString path;
    bool good;
};

const std::vector<OfferedFile>& offeredFiles()
{
    static const std::vector<OfferedFile> files = [] {
        const QString src = QStringLiteral(KINETRA_SOURCE_DIR);
        std::vector<OfferedFile> f;
        for (const char* good : {"examples/michaelis_menten.txt", "examples/sigmoidal.txt", "examples/two_curves.txt",
                                 "tests/data/worked_case_13_points.txt", "tests/data/hill_n2_10_points.txt",
                                 "tests/data/entry_five_unsorted.txt", "tests/data/two_points_crlf.txt",
                                 "tests/data/two_phases_16_points.txt"})
            f.push_back({src + QLatin1Char('/') + QLatin1String(good), true});
        for (const char* bad : {"tests/data/record_cut_off.txt", "tests/data/text_concentration.txt",
                                "tests/data/empty.txt", "tests/data/overflow_1e999.txt", "tests/data/250_records.txt",
                                "tests/data/zero_rates.txt", "tests/data/zero_concentration.txt",
                                "tests/data/no_such_file.txt", "tests/data"})
            f.push_back({src + QLatin1Char('/') + QLatin1String(bad), false});
        return f;
    }();
    return files;
}

// Every number the offered files hold: a point in the list must come from a file or from
// what was typed.
const std::vector<double>& fileNumbers()
{
    static const std::vector<double> numbers = [] {
        std::vector<double> n;
        for (const OfferedFile& f : offeredFiles()) {
            try {
                for (const ReadRecord& r : readDataFile(QFile::encodeName(f.path).toStdString())) {
                    n.push_back(r.concentration);
                    n.push_back(r.rate);
                }
            } catch (const std::exception&) {
                // a file that cannot be read adds no point
            }
        }
        return n;
    }();
    return numbers;
}

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-3 * std::max(std::fabs(a), std::fabs(b)) + 1e-300;
}

// ============================================================== the platform of the walks

class WalkPlatform : public ScriptedPlatform {
public:
    Step current;
    QString scratchDir;
    int saves = 0;
    bool fileOpened = false;
    QString currentWindow;                 // window of the step that runs
    std::vector<QString> pointFiles;       // saved point files not yet checked
    std::vector<QString> reportFiles;      // report files handed out

    QString openFileName(QWidget* parent, const QString& title, const QString& startDir) override
    {
        ScriptedPlatform::openFileName(parent, title, startDir);  // records the request
        const int k = current.openChoice;
        const auto& files = offeredFiles();
        if (k < 0 || k >= static_cast<int>(files.size())) return {};
        fileOpened = true;
        return files[static_cast<std::size_t>(k)].path;
    }
    QString saveFileName(QWidget* parent, const QString& title, const QString& startDir) override
    {
        ScriptedPlatform::saveFileName(parent, title, startDir);
        const int k = current.saveChoice;
        if (k < 0) return {};
        if (k == 1) return QStringLiteral("/nonexistent-kinetra-walk/out.txt");
        const QString path = scratchDir + QStringLiteral("/saved%1.txt").arg(++saves);
        // the point file is saved when the question "Save data changed?" was answered
        if (currentWindow == QLatin1String("frmsalvaarquivo")) pointFiles.push_back(path);
        else reportFiles.push_back(path);
        return path;
    }
    bool choosePrinter(QWidget* parent) override
    {
        ScriptedPlatform::choosePrinter(parent);
        return current.printerOk;
    }
};

// ============================================================== looking at the windows

bool shown(const QWidget* w) { return w && w->isVisible() && w->isEnabled(); }

QWidget* visibleModal()
{
    QWidget* m = QApplication::activeModalWidget();
    return m && m->isVisible() ? m : nullptr;
}

std::vector<QWidget*> candidateWindows(MDIForm1* hub)
{
    std::vector<QWidget*> out;
    if (QWidget* m = visibleModal()) {
        out.push_back(m);
        return out;
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != hub && top->isVisible() && qobject_cast<QDialog*>(top)) out.push_back(top);
    }
    if (hub->isVisible()) {
        for (QMdiSubWindow* frame : hub->workspace()->subWindowList()) {
            if (frame->isVisible() && frame->widget()) out.push_back(frame->widget());
        }
        // an empty workspace leaves the main window's close box
        if (out.empty()) out.push_back(hub);
    }
    return out;
}

QWidget* findWindow(MDIForm1* hub, const QString& name)
{
    for (QWidget* w : candidateWindows(hub))
        if (w->objectName() == name) return w;
    return nullptr;
}

bool atMenu(MDIForm1* hub)
{
    if (visibleModal()) return false;
    QWidget* menu = reinterpret_cast<QWidget*>(hub->menuWindow());
    if (!menu || !menu->isVisible()) return false;
    for (QWidget* w : candidateWindows(hub))
        if (w != menu) return false;
    return true;
}

QLineEdit* focusedField(QWidget* window)
{
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!edit || !window || !(window == edit || window->isAncestorOf(edit)) || !shown(edit)) return nullptr;
    return edit;
}

QTreeWidget* pointList(MDIForm1* hub)
{
    QWidget* entry = hub->dataEntryWindow();
    return entry ? entry->findChild<QTreeWidget*>(QStringLiteral("lvwDados")) : nullptr;
}

struct Pair {
    double c;
    double r;  // NaN: the rate is not there yet
};

std::vector<Pair> activePoints(QTreeWidget* list, char sep)
{
    std::vector<Pair> out;
    if (!list) return out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        const auto c = parseDecimal(item->text(1).toStdString(), sep);
        if (!c || *c == 0.0) continue;  // a deleted or empty row
        const auto r = parseDecimal(item->text(2).toStdString(), sep);
        out.push_back({*c, r ? *r : std::nan("")});
    }
    return out;
}

bool samePair(const Pair& a, const Pair& b)
{
    if (!near(a.c, b.c)) return false;
    if (std::isnan(a.r) || std::isnan(b.r)) return std::isnan(a.r) && std::isnan(b.r);
    return near(a.r, b.r);
}

// a - b as multisets
std::vector<Pair> minus(std::vector<Pair> a, const std::vector<Pair>& b)
{
    for (const Pair& p : b) {
        auto it = std::find_if(a.begin(), a.end(), [&](const Pair& q) { return samePair(p, q); });
        if (it != a.end()) a.erase(it);
    }
    return a;
}

QString pairsText(const std::vector<Pair>& ps)
{
    QStringList t;
    for (const Pair& p : ps) t << QStringLiteral("(%1, %2)").arg(p.c).arg(p.r);
    return t.join(QStringLiteral(" "));
}

const QRegularExpression& nanOrInf()
{
    static const QRegularExpression re(QStringLiteral("(?<![A-Za-z])(nan|inf|infinity)(?![A-Za-z])"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// Every text a window shows: captions, labels, fields, buttons, frames, list cells.
void windowTexts(QWidget* root, std::vector<QString>& out)
{
    out.push_back(root->windowTitle());
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (auto* l = qobject_cast<QLabel*>(w)) out.push_back(l->text());
        else if (auto* e = qobject_cast<QLineEdit*>(w)) out.push_back(e->text());
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) out.push_back(b->text());
        else if (auto* g = qobject_cast<QGroupBox*>(w)) out.push_back(g->title());
        else if (auto* t = qobject_cast<QTreeWidget*>(w)) {
            for (int i = 0; i < t->topLevelItemCount(); ++i)
                for (int c = 0; c < t->columnCount(); ++c) out.push_back(t->topLevelItem(i)->text(c));
        }
    }
}

// ============================================================== the walker

struct Candidate {
    double weight;
    Step step;
};

class Walker : public QObject {
public:
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
    // the steps
    void tick();
    void schedule();
    Step chooseStep();
    void act(const Step& s);
    std::optional<Step> escapeAction();
    bool finishIfNeeded();
    bool typedValuePending() const;
    // the invariants
    void checkAfterStep();
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
};

std::atomic<long long> progressStamp{0};

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A step that never comes back is a hang: the watchdog prints the walk and ends the process.
void startWatchdog(int limitMs)
{
    static std::atomic<int> limit{0};
    static std::once_flag once;
    limit = limitMs;
    std::call_once(once, [] {
        std::thread([] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                const long long stamp = progressStamp.load();
                if (stamp > 0 && nowMs() - stamp > limit.load()) {
                    const char head[] = "\nWALK HANG: a step did not return\n";
                    (void)!::write(2, head, sizeof head - 1);
                    const char* ctx = crashContext();
                    (void)!::write(2, ctx, std::strlen(ctx));
                    ::_exit(3);
                }
            }
        }).detach();
    });
}

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
    progressStamp = 0;
    hub.reset();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
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

void Walker::schedule()
{
    QTimer::singleShot(0, this, [this] { tick(); });
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
    setContext(text);
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
        QTimer::singleShot(1, this, [this] { tick(); });
        if (auto* choice = qobject_cast<ChoiceDialog*>(modal)) choice->close();
        else modal->hide();
        --depth;
        modalAtAction.pop_back();
        return true;
    }
    if (depth > 0) {
        QTimer::singleShot(1, this, [this] { tick(); });
        return true;
    }
    if (hub && !hub->programEnded()) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != hub.get() && top->isVisible() && qobject_cast<QDialog*>(top)) top->hide();
        hub->endProgram();
    }
    hub.reset();
    done = true;
    if (loop) loop->quit();
    return true;
}

void Walker::tick()
{
    if (done) return;
    progressStamp = nowMs();
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
            const char* ctx = crashContext();
            (void)!::write(2, "\nWALK HANG in\n", 14);
            (void)!::write(2, ctx, std::strlen(ctx));
            ::_exit(3);
        }
        QTimer::singleShot(1, this, [this] { tick(); });
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
            QTimer::singleShot(1, this, [this] { tick(); });
            return;
        }
        endProgramSession();
        if (finishing) {
            done = true;
            if (loop) loop->quit();
            return;
        }
        ++result.restarts;
        startProgram();
    }
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();

    if (clockRunning) {
        const double ms = static_cast<double>(stepClock.elapsed());
        result.maxStepMs = std::max(result.maxStepMs, ms);
        if (ms > opt.stepLimitMs)
            fail(QStringLiteral("slow step"), QStringLiteral("the step took %1 ms").arg(ms));
    }
    if (qEnvironmentVariableIsSet("KINETRA_WALK_DEBUG")) {  // the windows after each step, in the trace
        QStringList where;
        for (QWidget* x : candidateWindows(hub.get())) where << x->objectName();
        result.trace.push_back(QStringLiteral("      (depth %2 windows: %1)").arg(where.join(QLatin1Char(' '))).arg(depth));
    }
    if (lastStepRan) checkAfterStep();
    if (finishIfNeeded()) return;

    // an escape probe runs its own actions until the menu is back
    if (escapeLeft >= 0) {
        if (atMenu(hub.get()) || hub->programEnded()) {
            escapeLeft = -1;
        } else if (escapeLeft == 0) {
            QStringList where;
            for (QWidget* w : candidateWindows(hub.get())) where << w->objectName();
            fail(QStringLiteral("trap"), QStringLiteral("the road back did not reach the menu within %1 actions (still in %2)")
                                             .arg(opt.escapeActions)
                                             .arg(where.join(QLatin1Char(' '))));
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
            ++result.escapes;
            escapeLeft = opt.escapeActions;
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
        if (!typedValuePending()) {
            ++result.escapes;
            escapeLeft = opt.escapeActions;
        }
        schedule();
        return;
    }
    act(s);
}


// ------------------------------------------------------------------ acting

void clickThroughWindow(QWidget* w, QPoint local)
{
    QWidget* top = w->window();
    if (!top->windowHandle()) return;
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, w->mapTo(top, local));
}

void Walker::act(const Step& s)
{
    platform->current = s;
    platform->currentWindow = s.window;
    const std::vector<QWidget*> wins = candidateWindows(hub.get());
    fieldFocusedBefore = false;
    for (QWidget* w : wins) fieldFocusedBefore = fieldFocusedBefore || focusedField(w);
    stepClock.start();
    clockRunning = true;
    ++result.actions;
    // the next step runs from whatever event loop runs next, a modal window's included
    schedule();
    ++depth;
    modalAtAction.emplace_back(visibleModal());
    try {
        QWidget* win = findWindow(hub.get(), s.window);
        if (!win) {
            --depth;
            modalAtAction.pop_back();
            return;
        }
        switch (s.kind) {
        case StepKind::Click: {
            QWidget* c = s.control == win->objectName() ? win : win->findChild<QWidget*>(s.control);
            if (shown(c)) clickThroughWindow(c, c->rect().center());
            break;
        }
        case StepKind::ClickRow: {
            auto* list = win->findChild<QTreeWidget*>(QStringLiteral("lvwDados"));
            if (!shown(list) || s.row < 1 || s.row > list->topLevelItemCount()) break;
            QTreeWidgetItem* item = list->topLevelItem(s.row - 1);
            list->scrollToItem(item);
            clickThroughWindow(list->viewport(), list->visualItemRect(item).center());
            break;
        }
        case StepKind::Type: {
            QPointer<QWidget> target = focusedField(win);
            if (!target) break;
            QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
            if (target) QTest::keyClicks(target, s.text);
            break;
        }
        case StepKind::Key: {
            QWidget* target = QApplication::focusWidget();
            if (!target || !(target == win || win->isAncestorOf(target))) target = win;
            if (s.key >= 0x20 && s.key < 0x7f) QTest::keyClick(target, static_cast<char>(s.key));
            else QTest::keyClick(target, static_cast<Qt::Key>(s.key));
            break;
        }
        case StepKind::CloseBox: {
            if (win == hub.get()) {
                hub->close();
            } else if (auto* form = qobject_cast<ChildForm*>(win)) {
                QMdiSubWindow* frame = form->subWindow();
                if (frame && (frame->windowFlags() & Qt::WindowCloseButtonHint)) frame->close();
            } else {
                win->close();
            }
            break;
        }
        case StepKind::Answer: {
            QPointer<QWidget> dialog = win;
            if (auto* option = win->findChild<QRadioButton*>(s.control); shown(option))
                clickThroughWindow(option, option->rect().center());
            if (!dialog) break;
            if (auto* go = win->findChild<QAbstractButton*>(QStringLiteral("Command1")); shown(go))
                clickThroughWindow(go, go->rect().center());
            break;
        }
        case StepKind::Escape: break;
        }
    } catch (const std::exception& e) {
        fail(QStringLiteral("exception"), QStringLiteral("an exception left a handler: ") + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        fail(QStringLiteral("exception"), QStringLiteral("an exception of unknown type left a handler"));
    }
    --depth;
    modalAtAction.pop_back();
}

// The road back: the way out each window offers, never typing, "Stop" only where a window
// has no way back.
std::optional<Step> Walker::escapeAction()
{
    const std::vector<QWidget*> wins = candidateWindows(hub.get());
    if (wins.empty()) return std::nullopt;
    QWidget* win = wins.front();
    for (QWidget* w : wins)
        if (w->objectName() != QLatin1String("frmMenu")) {
            win = w;
            break;
        }
    // among the workspace's windows the user turns to the one in front (the Fit Statistics
    // window stands over the calculation window)
    if (win->parentWidget() && qobject_cast<QMdiSubWindow*>(win->parentWidget())) {
        const QList<QMdiSubWindow*> frames = hub->workspace()->subWindowList(QMdiArea::StackingOrder);
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            QWidget* w = (*it)->widget();
            if ((*it)->isVisible() && w && w->objectName() != QLatin1String("frmMenu")) {
                win = w;
                break;
            }
        }
    }
    Step a;
    a.openChoice = -1;
    a.saveChoice = -1;
    a.printerOk = false;
    a.window = win->objectName();
    const QString name = a.window;
    if (qobject_cast<ChoiceDialog*>(win)) {
        a.kind = StepKind::Answer;
        a.control = name == QLatin1String("frmfechar") ? QStringLiteral("optyes")
                    : name == QLatin1String("frmchangedata") ? QStringLiteral("optok")
                                                               : QStringLiteral("optno");
    } else if (name == QLatin1String("frmExpPontos")) {
        a.kind = StepKind::Key;
        a.key = Qt::Key_Escape;
    } else if (name == QLatin1String("frmEntDados")) {
        a.control = QStringLiteral("Command1");
    } else if (name == QLatin1String("frmGrafico1") || name == QLatin1String("frmGrafico2")) {
        a.control = QStringLiteral("cmmBack");
    } else if (name == QLatin1String("frmCalCinetico")) {
        QWidget* no = win->findChild<QWidget*>(QStringLiteral("optGraNao"));
        a.control = shown(no) ? QStringLiteral("optGraNao") : QStringLiteral("Command3");
    } else if (name == QLatin1String("frmMenu")) {
        return std::nullopt;
    } else if (win == hub.get()) {
        a.kind = StepKind::CloseBox;  // nothing but the main window is left: its close box ends the run
    } else {
        a.kind = StepKind::CloseBox;
    }
    return a;
}

// ------------------------------------------------------------------ choosing

double roadWeight(const QString& window, const QString& control)
{
    static const std::map<QString, std::map<QString, double>> table = {
        {QStringLiteral("frmMenu"), {{QStringLiteral("cmdMenCalcula"), 20}, {QStringLiteral("cmdMenSaida"), 0.2}}},
        {QStringLiteral("frmEntDados"),
         {{QStringLiteral("optFile"), 6}, {QStringLiteral("optKeyboard"), 3}, {QStringLiteral("cmmdataOk"), 2},
          {QStringLiteral("optDestNone"), 3}, {QStringLiteral("optDestFile"), 2}, {QStringLiteral("optDestPrinter"), 2},
          {QStringLiteral("cmdDesenha"), 6}, {QStringLiteral("Command1"), 0.4}, {QStringLiteral("cmmStop"), 0.1},
          {QStringLiteral("cmmhelp"), 0.3}}},
        {QStringLiteral("frmGrafico1"),
         {{QStringLiteral("cmdNext"), 6}, {QStringLiteral("cmmBack"), 1}, {QStringLiteral("cmmStop"), 0.1},
          {QStringLiteral("cmmhelp"), 0.3}}},
        {QStringLiteral("frmCalCinetico"),
         {{QStringLiteral("Command1"), 4}, {QStringLiteral("Command2"), 3}, {QStringLiteral("optGraSim"), 4},
          {QStringLiteral("optGraNao"), 2}, {QStringLiteral("Command3"), 0.1}, {QStringLiteral("cmmhelp"), 0.3}}},
        {QStringLiteral("frmGrafico2"),
         {{QStringLiteral("cmdNext"), 3}, {QStringLiteral("cmdPrint"), 2}, {QStringLiteral("cmmBack"), 1},
          {QStringLiteral("cmmStop"), 0.1}, {QStringLiteral("cmmhelp"), 0.3}}},
    };
    const auto w = table.find(window);
    if (w == table.end()) return 1;
    const auto c = w->second.find(control);
    return c == w->second.end() ? 0.5 : c->second;
}

Step Walker::chooseStep()
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    Step base;
    const int files = static_cast<int>(offeredFiles().size());
    const double f = unit(rng);
    base.openChoice = f < 0.12 ? -1 : f < 0.8 ? pick(8) : pick(files);  // the first eight are good files
    const double g = unit(rng);
    base.saveChoice = g < 0.7 ? 0 : g < 0.8 ? 1 : -1;
    base.printerOk = unit(rng) < 0.8;

    if (unit(rng) < opt.escapeChance) {
        base.kind = StepKind::Escape;
        return base;
    }

    const std::vector<QWidget*> wins = candidateWindows(hub.get());
    if (wins.empty()) {
        base.kind = StepKind::Key;
        base.key = Qt::Key_Escape;
        return base;
    }
    QWidget* win = wins.size() > 1 && unit(rng) < 0.3 ? wins[static_cast<std::size_t>(pick(static_cast<int>(wins.size())))]
                                                      : wins.front();
    base.window = win->objectName();
    const QString wname = base.window;
    const char sep = QLocale().decimalPoint().at(0).toLatin1();

    std::vector<Candidate> c;
    auto add = [&](double w, Step s) { c.push_back({w, std::move(s)}); };
    auto with = [&](StepKind k) {
        Step s = base;
        s.kind = k;
        return s;
    };

    const bool choice = qobject_cast<ChoiceDialog*>(win) != nullptr;
    for (QAbstractButton* b : win->findChildren<QAbstractButton*>()) {
        if (!shown(b) || b->objectName().isEmpty()) continue;
        Step s = with(StepKind::Click);
        s.control = b->objectName();
        add(choice ? 1 : roadWeight(wname, s.control), s);
    }
    for (QLineEdit* e : win->findChildren<QLineEdit*>()) {
        if (!shown(e) || e->isReadOnly()) continue;
        Step s = with(StepKind::Click);
        s.control = e->objectName();
        add(0.3, s);
    }
    if (auto* list = win->findChild<QTreeWidget*>(QStringLiteral("lvwDados")); shown(list) && list->topLevelItemCount() > 0) {
        Step s = with(StepKind::ClickRow);
        s.row = 1 + pick(list->topLevelItemCount());
        add(3, s);
    }
    if (choice) {
        const QList<QRadioButton*> options = win->findChildren<QRadioButton*>();
        if (!options.isEmpty()) {
            Step s = with(StepKind::Answer);
            s.control = options[pick(static_cast<int>(options.size()))]->objectName();
            add(10, s);
        }
        add(0.8, with(StepKind::CloseBox));
    } else if (qobject_cast<QDialog*>(win)) {
        add(0.3, with(StepKind::CloseBox));
    } else {
        add(0.05, with(StepKind::CloseBox));
    }

    auto key = [&](double w, int k) {
        Step s = with(StepKind::Key);
        s.key = k;
        add(w, s);
    };
    if (QLineEdit* field = focusedField(win)) {
        static const char* goodNumbers[] = {"1", "2", "5", "10", "0.5", "0.25", "3.3", "100", "1000", "0.001", "7.5", "42"};
        static const char* badTexts[] = {"0", "-1", "abc", "1e999", "1..2", ",", "NaN", "inf", "1.2.3", " ", "1e-320"};
        QString good;
        if (wname == QLatin1String("frmDadParcial") && field->objectName() != QLatin1String("txtBaseline")) {
            good = QString::number(1 + pick(std::max<int>(1, hub->state().pointCount)));
        } else if (unit(rng) < 0.5) {
            good = QString::fromLatin1(goodNumbers[pick(static_cast<int>(std::size(goodNumbers)))]);
        } else {
            good = QString::number(1 + pick(999));
            if (unit(rng) < 0.5) good += QStringLiteral(".") + QString::number(pick(100));
        }
        Step t = with(StepKind::Type);
        t.text = good.replace(QLatin1Char('.'), QLatin1Char(sep));
        add(5, t);
        Step b = with(StepKind::Type);
        b.text = QString::fromLatin1(badTexts[pick(static_cast<int>(std::size(badTexts)))]);
        add(0.6, b);
        key(4, Qt::Key_Return);
        key(1, Qt::Key_Tab);
        key(0.3, Qt::Key_Backtab);
        key(0.2, Qt::Key_Delete);
        key(0.2, Qt::Key_Backspace);
        key(0.3, '0' + pick(10));
        key(0.2, 'a' + pick(26));
        key(0.2, sep);
    } else {
        key(0.2, Qt::Key_Return);
        key(0.2, Qt::Key_Tab);
        key(0.1, Qt::Key_Backtab);
        key(0.1, '0' + pick(10));
    }
    key(qobject_cast<QDialog*>(win) ? 0.4 : 0.1, Qt::Key_Escape);

    if (unit(rng) < opt.anythingShare) return c[static_cast<std::size_t>(pick(static_cast<int>(c.size())))].step;
    double total = 0;
    for (const Candidate& k : c) total += k.weight;
    double r = unit(rng) * total;
    for (const Candidate& k : c) {
        r -= k.weight;
        if (r <= 0) return k.step;
    }
    return c.back().step;
}

// ------------------------------------------------------------------ the invariants

bool Walker::knownNumber(double v) const
{
    if (v == 0.0) return true;  // a deleted row reads 0
    const auto& f = fileNumbers();
    auto match = [v](double x) { return near(v, x); };
    return std::any_of(f.begin(), f.end(), match) || std::any_of(typedNumbers.begin(), typedNumbers.end(), match);
}

void Walker::noteFieldNumbers()
{
    const QString point = QLocale().decimalPoint();
    const char sep = point.at(0).toLatin1();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        for (QLineEdit* e : top->findChildren<QLineEdit*>()) {
            if (!e->isVisible()) continue;
            const auto v = parseDecimal(e->text().trimmed().toStdString(), sep);
            if (!v || !std::isfinite(*v)) continue;
            if (std::none_of(typedNumbers.begin(), typedNumbers.end(), [&](double x) { return x == *v; }))
                typedNumbers.push_back(*v);
        }
    }
}

void Walker::checkAfterStep()
{
    if (!hub || hub->programEnded()) return;
    const char sep = QLocale().decimalPoint().at(0).toLatin1();
    noteFieldNumbers();

    // no NaN or inf on any window, in any message or report line
    // what the user typed (a ligand called "inf") is the user's own text wherever it shows
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QLineEdit* e : top->findChildren<QLineEdit*>())
            if (e->isModified() && !e->text().trimmed().isEmpty() && !typedTexts.contains(e->text().trimmed()))
                typedTexts << e->text().trimmed();
    auto scan = [this](const QString& where, const QString& text) {
        QString own = text;
        for (const QString& t : typedTexts) own.remove(t);
        if (own.contains(nanOrInf())) fail(QStringLiteral("nan"), where + QStringLiteral(" shows \"") + text + QLatin1Char('"'));
    };
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        std::vector<QString> texts;
        windowTexts(top, texts);
        for (QLineEdit* e : top->findChildren<QLineEdit*>()) {
            // what the user typed is the user's own text
            if (e->isModified()) texts.erase(std::remove(texts.begin(), texts.end(), e->text()), texts.end());
        }
        for (const QString& t : texts) scan(top->objectName(), t);
    }
    for (const ScriptedPlatform::Message& m : platform->messages) scan(QStringLiteral("message ") + m.title, m.text);
    platform->messages.clear();
    for (; jobsChecked < platform->printedJobs.size(); ++jobsChecked)
        for (const std::string& line : platform->printedJobs[jobsChecked]) scan(QStringLiteral("printed report"), QString::fromStdString(line));
    for (const std::string& line : platform->openJobLines()) scan(QStringLiteral("printed report"), QString::fromStdString(line));
    for (const QString& path : platform->reportFiles) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) scan(QStringLiteral("report file"), QString::fromUtf8(file.readAll()));
    }
    if (hub->graph1Window()) {
        try {
            const DisplayList picture = buildGraph1(hub->state().dataSet);
            for (const DrawOp& op : picture.ops) {
                if (const auto* t = std::get_if<Text>(&op)) {
                    scan(QStringLiteral("graph 1"), QString::fromStdString(t->text));
                    if (!std::isfinite(t->topLeft.x) || !std::isfinite(t->topLeft.y))
                        fail(QStringLiteral("nan"), QStringLiteral("graph 1 places a text at a non-finite point"));
                } else if (const auto* l = std::get_if<Line>(&op)) {
                    if (!std::isfinite(l->from.x + l->from.y + l->to.x + l->to.y))
                        fail(QStringLiteral("nan"), QStringLiteral("graph 1 draws a line through a non-finite point"));
                } else if (const auto* k = std::get_if<Circle>(&op)) {
                    if (!std::isfinite(k->centre.x + k->centre.y + k->radius))
                        fail(QStringLiteral("nan"), QStringLiteral("graph 1 draws a dot at a non-finite point"));
                }
            }
        } catch (const std::exception&) {
            // the window shows its own failure message; nothing to check here
        }
    }

    // no lost point
    QTreeWidget* list = pointList(hub.get());
    const std::vector<Pair> now = activePoints(list, sep);
    const std::vector<Pair> added = minus(now, lastPoints);
    const std::vector<Pair> removed = minus(lastPoints, now);
    for (const Pair& p : added) {
        if (!knownNumber(p.c) || (!std::isnan(p.r) && !knownNumber(p.r)))
            fail(QStringLiteral("lost point"), QStringLiteral("the list shows a point neither read nor typed: ") + pairsText({p}));
    }
    const QString& w = lastStep.window;
    // a new list (a file read, a fresh keyboard entry, a cancelled entry, a new calculation)
    // may come a step after the action that asked for it, once the modal question is gone
    if (list != lastListAddress || (lastListAddress && lastList.isNull()) || platform->fileOpened ||
        (lastStep.kind == StepKind::Click &&
         (lastStep.control == QLatin1String("optKeyboard") || lastStep.control == QLatin1String("cmdMenCalcula"))) ||
        w == QLatin1String("frmfechar"))
        listMayChange = 2;
    const bool replaced = listMayChange > 0;
    if (listMayChange > 0) --listMayChange;
    // an unfinished point (its rate not yet typed) goes with a cancelled entry
    std::vector<Pair> lost;
    for (const Pair& p : removed)
        if (!std::isnan(p.r)) lost.push_back(p);
    if (!replaced) {
        const std::size_t allowed = (w == QLatin1String("frmchangedata") ? 1 : 0) + (fieldFocusedBefore ? added.size() : 0);
        if (lost.size() > allowed)
            fail(QStringLiteral("lost point"), QStringLiteral("points left the list: %1 (the list now: %2)")
                                                   .arg(pairsText(lost), pairsText(now)));
    }
    // the points handed on are the list's
    const bool graph1Open = hub->graph1Window() != nullptr;
    if (graph1Open && !graph1WasOpen && list && (w == QLatin1String("frmEntDados") || w == QLatin1String("frmsalvaarquivo"))) {
        const DataSet& data = hub->state().dataSet;
        std::vector<Pair> handed;
        for (std::size_t i = 0; i < data.concentration.size(); ++i) handed.push_back({data.concentration[i], data.rate[i]});
        std::vector<Pair> listed;
        for (const Pair& p : now) listed.push_back({p.c, std::isnan(p.r) ? 0.0 : p.r});
        if (!minus(handed, listed).empty() || !minus(listed, handed).empty())
            fail(QStringLiteral("lost point"), QStringLiteral("handed on %1 but the list shows %2").arg(pairsText(handed), pairsText(listed)));
    }
    // a saved point file reads back as the list
    for (const QString& path : platform->pointFiles) {
        if (!QFile::exists(path)) continue;
        std::vector<Pair> saved;
        try {
            for (const ReadRecord& r : readDataFile(QFile::encodeName(path).toStdString())) saved.push_back({r.concentration, r.rate});
        } catch (const std::exception& e) {
            fail(QStringLiteral("saved file"), QStringLiteral("the saved point file does not read back: ") + QString::fromLocal8Bit(e.what()));
            continue;
        }
        std::vector<Pair> listed;
        for (const Pair& p : now) listed.push_back({p.c, std::isnan(p.r) ? 0.0 : p.r});
        if (!minus(saved, listed).empty() || !minus(listed, saved).empty())
            fail(QStringLiteral("saved file"), QStringLiteral("the saved file holds %1 but the list shows %2").arg(pairsText(saved), pairsText(listed)));
    }
    platform->pointFiles.clear();

    // no window left open once the menu is back
    if (QWidget* menu = reinterpret_cast<QWidget*>(hub->menuWindow()); menu && menu->isVisible() && !visibleModal()) {
        QStringList others;
        for (QWidget* x : candidateWindows(hub.get()))
            if (x != menu) others << x->objectName();
        if (!others.isEmpty()) fail(QStringLiteral("leak"), QStringLiteral("open beside the menu: ") + others.join(QLatin1Char(' ')));
    }

    lastPoints = now;
    lastList = list;
    lastListAddress = list;
    graph1WasOpen = graph1Open;
    platform->fileOpened = false;
}

}  // namespace

// ============================================================== entry points

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

QString walkFileText(std::uint64_t seed, const WalkOptions& options, const std::vector<Step>& steps, const Fault& fault)
{
    QString text = QStringLiteral("# seed %1 locale %2\n").arg(seed).arg(options.german ? QStringLiteral("de") : QStringLiteral("c"));
    if (!fault.kind.isEmpty()) text += QStringLiteral("# fault %1: %2\n").arg(fault.kind, fault.detail);
    for (const Step& s : steps) text += describeStep(s) + QLatin1Char('\n');
    return text;
}

bool readWalkFile(const QString& path, std::vector<Step>& steps, WalkOptions& options)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    steps.clear();
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("# seed "))) options.german = line.endsWith(QLatin1String(" de"));
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        Step s;
        if (!parseStep(line, s)) return false;
        steps.push_back(s);
    }
    return true;
}

std::vector<Step> shrinkSteps(std::vector<Step> steps, const std::function<bool(const std::vector<Step>&)>& fails)
{
    std::size_t parts = 2;
    while (steps.size() >= 2) {
        const std::size_t chunk = (steps.size() + parts - 1) / parts;
        bool reduced = false;
        for (std::size_t start = 0; start < steps.size(); start += chunk) {
            std::vector<Step> candidate(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(start));
            candidate.insert(candidate.end(), steps.begin() + static_cast<std::ptrdiff_t>(std::min(steps.size(), start + chunk)),
                             steps.end());
            if (fails(candidate)) {
                steps = std::move(candidate);
                parts = std::max<std::size_t>(parts - 1, 2);
                reduced = true;
                break;
            }
        }
        if (!reduced) {
            if (parts >= steps.size()) break;
            parts = std::min(steps.size(), parts * 2);
        }
    }
    return steps;
}

}  // namespace kinetra::walk
