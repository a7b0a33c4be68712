#pragma once

#include <QString>

// The named pipe the program reaches LibreOffice over. LibreOffice keeps its
// socket in the shared /tmp under a name made from the pipe's, so anyone can
// make a socket of that name first and read everything sent over it: the
// program connects only to a socket of its own user, and its own pipe has a
// name no one else can know beforehand.
namespace office::lo {

// The pipe of this user's office: "kvilmar_office_", the user's id and 128
// random bits in hex, made once and kept in the user's private folder
// (common/PrivateFolder.h). Without a private folder, one for this run.
QString ownPipeName();
// A new name of that kind, kept from now on in place of the old one.
QString newOwnPipeName();

// The socket LibreOffice listens on for a pipe: OSL_PIPE_<uid>_<name> in
// /tmp, or in /var/tmp when /tmp is not writable.
QString pipeSocketPath(const QString& pipe);

// Whether the program may connect over a pipe: only when its socket is a
// socket of this user; a missing one is made by the office started for it.
struct PipeCheck {
    enum State { Missing, Ours, Foreign };
    State state = Missing;
    // For Foreign, why not, in Russian, naming the socket and its owner.
    QString problem;
};
PipeCheck checkPipe(const QString& pipe);

} // namespace office::lo
