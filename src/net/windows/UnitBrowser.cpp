#include "net/windows/UnitBrowser.h"

#include "common/Codec1251.h"
#include "common/ProgramInfo.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "common/windows/Help.h"
#include "common/windows/MakerLinks.h"
#include "common/windows/Widgets.h"
#include "net/HttpClient.h"
#include "net/StaleFiles.h"
#include "net/VersionCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

TFormVelBrowser* FormVelBrowser = nullptr;

namespace {

const QString kStart = QStringLiteral("Узнать");
const QString kCancel = QStringLiteral("Прервать");
const QString kStartHint = QStringLiteral("Получить информацию о программе");
const QString kCancelHint = QStringLiteral("Прервать сеанс связи?");
const QString kCancelledByUser = QStringLiteral("Попытка соединения с сервером прервана пользователем.");
const QString kNoConnection = QStringLiteral("Не удается установить соединение с сервером, повторите операцию позже.");
const QString kLatestVersion = QStringLiteral("Вы пользуетесь самой последней версией программы!");
// The countdown's unit is the Latin letter c.
const QString kSeconds = QStringLiteral(" c");

using widgets::named;

QLabel* boldLabel(const QString& text, QWidget* parent, const char* name)
{
    QLabel* label = named(new QLabel(text, parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// The window's picture: a globe, the sign of the web.
QPixmap globePicture()
{
    QPixmap picture(46, 46);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF globe(3, 3, 40, 40);
    QRadialGradient sea(globe.center() - QPointF(8, 8), 36);
    sea.setColorAt(0, QColor(0x9f, 0xd4, 0xff));
    sea.setColorAt(1, QColor(0x1a, 0x5f, 0xb4));
    painter.setBrush(sea);
    painter.setPen(QPen(QColor(0x0a, 0x3a, 0x7a), 1.5));
    painter.drawEllipse(globe);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 170), 1.2));
    painter.drawEllipse(globe.adjusted(12, 0, -12, 0));
    painter.drawLine(QPointF(23, 3), QPointF(23, 43));
    painter.drawLine(QPointF(3, 23), QPointF(43, 23));
    painter.drawArc(globe.adjusted(-8, 9, 8, 30), 30 * 16, 120 * 16);
    painter.drawArc(globe.adjusted(-8, -30, 8, -9), 210 * 16, 120 * 16);
    return picture;
}

QPushButton* button(const QString& caption, const QString& hint, QWidget* parent, const char* name, int width)
{
    QPushButton* b = named(new QPushButton(caption, parent), name);
    b->setToolTip(hint);
    b->setMinimumSize(width, 25);
    return b;
}

} // namespace

// A status bar panel that shows its whole text when it fits, and otherwise
// the text elided in the middle with the whole of it as its tooltip: a
// server address is long, and its two ends say the most.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

    void setFullText(const QString& text)
    {
        full_ = text;
        fit();
    }
    const QString& fullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    void fit()
    {
        const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width());
        if (shown != text())
            setText(shown);
        setToolTip(shown == full_ ? QString() : full_);
    }

    QString full_;
};

TFormVelBrowser::TFormVelBrowser(QWidget* parent) : FormDialog(parent)
{
    setObjectName(QStringLiteral("FormVelBrowser"));
    setWindowTitle(QStringLiteral("Информация о новых версиях программы"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    createControls();
    layOut();
    connectHandlers();
    FormCreate();
}

TFormVelBrowser::~TFormVelBrowser() = default;

void TFormVelBrowser::createControls()
{
    Label1 = named(new QLabel(QStringLiteral("Вы используете программу:"), this), "Label1");
    LabelApplName = boldLabel(QStringLiteral("   "), this, "LabelApplName");
    Label2 = named(new QLabel(QStringLiteral("версии:"), this), "Label2");
    LabelApplVersion = boldLabel(QString(8, QLatin1Char(' ')), this, "LabelApplVersion");
    Label4 = named(new QLabel(QStringLiteral("от"), this), "Label4");
    LabelVersDate = boldLabel(QString(8, QLatin1Char(' ')), this, "LabelVersDate");
    Image1 = named(new QLabel(this), "Image1");
    Image1->setFixedSize(46, 46);
    Image1->setPixmap(globePicture());
    Label3 = named(new QLabel(QStringLiteral("Самая последняя версия программы:"), this), "Label3");
    LabelAppVersionNew = boldLabel(QStringLiteral("неизвестно"), this, "LabelAppVersionNew");
    Label6 = named(new QLabel(QStringLiteral("от"), this), "Label6");
    LabelNewApplDate = boldLabel(QStringLiteral("неизвестно"), this, "LabelNewApplDate");
    normalPalette_ = LabelAppVersionNew->palette();

    ButtonVersionConnect = button(kStart, kStartHint, this, "ButtonVersionConnect", 75);
    MemoWWW = named(new QPlainTextEdit(this), "MemoWWW");
    MemoWWW->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoWWW->setMinimumSize(341, 229);
    ButtonWWW = button(QStringLiteral("Страница программы"), QStringLiteral("Перейти на домашнюю страницу программы"),
                       this, "ButtonWWW", 137);
    ButtonHelpWWW = button(QStringLiteral("Справка"), QStringLiteral("Получить справку по данному разделу"), this,
                           "ButtonHelpWWW", 75);
    ButtonBrowserExit = button(QStringLiteral("Закрыть"), QString(), this, "ButtonBrowserExit", 75);

    StatusBarWWW = named(new QStatusBar(this), "StatusBarWWW");
    StatusBarWWW->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new StatusPanel(StatusBarWWW);
        panels_[i]->setMinimumWidth(50);
        StatusBarWWW->addWidget(panels_[i], i);
    }

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);

    HttpClient1 = new THttpClient(this);
    HttpClient1->setObjectName(QStringLiteral("HttpClient1"));
    HttpClient1->Port = 0;
    HttpClient1->TimeOut = 30000;
    HttpClient1->ReportLevel = 0;
    HttpClient1->Body = "kvilmar.iss";
    HttpClient1->Header = "Head.txt";
    HttpClient1->InputFileMode = true;
    HttpClient1->OutputFileMode = false;
    HttpClient1->ProxyPort = 0;
    // The version file is a few hundred bytes; a body past this is refused.
    HttpClient1->BodyLimit = versionCheck::kVersionFileLimit;
    HttpClient1->OnConnect = [this](QObject*) { guarded([this] { HttpClient1Connect(); }); };
}

void TFormVelBrowser::layOut()
{
    auto* running = new QGridLayout;
    running->setHorizontalSpacing(6);
    running->addWidget(Label1, 0, 0);
    running->addWidget(LabelApplName, 0, 1, 1, 3);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(Label2);
    versionRow->addWidget(LabelApplVersion);
    versionRow->addWidget(Label4);
    versionRow->addWidget(LabelVersDate);
    versionRow->addStretch(1);
    running->addLayout(versionRow, 1, 0, 1, 4);
    running->addWidget(Label3, 2, 0, 1, 4);
    auto* newRow = new QHBoxLayout;
    newRow->addWidget(LabelAppVersionNew);
    newRow->addWidget(Label6);
    newRow->addWidget(LabelNewApplDate);
    newRow->addStretch(1);
    running->addLayout(newRow, 3, 0, 1, 4);
    running->setColumnStretch(3, 1);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(12, 10, 8, 0);
    top->addLayout(running, 1);
    top->addWidget(Image1, 0, Qt::AlignTop);

    auto* connectRow = new QHBoxLayout;
    connectRow->setContentsMargins(56, 0, 0, 0);
    connectRow->addWidget(ButtonVersionConnect);
    connectRow->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonWWW);
    buttons->addStretch(1);
    buttons->addWidget(ButtonHelpWWW);
    buttons->addWidget(ButtonBrowserExit);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 0, 8, 4);
    body->addLayout(connectRow);
    body->addWidget(MemoWWW, 1);
    body->addLayout(buttons);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->addLayout(top);
    main->addLayout(body, 1);
    main->addWidget(StatusBarWWW);
    // A fixed border: the designed client size, or more when the fonts need it.
    setFixedSize(widgets::fixedWindowSize(this, QSize(365, 467)));

    setTabOrder(ButtonBrowserExit, ButtonVersionConnect);
    setTabOrder(ButtonVersionConnect, ButtonHelpWWW);
    setTabOrder(ButtonHelpWWW, MemoWWW);
    setTabOrder(MemoWWW, ButtonWWW);
    ButtonBrowserExit->setFocus();
}

void TFormVelBrowser::connectHandlers()
{
    TFormVelBrowser* self = this;
    KV_CONNECT(ButtonVersionConnect, &QPushButton::clicked, self, ButtonVersionConnectClick);
    KV_CONNECT(ButtonWWW, &QPushButton::clicked, self, ButtonWWWClick);
    KV_CONNECT(ButtonHelpWWW, &QPushButton::clicked, self, ButtonHelpWWWClick);
    KV_CONNECT(ButtonBrowserExit, &QPushButton::clicked, self, ButtonBrowserExitClick);
    KV_CONNECT(Timer1, &QTimer::timeout, self, Timer1Timer);
}

void TFormVelBrowser::FormCreate()
{
    Timer1->stop();
}

void TFormVelBrowser::FormActivate()
{
    LabelApplName->setText(programInfo::name());
    CurrentVersion = versionCheck::versionFromCaption(programInfo::versionCaption(), CurrentVersion);
    LabelApplVersion->setText(CurrentVersion);
    LabelVersDate->setText(programInfo::dateCaption());
}

QString TFormVelBrowser::panelText(int panel) const
{
    return panels_[panel]->fullText();
}

void TFormVelBrowser::setPanel(int panel, const QString& text)
{
    panels_[panel]->setFullText(text);
}

void TFormVelBrowser::setIdleButton()
{
    ButtonVersionConnect->setText(kStart);
}

void TFormVelBrowser::ButtonVersionConnectClick()
{
    if (ButtonVersionConnect->text() == kStart) {
        runAttempt();
        return;
    }
    // A cancel: the click that started the attempt is still waiting inside
    // Get and ends it. The file of the running transfer is its business.
    AbortedByUser = true;
    HttpClient1->Cancel();
    commonTail(QString());
}

void TFormVelBrowser::runAttempt()
{
    ButtonVersionConnect->setText(kCancel);
    ButtonVersionConnect->setToolTip(kCancelHint);
    MemoWWW->clear();
    attemptRunning_ = true;

    // The version file goes to a folder of this attempt only, in a folder
    // that is the program's alone, so no file of the user is overwritten and
    // no stale one is read. The folder carries this process's id: a later
    // start removes it if a kill left it behind.
    const QString place = staleFiles::transferFolderTemplate();
    std::optional<QTemporaryDir> folder;
    if (!place.isEmpty())
        folder.emplace(place);
    const QString versionFile = folder ? folder->filePath(QStringLiteral("kvilmar.iss")) : QString();
    bool received = false;
    try {
        AbortedByUser = false;
        Timer1->start();
        setPanel(1, QStringLiteral("Идет подключение к серверу ") + versionCheck::siteAddress());
        StatusBarWWW->repaint();
        setPanel(0, QStringLiteral("30") + kSeconds);
        ConnectStartTime = QDateTime::currentDateTime();
        if (!folder || !folder->isValid())
            throw KvilmarError(folder ? folder->errorString() : QString());
        HttpClient1->Body = QFile::encodeName(versionFile);
        HttpClient1->Get(versionCheck::versionFileUrl());
        Timer1->stop();
        setIdleButton();
        received =
            versionCheck::holdsVersionFile(HttpClient1->replyStatus()) && versionCheck::isVersionFile(versionFile);
        if (!received)
            showError(kNoConnection);
    } catch (...) {
        Timer1->stop();
        setIdleButton();
        if (AbortedByUser)
            showInformation(kCancelledByUser);
        else
            showError(kNoConnection);
    }
    attemptRunning_ = false;
    // The response header is of no use once the attempt is over.
    HttpClient1->Header = QByteArray();
    // A close asked for during the attempt happens now, also when reading
    // the version file fails.
    const auto closeWhenAsked = qScopeGuard([this] {
        if (closePending_) {
            closePending_ = false;
            QDialog::done(pendingResult_);
        }
    });

    // A failed or cancelled transfer leaves nothing to read.
    if (!received)
        QFile::remove(versionFile);
    commonTail(versionFile);
}

void TFormVelBrowser::commonTail(const QString& versionFile)
{
    ButtonVersionConnect->setToolTip(kStartHint);
    setPanel(0, QString());
    setPanel(1, QString());
    if (!versionFile.isEmpty() && QFileInfo::exists(versionFile))
        showVersionFile(versionFile);
    Timer1->stop();
    if (!versionFile.isEmpty())
        QFile::remove(versionFile);
}

void TFormVelBrowser::showVersionFile(const QString& path)
{
    const versionCheck::VersionFileResult result =
        versionCheck::readVersionFile(path, cp1251::fromUnicode(CurrentVersion));
    LabelAppVersionNew->setText(cp1251::toUnicode(result.NewVersion));
    setNewVersionColor(result.Newer);
    if (!result.Newer) {
        LabelNewApplDate->setText(LabelVersDate->text());
        MemoWWW->appendPlainText(kLatestVersion);
        return;
    }
    LabelNewApplDate->setText(cp1251::toUnicode(result.NewDate));
    // In one step: a line at a time lays the memo out again for every line.
    if (!result.Lines.isEmpty())
        MemoWWW->setPlainText(cp1251::toUnicode(result.Lines.join('\n')));
}

void TFormVelBrowser::setNewVersionColor(bool newer)
{
    for (QLabel* label : {LabelAppVersionNew, LabelNewApplDate}) {
        if (newer)
            widgets::setTextColor(label, Qt::red);
        else
            label->setPalette(normalPalette_);
    }
}

void TFormVelBrowser::Timer1Timer()
{
    const int seconds = versionCheck::countdownSeconds(ConnectStartTime, QDateTime::currentDateTime());
    setPanel(0, QString::number(seconds) + kSeconds);
}

void TFormVelBrowser::HttpClient1Connect()
{
    setPanel(1, QStringLiteral("Соединение установлено. Идет прием информации..."));
}

void TFormVelBrowser::ButtonBrowserExitClick()
{
    close();
}

void TFormVelBrowser::ButtonHelpWWWClick()
{
    showHelpTopic(QStringLiteral("00111"));
}

void TFormVelBrowser::ButtonWWWClick()
{
    openHomePage();
}

void TFormVelBrowser::done(int result)
{
    if (attemptRunning_) {
        closePending_ = true;
        pendingResult_ = result;
        return;
    }
    QDialog::done(result);
}

void TFormVelBrowser::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded([this] { FormActivate(); });
}
