#pragma once
// Work a window hands to a pool thread when it can take longer than the event loop may wait:
// reading a table, reading the files to compare, comparing many data sets. The work computes
// from the values it was given and touches no window; its result comes back to the window on
// the GUI thread, where the window applies it. While the work runs the window shows it is
// busy (the busy text, the busy cursor, the controls it holds disabled) and a second start is
// refused.
//
// wait() blocks until the running work ends and applies its result at once, for a caller that
// must go on with the result (the tests of the windows drive them this way). The work never
// needs the GUI thread, so waiting for it cannot deadlock. A window closed while its work runs
// drops it: the work ends on its thread and its result is never applied.

#include <QFuture>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QPromise>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

template <class T>
class QFutureWatcher;

namespace kinetra {

class Platform;

class BackgroundWork : public QObject {
    Q_OBJECT
public:
    // `window` shows the busy cursor and is the parent of a failure's message; `held` are
    // disabled while the work runs and given back their enabled state before the result is
    // applied; `busyLabel` (may be null) shows the busy text while the work runs.
    BackgroundWork(Platform& platform, QWidget* window, std::vector<QWidget*> held, QLabel* busyLabel = nullptr);
    ~BackgroundWork() override;

    bool busy() const { return running; }

    // Runs `compute` on a pool thread and hands its result to `apply` on the GUI thread; a
    // failure `compute` throws is shown as the run-time error box instead. False, and nothing
    // started, while a work runs.
    template <class Result, class Compute, class Apply>
    bool start(const QString& busyText, Compute compute, Apply apply);

    // Blocks until the running work ends, then applies its result; nothing when none runs.
    void wait();
    // The same for every work of the windows under `root`, and for the works their results
    // start, until none runs.
    static void waitForAll(const QObject* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void begin(const QString& busyText, QFuture<void> done, std::function<void()> deliver);
    void finish();
    // The window as before the work; what applies the result of the work.
    std::function<void()> stop();

    Platform& platform;
    QPointer<QWidget> window;
    std::vector<std::pair<QPointer<QWidget>, bool>> held;  // each control and its enabled state
    QPointer<QLabel> busyLabel;
    bool running = false;
    QFuture<void> done;
    QFutureWatcher<void>* watcher = nullptr;
    std::function<void()> deliver;  // applies the result of the running work
};

namespace detail {
// Runs `task` on the application's thread pool.
void runOnPool(std::function<void()> task);
}  // namespace detail

template <class Result, class Compute, class Apply>
bool BackgroundWork::start(const QString& busyText, Compute compute, Apply apply)
{
    if (running) return false;
    // what the pool thread hands over: the result, or the failure it threw
    struct Outcome {
        std::optional<Result> result;
        std::exception_ptr failure;
    };
    auto outcome = std::make_shared<Outcome>();
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> future = promise->future();
    promise->start();
    detail::runOnPool([outcome, promise, compute = std::move(compute)]() mutable {
        try {
            outcome->result.emplace(compute());
        } catch (...) {
            outcome->failure = std::current_exception();
        }
        promise->finish();
    });
    begin(busyText, future, [outcome, apply = std::move(apply)]() mutable {
        if (outcome->failure) std::rethrow_exception(outcome->failure);
        apply(std::move(*outcome->result));
    });
    return true;
}

}  // namespace kinetra
