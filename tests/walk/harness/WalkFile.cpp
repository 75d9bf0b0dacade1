// Steps as lines of text, and the walk files made of them.
#include <QFile>
#include <QRegularExpression>

#include "walk/harness/Walk.h"

namespace kinetra::walk {

namespace {

const char* kindName(StepKind k)
{
    switch (k) {
    case StepKind::Click: return "click";
    case StepKind::ClickRow: return "row";
    case StepKind::Type: return "type";
    case StepKind::Key: return "key";
    case StepKind::CloseBox: return "close";
    case StepKind::Answer: return "answer";
    case StepKind::Escape: return "escape";
    case StepKind::Choose: return "choose";
    case StepKind::Paste: return "paste";
    }
    return "?";
}

struct KeyName {
    int key;
    const char* name;
};
constexpr KeyName kKeyNames[] = {{Qt::Key_Return, "Enter"},   {Qt::Key_Tab, "Tab"},
                                 {Qt::Key_Backtab, "Backtab"}, {Qt::Key_Escape, "Escape"},
                                 {Qt::Key_Delete, "Delete"},   {Qt::Key_Backspace, "Backspace"}};

QString keyText(int key)
{
    for (const KeyName& k : kKeyNames)
        if (k.key == key) return QString::fromLatin1(k.name);
    return QString(QChar(key));
}

int keyFromText(const QString& text)
{
    for (const KeyName& k : kKeyNames)
        if (text == QLatin1String(k.name)) return k.key;
    return text.size() == 1 ? text.at(0).unicode() : 0;
}

}  // namespace

QString describeStep(const Step& s)
{
    QString what;
    switch (s.kind) {
    case StepKind::Click: what = s.control; break;
    case StepKind::ClickRow: what = QString::number(s.row); break;
    case StepKind::Type: what = QStringLiteral("\"%1\"").arg(s.text); break;
    case StepKind::Key: what = keyText(s.key); break;
    case StepKind::Answer: what = s.control; break;
    case StepKind::Choose: what = QStringLiteral("%1=%2").arg(s.control).arg(s.row); break;
    case StepKind::Paste:
        what = QStringLiteral("\"%1\"").arg(QString(s.text).replace(QLatin1Char('\t'), QLatin1String("\\t"))
                                                 .replace(QLatin1Char('\n'), QLatin1String("\\n")));
        break;
    case StepKind::CloseBox:
    case StepKind::Escape: break;
    }
    return QStringLiteral("%1 %2 %3 | open=%4 save=%5 printer=%6 picture=%7")
        .arg(QLatin1String(kindName(s.kind)), s.window.isEmpty() ? QStringLiteral("-") : s.window,
             what.isEmpty() ? QStringLiteral("-") : what)
        .arg(s.openChoice)
        .arg(s.saveChoice)
        .arg(s.printerOk ? 1 : 0)
        .arg(s.pictureEnding);
}

bool parseStep(const QString& line, Step& s)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^(\w+) (\S+) (".*"|\S+) \| open=(-?\d+) save=(-?\d+) printer=([01])(?: picture=([012]))?$)"));
    const QRegularExpressionMatch m = form.match(line.trimmed());
    if (!m.hasMatch()) return false;
    s = Step{};
    const QString kind = m.captured(1);
    bool known = false;
    for (StepKind k : {StepKind::Click, StepKind::ClickRow, StepKind::Type, StepKind::Key, StepKind::CloseBox,
                       StepKind::Answer, StepKind::Escape, StepKind::Choose, StepKind::Paste}) {
        if (kind == QLatin1String(kindName(k))) {
            s.kind = k;
            known = true;
        }
    }
    if (!known) return false;
    s.window = m.captured(2) == QLatin1String("-") ? QString() : m.captured(2);
    QString what = m.captured(3);
    if (what == QLatin1String("-")) what.clear();
    switch (s.kind) {
    case StepKind::Click:
    case StepKind::Answer: s.control = what; break;
    case StepKind::ClickRow: s.row = what.toInt(); break;
    case StepKind::Type: s.text = what.mid(1, what.size() - 2); break;
    case StepKind::Key: s.key = keyFromText(what); break;
    case StepKind::Choose:
        s.control = what.section(QLatin1Char('='), 0, 0);
        s.row = what.section(QLatin1Char('='), 1).toInt();
        break;
    case StepKind::Paste:
        s.text = what.mid(1, what.size() - 2).replace(QLatin1String("\\t"), QLatin1String("\t"))
                     .replace(QLatin1String("\\n"), QLatin1String("\n"));
        break;
    default: break;
    }
    s.openChoice = m.captured(4).toInt();
    s.saveChoice = m.captured(5).toInt();
    s.printerOk = m.captured(6) == QLatin1String("1");
    s.pictureEnding = m.captured(7).isEmpty() ? 0 : m.captured(7).toInt();
    return true;
}

QString walkFileText(std::uint64_t seed, const WalkOptions& options, const std::vector<Step>& steps, const Fault& fault)
{
    QString text = QStringLiteral("# seed %1 locale %2\n").arg(seed).arg(options.german ? QStringLiteral("de") : QStringLiteral("c"));
    if (!fault.kind.isEmpty()) text += QStringLiteral("# fault %1: %2\n").arg(fault.kind, fault.detail);
    for (const Step& s : steps) text += describeStep(s) + QLatin1Char('\n');
    return text;
}

bool readWalkFile(const QString& path, std::vector<Step>& steps, WalkOptions& options)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    steps.clear();
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("# seed "))) options.german = line.endsWith(QLatin1String(" de"));
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        Step s;
        if (!parseStep(line, s)) return false;
        steps.push_back(s);
    }
    return true;
}

}  // namespace kinetra::walk
