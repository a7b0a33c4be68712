#include "general/windows/UnitVelGeneral.h"

#include "common/windows/Guard.h"
#include "common/windows/Widgets.h"
#include "general/IdentifierList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

TFormVelGeneral* FormVelGeneral = nullptr;

namespace {

using widgets::named;

QAction* namedAction(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

// "Courier" in the list box: a fixed-pitch font that has Cyrillic.
QFont listFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    return font;
}

} // namespace

TFormVelGeneral::TFormVelGeneral(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormVelGeneral"));
    setWindowTitle(QStringLiteral("Квилмар"));
    // A fixed border with the system menu and a minimise box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    createControls();
    createMenu();
    layOut();
    setTabOrder();
    connectHandlers();
    setAcceptDrops(true);
    FormCreate();
}

void TFormVelGeneral::createControls()
{
    Label5 = named(new QLabel(QStringLiteral("Шаблон документа:"), this), "Label5");
    widgets::setTextColor(Label5, widgets::kNavy);
    EditFile = named(widgets::editableComboBox(this), "EditFile");
    EditFile->setMinimumWidth(503);
    widgets::setBaseColor(EditFile, palette().color(QPalette::Window));
    // The buttons' access keys (Alt and the letter) differ from one another
    // and from the menu bar's («Файл», «Правка»).
    ButtonSelectFile = named(new QPushButton(QStringLiteral("&Обзор"), this), "ButtonSelectFile");

    Label3 = named(new QLabel(QStringLiteral("Исходный текст"), this), "Label3");
    Label4 = named(new QLabel(QStringLiteral("Заменить на"), this), "Label4");
    LabelStatus = named(new QLabel(QStringLiteral("Статус"), this), "LabelStatus");

    ListBoxGeneral = named(new QListWidget(this), "ListBoxGeneral");
    ListBoxGeneral->setFont(listFont());
    widgets::setTextColor(ListBoxGeneral, widgets::kNavy);
    ListBoxGeneral->setMinimumSize(747, 277);
    ListBoxGeneral->setSelectionMode(QAbstractItemView::SingleSelection);

    SpeedButton1 = named(new QToolButton(this), "SpeedButton1");
    SpeedButton1->setArrowType(Qt::UpArrow);
    SpeedButton2 = named(new QToolButton(this), "SpeedButton2");
    SpeedButton2->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {SpeedButton1, SpeedButton2}) {
        b->setFixedSize(31, 31);
        b->setFocusPolicy(Qt::NoFocus);
    }

    Bevel1 = named(new QFrame(this), "Bevel1");
    Bevel1->setFrameShape(QFrame::StyledPanel);

    Label6 = named(new QLabel(QStringLiteral("Комментарий"), this), "Label6");
    EditComment = named(new QLineEdit(this), "EditComment");
    EditComment->setMaxLength(IdentifierList::kCommentLimit);
    widgets::setBaseColor(EditComment, palette().color(QPalette::Button));
    widgets::setTextColor(EditComment, Qt::black);

    Label2 = named(new QLabel(QStringLiteral("Исходный текст"), this), "Label2");
    widgets::setTextColor(Label2, widgets::kNavy);
    ComboBoxField = named(widgets::editableComboBox(this), "ComboBoxField");
    widgets::limitTyping(ComboBoxField->lineEdit(), IdentifierList::kIdentifierLimit);
    widgets::setTextColor(ComboBoxField, widgets::kBlue);

    CheckBoxStatus = named(new QCheckBox(QStringLiteral("Статус (включен)"), this), "CheckBoxStatus");
    CheckBoxStatus->setChecked(true);

    Label1 = named(new QLabel(QStringLiteral("Заменить на"), this), "Label1");
    widgets::setTextColor(Label1, widgets::kNavy);
    ComboBoxText = named(widgets::editableComboBox(this), "ComboBoxText");
    widgets::limitTyping(ComboBoxText->lineEdit(), 255);
    widgets::setTextColor(ComboBoxText, widgets::kBlue);
    ComboBoxText->setMinimumWidth(625);

    ButtonClear = named(new QPushButton(QStringLiteral("О&чистить"), this), "ButtonClear");
    ButtonInsert = named(new QPushButton(QStringLiteral("&Добавить"), this), "ButtonInsert");
    ButtonInsert->setEnabled(false);
    ButtonDelete = named(new QPushButton(QStringLiteral("&Удалить"), this), "ButtonDelete");
    ButtonDelete->setEnabled(false);
    ButtonStart = named(new QPushButton(QStringLiteral("&Старт"), this), "ButtonStart");
    ButtonExit = named(new QPushButton(QStringLiteral("&Выход"), this), "ButtonExit");
    // No button is the window's default, nor becomes it when focused (a
    // dialog would keep the first one for good): Enter presses the focused
    // button and does nothing elsewhere (keyPressEvent).
    for (QPushButton* b : {ButtonSelectFile, ButtonClear, ButtonInsert, ButtonDelete, ButtonStart, ButtonExit})
        b->setAutoDefault(false);

    StatusBarGeneral = named(new QStatusBar(this), "StatusBarGeneral");
    StatusBarGeneral->setSizeGripEnabled(false);
    countPanel_ = new QLabel(StatusBarGeneral);
    countPanel_->setMinimumWidth(220);
    progressPanel_ = new QLabel(StatusBarGeneral);
    progressPanel_->setMinimumWidth(50);
    StatusBarGeneral->addWidget(countPanel_);
    StatusBarGeneral->addWidget(progressPanel_, 1);
}

void TFormVelGeneral::createMenu()
{
    MainMenu1 = named(new QMenuBar(this), "MainMenu1");

    NFile = named(MainMenu1->addMenu(QStringLiteral("&Файл")), "NFile");
    NLoad = namedAction(NFile, "NLoad", QStringLiteral("Загрузить список идентификаторов"),
                        QKeySequence(Qt::CTRL | Qt::Key_L));
    NSave = namedAction(NFile, "NSave", QStringLiteral("Сохранить список идентификаторов"), QKeySequence(Qt::Key_F2));
    NSave->setEnabled(false);
    NFile->addSeparator()->setObjectName(QStringLiteral("N4"));
    NExit = namedAction(NFile, "NExit", QStringLiteral("В&ыход"));
    NFileSeparator2 = NFile->addSeparator();
    NFileSeparator2->setObjectName(QStringLiteral("NFileSeparator2"));
    NFileName1 = namedAction(NFile, "NFileName1", QString());
    NFileName2 = namedAction(NFile, "NFileName2", QStringLiteral("2"));
    NFileName3 = namedAction(NFile, "NFileName3", QStringLiteral("3"));
    NFileName4 = namedAction(NFile, "NFileName4", QStringLiteral("4"));
    for (QAction* a : {NFileSeparator2, NFileName1, NFileName2, NFileName3, NFileName4})
        a->setVisible(false);

    NEdit = named(MainMenu1->addMenu(QStringLiteral("&Правка")), "NEdit");
    N8 = named(NEdit->addMenu(QStringLiteral("Очистить")), "N8");
    NclearTextList = namedAction(N8, "NclearTextList", QStringLiteral("Очистить список текста замены"));
    NClearFields = namedAction(N8, "NClearFields", QStringLiteral("Очистить весь список"));
    NClearComboText = namedAction(N8, "NClearComboText", QStringLiteral("Очистить поля для ввода текста"));
    NEdit->addSeparator()->setObjectName(QStringLiteral("N5"));
    N6 = namedAction(NEdit, "N6", QStringLiteral("&Настройка"));

    N11 = named(MainMenu1->addMenu(QStringLiteral("Команды")), "N11");
    N12 = namedAction(N11, "N12", QStringLiteral("Сумма прописью"));
    N13 = namedAction(N11, "N13", QStringLiteral("Расчет НДС"));

    N1 = named(MainMenu1->addMenu(QStringLiteral("?")), "N1");
    NHelp = namedAction(N1, "NHelp", QStringLiteral("Помощь"), QKeySequence(Qt::Key_F1));
    N1->addSeparator()->setObjectName(QStringLiteral("N10"));
    N7 = namedAction(N1, "N7", QStringLiteral("&Перейти на Интернет-страницу программы"));
    NEmail = namedAction(N1, "NEmail", QStringLiteral("Н&аписать письмо авторам программы"));
    NNewVersionCheck =
        namedAction(N1, "NNewVersionCheck", QStringLiteral("Получить из &Интернета информацию о самой свежей версии"),
                    QKeySequence(Qt::Key_F5));
    N1->addSeparator()->setObjectName(QStringLiteral("N9"));
    N2 = namedAction(N1, "N2", QStringLiteral("&О программе"), QKeySequence(Qt::CTRL | Qt::Key_A));

    // Shortcuts work while the dialog has focus, menus closed.
    addActions(MainMenu1->actions());
    for (QMenu* menu : {NFile, NEdit, N8, N11, N1})
        addActions(menu->actions());
}

void TFormVelGeneral::layOut()
{
    auto* templateRow = new QHBoxLayout;
    templateRow->addWidget(Label5);
    templateRow->addWidget(EditFile, 1);
    templateRow->addWidget(ButtonSelectFile);

    // The column heads stand over the list line's columns: identifier at
    // character 0, replacement at 29, status at 86. A character of the list's
    // font is not a whole number of pixels wide, so the columns are measured
    // as runs of characters; the list draws its text inside its frame and
    // the item's text margin.
    const QFontMetrics list(ListBoxGeneral->font());
    const int replacementAt = list.horizontalAdvance(QString(29, QLatin1Char(' ')));
    const int statusAt = list.horizontalAdvance(QString(86, QLatin1Char(' ')));
    const int textIndent =
        ListBoxGeneral->frameWidth() + style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListBoxGeneral) + 1;
    Label3->setFixedWidth(replacementAt);
    Label4->setFixedWidth(statusAt - replacementAt);
    auto* heads = new QHBoxLayout;
    heads->setSpacing(0);
    heads->setContentsMargins(textIndent, 0, 0, 0);
    heads->addWidget(Label3);
    heads->addWidget(Label4);
    heads->addWidget(LabelStatus, 1);

    auto* arrows = new QVBoxLayout;
    arrows->addStretch(1);
    arrows->addWidget(SpeedButton1);
    arrows->addWidget(SpeedButton2);
    arrows->addStretch(1);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(ListBoxGeneral, 1);
    listRow->addLayout(arrows);

    auto* edit = new QGridLayout(Bevel1);
    edit->addWidget(Label6, 0, 0);
    edit->addWidget(EditComment, 0, 1, 1, 2);
    edit->addWidget(Label2, 1, 0);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(ComboBoxField, 1);
    fieldRow->addSpacing(12);
    fieldRow->addWidget(CheckBoxStatus);
    edit->addLayout(fieldRow, 1, 1, 1, 2);
    edit->addWidget(Label1, 2, 0);
    edit->addWidget(ComboBoxText, 2, 1, 1, 2);
    auto* editButtons = new QHBoxLayout;
    editButtons->addStretch(1);
    editButtons->addWidget(ButtonClear);
    editButtons->addWidget(ButtonInsert);
    editButtons->addWidget(ButtonDelete);
    editButtons->addStretch(1);
    edit->addLayout(editButtons, 3, 0, 1, 3);
    edit->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(ButtonStart);
    bottom->addWidget(ButtonExit);

    auto* main = new QVBoxLayout(this);
    main->setMenuBar(MainMenu1);
    main->setContentsMargins(6, 6, 6, 0);
    main->addLayout(templateRow);
    main->addSpacing(6);
    main->addLayout(heads);
    main->addLayout(listRow, 1);
    auto* bevelRow = new QHBoxLayout;
    bevelRow->addWidget(Bevel1, 1);
    bevelRow->addSpacing(37);
    main->addLayout(bevelRow);
    main->addLayout(bottom);
    main->addWidget(StatusBarGeneral);
    // The designed client area lies below the menu bar.
    setFixedSize(sizeHint().expandedTo(QSize(792, 548 + MainMenu1->sizeHint().height())));
}

void TFormVelGeneral::setTabOrder()
{
    const QList<QWidget*> order = {ButtonSelectFile, ComboBoxField, ComboBoxText,   ButtonInsert,
                                   ButtonClear,      ButtonDelete,  ButtonStart,    ButtonExit,
                                   ListBoxGeneral,   EditComment,   CheckBoxStatus, EditFile};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void TFormVelGeneral::connectHandlers()
{
    auto* self = this;
    KV_CONNECT(ButtonSelectFile, &QPushButton::clicked, self, ButtonSelectFileClick);
    KV_CONNECT(ListBoxGeneral, &QListWidget::clicked, self, ListBoxGeneralClick);
    KV_CONNECT(ListBoxGeneral, &QListWidget::doubleClicked, self, ListBoxGeneralDblClick);
    KV_CONNECT(SpeedButton1, &QToolButton::clicked, self, SpeedButton1Click);
    KV_CONNECT(SpeedButton2, &QToolButton::clicked, self, SpeedButton2Click);
    KV_CONNECT(CheckBoxStatus, &QCheckBox::toggled, self, CheckBoxStatusClick);
    KV_CONNECT(ButtonClear, &QPushButton::clicked, self, ButtonClearClick);
    KV_CONNECT(ButtonInsert, &QPushButton::clicked, self, ButtonInsertClick);
    KV_CONNECT(ButtonDelete, &QPushButton::clicked, self, ButtonDeleteClick);
    KV_CONNECT(ButtonStart, &QPushButton::clicked, self, ButtonStartClick);
    KV_CONNECT(ButtonExit, &QPushButton::clicked, self, ButtonExitClick);

    KV_CONNECT(NLoad, &QAction::triggered, self, NLoadClick);
    KV_CONNECT(NSave, &QAction::triggered, self, NSaveClick);
    KV_CONNECT(NExit, &QAction::triggered, self, ButtonExitClick);
    KV_CONNECT(NFileName1, &QAction::triggered, self, NFileName1Click);
    KV_CONNECT(NclearTextList, &QAction::triggered, self, NclearTextListClick);
    KV_CONNECT(NClearFields, &QAction::triggered, self, NClearFieldsClick);
    KV_CONNECT(NClearComboText, &QAction::triggered, self, ButtonClearClick);
    KV_CONNECT(N6, &QAction::triggered, self, N6Click);
    KV_CONNECT(N12, &QAction::triggered, self, N12Click);
    KV_CONNECT(N13, &QAction::triggered, self, N13Click);
    KV_CONNECT(NHelp, &QAction::triggered, self, NHelpClick);
    KV_CONNECT(N7, &QAction::triggered, self, N7Click);
    KV_CONNECT(NEmail, &QAction::triggered, self, NEmailClick);
    KV_CONNECT(NNewVersionCheck, &QAction::triggered, self, NNewVersionCheckClick);
    KV_CONNECT(N2, &QAction::triggered, self, N2Click);

    // Key releases in the identifier box and in the list box. A combo box
    // hands its keys to its line edit directly, past any filter there: the
    // keys are watched on the box itself, where they arrive.
    // Every control is watched for the menu's shortcuts too (see eventFilter).
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);
}

bool TFormVelGeneral::isMenuShortcut(const QKeyEvent* key) const
{
    const QKeySequence pressed(key->keyCombination());
    for (const QAction* action : actions())
        if (action->shortcut() == pressed)
            return true;
    return false;
}

namespace {

// A box the user types text into (a combo box gets its line edit's keys first).
bool isTextBox(const QObject* control)
{
    const auto* box = qobject_cast<const QComboBox*>(control);
    return qobject_cast<const QLineEdit*>(control) || (box && box->isEditable());
}

} // namespace

bool TFormVelGeneral::eventFilter(QObject* watched, QEvent* event)
{
    // A text box claims Ctrl+A ("select all") and the like before a shortcut
    // is looked up. In a text box Ctrl+A selects the text; every other menu
    // shortcut works from every control, so no control may claim it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isMenuShortcut(key) && !(key->matches(QKeySequence::SelectAll) && isTextBox(watched))) {
            event->ignore();
            return true;
        }
    }
    // The list by keyboard: Ctrl+Up and Ctrl+Down move the selected record
    // as the arrow buttons do, Space switches it on or off as a double click.
    if (event->type() == QEvent::KeyPress && watched == ListBoxGeneral) {
        const QKeyCombination pressed = static_cast<QKeyEvent*>(event)->keyCombination();
        if (pressed == (Qt::CTRL | Qt::Key_Up)) {
            guarded([this] { SpeedButton1Click(); });
            return true;
        }
        if (pressed == (Qt::CTRL | Qt::Key_Down)) {
            guarded([this] { SpeedButton2Click(); });
            return true;
        }
        if (pressed == QKeyCombination(Qt::Key_Space)) {
            guarded([this] { ListBoxGeneralDblClick(); });
            return true;
        }
    }
    // A list file dropped on a text box opens too, rather than going in as text.
    if ((event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop)
        && takeListDrop(event))
        return true;
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == ComboBoxField) {
            guarded([this] { ComboBoxFieldKeyUp(); });
        } else if (watched == ListBoxGeneral && !key->isAutoRepeat() && !(key->modifiers() & Qt::ControlModifier)
                   && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Home
                       || key->key() == Qt::Key_End || key->key() == Qt::Key_PageUp
                       || key->key() == Qt::Key_PageDown)) {
            // Moving through the list with the keys selects like a click.
            guarded([this] { ListBoxGeneralClick(); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormVelGeneral::ShowCount()
{
    countPanel_->setText(QStringLiteral("Всего полей: %1").arg(identifierList().count()));
}

QString TFormVelGeneral::countText() const
{
    return countPanel_->text();
}

void TFormVelGeneral::ShowProgress(const QString& text)
{
    progressPanel_->setText(text);
    progressPanel_->repaint();
}

QString TFormVelGeneral::progressText() const
{
    return progressPanel_->text();
}

void TFormVelGeneral::CheckBoxStatusClick()
{
    CheckBoxStatus->setText(CheckBoxStatus->isChecked() ? QStringLiteral("Статус (включен)")
                                                        : QStringLiteral("Статус (выключен)"));
}

void TFormVelGeneral::ComboBoxFieldKeyUp()
{
    ButtonInsert->setEnabled(!ComboBoxField->currentText().isEmpty());
}

void TFormVelGeneral::ButtonClearClick()
{
    ComboBoxField->setEditText(QString());
    ComboBoxText->setEditText(QString());
    ButtonInsert->setEnabled(false);
    EditComment->clear();
    CheckBoxStatus->setChecked(true);
    clearSelection();
    CheckBoxStatusClick();
}

void TFormVelGeneral::ButtonExitClick()
{
    close();
}

void TFormVelGeneral::keyPressEvent(QKeyEvent* event)
{
    // Escape must not slip past the close sequence.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (!widgets::enterPressesFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

void TFormVelGeneral::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window opens with the focus on the first control of its tab order.
    ButtonSelectFile->setFocus(Qt::TabFocusReason);
    guarded([this] { FormShow(); });
    openHandedFileWhenFree();
}

void TFormVelGeneral::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        guarded([this] { FormActivate(); });
        openHandedFileWhenFree();
    }
}

void TFormVelGeneral::closeEvent(QCloseEvent* event)
{
    // Whatever closes the window (the close button, Alt+F4, «Выход») asks
    // first; a second close while the question is open waits for its answer.
    if (closing_)
        return event->ignore();
    closing_ = true;
    const bool mayClose = FormCloseQuery();
    closing_ = false;
    if (!mayClose)
        return event->ignore();
    FormClose();
    QDialog::closeEvent(event);
}

namespace {

// The one local list file a drag carries (its extension exactly ".fdp"), or
// an empty name.
QString draggedListFile(const QMimeData* data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QString name = urls.first().toLocalFile();
    return name.endsWith(QLatin1String(".fdp")) ? name : QString();
}

} // namespace

bool TFormVelGeneral::takeListDrop(QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    const QString name = draggedListFile(drop->mimeData());
    // Nothing is dropped under a window open over this one.
    QWidget* modal = QApplication::activeModalWidget();
    if (name.isEmpty() || (modal && modal != this))
        return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    // Opened after the drop is done: the question must not hold up the
    // program the file came from.
    if (event->type() == QEvent::Drop)
        QMetaObject::invokeMethod(
            this, [this, name] { guarded([this, name] { OpenDroppedListFile(name); }); }, Qt::QueuedConnection);
    return true;
}

void TFormVelGeneral::dragEnterEvent(QDragEnterEvent* event)
{
    if (!takeListDrop(event))
        event->ignore();
}

void TFormVelGeneral::dragMoveEvent(QDragMoveEvent* event)
{
    if (!takeListDrop(event))
        event->ignore();
}

void TFormVelGeneral::dropEvent(QDropEvent* event)
{
    if (!takeListDrop(event))
        event->ignore();
}

void TFormVelGeneral::OpenDroppedListFile(const QString& name)
{
    activateWindow();
    if (AskToSaveChanges())
        OpenListFile(name);
}

void TFormVelGeneral::OpenHandedListFile(const QString& name)
{
    handedFile_ = name;
    // The window the user must answer first, or this one, comes to the front.
    QWidget* front = QApplication::activeModalWidget();
    if (!front || !front->isVisible())
        front = isVisible() ? this : QApplication::activeWindow();
    if (front) {
        front->setWindowState(front->windowState() & ~Qt::WindowMinimized);
        front->raise();
        front->activateWindow();
    }
    openHandedFileWhenFree();
}

void TFormVelGeneral::openHandedFileWhenFree()
{
    // Later, by a queued call: never inside the event that made the window
    // free, nor over a question another window still asks.
    QMetaObject::invokeMethod(
        this,
        [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (handedFile_.isEmpty() || !isVisible() || filling_ || (modal && modal != this))
                return;
            const QString name = std::exchange(handedFile_, QString());
            raise();
            guarded([this, name] { OpenDroppedListFile(name); });
        },
        Qt::QueuedConnection);
}
