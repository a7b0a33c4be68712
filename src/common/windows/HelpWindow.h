#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;

// The program's help: Russian HTML topics compiled into the program, shown in
// a browser window opened at a topic's identifier.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the topic, or a short notice when the program has no such topic.
    void showTopic(const QString& topic);
    const QString& currentTopic() const { return topic_; }
    QTextBrowser* browser() const { return browser_; }

    static QString topicUrl(const QString& topic);

private:
    QTextBrowser* browser_;
    QPushButton* closeButton_;
    QString topic_;
};

// The one help window of the program, made on first use.
HelpWindow* helpWindow();
