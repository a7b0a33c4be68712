#include "common/windows/HelpWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent)
    : QDialog(parent, Qt::Window), browser_(new QTextBrowser(this)),
      closeButton_(new QPushButton(QStringLiteral("Закрыть"), this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Квилмар: справка"));
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(true);
    // Links to the web or to mail go to the user's own programs.
    browser_->setOpenExternalLinks(true);
    closeButton_->setObjectName(QStringLiteral("HelpClose"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addLayout(buttons);
    resize(560, 480);

    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);
}

QString HelpWindow::topicUrl(const QString& topic)
{
    return QStringLiteral("qrc:/help/%1.html").arg(topic);
}

void HelpWindow::showTopic(const QString& topic)
{
    topic_ = topic;
    if (QFile::exists(QStringLiteral(":/help/%1.html").arg(topic))) {
        browser_->setSource(QUrl(topicUrl(topic)));
    } else {
        browser_->setHtml(QStringLiteral("<p>Раздел справки «%1» не найден.</p>").arg(topic.toHtmlEscaped()));
    }
}

HelpWindow* helpWindow()
{
    static HelpWindow* window = new HelpWindow;
    return window;
}
