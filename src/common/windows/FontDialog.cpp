#include "common/windows/FontDialog.h"

#include "common/windows/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using widgets::named;

// The sixteen colours a font dialog offers, as in every office suite.
const QList<QPair<QString, QColor>>& fontColors()
{
    static const QList<QPair<QString, QColor>> colors = {
        {QStringLiteral("Черный"), QColor(0x00, 0x00, 0x00)},
        {QStringLiteral("Бордовый"), QColor(0x80, 0x00, 0x00)},
        {QStringLiteral("Зеленый"), QColor(0x00, 0x80, 0x00)},
        {QStringLiteral("Оливковый"), QColor(0x80, 0x80, 0x00)},
        {QStringLiteral("Темно-синий"), QColor(0x00, 0x00, 0x80)},
        {QStringLiteral("Фиолетовый"), QColor(0x80, 0x00, 0x80)},
        {QStringLiteral("Сине-зеленый"), QColor(0x00, 0x80, 0x80)},
        {QStringLiteral("Серый"), QColor(0x80, 0x80, 0x80)},
        {QStringLiteral("Серебристый"), QColor(0xC0, 0xC0, 0xC0)},
        {QStringLiteral("Красный"), QColor(0xFF, 0x00, 0x00)},
        {QStringLiteral("Лайм"), QColor(0x00, 0xFF, 0x00)},
        {QStringLiteral("Желтый"), QColor(0xFF, 0xFF, 0x00)},
        {QStringLiteral("Синий"), QColor(0x00, 0x00, 0xFF)},
        {QStringLiteral("Фуксия"), QColor(0xFF, 0x00, 0xFF)},
        {QStringLiteral("Морская волна"), QColor(0x00, 0xFF, 0xFF)},
        {QStringLiteral("Белый"), QColor(0xFF, 0xFF, 0xFF)},
    };
    return colors;
}

QIcon colorIcon(const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// The four styles, in the order and words a Russian font dialog uses; the
// row is bold * 2 + italic.
const QStringList kStyles = {QStringLiteral("Обычный"), QStringLiteral("Курсив"), QStringLiteral("Полужирный"),
                             QStringLiteral("Полужирный курсив")};

QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

FontDialog::FontDialog(const FontChoice& initial, int minPoints, int maxPoints, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      minPoints_(minPoints), maxPoints_(maxPoints)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(QStringLiteral("Шрифт"));

    FontList = named(new QListWidget(this), "FontList");
    QStringList families = QFontDatabase::families(QFontDatabase::Cyrillic);
    if (families.isEmpty())
        families = QFontDatabase::families();
    FontList->addItems(families);
    StyleList = named(new QListWidget(this), "StyleList");
    StyleList->addItems(kStyles);
    SizeBox = named(new QComboBox(this), "SizeBox");
    SizeBox->setEditable(true);
    SizeBox->setInsertPolicy(QComboBox::NoInsert);
    for (int points = minPoints; points <= maxPoints; ++points)
        SizeBox->addItem(QString::number(points));
    SizeBox->lineEdit()->setValidator(new QIntValidator(1, 999, SizeBox));
    StrikeOutBox = named(new QCheckBox(QStringLiteral("&Зачеркнутый"), this), "StrikeOutBox");
    UnderlineBox = named(new QCheckBox(QStringLiteral("&Подчеркнутый"), this), "UnderlineBox");
    ColorBox = named(new QComboBox(this), "ColorBox");
    for (const auto& [name, color] : fontColors())
        ColorBox->addItem(colorIcon(color), name, color);
    Sample = named(new QLabel(QStringLiteral("АаБбЯя AaBbYyZz"), this), "Sample");
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setMinimumSize(180, 48);
    for (QListWidget* list : {FontList, StyleList})
        list->setMinimumHeight(120);
    FontList->setMinimumWidth(190);

    // The initial choice: a family the system lacks shows as the one used.
    const QString family = FontList->findItems(initial.font.family(), Qt::MatchFixedString).isEmpty()
        ? QFontInfo(initial.font).family()
        : initial.font.family();
    select(FontList, family);
    StyleList->setCurrentRow(int(initial.font.bold()) * 2 + int(initial.font.italic()));
    SizeBox->setEditText(QString::number(QFontInfo(initial.font).pointSize()));
    StrikeOutBox->setChecked(initial.font.strikeOut());
    UnderlineBox->setChecked(initial.font.underline());
    int color = ColorBox->findData(initial.color);
    if (color < 0) {
        ColorBox->addItem(colorIcon(initial.color), QStringLiteral("Текущий"), initial.color);
        color = ColorBox->count() - 1;
    }
    ColorBox->setCurrentIndex(color);

    auto* grid = new QGridLayout;
    grid->addWidget(caption(QStringLiteral("&Шрифт:"), FontList, this), 0, 0);
    grid->addWidget(caption(QStringLiteral("&Начертание:"), StyleList, this), 0, 1);
    grid->addWidget(caption(QStringLiteral("&Размер:"), SizeBox, this), 0, 2);
    grid->addWidget(FontList, 1, 0);
    grid->addWidget(StyleList, 1, 1);
    grid->addWidget(SizeBox, 1, 2, Qt::AlignTop);

    auto* effects = new QGroupBox(QStringLiteral("Видоизменение"), this);
    auto* effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(StrikeOutBox);
    effectsLayout->addWidget(UnderlineBox);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(caption(QStringLiteral("&Цвет:"), ColorBox, this));
    colorRow->addWidget(ColorBox, 1);
    effectsLayout->addLayout(colorRow);
    auto* sample = new QGroupBox(QStringLiteral("Образец"), this);
    (new QVBoxLayout(sample))->addWidget(Sample);
    auto* lower = new QHBoxLayout;
    lower->addWidget(effects);
    lower->addWidget(sample, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FontDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FontDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    connect(FontList, &QListWidget::currentRowChanged, this, &FontDialog::showSample);
    connect(StyleList, &QListWidget::currentRowChanged, this, &FontDialog::showSample);
    connect(SizeBox, &QComboBox::currentTextChanged, this, &FontDialog::showSample);
    connect(StrikeOutBox, &QCheckBox::toggled, this, &FontDialog::showSample);
    connect(UnderlineBox, &QCheckBox::toggled, this, &FontDialog::showSample);
    connect(ColorBox, &QComboBox::currentIndexChanged, this, &FontDialog::showSample);
    showSample();
}

void FontDialog::select(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchFixedString);
    if (!found.isEmpty())
        list->setCurrentItem(found.first());
}

FontChoice FontDialog::choice() const
{
    QFont font(FontList->currentItem() ? FontList->currentItem()->text() : QFontInfo(this->font()).family());
    const int style = std::max(0, StyleList->currentRow());
    font.setBold(style >= 2);
    font.setItalic(style % 2 == 1);
    const int points = SizeBox->currentText().toInt();
    if (points > 0)
        font.setPointSize(points);
    font.setStrikeOut(StrikeOutBox->isChecked());
    font.setUnderline(UnderlineBox->isChecked());
    return {font, ColorBox->currentData().value<QColor>()};
}

void FontDialog::showSample()
{
    const FontChoice chosen = choice();
    Sample->setFont(chosen.font);
    widgets::setTextColor(Sample, chosen.color);
}

void FontDialog::accept()
{
    const int points = SizeBox->currentText().toInt();
    if (points < minPoints_ || points > maxPoints_) {
        showError(QStringLiteral("Размер шрифта должен быть от %1 до %2.").arg(minPoints_).arg(maxPoints_));
        SizeBox->setFocus();
        return;
    }
    QDialog::accept();
}
