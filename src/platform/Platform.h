#pragma once
// What the windows take from the desktop: message boxes, file and printer dialogs, a choice
// from a list, text print jobs, printing a window's picture, and the help viewer.
// QtPlatform serves the real program; ScriptedPlatform answers from a script in tests.

#include <QString>
#include <QStringList>
#include <memory>

#include "base/LineSink.h"

class QWidget;

namespace kinetra {

enum class MessageIcon { None, Critical, Information };

// A print job of text lines, paginated by the printer; ended explicitly, and only then
// printed. Lines are UTF-8. writeLine/end may throw RuntimeFailure (a failing printer).
class TextPrintJob : public LineSink {
public:
    virtual void end() = 0;
};

// What an open dialog with a choice of file types gave: the path (empty when cancelled) and
// the index of the file type chosen in it.
struct OpenedFile {
    QString path;
    int type = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box with one OK button.
    virtual void message(QWidget* parent, const QString& text, const QString& title,
                         MessageIcon icon) = 0;
    // File dialogs; the chosen path, or an empty text when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& startDir) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& startDir) = 0;
    // An open dialog that takes one file or several; the paths chosen, none when cancelled.
    // A desktop without such a dialog offers the one-file dialog.
    virtual QStringList openFileNames(QWidget* parent, const QString& title, const QString& startDir)
    {
        const QString path = openFileName(parent, title, startDir);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
    // An open dialog offering file types, each as "Tables (*.csv *.tsv *.txt)".
    virtual OpenedFile openFileOfType(QWidget* parent, const QString& title, const QString& startDir,
                                      const QStringList& types) = 0;
    // A small modal list to choose one item from: its index, or -1 when cancelled.
    virtual int chooseFromList(QWidget* parent, const QString& title, const QString& prompt,
                               const QStringList& items) = 0;
    // The printer dialog: false when cancelled. The printer chosen serves later jobs.
    virtual bool choosePrinter(QWidget* parent) = 0;
    // Begins a text job on the chosen printer (the default printer when none was chosen).
    virtual std::unique_ptr<TextPrintJob> beginTextJob(const QString& documentName) = 0;
    // Prints a window's picture as it is displayed, on the chosen printer.
    virtual void printWidget(QWidget* widget) = 0;
    // Opens the help file at a topic number.
    virtual void showHelp(QWidget* parent, const QString& helpFile, int topic) = 0;
};

// Twips (1/1440 inch) to device pixels at the screen's logical DPI (15 twips a pixel at 96).
int twipsToPixels(double twips);
double pixelsPerTwip();

}  // namespace kinetra
