#include "ui/BackgroundWork.h"

#include <QEvent>
#include <QFutureWatcher>
#include <QThreadPool>

#include "ui/HandlerGuard.h"

namespace kinetra {

namespace detail {

void runOnPool(std::function<void()> task)
{
    QThreadPool::globalInstance()->start(std::move(task));
}

}  // namespace detail

BackgroundWork::BackgroundWork(Platform& platform_, QWidget* window_, std::vector<QWidget*> held_, QLabel* busyLabel_)
    : QObject(window_), platform(platform_), window(window_), busyLabel(busyLabel_)
{
    for (QWidget* w : held_) held.emplace_back(w, true);
    if (busyLabel) busyLabel->hide();
    if (window) window->installEventFilter(this);
}

// The watcher goes with this object; a work still running ends on its thread unheard.
BackgroundWork::~BackgroundWork() = default;

void BackgroundWork::begin(const QString& busyText, QFuture<void> future, std::function<void()> deliverResult)
{
    running = true;
    done = std::move(future);
    deliver = std::move(deliverResult);
    for (auto& [control, enabled] : held) {
        if (!control) continue;
        enabled = control->isEnabled();
        control->setEnabled(false);
    }
    if (busyLabel) {
        busyLabel->setText(busyText);
        busyLabel->show();
        busyLabel->raise();
    }
    if (window) window->setCursor(Qt::BusyCursor);
    watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, &BackgroundWork::finish);
    watcher->setFuture(done);
}

void BackgroundWork::wait()
{
    if (!running) return;
    done.waitForFinished();
    finish();
}

void BackgroundWork::waitForAll(const QObject* root)
{
    for (bool waited = true; waited;) {
        waited = false;
        for (const QPointer<BackgroundWork> work : root->findChildren<BackgroundWork*>()) {
            if (!work || !work->busy()) continue;
            work->wait();  // may close windows, or start further work
            waited = true;
            break;
        }
    }
}

bool BackgroundWork::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window && event->type() == QEvent::Close && running) stop();  // dropped
    return false;
}

void BackgroundWork::finish()
{
    if (!running) return;
    runGuarded(platform, window, stop());
}

std::function<void()> BackgroundWork::stop()
{
    running = false;
    // a finish already delivered by wait() is not delivered again by the watcher
    watcher->disconnect(this);
    watcher->deleteLater();
    watcher = nullptr;
    if (busyLabel) busyLabel->hide();
    if (window) window->unsetCursor();
    for (const auto& [control, enabled] : held)
        if (control) control->setEnabled(enabled);
    std::function<void()> apply = std::move(deliver);
    deliver = nullptr;
    return apply;
}

}  // namespace kinetra
