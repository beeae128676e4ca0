#pragma once
// The end of the desktop session, or a stop request, arrives as a signal. The handler only writes a
// byte to a self-pipe; the GUI thread reads it and closes the panel the way a logout does.
namespace tevra {

// Installs the handlers for SIGTERM, SIGHUP and SIGINT; false when the pipe cannot be made.
bool InstallSessionEndSignals();
// The pipe's read end (non-blocking), -1 before the install.
int SessionEndReadFd();
// Empties the pipe after it became readable.
void DrainSessionEndPipe();

}  // namespace tevra
