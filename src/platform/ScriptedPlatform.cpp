#include "platform/ScriptedPlatform.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QWidget>
#include <algorithm>

#include "platform/PrintPages.h"
#include "base/RuntimeFailure.h"

namespace kinetra {

namespace {

void configurePdf(QPrinter& printer, const QString& path, const QString& documentName)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    printer.setDocName(documentName);
}

}  // namespace

struct ScriptedPlatform::OpenJob {
    int number = 0;
    QString name;
    std::vector<std::string> lines;
};

class ScriptedPlatform::Job : public TextPrintJob {
public:
    Job(ScriptedPlatform& owner, std::shared_ptr<OpenJob> record) : owner_(owner), record_(std::move(record)) {}
    ~Job() override { forget(); }

    void writeLine(const std::string& line) override
    {
        if (owner_.failPrinting) throwPrinterFailure();
        if (ended_) return;
        record_->lines.push_back(line);
    }

    void end() override
    {
        if (ended_) return;
        if (owner_.failPrinting) throwPrinterFailure();
        ended_ = true;
        forget();
        owner_.printedJobs.push_back(record_->lines);
        owner_.printedJobNames.push_back(record_->name);
        ++owner_.jobsEnded;
        if (!owner_.pdfDirectory.isEmpty()) {
            QPrinter printer(QPrinter::HighResolution);
            configurePdf(printer, owner_.jobPdfPath(record_->number), record_->name);
            printTextLines(printer, record_->lines);
        }
    }

private:
    void forget()
    {
        auto& open = owner_.openJobs_;
        open.erase(std::remove(open.begin(), open.end(), record_), open.end());
    }

    ScriptedPlatform& owner_;
    std::shared_ptr<OpenJob> record_;
    bool ended_ = false;
};

ScriptedPlatform::ScriptedPlatform() = default;
ScriptedPlatform::~ScriptedPlatform() = default;

void ScriptedPlatform::throwPrinterFailure()
{
    throw RuntimeFailure(kPrinterErrorNumber, kPrinterErrorText);
}

void ScriptedPlatform::message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon)
{
    messages.push_back(Message{text, title, icon, parent, parent && parent->window()->isVisible()});
    if (onMessage) onMessage(messages.back());
}

QString ScriptedPlatform::nextFileAnswer(const QString& title, const QString& startDir)
{
    fileDialogTitles.push_back(title);
    fileDialogDirs.push_back(startDir);
    if (fileAnswers.empty()) return QString();
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedPlatform::openFileName(QWidget*, const QString& title, const QString& startDir)
{
    return nextFileAnswer(title, startDir);
}

QString ScriptedPlatform::saveFileName(QWidget*, const QString& title, const QString& startDir)
{
    return nextFileAnswer(title, startDir);
}

QStringList ScriptedPlatform::openFileNames(QWidget* parent, const QString& title, const QString& startDir)
{
    // through openFileName, so that a platform built on this one answers both alike
    const QString answer = openFileName(parent, title, startDir);
    return answer.isEmpty() ? QStringList() : answer.split(QLatin1Char('\n'));
}

namespace {

int nextAnswer(std::deque<int>& answers, int whenEmpty)
{
    if (answers.empty()) return whenEmpty;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

OpenedFile ScriptedPlatform::openFileOfType(QWidget* parent, const QString& title, const QString& startDir,
                                            const QStringList& types)
{
    fileTypesOffered.push_back(types);
    const QString path = openFileName(parent, title, startDir);
    return OpenedFile{path, nextAnswer(typeAnswers, 0)};
}

int ScriptedPlatform::chooseFromList(QWidget*, const QString&, const QString&, const QStringList& items)
{
    listsOffered.push_back(items);
    return nextAnswer(listAnswers, -1);
}

bool ScriptedPlatform::choosePrinter(QWidget*)
{
    ++printerDialogs;
    if (printerAnswers.empty()) return true;
    const bool answer = printerAnswers.front();
    printerAnswers.pop_front();
    return answer;
}

std::unique_ptr<TextPrintJob> ScriptedPlatform::beginTextJob(const QString& documentName)
{
    if (failPrinting) throwPrinterFailure();
    auto record = std::make_shared<OpenJob>();
    record->number = ++jobsBegun;
    record->name = documentName;
    openJobs_.push_back(record);
    return std::make_unique<Job>(*this, record);
}

void ScriptedPlatform::printWidget(QWidget* widget)
{
    if (failPrinting) throwPrinterFailure();
    if (!widget) return;
    ++picturesPrinted;
    if (!pdfDirectory.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        configurePdf(printer, picturePdfPath(picturesPrinted), widget->objectName());
        printWidgetPicture(printer, *widget);
    }
}

void ScriptedPlatform::showHelp(QWidget*, const QString& helpFile, int topic)
{
    helpRequests.emplace_back(helpFile, topic);
}

std::vector<std::string> ScriptedPlatform::openJobLines() const
{
    if (openJobs_.empty()) return {};
    return openJobs_.back()->lines;
}

bool ScriptedPlatform::hasOpenJob() const
{
    return !openJobs_.empty();
}

int ScriptedPlatform::pdfLinesPerPage() const
{
    QPrinter printer(QPrinter::HighResolution);
    configurePdf(printer, QDir(pdfDirectory).filePath(QStringLiteral("probe.pdf")), QString());
    return linesPerPage(printer);
}

QString ScriptedPlatform::jobPdfPath(int k) const
{
    return QDir(pdfDirectory).filePath(QStringLiteral("job%1.pdf").arg(k));
}

QString ScriptedPlatform::picturePdfPath(int k) const
{
    return QDir(pdfDirectory).filePath(QStringLiteral("picture%1.pdf").arg(k));
}

}  // namespace kinetra
