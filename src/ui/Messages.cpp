#include "ui/Messages.h"

#include "ui/Shell.h"

namespace kinetra {

QString criticaTitle() { return QStringLiteral("Crítica de Dados"); }
QString wrongDataTitle() { return QStringLiteral("Wrong Data"); }

void showCritical(Shell& shell, QWidget* over, const QString& text, const QString& title)
{
    shell.platform().message(over, text, title, MessageIcon::Critical);
}

}  // namespace kinetra
