// The checks after each step: no NaN or inf shows anywhere, no point is lost or made up, the
// points handed on and saved are the list's, and no window stays open beside the menu.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>
#include <algorithm>
#include <cmath>
#include <exception>
#include <variant>

#include "entry/DataFileReader.h"
#include "format/NumberForms.h"
#include "graphs/GraphGeometry.h"
#include "walk/harness/OpenWindows.h"
#include "windows/stats/frmCompare.h"
#include "walk/harness/Walker.h"

namespace kinetra::walk {

namespace {

const QRegularExpression& nanOrInf()
{
    static const QRegularExpression re(QStringLiteral("(?<![A-Za-z])(nan|inf|infinity)(?![A-Za-z])"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

}  // namespace

bool Walker::knownNumber(double v) const
{
    if (v == 0.0) return true;  // a deleted row reads 0
    const auto& f = fileNumbers();
    auto match = [v](double x) { return near(v, x); };
    return std::any_of(f.begin(), f.end(), match) || std::any_of(typedNumbers.begin(), typedNumbers.end(), match);
}

void Walker::noteFieldNumbers()
{
    const char sep = decimalSeparator();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        for (QLineEdit* e : top->findChildren<QLineEdit*>()) {
            if (!e->isVisible()) continue;
            const auto v = parseDecimal(e->text().trimmed().toStdString(), sep);
            if (!v || !std::isfinite(*v)) continue;
            if (std::none_of(typedNumbers.begin(), typedNumbers.end(), [&](double x) { return x == *v; }))
                typedNumbers.push_back(*v);
        }
    }
}

void Walker::checkAfterStep()
{
    if (!hub || hub->programEnded()) return;
    noteFieldNumbers();
    checkNoNanOrInf();
    checkPoints();
    checkComparisons();
    checkPictures();

    // no window left open once the menu is back
    if (QWidget* menu = reinterpret_cast<QWidget*>(hub->menuWindow()); menu && menu->isVisible() && !visibleModal()) {
        const QStringList others = windowNames(hub.get(), menu);
        if (!others.isEmpty()) fail(QStringLiteral("leak"), QStringLiteral("open beside the menu: ") + others.join(QLatin1Char(' ')));
    }
}

// No NaN or inf on any window, in any message or report line, or in graph 1's picture.
void Walker::checkNoNanOrInf()
{
    // what the user typed (a ligand called "inf") is the user's own text wherever it shows
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QLineEdit* e : top->findChildren<QLineEdit*>())
            if (e->isModified() && !e->text().trimmed().isEmpty() && !typedTexts.contains(e->text().trimmed()))
                typedTexts << e->text().trimmed();
    auto scan = [this](const QString& where, const QString& text) {
        QString own = text;
        for (const QString& t : typedTexts) own.remove(t);
        if (own.contains(nanOrInf())) fail(QStringLiteral("nan"), where + QStringLiteral(" shows \"") + text + QLatin1Char('"'));
    };
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        std::vector<QString> texts;
        windowTexts(top, texts);
        for (QLineEdit* e : top->findChildren<QLineEdit*>()) {
            // what the user typed is the user's own text
            if (e->isModified()) texts.erase(std::remove(texts.begin(), texts.end(), e->text()), texts.end());
        }
        for (const QString& t : texts) scan(top->objectName(), t);
    }
    for (const ScriptedPlatform::Message& m : platform->messages) scan(QStringLiteral("message ") + m.title, m.text);
    platform->messages.clear();
    for (; jobsChecked < platform->printedJobs.size(); ++jobsChecked)
        for (const std::string& line : platform->printedJobs[jobsChecked]) scan(QStringLiteral("printed report"), QString::fromStdString(line));
    for (const std::string& line : platform->openJobLines()) scan(QStringLiteral("printed report"), QString::fromStdString(line));
    for (const QString& path : platform->reportFiles) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) scan(QStringLiteral("report file"), QString::fromUtf8(file.readAll()));
    }
    if (!hub->graph1Window()) return;
    try {
        const DisplayList picture = buildGraph1(hub->state().dataSet);
        for (const DrawOp& op : picture.ops) {
            if (const auto* t = std::get_if<Text>(&op)) {
                scan(QStringLiteral("graph 1"), QString::fromStdString(t->text));
                if (!std::isfinite(t->topLeft.x) || !std::isfinite(t->topLeft.y))
                    fail(QStringLiteral("nan"), QStringLiteral("graph 1 places a text at a non-finite point"));
            } else if (const auto* l = std::get_if<Line>(&op)) {
                if (!std::isfinite(l->from.x + l->from.y + l->to.x + l->to.y))
                    fail(QStringLiteral("nan"), QStringLiteral("graph 1 draws a line through a non-finite point"));
            } else if (const auto* k = std::get_if<Circle>(&op)) {
                if (!std::isfinite(k->centre.x + k->centre.y + k->radius))
                    fail(QStringLiteral("nan"), QStringLiteral("graph 1 draws a dot at a non-finite point"));
            }
        }
    } catch (const std::exception&) {
        // the window shows its own failure message; nothing to check here
    }
}

// The points in the list are points read or typed, less the rows deleted; the points handed
// on at "Draw Graph" are the list's; a saved point file reads back as the list.
void Walker::checkPoints()
{
    QTreeWidget* list = pointList(hub.get());
    const std::vector<Pair> now = activePoints(list, decimalSeparator());
    const std::vector<Pair> added = minus(now, lastPoints);
    const std::vector<Pair> removed = minus(lastPoints, now);
    for (const Pair& p : added) {
        if (!knownNumber(p.c) || (!std::isnan(p.r) && !knownNumber(p.r)))
            fail(QStringLiteral("lost point"), QStringLiteral("the list shows a point neither read nor typed: ") + pairsText({p}));
    }
    const QString& w = lastStep.window;
    // a new list (a file read, a fresh keyboard entry, a cancelled entry, a new calculation)
    // may come a step after the action that asked for it, once the modal question is gone
    if (list != lastListAddress || (lastListAddress && lastList.isNull()) || platform->fileOpened ||
        (lastStep.kind == StepKind::Click &&
         (lastStep.control == QLatin1String("optKeyboard") || lastStep.control == QLatin1String("cmdMenCalcula"))) ||
        w == QLatin1String("frmfechar"))
        listMayChange = 2;
    const bool replaced = listMayChange > 0;
    if (listMayChange > 0) --listMayChange;
    // an unfinished point (its rate not yet typed) goes with a cancelled entry
    std::vector<Pair> lost;
    for (const Pair& p : removed)
        if (!std::isnan(p.r)) lost.push_back(p);
    if (!replaced) {
        const std::size_t allowed = (w == QLatin1String("frmchangedata") ? 1 : 0) + (fieldFocusedBefore ? added.size() : 0);
        if (lost.size() > allowed)
            fail(QStringLiteral("lost point"), QStringLiteral("points left the list: %1 (the list now: %2)")
                                                   .arg(pairsText(lost), pairsText(now)));
    }
    // the points handed on are the list's
    const std::vector<Pair> listed = withZeroRates(now);
    const bool graph1Open = hub->graph1Window() != nullptr;
    if (graph1Open && !graph1WasOpen && list && (w == QLatin1String("frmEntDados") || w == QLatin1String("frmsalvaarquivo"))) {
        const DataSet& data = hub->state().dataSet;
        std::vector<Pair> handed;
        for (std::size_t i = 0; i < data.concentration.size(); ++i) handed.push_back({data.concentration[i], data.rate[i]});
        if (!sameMultiset(handed, listed))
            fail(QStringLiteral("lost point"), QStringLiteral("handed on %1 but the list shows %2").arg(pairsText(handed), pairsText(listed)));
    }
    // a saved point file reads back as the list
    for (const QString& path : platform->pointFiles) {
        if (!QFile::exists(path)) continue;
        std::vector<Pair> saved;
        try {
            for (const ReadRecord& r : readDataFile(QFile::encodeName(path).toStdString())) saved.push_back({r.concentration, r.rate});
        } catch (const std::exception& e) {
            fail(QStringLiteral("saved file"), QStringLiteral("the saved point file does not read back: ") + QString::fromLocal8Bit(e.what()));
            continue;
        }
        if (!sameMultiset(saved, listed))
            fail(QStringLiteral("saved file"), QStringLiteral("the saved file holds %1 but the list shows %2").arg(pairsText(saved), pairsText(listed)));
    }
    platform->pointFiles.clear();

    // a paste fills the list up to its 200 points and no further
    if (pasted && list && list->topLevelItemCount() > 200)
        fail(QStringLiteral("overfull"), QStringLiteral("the list holds %1 points after a paste").arg(list->topLevelItemCount()));
    pasted = false;

    lastPoints = now;
    lastList = list;
    lastListAddress = list;
    graph1WasOpen = graph1Open;
    platform->fileOpened = false;
}

// A comparison window names the same sets in its table, in its plot's legend and in the
// comparison it holds.
void Walker::checkComparisons()
{
    for (QWidget* w : candidateWindows(hub.get())) {
        auto* form = qobject_cast<frmCompare*>(w);
        if (!form) continue;
        QStringList held, rows, legend;
        for (const ComparedSet& set : form->comparison().sets) held << QString::fromStdString(set.name);
        if (auto* grid = form->findChild<QTableWidget*>(QStringLiteral("grdSets")))
            for (int r = 0; r < grid->rowCount(); ++r)
                if (const QTableWidgetItem* item = grid->item(r, 0)) rows << item->text();
        // the legend's names are the picture's coloured texts (axes and numbers are black)
        for (const DrawOp& op : form->overlayPlot().ops)
            if (const auto* t = std::get_if<Text>(&op); t && !(t->colour == kBlack))
                legend << QString::fromStdString(t->text);
        if (rows != legend || held != rows)
            fail(QStringLiteral("comparison"), QStringLiteral("the table shows [%1], the legend [%2], the comparison [%3]")
                                                   .arg(rows.join(QStringLiteral(", ")), legend.join(QStringLiteral(", ")),
                                                        held.join(QStringLiteral(", "))));
    }
}

// A saved picture is a whole file.
void Walker::checkPictures()
{
    for (const QString& path : platform->pictureFiles) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;  // not saved: the window said why
        const QByteArray bytes = file.readAll();
        const bool whole = wholePicture(path, bytes);
        if (!whole)
            fail(QStringLiteral("saved picture"), QStringLiteral("%1 is not a whole picture (%2 bytes)").arg(path).arg(bytes.size()));
    }
    platform->pictureFiles.clear();
}

}  // namespace kinetra::walk
