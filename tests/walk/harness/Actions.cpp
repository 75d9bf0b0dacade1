// What a step can do to the windows: the step a seed chooses from what the window in front
// offers, performing a step as the user would (through the window's mouse and keys), and the
// road back an escape probe takes.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <map>

#include "format/NumberForms.h"
#include "ui/ChildForm.h"
#include "ui/ChoiceDialog.h"
#include "walk/harness/OpenWindows.h"
#include "walk/harness/Walker.h"

namespace kinetra::walk {

namespace {

struct Candidate {
    double weight;
    Step step;
};

// How strongly a step leans toward a control: the roads users take weigh more.
double roadWeight(const QString& window, const QString& control)
{
    static const std::map<QString, std::map<QString, double>> table = {
        {QStringLiteral("frmMenu"), {{QStringLiteral("cmdMenCalcula"), 20}, {QStringLiteral("cmdMenSaida"), 0.2}}},
        {QStringLiteral("frmEntDados"),
         {{QStringLiteral("optFile"), 6}, {QStringLiteral("optKeyboard"), 3}, {QStringLiteral("cmmdataOk"), 2},
          {QStringLiteral("optDestNone"), 3}, {QStringLiteral("optDestFile"), 2}, {QStringLiteral("optDestPrinter"), 2},
          {QStringLiteral("cmdDesenha"), 6}, {QStringLiteral("Command1"), 0.4}, {QStringLiteral("cmmStop"), 0.1},
          {QStringLiteral("cmmhelp"), 0.3}}},
        {QStringLiteral("frmGrafico1"),
         {{QStringLiteral("cmdNext"), 6}, {QStringLiteral("cmmBack"), 1}, {QStringLiteral("cmmStop"), 0.1},
          {QStringLiteral("cmmhelp"), 0.3}, {QStringLiteral("cmdSavePicture"), 1}}},
        {QStringLiteral("frmFitStatistics"),
         {{QStringLiteral("cmdCompare"), 3}, {QStringLiteral("cmdSaveResiduals"), 1.5},
          {QStringLiteral("cmdSaveFitPlot"), 1.5}, {QStringLiteral("cmdHelp"), 0.3}}},
        {QStringLiteral("frmCompare"), {{QStringLiteral("cmdSavePicture"), 3}, {QStringLiteral("cmdHelp"), 0.3}}},
        {QStringLiteral("frmCalCinetico"),
         {{QStringLiteral("Command1"), 4}, {QStringLiteral("Command2"), 3}, {QStringLiteral("optGraSim"), 4},
          {QStringLiteral("optGraNao"), 2}, {QStringLiteral("Command3"), 0.1}, {QStringLiteral("cmmhelp"), 0.3},
          {QStringLiteral("cmdStatistics"), 3}}},
        {QStringLiteral("frmGrafico2"),
         {{QStringLiteral("cmdNext"), 3}, {QStringLiteral("cmdPrint"), 2}, {QStringLiteral("cmmBack"), 1},
          {QStringLiteral("cmmStop"), 0.1}, {QStringLiteral("cmmhelp"), 0.3}, {QStringLiteral("cmdSavePicture"), 1}}},
    };
    const auto w = table.find(window);
    if (w == table.end()) return 1;
    const auto c = w->second.find(control);
    return c == w->second.end() ? 0.5 : c->second;
}

// Clipboard text as a spreadsheet copies it: rows of a concentration and a rate separated by
// a tab, now and then a header, a bad value, or more rows than the list takes.
QString clipboardRows(std::mt19937_64& rng, char sep)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const double r = unit(rng);
    const int rows = r < 0.15 ? 201 + pick(60) : r < 0.3 ? 150 + pick(50) : 1 + pick(12);
    const int bad = unit(rng) < 0.15 ? pick(rows) : -1;
    static const char* badValues[] = {"0", "-2", "abc", "1e999", "", "NaN", "inf", "1..2"};
    QStringList lines;
    if (unit(rng) < 0.2) lines << QStringLiteral("S\tv");
    // four significant digits at most, as the list keeps them
    auto decimal = [sep](double x) { return QString::number(x, 'g', 4).replace(QLatin1Char('.'), QLatin1Char(sep)); };
    auto number = [&] { return decimal((1 + pick(9999)) / std::pow(10.0, pick(3))); };
    // half the time the rows follow a Hill curve (with some scatter), which the calculation fits
    const bool curve = unit(rng) < 0.5;
    const double vmax = 50 + pick(500), n = 1 + 0.5 * pick(5), k = 1 + pick(50);
    for (int i = 0; i < rows; ++i) {
        QString c = number(), v = number();
        if (curve) {
            const double conc = k * std::pow(10.0, -1.0 + 2.5 * i / std::max(rows, 12));
            const double rate = vmax / (1 + std::pow(k / conc, n)) * (0.95 + 0.1 * unit(rng));
            c = decimal(conc);
            v = decimal(rate);
        }
        if (i == bad) (pick(2) == 0 ? c : v) = QString::fromLatin1(badValues[pick(static_cast<int>(std::size(badValues)))]);
        lines << c + QLatin1Char('\t') + v;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

// The window the user works in: a statistics or comparison window opened over the
// others stands in front of them.
QWidget* Walker::frontWindow(const std::vector<QWidget*>& wins) const
{
    if (!hub || !hub->workspace()) return wins.front();
    const QList<QMdiSubWindow*> frames = hub->workspace()->subWindowList(QMdiArea::StackingOrder);
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        QWidget* w = (*it)->widget();
        if (!(*it)->isVisible() || !w) continue;
        const QString name = w->objectName();
        if ((name == QLatin1String("frmFitStatistics") || name == QLatin1String("frmCompare")) &&
            std::find(wins.begin(), wins.end(), w) != wins.end())
            return w;
        break;
    }
    return wins.front();
}

void Walker::act(const Step& s)
{
    platform->current = s;
    platform->currentWindow = s.window;
    const std::vector<QWidget*> wins = candidateWindows(hub.get());
    fieldFocusedBefore = false;
    for (QWidget* w : wins) fieldFocusedBefore = fieldFocusedBefore || focusedField(w);
    stepClock.start();
    clockRunning = true;
    ++result.actions;
    // the next step runs from whatever event loop runs next, a modal window's included
    schedule();
    ++depth;
    modalAtAction.emplace_back(visibleModal());
    try {
        QWidget* win = findWindow(hub.get(), s.window);
        if (!win) {
            --depth;
            modalAtAction.pop_back();
            return;
        }
        switch (s.kind) {
        case StepKind::Click: {
            QWidget* c = s.control == win->objectName() ? win : win->findChild<QWidget*>(s.control);
            if (shown(c)) clickCentre(c);
            break;
        }
        case StepKind::ClickRow: {
            auto* list = win->findChild<QTreeWidget*>(QStringLiteral("lvwDados"));
            if (!shown(list) || s.row < 1 || s.row > list->topLevelItemCount()) break;
            QTreeWidgetItem* item = list->topLevelItem(s.row - 1);
            list->scrollToItem(item);
            clickThroughWindow(list->viewport(), list->visualItemRect(item).center());
            break;
        }
        case StepKind::Type: {
            QPointer<QWidget> target = focusedField(win);
            if (!target) break;
            QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
            if (target) QTest::keyClicks(target, s.text);
            break;
        }
        case StepKind::Key: {
            QWidget* target = QApplication::focusWidget();
            if (!target || !(target == win || win->isAncestorOf(target))) target = win;
            if (s.key >= 0x20 && s.key < 0x7f) QTest::keyClick(target, static_cast<char>(s.key));
            else QTest::keyClick(target, static_cast<Qt::Key>(s.key));
            break;
        }
        case StepKind::CloseBox: {
            if (win == hub.get()) {
                hub->close();
            } else if (auto* form = qobject_cast<ChildForm*>(win)) {
                QMdiSubWindow* frame = form->subWindow();
                if (frame && (frame->windowFlags() & Qt::WindowCloseButtonHint)) frame->close();
            } else {
                win->close();
            }
            break;
        }
        case StepKind::Answer: {
            QPointer<QWidget> dialog = win;
            if (auto* option = win->findChild<QRadioButton*>(s.control); shown(option)) clickCentre(option);
            if (!dialog) break;
            if (auto* go = win->findChild<QAbstractButton*>(QStringLiteral("Command1")); shown(go)) clickCentre(go);
            break;
        }
        case StepKind::Choose: {
            auto* box = win->findChild<QComboBox*>(s.control);
            if (!shown(box) || s.row < 0 || s.row >= box->count()) break;
            // the keys pick the item, each move taken by the window as the user's choice
            box->setFocus(Qt::OtherFocusReason);
            QPointer<QComboBox> alive = box;
            const Qt::Key toward = s.row > box->currentIndex() ? Qt::Key_Down : Qt::Key_Up;
            while (alive && alive->isEnabled() && alive->currentIndex() != s.row) {
                const int before = alive->currentIndex();
                QTest::keyClick(alive, toward);
                if (alive && alive->currentIndex() == before) break;
            }
            break;
        }
        case StepKind::Paste: {
            auto* list = win->findChild<QTreeWidget*>(QStringLiteral("lvwDados"));
            if (!shown(list)) break;
            // what is pasted counts as typed
            const char sep = decimalSeparator();
            for (const QString& line : s.text.split(QLatin1Char('\n')))
                for (const QString& cell : line.split(QLatin1Char('\t')))
                    if (const auto v = parseDecimal(cell.trimmed().toStdString(), sep); v && std::isfinite(*v))
                        typedNumbers.push_back(*v);
            pasted = true;
            QGuiApplication::clipboard()->setText(s.text);
            // the user's click into the list brings its window to the front and gives it the focus
            if (!list->isActiveWindow()) QApplication::setActiveWindow(list->window());
            list->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
            break;
        }
        case StepKind::Escape: break;
        }
    } catch (const std::exception& e) {
        fail(QStringLiteral("exception"), QStringLiteral("an exception left a handler: ") + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        fail(QStringLiteral("exception"), QStringLiteral("an exception of unknown type left a handler"));
    }
    --depth;
    modalAtAction.pop_back();
}

// The road back: the way out each window offers, never typing, "Stop" only where a window
// has no way back.
std::optional<Step> Walker::escapeAction()
{
    const std::vector<QWidget*> wins = candidateWindows(hub.get());
    if (wins.empty()) return std::nullopt;
    QWidget* win = wins.front();
    for (QWidget* w : wins)
        if (w->objectName() != QLatin1String("frmMenu")) {
            win = w;
            break;
        }
    // among the workspace's windows the user turns to the one in front (the Fit Statistics
    // window stands over the calculation window)
    if (win->parentWidget() && qobject_cast<QMdiSubWindow*>(win->parentWidget())) {
        const QList<QMdiSubWindow*> frames = hub->workspace()->subWindowList(QMdiArea::StackingOrder);
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            QWidget* w = (*it)->widget();
            if ((*it)->isVisible() && w && w->objectName() != QLatin1String("frmMenu")) {
                win = w;
                break;
            }
        }
    }
    Step a;
    a.openChoice = -1;
    a.saveChoice = -1;
    a.printerOk = false;
    a.window = win->objectName();
    const QString name = a.window;
    if (qobject_cast<ChoiceDialog*>(win)) {
        a.kind = StepKind::Answer;
        a.control = name == QLatin1String("frmfechar") ? QStringLiteral("optyes")
                    : name == QLatin1String("frmchangedata") ? QStringLiteral("optok")
                                                               : QStringLiteral("optno");
    } else if (name == QLatin1String("frmExpPontos")) {
        a.kind = StepKind::Key;
        a.key = Qt::Key_Escape;
    } else if (name == QLatin1String("frmEntDados")) {
        a.control = QStringLiteral("Command1");
    } else if (name == QLatin1String("frmGrafico1") || name == QLatin1String("frmGrafico2")) {
        a.control = QStringLiteral("cmmBack");
    } else if (name == QLatin1String("frmCalCinetico")) {
        QWidget* no = win->findChild<QWidget*>(QStringLiteral("optGraNao"));
        a.control = shown(no) ? QStringLiteral("optGraNao") : QStringLiteral("Command3");
    } else if (name == QLatin1String("frmMenu")) {
        return std::nullopt;
    } else {
        // a dialog's close box; where nothing but the main window is left, its close box ends the run
        a.kind = StepKind::CloseBox;
    }
    return a;
}

Step Walker::chooseStep()
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    Step base;
    const int files = static_cast<int>(offeredFiles().size());
    const double f = unit(rng);
    base.openChoice = f < 0.12 ? -1 : f < 0.8 ? pick(8) : pick(files);  // the first eight are good files
    const double g = unit(rng);
    base.saveChoice = g < 0.7 ? 0 : g < 0.8 ? 1 : -1;
    base.printerOk = unit(rng) < 0.8;
    base.pictureEnding = pick(3);

    if (unit(rng) < opt.escapeChance) {
        base.kind = StepKind::Escape;
        return base;
    }

    const std::vector<QWidget*> wins = candidateWindows(hub.get());
    if (wins.empty()) {
        base.kind = StepKind::Key;
        base.key = Qt::Key_Escape;
        return base;
    }
    QWidget* win = wins.size() > 1 && unit(rng) < 0.3 ? wins[static_cast<std::size_t>(pick(static_cast<int>(wins.size())))]
                                                      : frontWindow(wins);
    base.window = win->objectName();
    const QString wname = base.window;
    const char sep = decimalSeparator();

    std::vector<Candidate> c;
    auto add = [&](double w, Step s) { c.push_back({w, std::move(s)}); };
    auto with = [&](StepKind k) {
        Step s = base;
        s.kind = k;
        return s;
    };

    const bool choice = qobject_cast<ChoiceDialog*>(win) != nullptr;
    for (QAbstractButton* b : win->findChildren<QAbstractButton*>()) {
        if (!shown(b) || b->objectName().isEmpty()) continue;
        Step s = with(StepKind::Click);
        s.control = b->objectName();
        add(choice ? 1 : roadWeight(wname, s.control), s);
    }
    for (QLineEdit* e : win->findChildren<QLineEdit*>()) {
        if (!shown(e) || e->isReadOnly()) continue;
        Step s = with(StepKind::Click);
        s.control = e->objectName();
        add(0.3, s);
    }
    if (auto* list = win->findChild<QTreeWidget*>(QStringLiteral("lvwDados")); shown(list) && list->topLevelItemCount() > 0) {
        Step s = with(StepKind::ClickRow);
        s.row = 1 + pick(list->topLevelItemCount());
        add(3, s);
    }
    if (auto* list = win->findChild<QTreeWidget*>(QStringLiteral("lvwDados")); shown(list)) {
        Step s = with(StepKind::Paste);
        s.text = clipboardRows(rng, sep);
        add(1.5, s);
    }
    for (QComboBox* box : win->findChildren<QComboBox*>()) {
        if (!shown(box) || box->objectName().isEmpty() || box->count() < 2) continue;
        Step s = with(StepKind::Choose);
        s.control = box->objectName();
        s.row = pick(box->count());
        add(box->objectName() == QLatin1String("cboWeighting") ? 3 : 1, s);
    }
    if (choice) {
        const QList<QRadioButton*> options = win->findChildren<QRadioButton*>();
        if (!options.isEmpty()) {
            Step s = with(StepKind::Answer);
            s.control = options[pick(static_cast<int>(options.size()))]->objectName();
            add(10, s);
        }
        add(0.8, with(StepKind::CloseBox));
    } else if (qobject_cast<QDialog*>(win)) {
        add(0.3, with(StepKind::CloseBox));
    } else {
        add(0.05, with(StepKind::CloseBox));
    }

    auto key = [&](double w, int k) {
        Step s = with(StepKind::Key);
        s.key = k;
        add(w, s);
    };
    if (QLineEdit* field = focusedField(win)) {
        static const char* goodNumbers[] = {"1", "2", "5", "10", "0.5", "0.25", "3.3", "100", "1000", "0.001", "7.5", "42"};
        static const char* badTexts[] = {"0", "-1", "abc", "1e999", "1..2", ",", "NaN", "inf", "1.2.3", " ", "1e-320"};
        QString good;
        const int pointCount = std::max<int>(1, hub->state().pointCount);
        // more often than not the points window gets the whole curve over a zero baseline, which
        // takes the calculation through to its results
        const bool points = wname == QLatin1String("frmDadParcial");
        const bool whole = points && unit(rng) < 0.6;
        if (whole) {
            good = field->objectName() == QLatin1String("txtPrimPonto") ? QStringLiteral("1")
                   : field->objectName() == QLatin1String("txtUltPonto") ? QString::number(pointCount)
                                                                          : QStringLiteral("0");
        } else if (wname == QLatin1String("frmDadParcial") && field->objectName() != QLatin1String("txtBaseline")) {
            good = QString::number(1 + pick(pointCount));
        } else if (unit(rng) < 0.5) {
            good = QString::fromLatin1(goodNumbers[pick(static_cast<int>(std::size(goodNumbers)))]);
        } else {
            good = QString::number(1 + pick(999));
            if (unit(rng) < 0.5) good += QStringLiteral(".") + QString::number(pick(100));
        }
        Step t = with(StepKind::Type);
        t.text = good.replace(QLatin1Char('.'), QLatin1Char(sep));
        add(points ? 12 : 5, t);
        Step b = with(StepKind::Type);
        b.text = QString::fromLatin1(badTexts[pick(static_cast<int>(std::size(badTexts)))]);
        add(0.6, b);
        key(points ? 8 : 4, Qt::Key_Return);
        key(1, Qt::Key_Tab);
        key(0.3, Qt::Key_Backtab);
        key(0.2, Qt::Key_Delete);
        key(0.2, Qt::Key_Backspace);
        key(0.3, '0' + pick(10));
        key(0.2, 'a' + pick(26));
        key(0.2, sep);
    } else {
        key(0.2, Qt::Key_Return);
        key(0.2, Qt::Key_Tab);
        key(0.1, Qt::Key_Backtab);
        key(0.1, '0' + pick(10));
    }
    key(qobject_cast<QDialog*>(win) ? 0.4 : 0.1, Qt::Key_Escape);

    if (unit(rng) < opt.anythingShare) return c[static_cast<std::size_t>(pick(static_cast<int>(c.size())))].step;
    double total = 0;
    for (const Candidate& k : c) total += k.weight;
    double r = unit(rng) * total;
    for (const Candidate& k : c) {
        r -= k.weight;
        if (r <= 0) return k.step;
    }
    return c.back().step;
}

}  // namespace kinetra::walk
