#pragma once
// Runs a tool as a child process with its stdout (and stderr too when asked) on a pipe; the test
// ends it by its pid.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tevra::test {

class TChild {
 public:
  explicit TChild(const std::vector<std::string>& argv, bool withStderr = false) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    Pid = fork();
    if (Pid == 0) {
      dup2(fds[1], 1);
      if (withStderr) dup2(fds[1], 2);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    close(fds[1]);
    Out = fds[0];
  }
  ~TChild() {
    if (Pid > 0 && !exited_) {
      kill(Pid, SIGKILL);
      Wait();
    }
    if (Out >= 0) close(Out);
  }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  // One line of stdout without its '\n'; false at the end or after `timeoutMs`.
  bool ReadLine(std::string& line, int timeoutMs = 10000) {
    line.clear();
    for (;;) {
      const auto nl = buffer_.find('\n');
      if (nl != std::string::npos) {
        line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return true;
      }
      pollfd p{Out, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) return false;
      char buf[4096];
      const ssize_t n = read(Out, buf, sizeof buf);
      if (n <= 0) return false;
      buffer_.append(buf, static_cast<std::size_t>(n));
    }
  }
  std::vector<std::string> ReadAllLines(int timeoutMs = 30000) {
    std::vector<std::string> lines;
    std::string line;
    while (ReadLine(line, timeoutMs)) lines.push_back(line);
    return lines;
  }
  // The exit status (as from waitpid), or -1.
  int Wait() {
    int status = 0;
    if (Pid <= 0 || waitpid(Pid, &status, 0) != Pid) return -1;
    exited_ = true;
    return status;
  }

  pid_t Pid = -1;
  int Out = -1;

 private:
  std::string buffer_;
  bool exited_ = false;
};

}  // namespace tevra::test
