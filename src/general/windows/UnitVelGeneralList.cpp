// The main window's list commands: select, toggle, add or replace, delete,
// move, and the two clear commands.

#include "general/windows/UnitVelGeneral.h"

#include "common/windows/Dialogs.h"
#include "common/windows/Widgets.h"
#include "general/IdentifierList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

const QString kApplyQuestion = QStringLiteral(", но изменения не были внесены в список.\nВнести изменения в список?");

} // namespace

int TFormVelGeneral::selectedLine() const
{
    const QList<QListWidgetItem*> items = ListBoxGeneral->selectedItems();
    return items.isEmpty() ? -1 : ListBoxGeneral->row(items.first());
}

void TFormVelGeneral::selectLine(int i)
{
    const QSignalBlocker block(ListBoxGeneral);
    ListBoxGeneral->setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
}

void TFormVelGeneral::clearSelection()
{
    const QSignalBlocker block(ListBoxGeneral);
    ListBoxGeneral->clearSelection();
    ListBoxGeneral->setCurrentRow(-1);
}

void TFormVelGeneral::RefillList()
{
    const QSignalBlocker block(ListBoxGeneral);
    ListBoxGeneral->clear();
    const IdentifierList& list = identifierList();
    for (int i = 0; i < list.count(); ++i)
        ListBoxGeneral->addItem(list.listLine(i));
    clearSelection();
}

void TFormVelGeneral::rewriteLine(int i)
{
    if (QListWidgetItem* item = ListBoxGeneral->item(i))
        item->setText(identifierList().listLine(i));
}

void TFormVelGeneral::showRecord(int i)
{
    const IdentifierRecord& r = identifierList().record(i);
    ComboBoxField->setEditText(r.identifier);
    ComboBoxText->setEditText(r.replacement);
    EditComment->setText(r.comment);
    CheckBoxStatus->setChecked(r.status);
}

void TFormVelGeneral::ListBoxGeneralClick()
{
    IdentifierList& list = identifierList();
    const QString statusWord = CheckBoxStatus->isChecked() ? QStringLiteral("'ВКЛЮЧЕН'") : QStringLiteral("'ВЫКЛЮЧЕН'");
    if (list.editPending() && list.hasCurrent()) {
        const int k = list.current();
        const QString identifier = list.record(k).identifier;
        const IdentifierRecord boxes{identifier, ComboBoxText->currentText(),
                                     IdentifierList::cut(EditComment->text(), IdentifierList::kCommentLimit),
                                     CheckBoxStatus->isChecked()};
        switch (list.firstUncommittedEdit(k, boxes)) {
        case IdentifierList::UncommittedEdit::Replacement:
            if (askYesNo(QStringLiteral("Текст замены идентификатора ") + quoted(identifier)
                         + QStringLiteral(" был изменен на ") + quoted(boxes.replacement) + kApplyQuestion)) {
                list.store(k, boxes);
                rewriteLine(k);
            }
            break;
        case IdentifierList::UncommittedEdit::Comment:
            if (askYesNo(QStringLiteral("Текст комментария к идентификатору ") + quoted(identifier)
                         + QStringLiteral(" был изменен") + kApplyQuestion)) {
                list.setComment(k, boxes.comment);
                list.setStatus(k, boxes.status);
                rewriteLine(k);
            }
            break;
        case IdentifierList::UncommittedEdit::Status:
            if (askYesNo(QStringLiteral("Статус идентификатора ") + quoted(identifier)
                         + QStringLiteral(" был изменен на ") + statusWord + kApplyQuestion)) {
                list.setStatus(k, boxes.status);
                rewriteLine(k);
            }
            break;
        case IdentifierList::UncommittedEdit::None: break;
        }
    }

    const int line = selectedLine();
    list.setCurrent(line);
    if (!list.hasCurrent()) {
        list.setCurrent(-1);
        return;
    }
    showRecord(line);
    ButtonDelete->setEnabled(true);
    ButtonInsert->setEnabled(!ComboBoxField->currentText().isEmpty());
    CheckBoxStatusClick();
    list.setEditPending(true);
}

void TFormVelGeneral::ListBoxGeneralDblClick()
{
    IdentifierList& list = identifierList();
    const int line = selectedLine();
    if (!list.isRecord(line))
        return;
    list.setCurrent(line);
    showRecord(line);
    ButtonDelete->setEnabled(true);
    list.setStatus(line, !list.record(line).status);
    CheckBoxStatus->setChecked(list.record(line).status);
    ButtonInsert->setEnabled(!ComboBoxField->currentText().isEmpty());
    rewriteLine(line);
    CheckBoxStatusClick();
}

void TFormVelGeneral::ButtonInsertClick()
{
    IdentifierList& list = identifierList();
    const QString field = ComboBoxField->currentText();
    if (!field.isEmpty()) {
        const IdentifierRecord input{IdentifierList::cut(field, IdentifierList::kIdentifierLimit),
                                     ComboBoxText->currentText(), EditComment->text(), CheckBoxStatus->isChecked()};
        const int k = list.find(input.identifier);
        bool done = true;
        if (k < 0) {
            if (list.count() >= IdentifierList::kAddLimit) {
                showInformation(QStringLiteral("Достигнуто максимально возможное количество записей - 50"));
            } else {
                list.append(input);
                widgets::addSortedItem(ComboBoxField, field);
                ListBoxGeneral->addItem(list.listLine(list.count() - 1));
            }
        } else if (askYesNo(QStringLiteral("Поле ") + field
                            + QStringLiteral(" уже существует.\nЗаменить текст на новый?"))) {
            list.store(k, input);
            rewriteLine(k);
        } else {
            done = false;
        }
        if (done) {
            if (!ComboBoxText->currentText().isEmpty())
                widgets::addSortedItem(ComboBoxText, ComboBoxText->currentText());
            clearSelection();
            ButtonDelete->setEnabled(false);
            ShowCount();
            CheckBoxStatusClick();
            list.setEditPending(false);
        }
    }
    NSave->setEnabled(list.count() > 0);
    ComboBoxField->setFocus();
}

void TFormVelGeneral::ButtonDeleteClick()
{
    IdentifierList& list = identifierList();
    if (!list.hasCurrent())
        return;
    if (askYesNo(QStringLiteral("Удалить Идентификатор:") + list.record(list.current()).identifier)) {
        list.remove(list.current());
        RefillList();
        ButtonDelete->setEnabled(false);
        list.setEditPending(false);
    }
    ShowCount();
    NSave->setEnabled(list.count() > 0);
}

void TFormVelGeneral::SpeedButton1Click()
{
    IdentifierList& list = identifierList();
    const int i = list.current();
    if (i <= 0 || i >= list.count())
        return;
    list.swap(i, i - 1);
    rewriteLine(i);
    rewriteLine(i - 1);
    list.setCurrent(i - 1);
    selectLine(i - 1);
}

void TFormVelGeneral::SpeedButton2Click()
{
    IdentifierList& list = identifierList();
    const int i = list.current();
    if (i < 0 || i >= list.count() - 1)
        return;
    list.swap(i, i + 1);
    rewriteLine(i);
    rewriteLine(i + 1);
    list.setCurrent(i + 1);
    selectLine(i + 1);
}

void TFormVelGeneral::NclearTextListClick()
{
    IdentifierList& list = identifierList();
    if (list.count() <= 0)
        return;
    if (!askYesNo(QStringLiteral("Вы действительно хотите удалить текст замены из списка?")))
        return;
    list.clearReplacements();
    RefillList();
    ButtonDelete->setEnabled(false);
    list.setEditPending(false);
}

void TFormVelGeneral::NClearFieldsClick()
{
    IdentifierList& list = identifierList();
    list.clearAll();
    RefillList();
    ShowCount();
    ButtonDelete->setEnabled(false);
    NSave->setEnabled(false);
}
