#include "windows/stats/StatisticsText.h"

#include <QComboBox>
#include <QLocale>

#include "report/StatisticsLines.h"

namespace kinetra {

QString shownFigure(std::optional<double> value)
{
    if (!value) return QString::fromLatin1(kNotDetermined);
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(*value, 'g', 6);
}

std::string shownFigureText(std::optional<double> value) { return shownFigure(value).toStdString(); }

QString weightingCaption(Weighting weighting)
{
    switch (weighting) {
    case Weighting::Relative: return QStringLiteral("1/Y²");
    case Weighting::Poisson: return QStringLiteral("1/Y");
    case Weighting::None: break;
    }
    return QStringLiteral("None");
}

QComboBox* weightingList(QWidget* parent)
{
    auto* list = new QComboBox(parent);
    for (Weighting w : kWeightingChoices) list->addItem(weightingCaption(w));
    list->setCurrentIndex(0);
    return list;
}

Weighting chosenWeighting(const QComboBox* list)
{
    const int i = list->currentIndex();
    return i > 0 && i < static_cast<int>(kWeightingChoices.size()) ? kWeightingChoices[static_cast<std::size_t>(i)]
                                                                    : Weighting::None;
}

}  // namespace kinetra
