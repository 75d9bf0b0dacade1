#include "ui/ChoiceDialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <utility>

#include "platform/Platform.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"

namespace kinetra {

namespace {

constexpr double kQuestionPointSize = 14.25;
constexpr double kOptionPointSize = 12.0;

// The two-option build: question near the top, "Yes" left and "No" right on one line,
// "Continue" centred under them (positions of the 4680 x 3090 dialogs).
ChoiceDescription yesNo(ChoiceId id, const char* name, const QString& caption, const QString& question,
                        int yesTab, int noTab, int continueTab, const char* firstFocus)
{
    ChoiceDescription d{};
    d.id = id;
    d.name = name;
    d.caption = caption;
    d.question = question;
    d.questionTop = 240;
    d.questionHeight = 420;
    d.options = {{"optyes", QStringLiteral("Yes"), yesTab, 600, 1080, 1215, 495},
                 {"optno", QStringLiteral("No"), noTab, 3000, 1080, 1215, 495}};
    d.continueTabIndex = continueTab;
    d.continueLeft = 2040;
    d.continueTop = 1800;
    d.continueWidth = 1575;
    d.continueHeight = 375;
    d.continuePointSize = kOptionPointSize;
    d.firstFocus = firstFocus;
    d.clientWidth = 4680;
    d.clientHeight = 3090;
    d.fixedFrame = false;
    d.placement = ChoicePlacement::SystemDefault;
    return d;
}

std::vector<ChoiceDescription> buildDescriptions()
{
    std::vector<ChoiceDescription> all;
    all.push_back(yesNo(ChoiceId::frmfechar, "frmfechar", QString(), QStringLiteral("Cancel It?"), 2, 1, 0,
                        "Command1"));
    all.push_back(yesNo(ChoiceId::frmoutroponto, "frmoutroponto", QString(),
                        QStringLiteral("Another point to entry?"), 0, 1, 2, "optyes"));
    all.push_back(yesNo(ChoiceId::frmchangeX, "frmchangeX", QStringLiteral("Improve Graph"),
                        QStringLiteral("Change X axis?"), 2, 1, 0, "Command1"));
    all.push_back(yesNo(ChoiceId::frmconsiderabaseline2, "frmconsiderabaseline2", QStringLiteral("Baseline"),
                        QStringLiteral("Consider Baseline?"), 2, 1, 0, "Command1"));
    all.push_back(yesNo(ChoiceId::frmsalvaarquivo, "frmsalvaarquivo", QStringLiteral("Save File"),
                        QStringLiteral("Save data changed?"), 2, 1, 0, "Command1"));

    ChoiceDescription answer = yesNo(ChoiceId::frmrespostabaseline, "frmrespostabaseline",
                                     QStringLiteral("Baseline"), QStringLiteral("Consider Baseline?"), 1, 2, 3,
                                     "optyes");
    answer.options[0].left = 1080;
    answer.options[0].top = 1200;
    answer.options[1].left = 3720;
    answer.options[1].top = 1200;
    answer.continueLeft = 2227;
    answer.continueTop = 2040;
    answer.clientWidth = 6030;
    answer.clientHeight = 3195;
    answer.fixedFrame = true;
    answer.placement = ChoicePlacement::Fixed;
    answer.left = 2760;
    answer.top = 3750;
    all.push_back(answer);

    ChoiceDescription change{};
    change.id = ChoiceId::frmchangedata;
    change.name = "frmchangedata";
    change.caption = QStringLiteral("Change Data");
    change.question = QStringLiteral("Choose one change and press \"Continue\"");
    change.questionTop = 120;
    change.questionHeight = 1000;
    change.options = {{"optdelete", QStringLiteral("Delete this point"), 1, 840, 1320, 3360, 405},
                      {"optad", QStringLiteral("Add a new point"), 2, 840, 1800, 3360, 405},
                      {"optchange", QStringLiteral("Change data point value"), 3, 840, 2280, 3360, 405},
                      {"optok", QStringLiteral("Data OK"), 0, 840, 2760, 3360, 405}};
    change.continueTabIndex = 5;
    change.continueLeft = 1597;
    change.continueTop = 3480;
    change.continueWidth = 1815;
    change.continueHeight = 495;
    change.continuePointSize = kQuestionPointSize;
    change.firstFocus = "optok";
    change.clientWidth = 5010;
    change.clientHeight = 4650;
    change.fixedFrame = false;
    change.placement = ChoicePlacement::ScreenCentre;
    all.push_back(change);
    return all;
}

}  // namespace

const std::vector<ChoiceDescription>& choiceDescriptions()
{
    static const std::vector<ChoiceDescription> all = buildDescriptions();
    return all;
}

const ChoiceDescription& choiceDescription(ChoiceId id)
{
    return choiceDescriptions().at(static_cast<std::size_t>(id));
}

ChoiceDialog::ChoiceDialog(ChoiceId id, QWidget* parent) : QDialog(parent), description(choiceDescription(id))
{
    createControls();
    connectHandlers();
}

void ChoiceDialog::createControls()
{
    setObjectName(QString::fromLatin1(description.name));
    setCaption(this, description.caption);
    setFont(formFont());
    setModal(true);

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (!description.fixedFrame) flags |= Qt::WindowMinMaxButtonsHint;
    setWindowFlags(flags);
    const QSize client(twipsToPixels(description.clientWidth), twipsToPixels(description.clientHeight));
    if (description.fixedFrame) setFixedSize(client);
    else resize(client);

    Label1 = new QLabel(description.question, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(timesFont(kQuestionPointSize));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label1->setWordWrap(true);
    Label1->setGeometry(twipsRect(0, description.questionTop, description.clientWidth, description.questionHeight));

    for (const ChoiceOptionDescription& o : description.options) {
        auto* option = new QRadioButton(o.caption, this);
        option->setObjectName(QString::fromLatin1(o.name));
        option->setFont(timesFont(kOptionPointSize));
        option->setGeometry(twipsRect(o.left, o.top, o.width, o.height));
        options.push_back(option);
    }

    Command1 = new QPushButton(QStringLiteral("Continue"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(timesFont(description.continuePointSize));
    Command1->setGeometry(twipsRect(description.continueLeft, description.continueTop, description.continueWidth,
                                    description.continueHeight));
    Command1->setDefault(true);

    setTabOrderByIndex();
}

void ChoiceDialog::setTabOrderByIndex()
{
    std::vector<std::pair<int, QWidget*>> order;
    for (std::size_t i = 0; i < options.size(); ++i) order.emplace_back(description.options[i].tabIndex, options[i]);
    order.emplace_back(description.continueTabIndex, Command1);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1].second, order[i].second);
}

void ChoiceDialog::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &ChoiceDialog::Command1_Click);
}

void ChoiceDialog::Command1_Click()
{
    hide();
}

QString ChoiceDialog::selectedOption() const
{
    for (const QRadioButton* option : options) {
        if (option->isChecked()) return option->objectName();
    }
    return QString();
}

int ChoiceDialog::exec()
{
    closedByUser = false;
    return QDialog::exec();
}

void ChoiceDialog::reject()
{
    // Escape: these dialogs have no cancel button
}

void ChoiceDialog::closeEvent(QCloseEvent* event)
{
    closedByUser = true;
    event->accept();
    done(QDialog::Rejected);
}

void ChoiceDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shownBefore) return;
    shownBefore = true;
    switch (description.placement) {
    case ChoicePlacement::SystemDefault: break;
    case ChoicePlacement::ScreenCentre:
        if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        break;
    case ChoicePlacement::Fixed: move(twipsToPixels(description.left), twipsToPixels(description.top)); break;
    }
    if (QWidget* first = findChild<QWidget*>(QString::fromLatin1(description.firstFocus))) {
        first->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace kinetra
