#pragma once
// The station's web server: the page, its data endpoints, live figures over WebSocket and SeedLink
// over WebSocket, for the panel and the monitor alike. HTTP and WebSocket come from Boost.Beast; the
// server runs an io_context on a thread of its own.
//
// The measurement never waits for it: Publish copies a small snapshot under a mutex held only for
// the copy and posts one wake-up to the server's thread; SeedLink records are read from the SeedLink
// server's ring, whose own mutex guards one record's copy. Every client is bounded: connections,
// request size and time, live clients, queued bytes, a stalled reader and the size of its messages.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"
#include "core/AccelSample.h"
#include "seedlink/SeedLinkRing.h"
#include "seedlink/SeedLinkSession.h"
#include "web/WebLive.h"
#include "web/WebRoutes.h"

namespace tevra {

struct TWebServerLimits {
  int MaxConnections = 64;
  std::size_t MaxHeaderBytes = 8 * 1024;
  int HeaderSeconds = 10;  // to send the request line and headers
  int MaxLiveClients = 32;
  int MaxSeedLinkClients = 32;
  std::size_t MaxQueueBytes = 1024 * 1024;
  int StallSeconds = 60;
  std::size_t MaxMessageBytes = 4 * 1024;  // of a client's WebSocket message
};

struct TWebServerOptions {
  std::string Address = "127.0.0.1";
  int Port = 18080;               // 0: any free port, see Port()
  std::string Token;              // required beyond loopback
  std::string CertFile, KeyFile;  // both set: HTTPS
  TWebServerLimits Limits;
  // What the server answers from, called on its thread (Token, Port, LoopbackOnly and Tls are
  // filled in by Start).
  TWebSite Site;
  // The SeedLink ring /seedlink serves from, with the server's identity; null: /seedlink is 404.
  const TSeedLinkRing* Ring = nullptr;
  const TSeedLinkSession::TIdentity* Identity = nullptr;
};

using TWebLog = std::function<void(const std::string& line)>;

class TWebServer {
 public:
  // `log` gets one line when the server starts, stops or cannot listen, and one per client dropped
  // or refused (at most ten a minute, then a count); it is called on the server's thread too.
  explicit TWebServer(TWebLog log = {});
  ~TWebServer();
  TWebServer(const TWebServer&) = delete;
  TWebServer& operator=(const TWebServer&) = delete;

  // Stops a running server, then listens as `options` say. The reason (also one log line) when the
  // address is bad, is not loopback and no token is given, or cannot be bound.
  TStatus Start(TWebServerOptions options);
  void Stop();
  bool Running() const;
  int Port() const;

  // The tick's figures and samples; never waits for a client.
  void Publish(const TWebSnapshot& snapshot, const TAccelSample* samples, int count);
  // The figures the newest Publish gave (for /api/status).
  TWebSnapshot Latest() const;

 public:
  struct TImpl;  // the running server, reached by its sessions

 private:
  struct THandOver;
  TWebLog log_;
  std::unique_ptr<THandOver> hand_;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace tevra
