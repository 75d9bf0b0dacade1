// kinetra-walk: random walks through the windows, offscreen.
//
//   kinetra-walk [--walks N] [--first SEED] [--steps K] [--step-limit-ms MS] [--out DIR]
//                [--seconds S]        (start no walk after S seconds)
//   kinetra-walk --replay FILE        (a walk file written by a failing walk)
//
// KINETRA_WALK_TRACE=1 prints a failing walk's whole trace; KINETRA_WALK_DEBUG=1 adds the
// windows shown after each step.
//
// Each failing walk is shrunk (steps dropped while the same kind of fault still shows) and
// written to DIR/walk-<seed>.txt; a process that dies prints the seed and the last steps.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <csignal>
#include <cstdio>
#include <map>

#include "walk/harness/Walk.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

using namespace kinetra::walk;

namespace {

void printContext() { writeCrashContext("\nWALK CRASH in\n"); }

void onSignal(int sig)
{
    printContext();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// Qt's warnings are printed with the step that caused them
void onQtMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    if (text.contains(QLatin1String("propagateSizeHints")) || text.contains(QLatin1String("does not support raise")))
        return;
    std::string ctx = crashContext();
    std::size_t cut = ctx.rfind('\n', ctx.size() >= 2 ? ctx.size() - 2 : 0);
    for (int lines = 1; lines < 16 && cut != std::string::npos && cut > 0 && qEnvironmentVariableIsSet("KINETRA_WALK_DEBUG"); ++lines)
        cut = ctx.rfind('\n', cut - 1);
    std::fprintf(stderr, "Qt: %s  (after%s)\n", qPrintable(text), cut == std::string::npos ? "" : ctx.c_str() + cut);
}

int replayFile(const QString& path, WalkOptions options)
{
    std::vector<Step> steps;
    if (!readWalkFile(path, steps, options)) {
        std::fprintf(stderr, "cannot read the walk file %s\n", qPrintable(path));
        return 2;
    }
    const WalkResult r = replayWalk(steps, options);
    for (const QString& line : r.trace) std::printf("%s\n", qPrintable(line));
    std::printf("%s\n", r.passed() ? "passed" : qPrintable(QStringLiteral("FAULT %1: %2").arg(r.fault.kind, r.fault.detail)));
    return r.passed() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    qInstallMessageHandler(onQtMessage);
    std::signal(SIGSEGV, onSignal);
    std::signal(SIGABRT, onSignal);
    std::signal(SIGFPE, onSignal);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(printContext);
#endif

    WalkOptions base;
#if defined(__SANITIZE_ADDRESS__)
    base.stepLimitMs = 4000;  // the sanitizer build runs several times slower
#endif
    long long walks = 200;
    double budget = 0;  // seconds; 0: no limit
    unsigned long long first = 1;
    QString out = QDir::currentPath();
    QString replay;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const QString v = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--walks")) walks = v.toLongLong(), ++i;
        else if (a == QLatin1String("--first")) first = v.toULongLong(), ++i;
        else if (a == QLatin1String("--steps")) base.steps = v.toInt(), ++i;
        else if (a == QLatin1String("--step-limit-ms")) base.stepLimitMs = v.toInt(), ++i;
        else if (a == QLatin1String("--out")) out = v, ++i;
        else if (a == QLatin1String("--seconds")) budget = v.toDouble(), ++i;
        else if (a == QLatin1String("--replay")) replay = v, ++i;
        else {
            std::fprintf(stderr, "unknown option %s\n", qPrintable(a));
            return 2;
        }
    }
    if (!replay.isEmpty()) return replayFile(replay, base);

    QElapsedTimer clock;
    clock.start();
    long long actions = 0, steps = 0, escapes = 0, restarts = 0, faults = 0;
    double maxStep = 0;
    long long ran = 0;
    // how often the walks reached the later windows and commands
    std::map<QString, long long> reached;
    auto tally = [&reached](const Step& s) {
        static const QStringList controls = {QStringLiteral("cmdCompare"), QStringLiteral("cmdSaveResiduals"),
                                             QStringLiteral("cmdSaveFitPlot"), QStringLiteral("cmdSavePicture")};
        if (s.kind == StepKind::Paste) ++reached[QStringLiteral("paste")];
        else if (s.kind == StepKind::Choose) ++reached[s.control];
        else if (s.kind == StepKind::Click && controls.contains(s.control)) ++reached[s.window + QLatin1Char('.') + s.control];
        if (s.window == QLatin1String("frmFitStatistics") || s.window == QLatin1String("frmCompare"))
            ++reached[QStringLiteral("in ") + s.window];
    };
    for (unsigned long long seed = first; seed < first + static_cast<unsigned long long>(walks); ++seed) {
        if (budget > 0 && static_cast<double>(clock.elapsed()) / 1000.0 > budget) break;
        ++ran;
        const WalkOptions options = optionsForSeed(seed, base);
        const WalkResult r = runWalk(seed, options);
        actions += r.actions;
        steps += static_cast<long long>(r.steps.size());
        escapes += r.escapes;
        restarts += r.restarts;
        maxStep = std::max(maxStep, r.maxStepMs);
        for (const Step& s : r.steps) tally(s);
        if (r.passed()) continue;
        ++faults;
        std::printf("seed %llu: FAULT %s: %s (after step %d)\n", seed, qPrintable(r.fault.kind), qPrintable(r.fault.detail),
                    r.fault.step);
        std::fflush(stdout);
        if (qEnvironmentVariableIsSet("KINETRA_WALK_TRACE"))
            for (const QString& line : r.trace) std::printf("  | %s\n", qPrintable(line));
        const QString kind = r.fault.kind;
        std::vector<Step> shortest = shrinkSteps(r.steps, [&](const std::vector<Step>& candidate) {
            return replayWalk(candidate, options).fault.kind == kind;
        });
        const WalkResult again = replayWalk(shortest, options);
        QFile file(QDir(out).filePath(QStringLiteral("walk-%1.txt").arg(seed)));
        const QByteArray text = walkFileText(seed, options, shortest, again.fault).toUtf8();
        const bool written = QDir().mkpath(out) && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                             file.write(text) == text.size() && file.flush();
        std::printf("  shortest sequence (%zu steps), %s %s:\n", shortest.size(), written ? "in" : "NOT WRITTEN to",
                    qPrintable(file.fileName()));
        for (const QString& line : again.trace) std::printf("    %s\n", qPrintable(line));
        std::fflush(stdout);
    }
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    std::printf("walks %lld (seeds %llu..%llu), steps %lld, actions %lld (escape probes %lld, restarts %lld), "
                "faults %lld, %.1f s, %.2f walks/s, slowest step %.0f ms\n",
                ran, first, first + static_cast<unsigned long long>(ran) - 1, steps, actions, escapes, restarts, faults,
                seconds, static_cast<double>(ran) / std::max(seconds, 1e-9), maxStep);
    std::printf("steps reaching:");
    for (const auto& [what, n] : reached) std::printf(" %s %lld;", qPrintable(what), n);
    std::printf("\n");
    return faults == 0 ? 0 : 1;
}
