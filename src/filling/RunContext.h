#pragma once

#include "filling/LeftIdentifiers.h"

#include <QByteArray>
#include <QDateTime>

// What one filling run shares between the run, its filler and the range
// window. One instance, reused by every run; each run overwrites what it uses.
struct RunContext {
    // Set at the start of a run; the range window clears it on opening and
    // sets it again when the range is confirmed.
    bool runConfirmed = false;
    // When the replacing began; read by the completion message.
    QDateTime startMark;
    // The converted texts of the record being applied (1251).
    QByteArray currentIdentifier;
    QByteArray currentReplacement;
    // What the filler found left undone; empty at the start of every run.
    LeftIdentifiers left;
};

RunContext& runContext();
