#pragma once

#include <QString>

// Opens the program's help window at a topic: "001" (main window),
// "0091" (options), "00111" (version check).
void showHelpTopic(const QString& topic);
