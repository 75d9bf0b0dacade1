#pragma once
// One guard for window handlers: no exception leaves a slot. A handler that fails shows the
// run-time error box ("Error", CR LF, CR LF, "Erro Number: " n, CR LF, "Description: " d)
// and the program stays usable: the window that ran it is still there (unless the handler
// itself closed it) and the event loop goes on.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <exception>

#include "base/RuntimeFailure.h"
#include "platform/Platform.h"

namespace kinetra {

inline const QString kRunTimeErrorTitle = QStringLiteral("Wrong Data");

// Shows the run-time error box of a failure that was caught.
void showRunTimeError(Platform& platform, QWidget* parent, const RuntimeFailure& failure,
                      const QString& title = kRunTimeErrorTitle);

// Runs `handler`; a RuntimeFailure or any other exception it throws is shown as the
// run-time error box. Returns false when the handler failed.
template <class Handler>
bool runGuarded(Platform& platform, QWidget* window, Handler&& handler, const QString& title = kRunTimeErrorTitle)
{
    QPointer<QWidget> parent(window);  // the handler may have closed its window
    try {
        handler();
        return true;
    } catch (...) {
        showRunTimeError(platform, parent, failureOf(std::current_exception()), title);
    }
    return false;
}

}  // namespace kinetra
