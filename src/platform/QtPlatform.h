#pragma once
// The desktop platform of the real program: Qt message boxes, file dialogs, a list to
// choose from, the print
// dialog on one kept printer (the default printer until the user chooses another), text
// jobs painted on that printer when they end, window pictures, and the help viewer.

#include <QStringList>
#include <memory>

#include "platform/Platform.h"

class QPrinter;

namespace kinetra {

class QtPlatform : public Platform {
public:
    // installedHelpDirs: where the help file installed with the program may be, in the order
    // to try when the file a window asks for is not there.
    explicit QtPlatform(QStringList installedHelpDirs = {});
    ~QtPlatform() override;

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

private:
    std::shared_ptr<QPrinter> printer_;
    QStringList helpDirs_;
};

}  // namespace kinetra
