#pragma once

#include "app/StartSwitches.h"

#include <QObject>
#include <QStringList>

// The program's first step once its event loop runs. By the command line
// and the stored option it goes straight to the main window, or shows the
// start window, or only says what is wrong. The start window is made only
// when it is shown: most starts never need it. finished() tells that the
// program's work is over.
class ProgramStart : public QObject {
    Q_OBJECT
public:
    explicit ProgramStart(const QStringList& parameters, QObject* parent = nullptr);

    // Takes the first step once the event loop runs.
    void beginLater();
    // Takes the first step now.
    void begin();
    bool ended() const { return ended_; }

signals:
    void finished();

private:
    // Makes the start window with these fields and shows it; the program
    // ends when it closes.
    void showStartWindow(const startup::StartFields& fields);
    void end();

    QStringList parameters_;
    bool ended_ = false;
};

// Shows the main window modally with its count, until it closes.
void runMainWindow();
