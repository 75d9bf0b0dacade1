#include "platform/QtPlatform.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/HelpViewer.h"
#include "platform/ListChoice.h"
#include "platform/PrintPages.h"

namespace kinetra {

namespace {

// Collects the lines and prints them as one document when the job ends: a job that is
// never ended prints nothing.
class PrinterTextJob : public TextPrintJob {
public:
    PrinterTextJob(std::shared_ptr<QPrinter> printer, QString name)
        : printer_(std::move(printer)), name_(std::move(name))
    {
    }

    void writeLine(const std::string& line) override
    {
        if (!ended_) lines_.push_back(line);
    }

    void end() override
    {
        if (ended_) return;
        ended_ = true;
        printer_->setDocName(name_);
        printTextLines(*printer_, lines_);
    }

private:
    std::shared_ptr<QPrinter> printer_;
    QString name_;
    std::vector<std::string> lines_;
    bool ended_ = false;
};

}  // namespace

QtPlatform::QtPlatform(QStringList installedHelpDirs)
    : printer_(std::make_shared<QPrinter>(QPrinter::HighResolution)), helpDirs_(std::move(installedHelpDirs))
{
}

QtPlatform::~QtPlatform() = default;

void QtPlatform::message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

QString QtPlatform::openFileName(QWidget* parent, const QString& title, const QString& startDir)
{
    return QFileDialog::getOpenFileName(parent, title, startDir);
}

QString QtPlatform::saveFileName(QWidget* parent, const QString& title, const QString& startDir)
{
    return QFileDialog::getSaveFileName(parent, title, startDir);
}

QStringList QtPlatform::openFileNames(QWidget* parent, const QString& title, const QString& startDir)
{
    return QFileDialog::getOpenFileNames(parent, title, startDir);
}

OpenedFile QtPlatform::openFileOfType(QWidget* parent, const QString& title, const QString& startDir,
                                      const QStringList& types)
{
    QString chosenType = types.value(0);
    const QString path = QFileDialog::getOpenFileName(parent, title, startDir, types.join(QStringLiteral(";;")),
                                                      &chosenType);
    return OpenedFile{path, std::max(0, static_cast<int>(types.indexOf(chosenType)))};
}

int QtPlatform::chooseFromList(QWidget* parent, const QString& title, const QString& prompt, const QStringList& items)
{
    return chooseListItem(parent, title, prompt, items);
}

bool QtPlatform::choosePrinter(QWidget* parent)
{
    QPrintDialog dialog(printer_.get(), parent);
    return dialog.exec() == QDialog::Accepted;
}

std::unique_ptr<TextPrintJob> QtPlatform::beginTextJob(const QString& documentName)
{
    return std::make_unique<PrinterTextJob>(printer_, documentName);
}

void QtPlatform::printWidget(QWidget* widget)
{
    if (!widget) return;
    printer_->setDocName(widget->windowTitle());
    printWidgetPicture(*printer_, *widget);
}

void QtPlatform::showHelp(QWidget* parent, const QString& helpFile, int topic)
{
    showHelpTopic(parent, helpFile, topic, helpDirs_);
}

}  // namespace kinetra
