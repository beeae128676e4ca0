#include "app/SessionEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace tevra {
namespace {

int pipeFds[2] = {-1, -1};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);  // a full pipe already says it
  errno = saved;
}

}  // namespace

bool InstallSessionEndSignals() {
  if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
  return true;
}

int SessionEndReadFd() { return pipeFds[0]; }

void DrainSessionEndPipe() {
  char buffer[64];
  while (::read(pipeFds[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace tevra
