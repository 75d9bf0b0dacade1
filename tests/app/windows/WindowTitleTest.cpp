// The titles the desktop shows, read from a real X server: every top-level window carries
// exactly the caption it was given (no program name appended), and a window without a
// caption shows no program name either. The offscreen platform of the other tests adds
// nothing to titles, so only the xcb platform shows this. Needs Xvfb and xdotool
// (scripts/install-deps.sh installs both); skipped when no X server can start.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

namespace {

// A private Xvfb display, stopped when the test ends.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) return;
        server.setProcessChannelMode(QProcess::SeparateChannels);
        // -displayfd 1: Xvfb picks a free display and writes its number once it is ready
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                              QStringLiteral("-screen"), QStringLiteral("0"),
                                              QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                              QStringLiteral("tcp")});
        if (!server.waitForStarted(5000)) return;
        QByteArray out;
        while (!out.contains('\n') && server.waitForReadyRead(10000)) out += server.readAllStandardOutput();
        const QByteArray number = out.trimmed();
        if (!number.isEmpty()) name = QStringLiteral(":") + QString::fromLatin1(number);
    }
    ~VirtualDisplay()
    {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(3000)) server.kill();
            server.waitForFinished(3000);
        }
    }
    QString name;  // empty when no server started

private:
    QProcess server;
};

TEST(WindowTitles, EveryTopLevelWindowShowsExactlyItsCaptionUnderXcb)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool is not installed (scripts/install-deps.sh installs it)";
    VirtualDisplay display;
    if (display.name.isEmpty()) GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";

    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display.name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QString());
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(QStringLiteral(KINETRA_TITLE_PROBE), {});
    ASSERT_TRUE(probe.waitForStarted(5000));
    QByteArray out;
    while (!out.contains("ready\n") && probe.waitForReadyRead(20000)) out += probe.readAllStandardOutput();
    ASSERT_TRUE(out.contains("ready\n")) << out.toStdString();

    int checked = 0;
    bool sawUncaptioned = false;
    for (const QByteArray& line : out.split('\n')) {
        const int tab = line.indexOf('\t');
        if (tab < 0) continue;
        const QString id = QString::fromLatin1(line.left(tab));
        const QString given = QString::fromUtf8(line.mid(tab + 1));
        QProcess read;
        read.setProcessEnvironment(env);
        read.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id});
        ASSERT_TRUE(read.waitForFinished(5000));
        QString shown = QString::fromUtf8(read.readAllStandardOutput());
        if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
        EXPECT_EQ(shown.toStdString(), given.toStdString()) << "window " << id.toStdString();
        EXPECT_FALSE(shown.contains(QStringLiteral("Kinetra")) && given != QStringLiteral("Kinetra"))
            << "the program's name appears in \"" << shown.toStdString() << "\"";
        if (given.trimmed().isEmpty()) sawUncaptioned = true;
        ++checked;
    }
    EXPECT_GE(checked, 16) << out.toStdString();
    EXPECT_TRUE(sawUncaptioned) << "the splash and two choice dialogs have no caption";
    probe.closeWriteChannel();
    if (!probe.waitForFinished(5000)) {
        probe.kill();
        probe.waitForFinished(3000);
    }
}

}  // namespace
