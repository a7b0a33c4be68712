#include "app/UnitVelStart.h"

#include "app/ProgramStart.h"
#include "app/SystemViewer.h"
#include "automatic/OfficeFill.h"
#include "common/FileAccess.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "common/windows/Widgets.h"
#include "filling/FillingRules.h"
#include "filling/RangeFile.h"
#include "general/IdentifierList.h"
#include "general/ListFile.h"
#include "general/windows/UnitVelGeneral.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

TFormVelStart* FormVelStart = nullptr;

using namespace startup;

namespace {

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QComboBox* makeBox(const QString& name, QWidget* parent)
{
    QComboBox* box = widgets::editableComboBox(parent);
    box->setObjectName(name);
    box->setMinimumWidth(257);
    return box;
}

QLabel* makeLabel(const QString& name, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

// The name chosen in the shared file-open dialog, or empty when cancelled.
// The dialog starts in the folder of the file the box names, or of the file
// its drop-down remembers.
QString browse(QWidget* parent, const QString& filter, const QComboBox* box)
{
    return dialogs().openFileName(parent,
                                  {filter, QString(), QString(), startFolder({box->currentText(), box->itemText(0)})});
}

} // namespace

TFormVelStart::TFormVelStart(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FormVelStart"));
    setWindowTitle(QStringLiteral("Выбор файлов"));

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("Файл идентификаторов"), this);
    ComboBoxEditStartIDfile = makeBox(QStringLiteral("ComboBoxEditStartIDfile"), this);
    ButtonStartIDfileSearch = makeButton(QStringLiteral("ButtonStartIDfileSearch"), QStringLiteral("Обзор..."), this);
    CheckBoxStartFile = new QCheckBox(QStringLiteral("Использовать список замен из файла идентификаторов"), this);
    CheckBoxStartFile->setObjectName(QStringLiteral("CheckBoxStartFile"));
    Label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("Файл списка замен"), this);
    ComboBoxStartTxtfile = makeBox(QStringLiteral("ComboBoxStartTxtfile"), this);
    ButtonStartTxtfileSearch = makeButton(QStringLiteral("ButtonStartTxtfileSearch"), QStringLiteral("Обзор..."), this);
    Label3 = makeLabel(QStringLiteral("Label3"), QStringLiteral("Файл шаблона документа"), this);
    ComboBoxDotName = makeBox(QStringLiteral("ComboBoxDotName"), this);
    ButtonStartDotFileSearch = makeButton(QStringLiteral("ButtonStartDotFileSearch"), QStringLiteral("Обзор..."), this);
    ButtonStartConsole =
        makeButton(QStringLiteral("ButtonStartConsole"), QStringLiteral("Запуск в автоматическом режиме"), this);
    ButtonStartApl = makeButton(QStringLiteral("ButtonStartApl"), QStringLiteral("Запуск в обычном режиме"), this);
    BitBtnStartCancel = makeButton(QStringLiteral("BitBtnStartCancel"), QStringLiteral("Прервать"), this);
    BitBtnStartCancel->setIcon(widgets::standardIcon(QStyle::SP_DialogCancelButton));
    // Room for the longer caption with some air, never less than designed.
    const int startWidth = std::max(200, ButtonStartConsole->sizeHint().width() + 24);
    for (QPushButton* b : {ButtonStartConsole, ButtonStartApl})
        b->setMinimumSize(startWidth, 26);
    BitBtnStartCancel->setMinimumSize(93, 26);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComboBoxEditStartIDfile, 0, 1);
    grid->addWidget(ButtonStartIDfileSearch, 0, 2);
    grid->addWidget(CheckBoxStartFile, 1, 0, 1, 3, Qt::AlignLeft);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(ComboBoxStartTxtfile, 2, 1);
    grid->addWidget(ButtonStartTxtfileSearch, 2, 2);
    grid->addWidget(Label3, 3, 0);
    grid->addWidget(ComboBoxDotName, 3, 1);
    grid->addWidget(ButtonStartDotFileSearch, 3, 2);
    grid->setColumnStretch(1, 1);

    auto* starts = new QGridLayout;
    starts->addWidget(ButtonStartConsole, 0, 1);
    starts->addWidget(ButtonStartApl, 1, 1);
    starts->addWidget(BitBtnStartCancel, 1, 2, Qt::AlignRight);
    starts->setColumnStretch(0, 1);
    starts->setColumnStretch(2, 1);
    starts->setColumnMinimumWidth(0, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(starts);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(498);

    KV_CONNECT(ButtonStartApl, &QPushButton::clicked, this, ButtonStartAplClick);
    KV_CONNECT(ButtonStartConsole, &QPushButton::clicked, this, ButtonStartConsoleClick);
    for (QComboBox* box : {ComboBoxEditStartIDfile, ComboBoxStartTxtfile, ComboBoxDotName})
        connect(box, &QComboBox::editTextChanged, this, &TFormVelStart::UpdateConsoleButton);
    connect(CheckBoxStartFile, &QCheckBox::toggled, this, &TFormVelStart::UpdateConsoleButton);
    KV_CONNECT(BitBtnStartCancel, &QPushButton::clicked, this, BitBtnStartCancelClick);
    KV_CONNECT(CheckBoxStartFile, &QCheckBox::toggled, this, CheckBoxStartFileClick);
    KV_CONNECT(ButtonStartIDfileSearch, &QPushButton::clicked, this, ButtonStartIDfileSearchClick);
    KV_CONNECT(ButtonStartTxtfileSearch, &QPushButton::clicked, this, ButtonStartTxtfileSearchClick);
    KV_CONNECT(ButtonStartDotFileSearch, &QPushButton::clicked, this, ButtonStartDotFileSearchClick);

    FormCreate();
}

void TFormVelStart::FormCreate()
{
    // Nothing shows until the show handler has decided; the fields start as designed.
    setFields(StartFields{});
}

void TFormVelStart::UpdateConsoleButton()
{
    // The replacement texts come from the list file, or else from the
    // replacement list file, which must then be named too.
    ButtonStartConsole->setEnabled(
        !ComboBoxEditStartIDfile->currentText().isEmpty() && !ComboBoxDotName->currentText().isEmpty()
        && (CheckBoxStartFile->isChecked() || !ComboBoxStartTxtfile->currentText().isEmpty()));
}

StartFields TFormVelStart::fields() const
{
    StartFields f;
    f.identifierFile = ComboBoxEditStartIDfile->currentText();
    f.replacementFile = ComboBoxStartTxtfile->currentText();
    f.templateFile = ComboBoxDotName->currentText();
    f.useListReplacements = CheckBoxStartFile->isChecked();
    f.replacementEditable = ComboBoxStartTxtfile->isEnabled();
    return f;
}

void TFormVelStart::setFields(const StartFields& f)
{
    ComboBoxEditStartIDfile->setEditText(f.identifierFile);
    ComboBoxStartTxtfile->setEditText(f.replacementFile);
    ComboBoxDotName->setEditText(f.templateFile);
    {
        const QSignalBlocker block(CheckBoxStartFile);
        CheckBoxStartFile->setChecked(f.useListReplacements);
    }
    ComboBoxStartTxtfile->setEnabled(f.replacementEditable);
    ButtonStartTxtfileSearch->setEnabled(f.replacementEditable);
    const QPalette::ColorRole face = f.replacementEditable ? QPalette::Base : QPalette::Button;
    widgets::setBaseColor(ComboBoxStartTxtfile, palette().color(face));
    // The check box changed without its signal: the button follows it here.
    UpdateConsoleButton();
}

void TFormVelStart::AddRememberedFiles(const LastFiles& files)
{
    if (!files.listFile.isEmpty()) {
        widgets::addSortedItem(ComboBoxEditStartIDfile, files.listFile);
        widgets::addSortedItem(ComboBoxStartTxtfile, files.listFile);
    }
    if (!files.templateFile.isEmpty())
        widgets::addSortedItem(ComboBoxDotName, files.templateFile);
}

void TFormVelStart::CheckBoxStartFileClick()
{
    StartFields f = fields();
    f.setUseListReplacements(CheckBoxStartFile->isChecked());
    setFields(f);
}

void TFormVelStart::ButtonStartIDfileSearchClick()
{
    const QString name =
        browse(this, QStringLiteral("Список идентификаторов *.fdp|*.fdp|Все файлы *.*|*.*"), ComboBoxEditStartIDfile);
    if (!name.isEmpty())
        ComboBoxEditStartIDfile->setEditText(name);
    if (CheckBoxStartFile->isChecked())
        ComboBoxStartTxtfile->setEditText(ComboBoxEditStartIDfile->currentText());
}

void TFormVelStart::ButtonStartTxtfileSearchClick()
{
    const QString name = browse(this, QStringLiteral("Все файлы|*.*"), ComboBoxStartTxtfile);
    if (!name.isEmpty())
        ComboBoxStartTxtfile->setEditText(name);
}

void TFormVelStart::ButtonStartDotFileSearchClick()
{
    const QString name = browse(this, templateFilter(), ComboBoxDotName);
    if (!name.isEmpty())
        ComboBoxDotName->setEditText(name);
}

void TFormVelStart::BitBtnStartCancelClick()
{
    if (askYesNo(abortQuestion()))
        CloseStartWindow();
}

void TFormVelStart::reject()
{
    guarded([this] { BitBtnStartCancelClick(); });
}

void TFormVelStart::ButtonStartAplClick()
{
    if (FormVelGeneral)
        FormVelGeneral->setTemplateName(ComboBoxDotName->currentText());
    if (!LoadStartFiles(ComboBoxEditStartIDfile->currentText()))
        return;
    if (FormVelGeneral)
        FormVelGeneral->FinishListRead();
    GoToMainWindow();
}

namespace {

// A busy cursor for as long as the office works, the message boxes aside.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { end(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void end()
    {
        if (on_)
            QApplication::restoreOverrideCursor();
        on_ = false;
    }

private:
    bool on_ = true;
};

// Where the save dialog starts: the template's name with .pdf, beside it.
QString suggestedOutput(const QString& templateName)
{
    const QFileInfo info(templateName);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
}

} // namespace

void TFormVelStart::ButtonStartConsoleClick()
{
    const QString templateName = ComboBoxDotName->currentText();
    const QString chosen = dialogs().saveFileName(this,
                                                  {automatic::saveDialogFilter(automatic::expectedKind(templateName)),
                                                   suggestedOutput(templateName),
                                                   QStringLiteral("Сохранить заполненный документ"), QString()});
    if (chosen.isEmpty())
        return;
    const QString output = automatic::withSavedExtension(chosen);
    if (QFileInfo::exists(output)
        && !askYesNo(QStringLiteral("Файл с именем '") + QFileInfo(output).fileName()
                     + QStringLiteral("' уже существует. Изменить содержимое файла?")))
        return;

    automatic::FillOptions options;
    options.templateName = templateName;
    options.listFile = ComboBoxEditStartIDfile->currentText();
    options.listReplacements = CheckBoxStartFile->isChecked();
    if (!CheckBoxStartFile->isChecked())
        options.replacementsFile = ComboBoxStartTxtfile->currentText();
    options.outPattern = output;
    options.outIsPattern = false;
    options.force = true; // asked just now
    // A workbook is filled within the range last confirmed in the range window.
    options.range = automatic::rangeFromFile(readRangeFile(rangeFilePath()));

    BusyCursor busy;
    automatic::OfficeFill office;
    const automatic::BatchPlan plan(options,
                                    automatic::readFillInputs(options, [&](const QString& file, const QString& sheet) {
                                        return office.readSheet(file, sheet);
                                    }));
    const automatic::PlannedDocument& document = plan.documents().constFirst();
    const FillResult result = office.makeDocument(plan.fillJobFor(document), document, options.force);
    busy.end();
    // Where the document is, also for a desktop that has nothing to show it with.
    const QString saved = QFileInfo(output).absoluteFilePath();
    QString where = QStringLiteral("\n\nДокумент сохранен в файле \"%1\".").arg(QDir::toNativeSeparators(saved));
    if (!systemViewer::hasViewerFor(saved))
        where += QStringLiteral("\nПрограмма для просмотра файлов %1 в системе не назначена: откройте его сами.")
                     .arg(QFileInfo(saved).suffix().toUpper());
    showInformation(filling::completionMessage(result.startMark, result.done) + leftIdentifiersMessage(result.left)
                    + where);
    QDesktopServices::openUrl(QUrl::fromLocalFile(saved));
}

bool TFormVelStart::LoadStartFiles(const QString& listName)
{
    // Both files are read before the list takes anything: a failed read
    // leaves the list, and its name, as they were.
    IdentifierList& list = identifierList();
    std::optional<QList<IdentifierRecord>> records;
    QString why;
    if (!listName.isEmpty()) {
        if (!isExistingFile(listName)) {
            showError(identifierFileMissingMessage());
            return false;
        }
        records = listFile::readAnyListFile(listName, CheckBoxStartFile->isChecked(), &why);
        if (!records) {
            showError(fileAccess::withCause(cannotOpenMessage(), why));
            return false;
        }
    }
    std::optional<QStringList> texts;
    const QString replacementName = ComboBoxStartTxtfile->currentText();
    if (!CheckBoxStartFile->isChecked() && isExistingFile(replacementName)) {
        texts = listFile::readReplacementListFile(replacementName, records ? int(records->size()) : list.count(), &why);
        if (!texts) {
            showError(fileAccess::withCause(cannotOpenMessage(), why));
            return false;
        }
    }
    list.setFileName(listName);
    if (records)
        list.takeOver(*records);
    for (int i = 0; texts && i < texts->size(); ++i)
        list.setReplacement(i, texts->at(i));
    return true;
}

void TFormVelStart::ShowWorkingSize()
{
    show();
    raise();
    activateWindow();
}

void TFormVelStart::GoToMainWindow()
{
    hide();
    runMainWindow();
    CloseStartWindow();
}

void TFormVelStart::CloseStartWindow()
{
    if (ended_)
        return;
    ended_ = true;
    done(QDialog::Rejected);
}
