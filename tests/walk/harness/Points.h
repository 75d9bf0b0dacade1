#pragma once
// Points as the walks compare them: the pairs in the point list, read with the decimal mark
// of the locale the walk runs under, compared within the four significant digits the list
// keeps, as multisets.

#include <QString>
#include <vector>

class QTreeWidget;

namespace kinetra::walk {

struct Pair {
    double c;
    double r;  // NaN: the rate is not there yet
};

char decimalSeparator();  // of the default locale
bool near(double a, double b);

// The points in the list, less the deleted and empty rows.
std::vector<Pair> activePoints(QTreeWidget* list, char sep);
// The points as they are handed on or saved: a rate not there yet goes as 0.
std::vector<Pair> withZeroRates(const std::vector<Pair>& points);

bool samePair(const Pair& a, const Pair& b);
std::vector<Pair> minus(std::vector<Pair> a, const std::vector<Pair>& b);  // a - b as multisets
bool sameMultiset(const std::vector<Pair>& a, const std::vector<Pair>& b);
QString pairsText(const std::vector<Pair>& ps);

}  // namespace kinetra::walk
