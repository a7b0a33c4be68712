#include "settings/windows/UnitVelOptions.h"

#include "common/TraceLog.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "common/windows/Help.h"
#include "common/windows/LazyWindows.h"
#include "common/windows/Widgets.h"
#include "filling/windows/UnitVelTest.h"
#include "settings/OptionSwitches.h"
#include "settings/windows/FontSettings.h"
#include "settings/windows/ProgramIcon.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormVelOptions* FormVelOptions = nullptr;

namespace {

constexpr quint32 kDesignedSampleColor = 0x00FF0000; // blue

QFont designedSampleFont()
{
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

} // namespace

TFormVelOptions::TFormVelOptions(QWidget* parent)
    : FormDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      sampleColor_(kDesignedSampleColor)
{
    setObjectName(QStringLiteral("FormVelOptions"));
    setWindowTitle(QStringLiteral("Настройка параметров программы"));

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Label4 = new QLabel(QStringLiteral("Шрифт текста для ввода данных:"), Bevel1);
    FontSample = new QLabel(Bevel1);
    FontSample->setFont(designedSampleFont());
    widgets::setTextColor(FontSample, fontSettings::colorOf(kDesignedSampleColor));
    FontSample->setMinimumWidth(180);
    ButtonFontChange = new QPushButton(QStringLiteral("Изменить..."), Bevel1);
    CheckBoxStartWindow =
        new QCheckBox(QStringLiteral("Предлагать выбор файлов и выбор режима работы перед запуском программы"), this);
    CheckBoxExcelSave = new QCheckBox(
        QStringLiteral("Устанавливать при старте диапазон ячеек LibreOffice Calc как при последнем запуске"), this);
    Image1 = new QLabel(this);
    Image1->setPixmap(programIcon(32));
    Image1->setFixedSize(32, 32);
    Image1->installEventFilter(this);
    ButtonOptionsHelp = new QPushButton(QStringLiteral("Справка"), this);
    ButtonSaveOptions = new QPushButton(QStringLiteral("Сохранить"), this);
    ButtonOptionsClose = new QPushButton(QStringLiteral("Отмена"), this);

    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Label4->setObjectName(QStringLiteral("Label4"));
    FontSample->setObjectName(QStringLiteral("FontSample"));
    ButtonFontChange->setObjectName(QStringLiteral("ButtonFontChange"));
    CheckBoxStartWindow->setObjectName(QStringLiteral("CheckBoxStartWindow"));
    CheckBoxExcelSave->setObjectName(QStringLiteral("CheckBoxExcelSave"));
    Image1->setObjectName(QStringLiteral("Image1"));
    ButtonOptionsHelp->setObjectName(QStringLiteral("ButtonOptionsHelp"));
    ButtonSaveOptions->setObjectName(QStringLiteral("ButtonSaveOptions"));
    ButtonOptionsClose->setObjectName(QStringLiteral("ButtonOptionsClose"));

    auto* fontRow = new QGridLayout(Bevel1);
    fontRow->addWidget(Label4, 0, 0);
    fontRow->addWidget(FontSample, 0, 1);
    fontRow->addWidget(ButtonFontChange, 1, 0, Qt::AlignLeft);
    fontRow->setColumnStretch(1, 1);

    auto* buttons = new QGridLayout;
    buttons->addWidget(ButtonOptionsHelp, 0, 1);
    buttons->addWidget(ButtonSaveOptions, 1, 0);
    buttons->addWidget(ButtonOptionsClose, 1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Image1, 0, Qt::AlignBottom);
    bottom->addStretch(1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Bevel1);
    layout->addWidget(CheckBoxStartWindow);
    layout->addWidget(CheckBoxExcelSave);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    KV_CONNECT(ButtonFontChange, &QPushButton::clicked, this, ButtonFontChangeClick);
    KV_CONNECT(ButtonSaveOptions, &QPushButton::clicked, this, ButtonSaveOptionsClick);
    KV_CONNECT(ButtonOptionsClose, &QPushButton::clicked, this, ButtonOptionsCloseClick);
    KV_CONNECT(ButtonOptionsHelp, &QPushButton::clicked, this, ButtonOptionsHelpClick);
    // The boxes start as the switches stand, read before this window was
    // made or not; the rest of the program reads them as the boxes show them.
    ShowSwitches();
    connect(CheckBoxStartWindow, &QCheckBox::toggled, this, [](bool on) { optionSwitches::setOfferStartWindow(on); });
    connect(CheckBoxExcelSave, &QCheckBox::toggled, this, [](bool on) { optionSwitches::setRestoreRange(on); });
}

void TFormVelOptions::FormActivate()
{
    ReadFontSettings();
    ReadSwitches();
}

void TFormVelOptions::ReadFontSettings()
{
    if (const std::optional<FontRecord> record = settingsFiles::readStoredFont())
        ApplyFontRecord(*record);
}

void TFormVelOptions::ReadSwitches()
{
    optionSwitches::readSwitchFile();
    ShowSwitches();
}

void TFormVelOptions::ShowSwitches()
{
    CheckBoxStartWindow->setChecked(optionSwitches::offerStartWindow());
    CheckBoxExcelSave->setChecked(optionSwitches::restoreRange());
}

void TFormVelOptions::ApplyFontRecord(const FontRecord& record)
{
    emit fontApplied(record);
    fontSettings::applyFontAndColor(FontSample, record);
    if (record.color)
        sampleColor_ = *record.color;
    if (record.name)
        FontSample->setText(FontSample->font().family());
}

void TFormVelOptions::ButtonFontChangeClick()
{
    const QColor shown = fontSettings::colorOf(sampleColor_);
    const std::optional<FontChoice> choice = dialogs().chooseFont(this, {FontSample->font(), shown}, 8, 10);
    if (!choice)
        return;
    FontSample->setFont(choice->font);
    FontSample->setText(choice->font.family());
    // A colour left as it was keeps its stored code (a system colour stays one).
    if (choice->color != shown) {
        sampleColor_ = fontSettings::codeOf(choice->color);
        QPalette palette = FontSample->palette();
        palette.setColor(QPalette::WindowText, choice->color);
        FontSample->setPalette(palette);
    }
}

void TFormVelOptions::ButtonSaveOptionsClick()
{
    const FontRecord record = fontSettings::recordOf(FontSample->font(), sampleColor_);
    ApplyFontRecord(record);
    settingsFiles::writeFont(settingsFiles::fontFileName(), record);
    settingsFiles::writeSwitches(settingsFiles::switchFileName(), CheckBoxStartWindow->isChecked(),
                                 CheckBoxExcelSave->isChecked());
    accept();
}

void TFormVelOptions::ButtonOptionsCloseClick()
{
    reject();
}

void TFormVelOptions::ButtonOptionsHelpClick()
{
    showHelpTopic(QStringLiteral("0091"));
}

void TFormVelOptions::Image1DblClick()
{
    lazyWindows::made(FormTest)->exec();
    if (diagnosticMode() != DiagnosticMode::Off)
        reject();
}

bool TFormVelOptions::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Image1 && e->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { Image1DblClick(); });
        return true;
    }
    return FormDialog::eventFilter(watched, e);
}
