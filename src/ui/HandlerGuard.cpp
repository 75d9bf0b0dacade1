#include "ui/HandlerGuard.h"

namespace kinetra {

void showRunTimeError(Platform& platform, QWidget* parent, const RuntimeFailure& failure, const QString& title)
{
    platform.message(parent, QString::fromStdString(failureText(failure)), title, MessageIcon::Critical);
}

}  // namespace kinetra
