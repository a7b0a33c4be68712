// The main window's life and its file commands: the last-files file, load,
// the remembered list file, save, the template choice and the close sequence.

#include "general/windows/UnitVelGeneral.h"

#include "common/FileAccess.h"
#include "common/windows/Dialogs.h"
#include "common/windows/LazyWindows.h"
#include "common/windows/Widgets.h"
#include "general/IdentifierList.h"
#include "general/ListFile.h"
#include "general/windows/UnitVelSaveSelect.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {

bool fileExists(const QString& name)
{
    return !name.isEmpty() && QFileInfo(name).isFile();
}

} // namespace

void TFormVelGeneral::FormCreate()
{
    LabelStatus->setToolTip(
        QStringLiteral("Для изменения статуса идентификатора \nдважды щелкните мышью на требуемой строке"));
    remembered_ = LastFiles::read(LastFiles::defaultFileName());
    if (!remembered_.listFile.isEmpty()) {
        QString caption = remembered_.listFile;
        NFileName1->setText(caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
        NFileName1->setVisible(true);
        NFileSeparator2->setVisible(true);
    }
    if (!remembered_.templateFile.isEmpty())
        widgets::addSortedItem(EditFile, remembered_.templateFile);
    ShowCount();
}

void TFormVelGeneral::setTemplateName(const QString& name)
{
    EditFile->setEditText(name);
}

void TFormVelGeneral::FinishListRead()
{
    IdentifierList& list = identifierList();
    RefillList();
    ComboBoxField->setEditText(QString());
    ComboBoxText->setEditText(QString());
    list.markSaved();
    NSave->setEnabled(list.count() > 0);
    ShowCount();
    list.setEditPending(false);
    list.setCurrent(-1);
    ButtonDelete->setEnabled(false);
}

void TFormVelGeneral::loadListFrom(const QString& fileName)
{
    // Read into a scratch list: a failed read leaves the list, and its
    // name, as they were.
    QString why;
    const auto records = listFile::readAnyListFile(fileName, true, &why);
    if (!records) {
        showError(fileAccess::withCause(QStringLiteral("Невозможно открыть файл ") + fileName
                                            + QStringLiteral("\nФайл используется другим приложением или поврежден"),
                                        why));
        return;
    }
    identifierList().setFileName(fileName);
    identifierList().takeOver(*records);
    FinishListRead();
}

bool TFormVelGeneral::offerToSave(const QString& question)
{
    switch (askYesNoCancel(question)) {
    case MessageAnswer::Yes:
        NSaveClick();
        // A save that was cancelled or failed leaves the list to be saved still.
        return identifierList().closeQuestion() == IdentifierList::CloseQuestion::None;
    case MessageAnswer::No: return true;
    default: return false;
    }
}

bool TFormVelGeneral::AskToSaveChanges()
{
    return !identifierList().isChanged()
        || offerToSave(QStringLiteral(
            "В список идентификаторов были внесены изменения. Хотите сохранить список идентификаторов?"));
}

void TFormVelGeneral::NLoadClick()
{
    if (!AskToSaveChanges())
        return;
    const QString name =
        dialogs().openFileName(this,
                               {QStringLiteral("Список идентификаторов *.fdp|*.fdp|Все файлы *.*|*.*"), QString(),
                                QString(), startFolder({identifierList().fileName(), remembered_.listFile})});
    if (name.isEmpty())
        return;
    if (!QFileInfo::exists(name)) {
        showError(QStringLiteral("Файл с указанным именем не существует!"));
        return;
    }
    loadListFrom(name);
}

void TFormVelGeneral::NFileName1Click()
{
    if (!AskToSaveChanges())
        return;
    OpenListFile(remembered_.listFile);
}

void TFormVelGeneral::OpenListFile(const QString& name)
{
    if (!QFileInfo::exists(name)) {
        showError(QStringLiteral("Файл ") + name + QStringLiteral(" не найден!"));
        return;
    }
    loadListFrom(name);
}

void TFormVelGeneral::NSaveClick()
{
    IdentifierList& list = identifierList();
    // Escape or the close box is no choice: the save does not go on.
    if (lazyWindows::made(FormSaveSelect)->exec() != QDialog::Accepted)
        return;
    const QString chosen = dialogs().saveFileName(this,
                                                  {QStringLiteral("Список полей|*.fdp"), lastSaveName_, QString(),
                                                   startFolder({list.fileName(), remembered_.listFile})});
    if (chosen.isEmpty())
        return;
    lastSaveName_ = chosen;
    const QString name = listFile::withListExtension(chosen);
    list.setFileName(name);
    const bool existed = QFileInfo::exists(name);
    if (existed
        && !askYesNo(QStringLiteral("Файл с именем '") + QFileInfo(name).fileName()
                     + QStringLiteral("' уже существует. Изменить содержимое файла?")))
        return;
    // The file keeps its code page; what it cannot hold is said first.
    const QString losses = listFile::encodingLosses(list.records(), FormSaveSelect->withReplacements());
    if (!losses.isEmpty() && !askYesCancel(losses))
        return;
    QString why;
    if (!listFile::writeListFile(name, list.records(), FormSaveSelect->withReplacements(), &why)) {
        showError(fileAccess::withCause(existed ? QStringLiteral("Невозможно сохранить изменения в файле ") + name
                                                + QStringLiteral("\nВозможно файл используется другим приложением")
                                                : QStringLiteral("Невозможно сохранить файл!"),
                                        why));
        return;
    }
    // Replacement texts left out of the file are still to be saved.
    list.markSaved(FormSaveSelect->withReplacements());
}

void TFormVelGeneral::ButtonSelectFileClick()
{
    const QString name = dialogs().openFileName(
        this,
        {templateFilter(), QString(), QString(), startFolder({EditFile->currentText(), remembered_.templateFile})});
    if (!name.isEmpty())
        EditFile->setEditText(name);
}

bool TFormVelGeneral::FormCloseQuery()
{
    // A failure here never keeps the program from ending.
    try {
        switch (identifierList().closeQuestion()) {
        case IdentifierList::CloseQuestion::SaveChanges: return AskToSaveChanges();
        case IdentifierList::CloseQuestion::SaveList:
            return offerToSave(QStringLiteral("Хотите сохранить список идентификаторов?"));
        case IdentifierList::CloseQuestion::None: break;
        }
    } catch (...) {
    }
    return true;
}

void TFormVelGeneral::FormClose()
{
    // Nothing here may stop the program from ending.
    try {
        const IdentifierList& list = identifierList();
        const QString templateName = EditFile->currentText();
        if (!list.fileName().isEmpty() || !templateName.isEmpty()) {
            LastFiles files;
            files.listFile = fileExists(list.fileName()) ? list.fileName() : remembered_.listFile;
            files.templateFile = fileExists(templateName) ? templateName : remembered_.templateFile;
            // The program still ends; the user learns that the next run
            // will not offer these files.
            QString why;
            if (!files.write(LastFiles::defaultFileName(), &why))
                showError(fileAccess::withCause(
                    QStringLiteral("Не удается записать файл %1: последний список идентификаторов и шаблон не будут "
                                   "предложены при следующем запуске.")
                        .arg(QDir::toNativeSeparators(LastFiles::defaultFileName())),
                    why));
        }
    } catch (...) {
    }
}
