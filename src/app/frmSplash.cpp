#include "app/frmSplash.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <cmath>

#include "platform/Platform.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"

namespace kinetra {

namespace {

constexpr int kVersionMajor = 2;
constexpr int kVersionRevision = 0;

// The platform the program was built for.
QString platformName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("macOS");
#else
    return QStringLiteral("Linux");
#endif
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QRect where, double pointSize,
                  bool bold = false, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(where);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(align);
    label->setWordWrap(true);
    return label;
}

}  // namespace

QPixmap kinetraLogo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    // rounded tile
    p.setPen(QPen(QColor(20, 60, 110), s * 0.03));
    p.setBrush(QColor(225, 238, 250));
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.12, s * 0.12);
    // axes
    p.setPen(QPen(QColor(40, 40, 40), s * 0.025));
    p.drawLine(QPointF(s * 0.18, s * 0.82), QPointF(s * 0.86, s * 0.82));
    p.drawLine(QPointF(s * 0.18, s * 0.82), QPointF(s * 0.18, s * 0.16));
    // a sigmoid rate curve, v = S^n / (K^n + S^n) against log S
    QPainterPath curve;
    for (int i = 0; i <= 60; ++i) {
        const double x = i / 60.0;
        const double v = 1.0 / (1.0 + std::exp(-10.0 * (x - 0.5)));
        const QPointF at(s * (0.2 + 0.64 * x), s * (0.78 - 0.56 * v));
        if (i == 0) curve.moveTo(at);
        else curve.lineTo(at);
    }
    p.setPen(QPen(QColor(190, 40, 40), s * 0.04, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    // measured points around it
    p.setPen(QPen(QColor(20, 60, 110), s * 0.015));
    p.setBrush(QColor(20, 60, 110));
    const double points[][2] = {{0.08, 0.04}, {0.3, 0.14}, {0.45, 0.40}, {0.55, 0.64}, {0.7, 0.88}, {0.92, 0.97}};
    for (const auto& pt : points) {
        p.drawEllipse(QPointF(s * (0.2 + 0.64 * pt[0]), s * (0.78 - 0.56 * pt[1])), s * 0.03, s * 0.03);
    }
    return pixmap;
}

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint)
{
    createControls();
    Form_Load();
}

void frmSplash::createControls()
{
    setObjectName(QStringLiteral("frmSplash"));
    setCaption(this, QString());
    setFont(formFont());
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsToPixels(8055), twipsToPixels(4245));
    setFocusPolicy(Qt::StrongFocus);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(twipsRect(150, 60, 7740, 4050));
    Frame1->installEventFilter(this);

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(twipsRect(240, 600, 2100, 2100));
    imgLogo->setPixmap(kinetraLogo(imgLogo->width()));

    lblEmpty = makeLabel(Frame1, "lblEmpty", QString(), twipsRect(240, 150, 7260, 255), 8.25, false,
                         Qt::AlignRight | Qt::AlignVCenter);
    lblInstitution = makeLabel(Frame1, "lblInstitution", QStringLiteral("Hollowmere Institute of Biochemistry"),
                               twipsRect(2640, 420, 4860, 315), 9.75, true, Qt::AlignRight | Qt::AlignVCenter);
    lblProductName = makeLabel(Frame1, "lblProductName", QString(), twipsRect(2640, 1020, 4860, 765), 32.0, true,
                               Qt::AlignRight | Qt::AlignVCenter);
    lblPlatform = makeLabel(Frame1, "lblPlatform", platformName(), twipsRect(4800, 2160, 2700, 420), 15.75, true,
                            Qt::AlignRight | Qt::AlignVCenter);
    lblVersion = makeLabel(Frame1, "lblVersion", QString(), twipsRect(4800, 2580, 2700, 315), 12.0, true,
                           Qt::AlignRight | Qt::AlignVCenter);
    lblLaboratory = makeLabel(Frame1, "lblLaboratory", QStringLiteral("Laboratory of Enzyme Kinetics"),
                              twipsRect(240, 3000, 7260, 255), 8.25, false, Qt::AlignRight | Qt::AlignVCenter);
    lblCopyright = makeLabel(Frame1, "lblCopyright", QStringLiteral("Copyright © Hollowmere Institute. All rights reserved."),
                             twipsRect(240, 3270, 7260, 255), 8.25, false, Qt::AlignRight | Qt::AlignVCenter);
    lblNotice = makeLabel(Frame1, "lblNotice",
                          QStringLiteral("For research use: check every fitted curve against the measured points."),
                          twipsRect(240, 3570, 7260, 390), 8.25, false, Qt::AlignLeft | Qt::AlignTop);
}

// On opening: the title and the version line ("Version " major "." revision), centred on
// the screen.
void frmSplash::Form_Load()
{
    lblProductName->setText(QStringLiteral("Kinetra"));
    lblVersion->setText(QStringLiteral("Version %1.%2").arg(kVersionMajor).arg(kVersionRevision));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    dismiss();
}

// A click on the frame or on anything inside it (the labels pass their clicks on to it).
bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Frame1 && event->type() == QEvent::MouseButtonPress) {
        dismiss();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmSplash::dismiss()
{
    if (done) return;
    done = true;
    emit dismissed();
    close();
}

}  // namespace kinetra
