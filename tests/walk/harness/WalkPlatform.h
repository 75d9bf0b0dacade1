#pragma once
// The desktop as the walks see it: the files the open dialog offers, and a scripted platform
// whose dialogs give the answers the running step carries.

#include <QByteArray>
#include <QString>
#include <vector>

#include "platform/ScriptedPlatform.h"
#include "walk/harness/Walk.h"

namespace kinetra::walk {

struct OfferedFile {
    QString path;
    bool good;  // a point file the program reads
};

// The good files first (a step's openChoice below 8 picks one of them), then the bad ones.
const std::vector<OfferedFile>& offeredFiles();

// Every number the offered files hold: a point in the list must come from a file or from
// what was typed.
const std::vector<double>& fileNumbers();

// Whether a picture file's bytes are whole for the format its ending names: PNG from its
// signature to its IEND chunk, PDF from %PDF to %%EOF, SVG up to its closing tag.
bool wholePicture(const QString& path, const QByteArray& bytes);

class WalkPlatform : public ScriptedPlatform {
public:
    Step current;
    QString scratchDir;
    int saves = 0;
    bool fileOpened = false;
    QString currentWindow;                 // window of the step that runs
    std::vector<QString> pointFiles;       // saved point files not yet checked
    std::vector<QString> reportFiles;      // report files handed out
    std::vector<QString> pictureFiles;     // picture files handed out, not yet checked

    QString openFileName(QWidget* parent, const QString& title, const QString& startDir) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& startDir) override;
    // several files: the one the step's openChoice picks and the good file after it, and a
    // third (often a bad one) when that choice is odd
    QStringList openFileNames(QWidget* parent, const QString& title, const QString& startDir) override;
    bool choosePrinter(QWidget* parent) override;
};

}  // namespace kinetra::walk
