#include "walk/harness/Points.h"

#include <QLocale>
#include <QStringList>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

#include "format/NumberForms.h"

namespace kinetra::walk {

char decimalSeparator() { return QLocale().decimalPoint().at(0).toLatin1(); }

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-3 * std::max(std::fabs(a), std::fabs(b)) + 1e-300;
}

std::vector<Pair> activePoints(QTreeWidget* list, char sep)
{
    std::vector<Pair> out;
    if (!list) return out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        const auto c = parseDecimal(item->text(1).toStdString(), sep);
        if (!c || *c == 0.0) continue;  // a deleted or empty row
        const auto r = parseDecimal(item->text(2).toStdString(), sep);
        out.push_back({*c, r ? *r : std::nan("")});
    }
    return out;
}

std::vector<Pair> withZeroRates(const std::vector<Pair>& points)
{
    std::vector<Pair> out;
    for (const Pair& p : points) out.push_back({p.c, std::isnan(p.r) ? 0.0 : p.r});
    return out;
}

bool samePair(const Pair& a, const Pair& b)
{
    if (!near(a.c, b.c)) return false;
    if (std::isnan(a.r) || std::isnan(b.r)) return std::isnan(a.r) && std::isnan(b.r);
    return near(a.r, b.r);
}

std::vector<Pair> minus(std::vector<Pair> a, const std::vector<Pair>& b)
{
    for (const Pair& p : b) {
        auto it = std::find_if(a.begin(), a.end(), [&](const Pair& q) { return samePair(p, q); });
        if (it != a.end()) a.erase(it);
    }
    return a;
}

bool sameMultiset(const std::vector<Pair>& a, const std::vector<Pair>& b)
{
    return minus(a, b).empty() && minus(b, a).empty();
}

QString pairsText(const std::vector<Pair>& ps)
{
    QStringList t;
    for (const Pair& p : ps) t << QStringLiteral("(%1, %2)").arg(p.c).arg(p.r);
    return t.join(QStringLiteral(" "));
}

}  // namespace kinetra::walk
