#include "ui/WindowLook.h"

#include <QApplication>
#include <QWidget>

namespace kinetra {

void installFontSubstitutes()
{
    const QString sans = QStringLiteral("Liberation Sans");
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {sans});
    QFont::insertSubstitutions(QStringLiteral("Microsoft Sans Serif"), {sans});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif")});
}

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Kinetra"));
    QApplication::setApplicationVersion(QStringLiteral("2.2.0"));
    installFontSubstitutes();
}

QFont formFont(double pointSize)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

QFont timesFont(double pointSize, bool bold, bool italic)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void setCaption(QWidget* window, const QString& caption)
{
    window->setWindowTitle(caption.isEmpty() ? QStringLiteral(" ") : caption);
}

}  // namespace kinetra
