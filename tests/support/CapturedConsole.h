#pragma once

#include "automatic/FillCommand.h"

#include <QString>

// A console that keeps what the fill command writes, for the tests to read.
class CapturedConsole : public automatic::Console {
public:
    bool terminal = false;
    QString outText, errText;
    void out(const QString& text) override { outText += text; }
    void err(const QString& text) override { errText += text; }
    bool errIsTerminal() const override { return terminal; }
};
