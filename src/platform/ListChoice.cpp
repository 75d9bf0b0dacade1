#include "platform/ListChoice.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kinetra {

int chooseListItem(QWidget* parent, const QString& title, const QString& prompt, const QStringList& items)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ListChoice"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(prompt, &dialog);
    label->setObjectName(QStringLiteral("lblPrompt"));
    label->setWordWrap(true);
    layout->addWidget(label);

    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lstItems"));
    list->addItems(items);
    list->setCurrentRow(0);
    // as tall as the items, up to ten of them (more scroll), and wide enough for the prompt
    const int rows = std::clamp(static_cast<int>(items.size()), 3, 10);
    list->setFixedHeight(list->sizeHintForRow(0) * rows + 2 * list->frameWidth());
    list->setMinimumWidth(std::max(list->sizeHintForColumn(0) + 40, 380));
    layout->addWidget(list);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->setObjectName(QStringLiteral("buttons"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);

    if (dialog.exec() != QDialog::Accepted) return -1;
    return list->currentRow();
}

}  // namespace kinetra
