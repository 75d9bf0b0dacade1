#include "platform/HelpViewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QWidget>

namespace kinetra {

namespace {

const QString kHelpFileName = QStringLiteral("helpkinetra.hlp");
const QString kViewerTitle = QStringLiteral("Kinetra Help");

// One window for the whole run: a second request brings it forward at the new topic.
class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window)
    {
        setObjectName(QStringLiteral("frmHelp"));
        setAttribute(Qt::WA_DeleteOnClose);
        createControls();
        connectHandlers();
        resize(760, 520);
    }

    void setHelp(const HelpLookup& help)
    {
        topics = help.topics;
        source = help.path;
        setWindowFilePath(help.path);
        lstTopics->clear();
        for (const HelpTopic& t : topics) lstTopics->addItem(t.title);
    }

    void showTopic(int number)
    {
        int row = -1;
        for (int i = 0; i < topics.size(); ++i) {
            if (topics[i].number == number) {
                row = i;
                break;
            }
        }
        missingTopic = row < 0 ? number : 0;
        if (row < 0 && !topics.isEmpty()) row = 0;
        settingTopic = true;
        if (lstTopics->currentRow() == row)
            showRow(row);
        else
            lstTopics->setCurrentRow(row);
        settingTopic = false;
    }

private:
    void createControls()
    {
        lstTopics = new QListWidget(this);
        lstTopics->setObjectName(QStringLiteral("lstTopics"));
        lstTopics->setMaximumWidth(200);
        txtHelp = new QTextBrowser(this);
        txtHelp->setObjectName(QStringLiteral("txtHelp"));
        txtHelp->setOpenLinks(false);
        auto* layout = new QHBoxLayout(this);
        layout->addWidget(lstTopics);
        layout->addWidget(txtHelp, 1);
    }

    void connectHandlers()
    {
        connect(lstTopics, &QListWidget::currentRowChanged, this, [this](int row) {
            if (!settingTopic) missingTopic = 0;  // the user chose a topic of the list
            showRow(row);
        });
    }

    void showRow(int row)
    {
        if (row < 0 || row >= topics.size()) {
            txtHelp->setHtml(QStringLiteral("<p>This help file holds no topics.</p>"));
            setWindowTitle(kViewerTitle);
            return;
        }
        QString html;
        if (missingTopic != 0) {
            html = QStringLiteral("<p><i>Topic %1 is not in the help file %2.</i></p>")
                       .arg(missingTopic)
                       .arg(source.toHtmlEscaped());
        }
        html += helpTopicHtml(topics[row]);
        txtHelp->setHtml(html);
        setWindowTitle(kViewerTitle + QStringLiteral(" - ") + topics[row].title);
    }

    QListWidget* lstTopics = nullptr;
    QTextBrowser* txtHelp = nullptr;
    QList<HelpTopic> topics;
    QString source;
    int missingTopic = 0;  // the topic asked for when the file lacks it
    bool settingTopic = false;
};

QPointer<HelpWindow> openWindow;

bool readable(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

}  // namespace

QList<HelpTopic> parseHelpText(const QString& text)
{
    static const QRegularExpression topicLine(QStringLiteral("^@topic\\s+(\\d+)\\s*(.*)$"));
    QList<HelpTopic> topics;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QRegularExpressionMatch m = topicLine.match(line);
        bool ok = false;
        const int number = m.hasMatch() ? m.captured(1).toInt(&ok) : 0;
        if (ok) {
            HelpTopic t;
            t.number = number;
            t.title = m.captured(2).trimmed();
            if (t.title.isEmpty()) t.title = QStringLiteral("Topic %1").arg(number);
            topics.append(t);
        } else if (!topics.isEmpty()) {
            topics.last().text += line + QLatin1Char('\n');
        }
    }
    for (HelpTopic& t : topics) {
        // no blank lines at the start or end of a topic
        while (t.text.startsWith(QLatin1Char('\n'))) t.text.remove(0, 1);
        while (t.text.endsWith(QStringLiteral("\n\n"))) t.text.chop(1);
    }
    return topics;
}

QString helpTopicHtml(const HelpTopic& topic)
{
    QString html = QStringLiteral("<h2>%1</h2>\n").arg(topic.title.toHtmlEscaped());
    enum class Block { None, Paragraph, List, Typed } block = Block::None;
    auto close = [&] {
        switch (block) {
            case Block::Paragraph:
                html += QStringLiteral("</p>\n");
                break;
            case Block::List:
                html += QStringLiteral("</ul>\n");
                break;
            case Block::Typed:
                html += QStringLiteral("</pre>\n");
                break;
            case Block::None:
                break;
        }
        block = Block::None;
    };
    for (const QString& line : topic.text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty()) {
            if (block == Block::Typed)
                html += QLatin1Char('\n');
            else
                close();
        } else if (line.startsWith(QStringLiteral("    "))) {
            if (block != Block::Typed) {
                close();
                html += QStringLiteral("<pre>");
                block = Block::Typed;
            }
            html += line.mid(4).toHtmlEscaped() + QLatin1Char('\n');
        } else if (line.startsWith(QStringLiteral("== "))) {
            close();
            html += QStringLiteral("<h3>%1</h3>\n").arg(line.mid(3).trimmed().toHtmlEscaped());
        } else if (line.startsWith(QStringLiteral("- "))) {
            if (block != Block::List) {
                close();
                html += QStringLiteral("<ul>\n");
                block = Block::List;
            }
            html += QStringLiteral("<li>%1</li>\n").arg(line.mid(2).trimmed().toHtmlEscaped());
        } else if (block == Block::List && line.startsWith(QStringLiteral("  "))) {
            // a continued list item
            html.chop(6);  // "</li>\n"
            html += QLatin1Char(' ') + line.trimmed().toHtmlEscaped() + QStringLiteral("</li>\n");
        } else {
            if (block != Block::Paragraph) {
                close();
                html += QStringLiteral("<p>");
                block = Block::Paragraph;
            } else {
                html += QLatin1Char(' ');
            }
            html += line.trimmed().toHtmlEscaped();
        }
    }
    close();
    return html;
}

HelpLookup findHelp(const QString& asked, const QStringList& fallbackDirs)
{
    QStringList candidates;
    if (!asked.isEmpty()) candidates << QString(asked).replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString& dir : fallbackDirs) candidates << QDir(dir).filePath(kHelpFileName);

    HelpLookup found;
    for (const QString& path : candidates) {
        if (!readable(path)) continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        found.path = path;
        found.topics = parseHelpText(QString::fromUtf8(file.readAll()));
        return found;
    }
    found.problem =
        QStringLiteral("The help file %1 could not be found.\n\nKinetra looked for it here:\n")
            .arg(kHelpFileName);
    for (const QString& path : candidates)
        found.problem += QStringLiteral("    ") + path + QLatin1Char('\n');
    found.problem += QStringLiteral("\nReinstalling Kinetra puts the help file back in place.");
    return found;
}

void showHelpTopic(QWidget* parent, const QString& helpFile, int topic, const QStringList& installedDirs)
{
    const HelpLookup help = findHelp(helpFile, installedDirs);
    if (!help.problem.isEmpty()) {
        QMessageBox::information(parent, kViewerTitle, help.problem);
        return;
    }
    if (!openWindow) openWindow = new HelpWindow(parent ? parent->window() : nullptr);
    openWindow->setHelp(help);
    openWindow->showTopic(topic);
    openWindow->show();
    openWindow->raise();
    openWindow->activateWindow();
}

}  // namespace kinetra
