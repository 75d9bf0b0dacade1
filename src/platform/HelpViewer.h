#pragma once
// The program's help viewer: opens the help file at a topic number in a small window.
// When the file is not at the path asked for, the viewer falls back to the copy installed
// with the program (the program says where to look); when there is none either, it says so
// plainly.
//
// The help file "helpkinetra.hlp" is UTF-8 text. A line "@topic <number> <title>" starts a
// topic; the topic's text runs to the next such line. Lines before the first topic are a
// header and are not shown. Inside a topic:
//   a blank line ends a paragraph;
//   "== Heading" is a heading;
//   "- item" is an item of a list;
//   a line that starts with four blanks is shown as typed (data file examples).

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace kinetra {

// Opens the help file at a topic; when it cannot be read, the first copy in installedDirs.
void showHelpTopic(QWidget* parent, const QString& helpFile, int topic,
                   const QStringList& installedDirs = {});

struct HelpTopic {
    int number = 0;
    QString title;
    QString text;  // the topic's lines as written in the file, without the "@topic" line
};

// The topics of a help text, in the order of the file. A malformed "@topic" line (no number)
// is kept as text of the topic before it.
QList<HelpTopic> parseHelpText(const QString& text);

// The topic's text as HTML for the viewer (paragraphs, headings, lists, typed lines).
QString helpTopicHtml(const HelpTopic& topic);

// What the viewer found for a request: the file it will show with its topics, or, when no
// copy can be read, the plain message it shows instead.
struct HelpLookup {
    QString path;
    QList<HelpTopic> topics;
    QString problem;  // empty when the file was found and read
};

// The file asked for when it can be read ("\" counts as a separator), otherwise
// "helpkinetra.hlp" in the first fallback folder that holds one.
HelpLookup findHelp(const QString& asked, const QStringList& fallbackDirs);

}  // namespace kinetra
