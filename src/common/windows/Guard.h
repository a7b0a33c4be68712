#pragma once

#include "common/KvilmarError.h"
#include "common/windows/Dialogs.h"

#include <exception>
#include <utility>

// Runs a handler so that no exception crosses the event loop: an error that
// escapes it is shown in the application's standard error box with its own text.
template <class Handler> void guarded(Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (const KvilmarError& e) {
        dialogs().message(MessageKind::ApplicationError, e.text(), MessageButtons::Ok);
    } catch (const std::exception& e) {
        dialogs().message(MessageKind::ApplicationError, QString::fromUtf8(e.what()), MessageButtons::Ok);
    } catch (...) {
        dialogs().message(MessageKind::ApplicationError, QStringLiteral("Неизвестная ошибка"), MessageButtons::Ok);
    }
}

// Connects a signal to a member handler that runs guarded.
#define KV_CONNECT(sender, signal, receiver, handler)                                                                  \
    QObject::connect(sender, signal, receiver, [receiver] { guarded([receiver] { receiver->handler(); }); })
