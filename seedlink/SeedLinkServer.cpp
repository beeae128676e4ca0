#include "seedlink/SeedLinkServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "seedlink/SeedLinkInfo.h"

#ifndef TEVRA_VERSION
#define TEVRA_VERSION "0"
#endif

namespace tevra {
namespace {

constexpr int InfoIntervalMs = 100;

std::int64_t WallNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::uint32_t FirstSequence(const TSeedLinkServerOptions& options) {
  if (options.FirstSequence) return *options.FirstSequence & 0xFFFFFF;
  return static_cast<std::uint32_t>((WallNs() / 250'000'000) & 0xFFFFFF);
}

std::string PeerText(const std::string& host, int port) {
  return host + ":" + std::to_string(port);
}

}  // namespace

struct TSeedLinkServer::TClient {
  int Fd = -1;
  std::string Host;
  int Port = 0;
  std::int64_t ConnectedNs = 0;
  std::int64_t AcceptedMs = 0;
  std::int64_t LastProgressMs = 0;  // sent something, or had nothing to send
  std::int64_t LastCommandMs = 0;
  std::int64_t LastInfoMs = 0;
  std::unique_ptr<TSeedLinkSession> Session;
  std::string DropReason;  // why the server ends the connection; empty when the client ended it
};

TSeedLinkServer::TSeedLinkServer(TSeedLinkServerOptions options, TSeedLinkLog log)
    : options_(std::move(options)),
      ring_(options_.RingRecords, FirstSequence(options_)),
      log_(std::move(log)) {
  identity_.ServerLine = "SeedLink v3.1 (tevra_panel " TEVRA_VERSION ") :: SLPROTO:3.1 NSWILDCARD BATCH";
  identity_.Description = options_.Description;
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) wakeErrno_ = errno;
}

TSeedLinkServer::~TSeedLinkServer() {
  Stop();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

TStatus TSeedLinkServer::Start(const std::string& address, int port) {
  Stop();
  const std::string cannot =
      "SeedLinkサーバーを " + address + ":" + std::to_string(port) + " で開始できません";
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<std::uint16_t>(port));
  if (port < 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1)
    return TError{cannot + ": アドレスが正しくありません"};
  if (wakeFd_ < 0) return InContext(cannot, SystemError("eventfd", wakeErrno_));
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return InContext(cannot, SystemError("socket"));
  const int one = 1;
  const char* call = nullptr;
  if (::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0)
    call = "setsockopt";
  else if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    call = "bind";
  else if (::listen(listenFd_, 128) != 0)
    call = "listen";
  if (call) {
    const TError error = InContext(cannot, SystemError(call));
    ::close(listenFd_);
    listenFd_ = -1;
    return error;
  }
  socklen_t length = sizeof local;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
  if (startedNs_ == 0) startedNs_ = WallNs();
  stop_ = false;
  thread_ = std::thread(&TSeedLinkServer::Run, this);
  return {};
}

void TSeedLinkServer::Stop() {
  if (!thread_.joinable()) return;
  stop_ = true;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
  thread_.join();
  for (const auto& client : clients_) ::close(client->Fd);
  clients_.clear();
  clientCount_ = 0;
  ::close(listenFd_);
  listenFd_ = -1;
  port_ = 0;
}

bool TSeedLinkServer::Publish(const std::uint8_t* record512) {
  if (!ring_.Push(record512)) return false;
  // Non-blocking: when the counter is somehow full the thread is awake anyway.
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
  return true;
}

void TSeedLinkServer::Accept() {
  for (;;) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd =
        ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      // Out of descriptors: the listening socket stays readable, so look again a little later
      // instead of spinning. Newcomers wait meanwhile, or are turned away by the full backlog.
      const int err = errno;
      if (err == EMFILE || err == ENFILE || err == ENOBUFS || err == ENOMEM) {
        acceptPausedUntilMs_ = SteadyMs() + 100;
        if (!std::exchange(acceptFailing_, true))
          Log("接続の受け付けを一時停止: " + SystemError("accept4", err).Message);
      }
      return;
    }
    acceptFailing_ = false;
    char host[INET_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
    if (static_cast<int>(clients_.size()) >= options_.MaxClients && !MakeRoom()) {
      Log(PeerText(host, ntohs(peer.sin_port)) + " 拒否: " + std::to_string(options_.MaxClients) +
          " の枠がすべて転送中");
      ::close(fd);
      continue;
    }
    if (options_.SendBufferBytes > 0)
      ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &options_.SendBufferBytes, sizeof options_.SendBufferBytes);
    auto client = std::make_unique<TClient>();
    client->Fd = fd;
    client->Host = host;
    client->Port = ntohs(peer.sin_port);
    client->ConnectedNs = WallNs();
    client->AcceptedMs = client->LastProgressMs = client->LastCommandMs = SteadyMs();
    client->Session = std::make_unique<TSeedLinkSession>(ring_, identity_);
    clients_.push_back(std::move(client));
  }
}

// Closes the client idle the longest that has not started its transfer, so that a newcomer always
// finds a slot while anyone is only holding one. False when every client is streaming.
bool TSeedLinkServer::MakeRoom() {
  auto idlest = clients_.end();
  for (auto c = clients_.begin(); c != clients_.end(); ++c)
    if (!(*c)->Session->Streaming() &&
        (idlest == clients_.end() || (*c)->LastCommandMs < (*idlest)->LastCommandMs))
      idlest = c;
  if (idlest == clients_.end()) return false;
  Drop(**idlest, "新しい接続に枠を譲った（最大 " + std::to_string(options_.MaxClients) + "）");
  LogDrop(**idlest);
  ::close((*idlest)->Fd);
  clients_.erase(idlest);
  return true;
}

// False when the connection is to be closed: broken, or ended by the client. A client that has closed
// its side is gone for good (nothing it asked for could reach it later), so its slot is freed at once.
bool TSeedLinkServer::Read(TClient& client) {
  char buffer[4096];
  const ssize_t n = ::recv(client.Fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n > 0) {
    if (client.Session->Receive(buffer, static_cast<std::size_t>(n)) > 0) client.LastCommandMs = SteadyMs();
    return true;
  }
  return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
}

// False when the connection is broken.
bool TSeedLinkServer::Write(TClient& client) {
  std::string_view pending = client.Session->Pending();
  while (!pending.empty()) {
    const ssize_t n = ::send(client.Fd, pending.data(), pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    client.Session->Sent(static_cast<std::size_t>(n));
    client.LastProgressMs = SteadyMs();
    pending = client.Session->Pending();
  }
  client.LastProgressMs = SteadyMs();
  return true;
}

// An answer looks through the whole ring: a client asking again and again gets one every
// InfoIntervalMs, so it cannot keep the server thread busy.
void TSeedLinkServer::AnswerInfo(TClient& client) {
  std::vector<std::string>& requests = client.Session->InfoRequests();
  const std::int64_t now = SteadyMs();
  if (requests.empty() || now - client.LastInfoMs < InfoIntervalMs) return;
  client.LastInfoMs = now;
  TSeedLinkInfoSource source;
  source.Software = "SeedLink v3.1 (tevra_panel " TEVRA_VERSION ")";
  source.Organization = options_.Organization;
  source.Description = options_.Description;
  source.StartedNs = startedNs_;
  source.Ring = &ring_;
  for (const auto& c : clients_)
    source.Connections.push_back({c->Host, c->Port, c->ConnectedNs, c->Session.get()});
  client.Session->AppendInfo(SeedLinkInfoXml(requests.front(), source), WallNs());
  requests.erase(requests.begin());
}

bool TSeedLinkServer::Drop(TClient& client, std::string reason) {
  client.DropReason = std::move(reason);
  return false;
}

void TSeedLinkServer::Log(const std::string& what) {
  if (!log_) return;
  const std::string line = limiter_.Line(what, options_.LogClock());
  if (!line.empty()) log_("SeedLink: " + line);
}

void TSeedLinkServer::LogDrop(const TClient& client) {
  if (!client.DropReason.empty()) Log(PeerText(client.Host, client.Port) + " 切断: " + client.DropReason);
}

// Answers, packets and the checks that end a connection. False when the connection is to be closed,
// with the reason when the server drops the client.
bool TSeedLinkServer::Serve(TClient& client) {
  constexpr std::size_t FillBytes = 64 * 1024;
  const TSeedLinkSession& session = *client.Session;
  AnswerInfo(client);
  if (!client.Session->Fill(FillBytes))
    return Drop(client, "次のレコードが上書きされた（欠落なしに続けられない）");
  if (!Write(client)) return false;
  if (session.Pending().size() > options_.MaxPendingBytes)
    return Drop(client, "未送信が " + std::to_string(options_.MaxPendingBytes) + " バイトを超えた");
  if (session.Pending().empty() && session.Finished()) {
    if (!session.LineTooLong()) return false;  // after BYE, or at the end of a FETCH
    return Drop(client, "コマンド行が " + std::to_string(TSeedLinkSession::MaxLineBytes) + " バイトを超えた");
  }
  const std::int64_t now = SteadyMs(), limitMs = options_.TimeoutSeconds * 1000LL;
  const std::string seconds = std::to_string(options_.TimeoutSeconds) + "秒";
  if (now - client.LastProgressMs > limitMs) return Drop(client, "出力が" + seconds + "進まない");
  if (session.Streaming() || session.Finished()) return true;
  if (now - client.LastCommandMs > options_.HandshakeIdleSeconds * 1000LL)
    return Drop(client, "転送開始前に" + std::to_string(options_.HandshakeIdleSeconds) + "秒コマンドがない");
  if (now - client.AcceptedMs > limitMs)
    return Drop(client, "接続から" + seconds + "たっても転送が始まらない");
  return true;
}

void TSeedLinkServer::Run() {
  std::vector<pollfd> fds;
  while (!stop_.load()) {
    const std::int64_t now = SteadyMs();
    const bool acceptPaused = now < acceptPausedUntilMs_;
    fds.assign({{wakeFd_, POLLIN, 0}, {listenFd_, static_cast<short>(acceptPaused ? 0 : POLLIN), 0}});
    int timeoutMs = acceptPaused ? 100 : 1000;
    const std::uint64_t next = ring_.Next();
    for (const auto& client : clients_) {
      short events = POLLIN;
      if (!client->Session->InfoRequests().empty()) timeoutMs = std::min(timeoutMs, InfoIntervalMs);
      if (!client->Session->Pending().empty())
        events |= POLLOUT;
      else if (client->Session->Streaming() && client->Session->Cursor() < next)
        timeoutMs = 0;
      fds.push_back({client->Fd, events, 0});
    }
    if (::poll(fds.data(), fds.size(), timeoutMs) < 0) {
      // Short of memory for a moment: try again rather than leave the clients without a server.
      if (errno != EINTR) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    if (fds[0].revents & POLLIN) {
      std::uint64_t count;
      [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
    }

    std::vector<bool> broken(clients_.size(), false);
    for (std::size_t i = 0; i < clients_.size(); ++i) {
      const short events = fds[i + 2].revents;
      if (events & POLLERR)
        broken[i] = true;
      else if (events & (POLLIN | POLLHUP))
        broken[i] = !Read(*clients_[i]);
    }
    for (std::size_t i = 0; i < clients_.size(); ++i)
      if (!broken[i]) broken[i] = !Serve(*clients_[i]);
    for (std::size_t i = clients_.size(); i-- > 0;) {
      if (!broken[i]) continue;
      LogDrop(*clients_[i]);
      ::close(clients_[i]->Fd);
      clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (fds[1].revents & POLLIN) Accept();
    clientCount_ = static_cast<int>(clients_.size());
    const std::string summary = log_ ? limiter_.Summary(options_.LogClock()) : "";
    if (!summary.empty()) log_("SeedLink: " + summary);
  }
}

}  // namespace tevra
