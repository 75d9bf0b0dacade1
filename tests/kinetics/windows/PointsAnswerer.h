#pragma once
// Answers every showing of the points window during a calculation from a queue of entries,
// and notes the first-point hint each showing offered. A showing with no entry left is
// a test failure: the window is then dismissed, which stops the calculation.

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <deque>
#include <memory>

#include "windows/entry/frmDadParcial.h"
#include "support/GuiTestSupport.h"

namespace kinetra::testing {

struct PointsEntry {
    QString first, last, baseline;  // baseline empty for curve 2
    bool closeWindow = false;        // the close box instead of an entry
};

class PointsAnswerer {
public:
    explicit PointsAnswerer(std::deque<PointsEntry> entries) : queue(std::move(entries))
    {
        timer = std::make_unique<QTimer>();
        timer->setInterval(5);
        QObject::connect(timer.get(), &QTimer::timeout, [this] { poll(); });
        timer->start();
    }
    ~PointsAnswerer() { timer->stop(); }

    std::vector<QString> hints;  // lblPrimPonto as each showing opened
    int showings = 0;
    bool exhausted() const { return queue.empty(); }

private:
    void poll()
    {
        if (busy) return;
        QWidget* modal = QApplication::activeModalWidget();
        auto* window = qobject_cast<frmDadParcial*>(modal);
        if (!window || !window->isVisible() || window == answered) return;
        busy = true;
        answered = window;
        answer(*window);
        busy = false;
    }

    void answer(frmDadParcial& window)
    {
        ++showings;
        waitActive(&window);
        settle();
        hints.push_back(findControl<QLabel>(&window, QStringLiteral("lblPrimPonto"))->text());
        if (queue.empty()) {
            ADD_FAILURE() << "the points window was shown once more than expected";
            window.done(QDialog::Rejected);
            return;
        }
        const PointsEntry entry = queue.front();
        queue.pop_front();
        if (entry.closeWindow) {
            window.windowHandle()->close();
        } else {
            typeAndTab(findControl<QLineEdit>(&window, QStringLiteral("txtPrimPonto")), entry.first);
            typeAndTab(findControl<QLineEdit>(&window, QStringLiteral("txtUltPonto")), entry.last);
            if (!entry.baseline.isEmpty())
                typeAndTab(findControl<QLineEdit>(&window, QStringLiteral("txtBaseline")), entry.baseline);
        }
        if (window.isVisible()) {
            ADD_FAILURE() << "the points window did not accept " << entry.first.toStdString() << ".."
                          << entry.last.toStdString();
            window.done(QDialog::Rejected);
        }
        // the same window shows again for the next curve: a hidden one may be answered again
        answered = nullptr;
    }

    std::deque<PointsEntry> queue;
    std::unique_ptr<QTimer> timer;
    QPointer<frmDadParcial> answered;
    bool busy = false;
};

}  // namespace kinetra::testing
