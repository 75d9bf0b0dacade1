#pragma once
// The platform of the tests: nothing is shown and nothing waits for a person.
//
// - Every message is recorded (text, title, icon) and passed to onMessage, if set.
// - File dialogs take their answers from fileAnswers in order; an empty queue is a cancelled
//   dialog (an empty path). The titles and start directories asked for are recorded. The
//   dialog of several files takes one answer too, its paths separated by line ends.
// - An open dialog with file types takes its path as the other file dialogs do (through
//   openFileName) and the type from typeAnswers (the first type once the queue is empty);
//   the types offered are recorded.
// - A list to choose from answers from listAnswers (-1 is a cancel; an empty queue cancels);
//   each list offered is recorded.
// - The printer dialog answers from printerAnswers (true, "OK", once the queue is empty).
// - Text jobs record their lines: printedJobs holds the lines of each ended job, in order;
//   openJobLines() the lines of the job still open. With pdfDirectory set, each ended job
//   and each printed picture is also printed as a real PDF file there ("job<k>.pdf" for the
//   k-th job begun, "picture<k>.pdf" for the k-th picture; A4 portrait), through the same
//   painting code as a real printer.
// - failPrinting makes beginTextJob, writeLine, end and printWidget throw the printer failure.
// - Help requests are recorded as (file, topic).
//
// The platform must outlive the jobs it begins.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace kinetra {

class ScriptedPlatform : public Platform {
public:
    struct Message {
        QString text, title;
        MessageIcon icon;
        QPointer<QWidget> over;  // the window the box is centred on
        bool overVisible = false;  // whether that window was shown when the box opened
    };

    ScriptedPlatform();
    ~ScriptedPlatform() override;

    void message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& startDir) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& startDir) override;
    QStringList openFileNames(QWidget* parent, const QString& title, const QString& startDir) override;
    OpenedFile openFileOfType(QWidget* parent, const QString& title, const QString& startDir,
                              const QStringList& types) override;
    int chooseFromList(QWidget* parent, const QString& title, const QString& prompt,
                       const QStringList& items) override;
    bool choosePrinter(QWidget* parent) override;
    std::unique_ptr<TextPrintJob> beginTextJob(const QString& documentName) override;
    void printWidget(QWidget* widget) override;
    void showHelp(QWidget* parent, const QString& helpFile, int topic) override;

    // Messages
    std::vector<Message> messages;
    std::function<void(const Message&)> onMessage;

    // File dialogs
    std::deque<QString> fileAnswers;
    std::vector<QString> fileDialogTitles, fileDialogDirs;
    std::deque<int> typeAnswers;
    std::vector<QStringList> fileTypesOffered;

    // Lists to choose from
    std::deque<int> listAnswers;
    std::vector<QStringList> listsOffered;

    // Printer
    std::deque<bool> printerAnswers;
    int printerDialogs = 0;
    QString pdfDirectory;
    bool failPrinting = false;
    std::vector<std::vector<std::string>> printedJobs;  // lines of each ended job
    std::vector<QString> printedJobNames;               // document name of each ended job
    int jobsBegun = 0, jobsEnded = 0;
    int picturesPrinted = 0;
    // Lines of the most recently begun job that is still open (empty when none is open).
    std::vector<std::string> openJobLines() const;
    bool hasOpenJob() const;

    // Help
    std::vector<std::pair<QString, int>> helpRequests;

    // Lines on one page of the PDF files written for text jobs.
    int pdfLinesPerPage() const;
    // Path of the k-th job's or picture's PDF file (k from 1) in pdfDirectory.
    QString jobPdfPath(int k) const;
    QString picturePdfPath(int k) const;

private:
    class Job;
    struct OpenJob;
    QString nextFileAnswer(const QString& title, const QString& startDir);
    [[noreturn]] static void throwPrinterFailure();

    std::vector<std::shared_ptr<OpenJob>> openJobs_;
};

}  // namespace kinetra
