#include "settings/windows/UnitVelAbout.h"

#include "common/ProgramInfo.h"
#include "common/windows/Guard.h"
#include "common/windows/MakerLinks.h"
#include "common/windows/Widgets.h"
#include "settings/windows/ProgramIcon.h"

#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

TFormVelAbout* FormVelAbout = nullptr;

namespace {

QFont pixelFont(const QString& family, QFont::StyleHint hint, int pixels)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixels);
    return font;
}

QFont courier(int pixels)
{
    return pixelFont(QStringLiteral("Courier"), QFont::TypeWriter, pixels);
}
QFont times(int pixels)
{
    return pixelFont(QStringLiteral("Times New Roman"), QFont::Serif, pixels);
}

QLabel* makeLabel(const QString& name, const QString& text, const QFont& font, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    widgets::setTextColor(label, color);
    label->setMouseTracking(true);
    return label;
}

} // namespace

TFormVelAbout::TFormVelAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FormVelAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setMouseTracking(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setMouseTracking(true);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(programIcon(46));
    ProgramIcon->setFixedSize(46, 46);
    ProgramIcon->setMouseTracking(true);

    QFont name = courier(16);
    name.setBold(true);
    LabAppName = makeLabel(QStringLiteral("LabAppName"), programInfo::name(), name, widgets::kNavy, Panel1);
    LabVersion = makeLabel(QStringLiteral("LabVersion"), programInfo::versionCaption(), times(15), Qt::black, Panel1);
    LabelApplDate =
        makeLabel(QStringLiteral("LabelApplDate"), programInfo::dateCaption(), times(15), Qt::black, Panel1);
    QFont notice = times(16);
    notice.setUnderline(true);
    LabelBrennic =
        makeLabel(QStringLiteral("LabelBrennic"), QStringLiteral("© Бренник"), notice, widgets::kBlue, Panel1);
    LabelYears =
        makeLabel(QStringLiteral("LabelYears"), QStringLiteral("1999–2000, Москва"), times(15), Qt::black, Panel1);
    QFont mail = times(15);
    mail.setUnderline(true);
    LabelEmail = makeLabel(QStringLiteral("LabelEmail"), programInfo::makerMail(), mail, Qt::black, Panel1);
    LabelEmail->setToolTip(QStringLiteral("Отправить письмо авторам программы"));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setMouseTracking(true);

    auto* head = new QGridLayout;
    head->addWidget(ProgramIcon, 0, 0, 3, 1, Qt::AlignTop);
    head->addWidget(LabAppName, 0, 1);
    head->addWidget(LabVersion, 1, 1);
    head->addWidget(LabelApplDate, 2, 1);
    head->setHorizontalSpacing(14);
    head->setColumnStretch(1, 1);

    auto* panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(14, 14, 14, 14);
    panel->addLayout(head);
    panel->addSpacing(18);
    panel->addWidget(LabelBrennic);
    panel->addWidget(LabelYears);
    panel->addWidget(LabelEmail);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(234);

    for (QObject* watched :
         {static_cast<QObject*>(this), static_cast<QObject*>(Panel1), static_cast<QObject*>(OKButton),
          static_cast<QObject*>(LabelYears), static_cast<QObject*>(LabelEmail), static_cast<QObject*>(LabelBrennic),
          static_cast<QObject*>(ProgramIcon), static_cast<QObject*>(LabAppName), static_cast<QObject*>(LabVersion),
          static_cast<QObject*>(LabelApplDate)})
        watched->installEventFilter(this);

    KV_CONNECT(OKButton, &QPushButton::clicked, this, OKButtonClick);
    FormCreate();
}

void TFormVelAbout::FormCreate()
{
    LabelBrennic->setToolTip(QStringLiteral("Перейти на Интернет-страницу программы\n") + programInfo::homePageUrl());
}

void TFormVelAbout::setHandCursor(bool on)
{
    if (on == handCursor_)
        return;
    handCursor_ = on;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::PointingHandCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void TFormVelAbout::LabelEmailMouseMove()
{
    widgets::setTextColor(LabelEmail, widgets::kBlue);
    setHandCursor(true);
}

void TFormVelAbout::LabelBrennicMouseMove()
{
    widgets::setTextColor(LabelEmail, Qt::black);
    widgets::setTextColor(LabelBrennic, widgets::kBlue);
    QFont font = LabelBrennic->font();
    font.setUnderline(true);
    LabelBrennic->setFont(font);
    setHandCursor(true);
}

void TFormVelAbout::Panel1MouseMove()
{
    widgets::setTextColor(LabelEmail, Qt::black);
    setHandCursor(false);
}

void TFormVelAbout::LabelEmailClick()
{
    openMailToAuthors();
    accept();
}

void TFormVelAbout::LabelBrennicClick()
{
    openHomePage();
}

void TFormVelAbout::OKButtonClick()
{
    accept();
}

bool TFormVelAbout::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseMove) {
        if (watched == LabelEmail)
            guarded([this] { LabelEmailMouseMove(); });
        else if (watched == LabelBrennic)
            guarded([this] { LabelBrennicMouseMove(); });
        else if (watched == this || watched == Panel1 || watched == OKButton || watched == LabelYears)
            guarded([this] { Panel1MouseMove(); });
        // The picture and the name, version and date labels have no action of
        // their own and must not pass the move on to the panel either.
        return watched != this && watched != OKButton;
    }
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == LabelEmail) {
            guarded([this] { LabelEmailClick(); });
            return true;
        }
        if (watched == LabelBrennic) {
            guarded([this] { LabelBrennicClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TFormVelAbout::hideEvent(QHideEvent* e)
{
    // A hand cursor must not outlive the window it points into.
    setHandCursor(false);
    QDialog::hideEvent(e);
}
