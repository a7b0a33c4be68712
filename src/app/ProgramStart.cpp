#include "app/ProgramStart.h"

#include "app/UnitVelStart.h"
#include "common/ProgramFolder.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "common/windows/LazyWindows.h"
#include "general/windows/UnitVelGeneral.h"
#include "settings/OptionSwitches.h"

#include <QTimer>

using namespace startup;

namespace {

bool startWindowOffered()
{
    optionSwitches::readSwitchFile();
    return optionSwitches::offerStartWindow();
}

// Whether the user goes on to the start window after this error.
bool goOnAfter(const QString& message)
{
    return dialogs().message(MessageKind::Error, message, MessageButtons::YesCancel) == MessageAnswer::Yes;
}

} // namespace

ProgramStart::ProgramStart(const QStringList& parameters, QObject* parent) : QObject(parent), parameters_(parameters)
{
}

void ProgramStart::beginLater()
{
    QTimer::singleShot(0, this, [this] { guarded([this] { begin(); }); });
}

void ProgramStart::begin()
{
    switch (classify(parameters_)) {
    case Switch::None:
        if (startWindowOffered()) {
            showStartWindow(StartFields{});
        } else {
            runMainWindow();
            end();
        }
        return;
    case Switch::Ini:
        if (!isExistingFile(programFile(iniFileName())))
            showError(iniMissingMessage());
        end();
        return;
    case Switch::Select: {
        StartFields fields;
        const QString missing = fillFromSelectSwitch(fields, parameters_);
        if (!missing.isEmpty() && !goOnAfter(missingFileMessage(missing)))
            end();
        else
            showStartWindow(fields);
        return;
    }
    case Switch::ListFile:
        // A list opened from the file manager: loaded as the remembered one is.
        lazyWindows::made(FormVelGeneral)->OpenListFile(listFileParameter(parameters_));
        runMainWindow();
        end();
        return;
    case Switch::Invalid:
        if (goOnAfter(invalidParameterMessage(parameters_.first())))
            showStartWindow(StartFields{});
        else
            end();
        return;
    }
}

void ProgramStart::showStartWindow(const StartFields& fields)
{
    TFormVelStart* window = lazyWindows::made(FormVelStart);
    // The files the main window remembers from the previous run.
    window->AddRememberedFiles(lazyWindows::made(FormVelGeneral)->remembered());
    window->setFields(fields);
    connect(window, &QDialog::finished, this, &ProgramStart::end, Qt::UniqueConnection);
    window->ShowWorkingSize();
}

void ProgramStart::end()
{
    if (ended_)
        return;
    ended_ = true;
    emit finished();
}

void runMainWindow()
{
    TFormVelGeneral* window = lazyWindows::made(FormVelGeneral);
    window->ShowCount();
    window->exec();
}
