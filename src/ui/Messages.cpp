#include "ui/Messages.h"

#include "ui/Shell.h"

namespace kinetra {

QString criticaTitle() { return QStringLiteral("Crítica de Dados"); }
QString wrongDataTitle() { return QStringLiteral("Wrong Data"); }

void showCritical(Shell& shell, QWidget* over, const QString& text, const QString& title)
{
    shell.platform().message(over, text, title, MessageIcon::Critical);
}

void showFailure(Shell& shell, QWidget* over, const Failure& failure)
{
    const bool critica = failure.kind == FailureKind::FitAbort || failure.kind == FailureKind::Refused;
    showCritical(shell, over, QString::fromStdString(failureMessage(failure)), critica ? criticaTitle() : wrongDataTitle());
}

bool returnsToDataEntry(const Failure& failure) { return failure.kind == FailureKind::NotSigmoid; }

}  // namespace kinetra
