#pragma once
// The station's live stream: a SeedLink 3.1 server for the 512-byte miniSEED records the panel or the
// monitor packs, so slinktool, slarchive, ObsPy and SeisComP's chain plugin pull them as from any
// station.
//
// Threading: the server runs a thread of its own (poll() over non-blocking sockets and an eventfd), so
// the same class serves the Qt panel and the headless monitor, and no client can ever hold up the
// measurement. Publish copies the record into the ring under a mutex that the server thread holds only
// while copying one record out, then signals the eventfd (a non-blocking write): the producer never
// waits for the network.
//
// Memory is bounded: the ring is allocated once; each client has at most one output buffer of about
// 64 KiB plus INFO answers (a client whose output passes MaxPendingBytes is dropped), a kernel send
// buffer of SendBufferBytes, and a command line of at most 256 bytes. A client that stops reading is
// dropped once its output has not moved for TimeoutSeconds, or at once when the record it needs next
// has been overwritten (it could only go on with a gap). A client that closes its side is closed at
// once; one that sends no command for HandshakeIdleSeconds before its transfer starts is dropped. A
// connection beyond MaxClients takes the slot of the client idle the longest that has not started
// its transfer, or is closed when every client is streaming. INFO answers, which look through the
// whole ring, come at most ten a second to one client. Every client dropped or refused is one line
// to the log, with its address and the reason; a client that ends its connection itself is not.
//
// The ring and its sequence numbers outlive Stop, so a restart with new settings lets clients resume.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/LogLimiter.h"
#include "base/Result.h"
#include "seedlink/SeedLinkRing.h"
#include "seedlink/SeedLinkSession.h"

namespace tevra {

struct TSeedLinkServerOptions {
  std::string Organization = "tevra_panel";                 // INFO's organization
  std::string Description = "tevra_panel seismic station";  // second line of the HELLO answer
  // One hour of three channels at 100 samples/s: after its header and blockettes (64 bytes) a 512-byte
  // Steim-2 record has 7 frames, at least 103 samples (one 30-bit difference a word), so a channel
  // fills less than one record a second. Each break in the stream ends a record early; a sensor that
  // breaks more often than once a second per channel shortens the hour kept, nothing else.
  std::size_t RingRecords = 3 * 3600;
  int MaxClients = 32;
  int SendBufferBytes = 256 * 1024;
  std::size_t MaxPendingBytes = 1024 * 1024;
  int TimeoutSeconds = 60;        // handshake without a transfer, or output that does not move
  int HandshakeIdleSeconds = 30;  // no command before the transfer starts
  // Sequence number of the first record. By default taken from the clock (four a second, faster than
  // records come), so after a restart of the program clients' old numbers lie behind the new ones
  // and they are sent everything kept instead of resuming in the middle of new data.
  std::optional<std::uint32_t> FirstSequence;
  // The clock of the log's ten lines a minute (a test moves it on).
  std::function<TLogLimiter::TClock::time_point()> LogClock = [] { return TLogLimiter::TClock::now(); };
};

using TSeedLinkLog = std::function<void(const std::string& line)>;

class TSeedLinkServer {
 public:
  // `log` gets one line per client dropped or refused (at most ten a minute, then a count), on the
  // server's thread: it must not wait.
  explicit TSeedLinkServer(TSeedLinkServerOptions options = {}, TSeedLinkLog log = {});
  ~TSeedLinkServer();
  TSeedLinkServer(const TSeedLinkServer&) = delete;
  TSeedLinkServer& operator=(const TSeedLinkServer&) = delete;

  // Listens on the dotted IPv4 `address` and `port` (0: any free port, see Port()), stopping a server
  // already running first. Fails when the address is bad or cannot be bound.
  TStatus Start(const std::string& address, int port);
  // Closes every connection and the listening socket; joins the thread.
  void Stop();
  bool Running() const { return thread_.joinable(); }
  int Port() const { return port_; }

  // Hands one 512-byte miniSEED 2 record to the clients (also while stopped, so a restart resumes).
  // Never blocks. False when the bytes have no miniSEED 2 header; such bytes are not served.
  bool Publish(const std::uint8_t* record512);

  int ClientCount() const { return clientCount_.load(); }

  // What the web server's SeedLink endpoint serves too, so its sequence numbers are these.
  const TSeedLinkRing& Ring() const { return ring_; }
  const TSeedLinkSession::TIdentity& Identity() const { return identity_; }

 private:
  struct TClient;
  void Run();
  void Accept();
  bool MakeRoom();
  bool Read(TClient& client);
  bool Write(TClient& client);
  bool Serve(TClient& client);
  void AnswerInfo(TClient& client);
  bool Drop(TClient& client, std::string reason);
  void Log(const std::string& what);
  void LogDrop(const TClient& client);

  const TSeedLinkServerOptions options_;
  TSeedLinkRing ring_;
  TSeedLinkSession::TIdentity identity_;
  std::int64_t startedNs_ = 0;
  int wakeFd_ = -1;
  int listenFd_ = -1;
  int port_ = 0;
  int wakeErrno_ = 0;
  TSeedLinkLog log_;
  TLogLimiter limiter_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> clientCount_{0};
  std::vector<std::unique_ptr<TClient>> clients_;
  std::int64_t acceptPausedUntilMs_ = 0;
  bool acceptFailing_ = false;  // logged once until a connection is accepted again
};

}  // namespace tevra
