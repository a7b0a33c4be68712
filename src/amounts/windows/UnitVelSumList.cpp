#include "amounts/windows/UnitVelSumList.h"

#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "common/windows/Widgets.h"
#include "general/IdentifierList.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

char SumListTarget = '\0';
TFormSumList* FormSumList = nullptr;

namespace {

// "Courier" 8 points: a fixed-pitch font that has Cyrillic.
QFont listFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    return font;
}

} // namespace

TFormSumList::TFormSumList(QWidget* parent) : FormDialog(parent)
{
    setEnterPressesFocusedButton();
    setObjectName(QStringLiteral("FormSumList"));
    setWindowTitle(QStringLiteral("Выберите цифровое значение суммы"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    ListBoxSumList = new QListWidget(this);
    ListBoxSumList->setObjectName(QStringLiteral("ListBoxSumList"));
    ListBoxSumList->setFont(listFont());
    ListBoxSumList->setMinimumSize(541, 285);
    ListBoxSumList->setSelectionMode(QAbstractItemView::SingleSelection);
    ButtonSumListExit = new QPushButton(QStringLiteral("Отмена"), this);
    ButtonSumListExit->setObjectName(QStringLiteral("ButtonSumListExit"));
    ButtonSumListExit->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonSumListExit);
    auto* main = new QVBoxLayout(this);
    main->addWidget(ListBoxSumList);
    main->addLayout(buttons);
    setFixedSize(widgets::fixedWindowSize(this, QSize(548, 334)));

    // A click picks its line; the arrow keys only move through the list,
    // and Enter picks the line they reached (eventFilter).
    TFormSumList* self = this;
    KV_CONNECT(ListBoxSumList, &QListWidget::clicked, self, ListBoxSumListClick);
    KV_CONNECT(ButtonSumListExit, &QPushButton::clicked, self, ButtonSumListExitClick);
    ListBoxSumList->installEventFilter(this);
}

bool TFormSumList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBoxSumList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([this] { ListBoxSumListClick(); });
            return true;
        }
    }
    return FormDialog::eventFilter(watched, event);
}

void TFormSumList::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activateLater();
}

void TFormSumList::activateLater()
{
    QTimer::singleShot(0, this, [this] { guarded([this] { FormActivate(); }); });
}

void TFormSumList::FormActivate()
{
    const QSignalBlocker block(ListBoxSumList);
    ListBoxSumList->clear();
    const IdentifierList& list = identifierList();
    for (int i = 0; i < list.count(); ++i)
        ListBoxSumList->addItem(list.listLine(i));
    // An explicit "no current line": focusing the list makes no line current,
    // so Enter picks only a line the user chose.
    ListBoxSumList->setCurrentIndex(QModelIndex());
}

void TFormSumList::ListBoxSumListClick()
{
    const int n = ListBoxSumList->currentRow();
    const IdentifierList& list = identifierList();
    if (!list.isRecord(n))
        return;
    const QString text = list.record(n).replacement;
    if (text.isEmpty()) {
        showInformation(QStringLiteral("Выбранный идентификатор не содержит текста.\n"
                                       "Выберите идентификатор с текстом или выйдети из списка"));
        activateLater();
        return;
    }
    emit amountPicked(text);
    close();
}

void TFormSumList::ButtonSumListExitClick()
{
    close();
}
