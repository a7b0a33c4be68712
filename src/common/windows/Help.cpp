#include "common/windows/Help.h"

#include "common/windows/HelpWindow.h"

// The topics live in a static library: their resources must be registered by hand.
static void registerHelpTopics()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    Q_UNUSED(done);
}

void showHelpTopic(const QString& topic)
{
    registerHelpTopics();
    HelpWindow* window = helpWindow();
    window->showTopic(topic);
    // Modal windows block everything else; the help must stay usable above them.
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
}
