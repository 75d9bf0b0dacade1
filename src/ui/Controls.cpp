#include "ui/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kinetra {

namespace {

QList<QRadioButton*> optionsOf(QWidget* frame)
{
    return frame->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

}  // namespace

LabelledField labelledField(QWidget* parent, const char* labelName, const QString& caption,
                            const TwipsRect& labelRect, const char* fieldName, const TwipsRect& fieldRect,
                            int maxLength)
{
    auto* label = placeNamed(new QLabel(caption, parent), labelName, labelRect);
    auto* field = placeNamed(new QLineEdit(parent), fieldName, fieldRect);
    field->setMaxLength(maxLength);
    label->setBuddy(field);
    return {label, field};
}

QPushButton* colouredButton(QWidget* parent, const char* name, const QString& caption, const TwipsRect& r,
                            const char* colour, bool bold)
{
    auto* button = placeNamed(new QPushButton(caption, parent), name, r);
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; }%2")
                              .arg(QLatin1String(colour),
                                   bold ? QStringLiteral(" QPushButton { font-weight: bold; }") : QString()));
    return button;
}

void optionColumn(QWidget* frame, const TwipsRect& first, double step, std::initializer_list<OptionLook> options)
{
    TwipsRect at = first;
    for (const OptionLook& o : options) {
        *o.control = placeNamed(new QRadioButton(QString::fromLatin1(o.caption), frame), o.name, at);
        (*o.control)->setEnabled(false);
        at.top += step;
    }
    frame->setEnabled(false);
}

void clearOptions(QWidget* frame)
{
    for (QRadioButton* option : optionsOf(frame)) {
        // an exclusive option cannot be unchecked: it stops being exclusive for the moment
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void enableOptions(QWidget* frame)
{
    frame->setEnabled(true);
    for (QRadioButton* option : optionsOf(frame)) option->setEnabled(true);
}

}  // namespace kinetra
