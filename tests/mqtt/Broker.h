#pragma once
// Debian's mosquitto broker for one test, on a free loopback port with a generated configuration,
// and mosquitto_sub as an independent listener. Both are ended by their process id.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ScratchDir.h"

namespace tevra::test {

// A socket listening on 127.0.0.1 at a port the system picks.
inline int ListenOnLoopback(int& port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  ::listen(s, 4);
  port = ntohs(a.sin_port);
  return s;
}

inline int FreeLoopbackPort() {
  int port = 0;
  ::close(ListenOnLoopback(port));
  return port;
}

inline bool PortAccepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Waits up to `ms` for `done`.
inline bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Runs `argv` with its output into `out`; returns the process id.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& out) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::FILE* f = std::freopen(out.c_str(), "a", stdout);
    if (f) ::dup2(::fileno(stdout), 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

inline void End(pid_t& pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  pid = -1;
}

class TBroker {
 public:
  struct TOptions {
    std::string User;  // with a password file holding User:Password
    std::string Password;
    bool Tls = false;                 // the broker's certificate from a CA of its own (CaFile)
    bool ClientCertificates = false;  // TLS only with a client certificate of that CA
  };

  TBroker() : TBroker(TOptions{}) {}
  explicit TBroker(const TOptions& options) : Port(FreeLoopbackPort()) {
    std::ofstream conf(dir_.File("mosquitto.conf"));
    // Run as root, the broker would switch to its own user, who cannot read the scratch folder.
    const passwd* user = ::getpwuid(::getuid());
    conf << "user " << (user ? user->pw_name : "root") << "\n";
    conf << "persistence false\nlog_dest stdout\nlog_type all\nlistener " << Port << " 127.0.0.1\n";
    if (options.Tls) {
      MakeCertificates();
      conf << "cafile " << CaFile << "\ncertfile " << dir_.File("server.crt") << "\nkeyfile "
           << dir_.File("server.key") << "\n";
      if (options.ClientCertificates) conf << "require_certificate true\n";
    }
    if (options.User.empty()) {
      conf << "allow_anonymous true\n";
    } else {
      const std::string passwd = dir_.File("passwd");
      Run("mosquitto_passwd -b -c '" + passwd + "' '" + options.User + "' '" + options.Password + "'");
      conf << "allow_anonymous false\npassword_file " << passwd << "\n";
    }
  }
  ~TBroker() { Stop(); }

  bool Start() {
    pid_ = Spawn({"stdbuf", "-oL", "mosquitto", "-c", dir_.File("mosquitto.conf")}, dir_.File("broker.log"));
    return WaitFor([this] { return PortAccepts(Port); }, 5000);
  }
  void Stop() { End(pid_); }
  std::string Log() const { return ReadAll(dir_.File("broker.log")); }
  // Another CA's certificate: one the broker's does not chain to.
  std::string OtherCa() {
    Run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=other "
        "-keyout '" +
        dir_.File("other.key") + "' -out '" + dir_.File("other.crt") + "'");
    return dir_.File("other.crt");
  }
  std::string File(const std::string& name) const { return dir_.File(name); }

  const int Port;
  std::string CaFile;

 private:
  static void Run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) throw std::runtime_error(command);
  }
  void MakeCertificates() {
    const std::string d = dir_.Path + "/";
    CaFile = d + "ca.crt";
    const std::string ec = "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    Run(ec + "-x509 -days 2 -subj /CN=tevra-ca -keyout " + d + "ca.key -out " + CaFile);
    std::ofstream(d + "san.cnf") << "subjectAltName=IP:127.0.0.1\n";
    for (const std::string name : {"server", "client"}) {
      Run(ec + "-subj /CN=127.0.0.1 -keyout " + d + name + ".key -out " + d + name + ".csr");
      Run("openssl x509 -req -in " + d + name + ".csr -CA " + CaFile + " -CAkey " + d +
          "ca.key -CAcreateserial -days 2 -extfile " + d + "san.cnf -out " + d + name + ".crt");
    }
  }

  TScratchDir dir_;
  pid_t pid_ = -1;
};

// mosquitto_sub on every topic, printing "topic payload" lines.
class TSubscriber {
 public:
  TSubscriber(const TBroker& broker, const std::string& user = "", const std::string& password = "")
      : out_(broker.File("sub-" + std::to_string(++count_) + ".txt")) {
    std::vector<std::string> argv{
        "stdbuf", "-oL", "mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(broker.Port), "-t", "#",
        "-v",     "-d"};
    if (!user.empty()) argv.insert(argv.end(), {"-u", user, "-P", password});
    if (!broker.CaFile.empty()) {
      argv.insert(argv.end(), {"--cafile", broker.CaFile, "--cert", broker.File("client.crt"), "--key",
                               broker.File("client.key")});
    }
    pid_ = Spawn(argv, out_);
    Subscribed = WaitFor([this] { return ReadAll(out_).find("SUBACK") != std::string::npos; }, 5000);
  }
  ~TSubscriber() { End(pid_); }

  // The messages so far ("topic payload"), without mosquitto_sub's own debug lines.
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    std::istringstream in(ReadAll(out_));
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("Client ", 0) != 0) out.push_back(line);
    }
    return out;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& m : Messages()) n += m.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  bool WaitCount(const std::string& prefix, int n, int ms = 5000) const {
    return WaitFor([&] { return Count(prefix) >= n; }, ms);
  }

  bool Subscribed = false;

 private:
  static inline int count_ = 0;
  std::string out_;
  pid_t pid_ = -1;
};

}  // namespace tevra::test
