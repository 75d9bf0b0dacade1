// The help viewer: the shipped help file holds the topics the windows ask for, the file is
// found where the program looks for it (also when the windows' path rule points nowhere),
// a missing file gives a plain message, and the viewer window opens at the topic asked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QWidget>

#include "platform/HelpViewer.h"
#include "ui/HelpFile.h"

using namespace kinetra;

namespace {

const QString kSourceHelp = QStringLiteral(KINETRA_SOURCE_DIR "/help/helpkinetra.hlp");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QWidget* helpWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmHelp") && w->isVisible()) return w;
    return nullptr;
}

TEST(HelpViewer, ShippedFileHoldsTheTopicsOfTheWindows)
{
    const QByteArray bytes = readAll(kSourceHelp);
    ASSERT_FALSE(bytes.isEmpty());
    const QString text = QString::fromUtf8(bytes);
    EXPECT_EQ(text.toUtf8(), bytes) << "the help file is not valid UTF-8";

    const QList<HelpTopic> topics = parseHelpText(text);
    for (int number = 2; number <= 6; ++number) {
        int found = 0;
        for (const HelpTopic& t : topics) {
            if (t.number != number) continue;
            ++found;
            EXPECT_FALSE(t.title.isEmpty()) << number;
            EXPECT_GT(t.text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size(), 100)
                << "topic " << number;
            EXPECT_FALSE(t.text.contains(QStringLiteral("@topic"))) << number;
        }
        EXPECT_EQ(found, 1) << "topic " << number;
    }
    // the program's own texts quoted in the help are written as the program writes them
    EXPECT_TRUE(text.contains(QStringLiteral("\"Error: Data can\u00b4t be fitted by a sigmoid\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Maximun distances (X ou Y) is 0\"")));
}

TEST(HelpViewer, ParsesTopicsLineByLine)
{
    const QList<HelpTopic> topics =
        parseHelpText(QStringLiteral("header line, not shown\r\n"
                                     "@topic 2 Data entry\r\n"
                                     "\r\n"
                                     "First line.\r\n"
                                     "@topic x not a topic line\r\n"
                                     "\r\n\r\n"
                                     "@topic 3\n"
                                     "Only text.\n"
                                     "@topic   12   Spaced   title  \n"));
    ASSERT_EQ(topics.size(), 3);
    EXPECT_EQ(topics[0].number, 2);
    EXPECT_EQ(topics[0].title, QStringLiteral("Data entry"));
    EXPECT_EQ(topics[0].text, QStringLiteral("First line.\n@topic x not a topic line\n"));
    EXPECT_EQ(topics[1].number, 3);
    EXPECT_EQ(topics[1].title, QStringLiteral("Topic 3"));
    EXPECT_EQ(topics[1].text, QStringLiteral("Only text.\n"));
    EXPECT_EQ(topics[2].number, 12);
    EXPECT_EQ(topics[2].title, QStringLiteral("Spaced   title"));
    EXPECT_TRUE(topics[2].text.isEmpty());
    EXPECT_TRUE(parseHelpText(QStringLiteral("no topics at all\n")).isEmpty());
}

TEST(HelpViewer, TopicMarkupBecomesHtml)
{
    HelpTopic t;
    t.title = QStringLiteral("A < B");
    t.text = QStringLiteral(
        "One paragraph\n"
        "on two lines.\n"
        "\n"
        "== Heading\n"
        "- item one\n"
        "  continued\n"
        "- item <two>\n"
        "    0.02,4.342\n"
        "\n"
        "    0.03748,6.703\n"
        "Last.\n");
    EXPECT_EQ(helpTopicHtml(t),
              QStringLiteral("<h2>A &lt; B</h2>\n"
                             "<p>One paragraph on two lines.</p>\n"
                             "<h3>Heading</h3>\n"
                             "<ul>\n<li>item one continued</li>\n<li>item &lt;two&gt;</li>\n</ul>\n"
                             "<pre>0.02,4.342\n\n0.03748,6.703\n</pre>\n"
                             "<p>Last.</p>\n"));
}

TEST(HelpViewer, FindsTheFileAskedForOrFallsBack)
{
    QTemporaryDir asked, empty, installed;
    ASSERT_TRUE(asked.isValid() && empty.isValid() && installed.isValid());
    writeFile(asked.filePath(QStringLiteral("helpkinetra.hlp")), "@topic 2 Asked\ntext\n");
    writeFile(installed.filePath(QStringLiteral("helpkinetra.hlp")), "@topic 2 Installed\ntext\n");
    const QStringList fallback = {empty.path(), installed.path()};

    struct Case {
        QString asked;
        QString expectedTitle;
    };
    const QList<Case> cases = {
        {asked.filePath(QStringLiteral("helpkinetra.hlp")), QStringLiteral("Asked")},
        {asked.path() + QStringLiteral("\\helpkinetra.hlp"), QStringLiteral("Asked")},
        // the windows' rule while helpPath is still empty
        {QStringLiteral("/helpkinetra.hlp"), QStringLiteral("Installed")},
        // a current directory without the file
        {empty.filePath(QStringLiteral("helpkinetra.hlp")), QStringLiteral("Installed")},
        {QString(), QStringLiteral("Installed")},
        // a folder of that name is not the file
        {asked.path(), QStringLiteral("Installed")},
    };
    for (const Case& c : cases) {
        const HelpLookup found = findHelp(c.asked, fallback);
        EXPECT_TRUE(found.problem.isEmpty()) << c.asked.toStdString();
        ASSERT_EQ(found.topics.size(), 1) << c.asked.toStdString();
        EXPECT_EQ(found.topics[0].title, c.expectedTitle) << c.asked.toStdString();
    }
}

TEST(HelpViewer, NoCopyAnywhereGivesAPlainMessage)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    const QString asked = empty.filePath(QStringLiteral("helpkinetra.hlp"));
    const HelpLookup found = findHelp(asked, {empty.filePath(QStringLiteral("share/kinetra"))});
    EXPECT_TRUE(found.path.isEmpty());
    EXPECT_TRUE(found.topics.isEmpty());
    EXPECT_TRUE(found.problem.startsWith(
        QStringLiteral("The help file helpkinetra.hlp could not be found.")))
        << found.problem.toStdString();
    EXPECT_TRUE(found.problem.contains(asked));
    EXPECT_TRUE(
        found.problem.contains(empty.filePath(QStringLiteral("share/kinetra/helpkinetra.hlp"))));
}

TEST(HelpViewer, ProgramFindsItsOwnCopyWhenThePathRuleMissesIt)
{
    const QStringList dirs = installedHelpDirectories();
    EXPECT_TRUE(dirs.contains(QStringLiteral(KINETRA_SOURCE_DIR "/help")))
        << dirs.join(' ').toStdString();
    const HelpLookup found = findHelp(QStringLiteral("/helpkinetra.hlp"), dirs);
    ASSERT_TRUE(found.problem.isEmpty()) << found.problem.toStdString();
    EXPECT_TRUE(found.path.endsWith(QStringLiteral("/helpkinetra.hlp")));
    EXPECT_GE(found.topics.size(), 4);
}

TEST(HelpViewer, WindowOpensAtTheTopicAskedAndShowsTheOthers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("helpkinetra.hlp"));
    writeFile(file,
              "@topic 2 Data entry\nAbout the data file.\n"
              "@topic 3 The calculation\nAbout V and K.\n"
              "@topic 4 Graph 1\nAbout the points.\n"
              "@topic 5 Graph 2\nAbout printing.\n");

    QWidget owner;
    showHelpTopic(&owner, file, 4);
    QWidget* window = helpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    auto* list = window->findChild<QListWidget*>(QStringLiteral("lstTopics"));
    auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("txtHelp"));
    ASSERT_TRUE(list && browser);
    EXPECT_EQ(list->count(), 4);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("About the points.")));
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("Graph 1")));

    // a second request reuses the window
    showHelpTopic(&owner, file, 2);
    EXPECT_EQ(helpWindow(), window);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("About the data file.")));

    // the other topics are reachable from the list
    list->setCurrentRow(3);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("About printing.")));

    // a topic the file lacks says so over the first topic
    showHelpTopic(&owner, file, 9);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Topic 9 is not in the help file")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("About the data file.")));
    list->setCurrentRow(1);
    EXPECT_FALSE(browser->toPlainText().contains(QStringLiteral("Topic 9")));

    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(helpWindow(), nullptr);
}

}  // namespace
