#include "web/WebServer.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <pthread.h>

#include <chrono>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <thread>

#include "base/LogLimiter.h"
#include "seedlink/SeedLinkInfo.h"
#include "web/WebBeastRequest.h"
#include "web/WebRules.h"

namespace tevra {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t SeedLinkFillBytes = 64 * 1024;
constexpr auto SweepEvery = std::chrono::milliseconds(100);
constexpr std::size_t MaxPendingSamples = 60 * 100;

std::int64_t WallNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A WebSocket client of either endpoint, as the server's sweeps and broadcasts see it.
class TSocketClient {
 public:
  virtual ~TSocketClient() = default;
  virtual TWebSocketKind Kind() const = 0;
  virtual void Send(std::shared_ptr<const std::string> message) = 0;
  virtual void Sweep(Clock::time_point now) = 0;  // stalls, and SeedLink records to send
  virtual void Close() = 0;
};

}  // namespace

// What Publish hands over; it outlives restarts, so the figures do too.
struct TWebServer::THandOver {
  std::mutex Mutex;
  TWebSnapshot Snapshot;
  std::vector<TAccelSample> PendingSamples;
  int SampleSkip = 0;
  bool WakePosted = false;
};

// Members are declared so that the io_context goes before what its handlers' sessions touch when
// they are destroyed with it, and after what it owns (acceptor, timers).
struct TWebServer::TImpl {
  TWebServerOptions Options;
  TWebLog Log;
  THandOver* Hand = nullptr;
  TLogLimiter Limiter;
  int BoundPort = 0;
  int Connections = 0;
  std::list<std::weak_ptr<TSocketClient>> Sockets;
  std::int64_t StartedNs = WallNs();
  // Server thread only.
  TWebSnapshot Shown;
  std::vector<TAccelSample> TraceSamples;
  std::optional<ssl::context> Tls;

  net::io_context Io{1};
  tcp::acceptor Acceptor{Io};
  net::steady_timer SweepTimer{Io};
  net::steady_timer AcceptPause{Io};
  std::thread Thread;

  void Refused(const tcp::endpoint& peer, const std::string& reason) {
    const std::string line = Limiter.Line(
        peer.address().to_string() + ":" + std::to_string(peer.port()) + " " + reason, Clock::now());
    if (!line.empty() && Log) Log("Web: " + line);
  }

  void Accept();
  void Sweep();
  void Wake();
  int SocketCount(TWebSocketKind kind) {
    int n = 0;
    for (auto i = Sockets.begin(); i != Sockets.end();) {
      if (auto s = i->lock()) {
        n += s->Kind() == kind;
        ++i;
      } else {
        i = Sockets.erase(i);
      }
    }
    return n;
  }
  void Broadcast(TWebSocketKind kind, const std::string& text) {
    auto message = std::make_shared<const std::string>(text);
    for (auto& weak : Sockets)
      if (auto s = weak.lock(); s && s->Kind() == kind) s->Send(message);
  }
  std::string StatusJson() {
    std::lock_guard lock(Hand->Mutex);
    return WebStatusJson(Hand->Snapshot);
  }
};

namespace {

// Counts a connection for as long as any of its handlers holds it.
struct TConnectionSlot {
  explicit TConnectionSlot(TWebServer::TImpl* server) : Server(server) { ++Server->Connections; }
  ~TConnectionSlot() { --Server->Connections; }
  TWebServer::TImpl* Server;
};

template <class Stream>
class TSocketSession : public TSocketClient, public std::enable_shared_from_this<TSocketSession<Stream>> {
 public:
  TSocketSession(Stream&& stream, std::unique_ptr<TConnectionSlot> slot, TWebSocketKind kind,
                 tcp::endpoint peer)
      : ws_(std::move(stream)), slot_(std::move(slot)), kind_(kind), peer_(peer) {
    auto& server = *slot_->Server;
    if (kind_ == TWebSocketKind::SeedLink)
      session_ = std::make_unique<TSeedLinkSession>(*server.Options.Ring, *server.Options.Identity);
    lastProgress_ = Clock::now();
  }

  template <class Request>
  void Start(const Request& request) {
    beast::get_lowest_layer(ws_).expires_never();
    const auto& limits = slot_->Server->Options.Limits;
    ws_.read_message_max(limits.MaxMessageBytes);
    ws_.auto_fragment(false);
    websocket::stream_base::timeout timeout{};
    timeout.handshake_timeout = std::chrono::seconds(limits.HeaderSeconds);
    timeout.idle_timeout = std::chrono::seconds(limits.StallSeconds);
    timeout.keep_alive_pings = true;
    ws_.set_option(timeout);
    const bool seedlink = kind_ == TWebSocketKind::SeedLink;
    const std::string offered(request[http::field::sec_websocket_protocol]);
    ws_.set_option(websocket::stream_base::decorator([seedlink, offered](websocket::response_type& response) {
      if (seedlink && offered.find("SeedLink3.1") != std::string::npos)
        response.set(http::field::sec_websocket_protocol, "SeedLink3.1");
    }));
    ws_.binary(seedlink);  // SeedLink's packets are bytes; the live figures are JSON text
    ws_.async_accept(request, [self = this->shared_from_this()](beast::error_code ec) {
      if (ec) return;
      self->open_ = true;
      self->slot_->Server->Sockets.push_back(self);
      if (self->kind_ == TWebSocketKind::Live)
        self->Send(std::make_shared<const std::string>(self->slot_->Server->StatusJson()));
      self->Read();
    });
  }

  TWebSocketKind Kind() const override { return kind_; }

  void Send(std::shared_ptr<const std::string> message) override {
    if (!open_) return;
    queuedBytes_ += message->size();
    queue_.push_back(std::move(message));
    if (queuedBytes_ > slot_->Server->Options.Limits.MaxQueueBytes) return Drop("queue over limit");
    if (!writing_) Write();
  }

  void Sweep(Clock::time_point now) override {
    if (!open_) return;
    if (!queue_.empty() &&
        now - lastProgress_ > std::chrono::seconds(slot_->Server->Options.Limits.StallSeconds))
      return Drop("stalled");
    if (session_) Pump();
  }

  void Close() override {
    open_ = false;
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
  }

 private:
  void Drop(const std::string& reason) {
    slot_->Server->Refused(peer_, "dropped: " + reason);
    Close();
  }

  void Read() {
    ws_.async_read(buffer_, [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) {
        // A client that closes or goes away is no news; a broken or oversized frame is.
        if (self->open_ && ec != websocket::error::closed && ec != net::error::eof &&
            ec != net::error::connection_reset && ec != net::error::operation_aborted)
          self->slot_->Server->Refused(self->peer_, "dropped: " + ec.message());
        self->open_ = false;
        return;
      }
      if (self->session_) {
        const auto data = self->buffer_.cdata();
        self->session_->Receive(static_cast<const char*>(data.data()), data.size());
        self->Pump();
      }
      self->buffer_.consume(self->buffer_.size());
      self->Read();
    });
  }

  // SeedLink: answers, then packets while the queue is short; each message in its own frame.
  void Pump() {
    if (!open_ || !session_) return;
    auto& server = *slot_->Server;
    auto& requests = session_->InfoRequests();
    while (!requests.empty()) {
      TSeedLinkInfoSource source;
      source.Software =
          server.Options.Identity->ServerLine.substr(0, server.Options.Identity->ServerLine.find(" ::"));
      source.Organization = "tevra_panel";
      source.Description = server.Options.Identity->Description;
      source.StartedNs = server.StartedNs;
      source.Ring = server.Options.Ring;
      session_->AppendInfo(SeedLinkInfoXml(requests.front(), source), WallNs());
      requests.erase(requests.begin());
    }
    if (queuedBytes_ < SeedLinkFillBytes && !session_->Fill(SeedLinkFillBytes))
      return Drop("records overwritten");
    while (!session_->Pending().empty()) {
      const std::size_t bytes = session_->NextMessageBytes();
      Send(std::make_shared<const std::string>(session_->Pending().substr(0, bytes)));
      session_->Sent(bytes);
      if (!open_) return;
    }
    if (session_->Finished() && queue_.empty() && !writing_) Close();
  }

  void Write() {
    writing_ = true;
    ws_.async_write(net::buffer(*queue_.front()),
                    [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                      self->writing_ = false;
                      if (ec) {
                        self->open_ = false;
                        return;
                      }
                      self->lastProgress_ = Clock::now();
                      self->queuedBytes_ -= self->queue_.front()->size();
                      self->queue_.pop_front();
                      if (!self->queue_.empty())
                        self->Write();
                      else if (self->session_)
                        self->Pump();
                    });
  }

  websocket::stream<Stream> ws_;
  std::unique_ptr<TConnectionSlot> slot_;
  TWebSocketKind kind_;
  tcp::endpoint peer_;
  std::unique_ptr<TSeedLinkSession> session_;
  beast::flat_buffer buffer_;
  std::deque<std::shared_ptr<const std::string>> queue_;
  std::size_t queuedBytes_ = 0;
  bool writing_ = false;
  bool open_ = false;
  Clock::time_point lastProgress_;
};

template <class Stream>
class THttpSession : public std::enable_shared_from_this<THttpSession<Stream>> {
 public:
  THttpSession(Stream&& stream, std::unique_ptr<TConnectionSlot> slot, tcp::endpoint peer)
      : stream_(std::move(stream)), slot_(std::move(slot)), peer_(peer) {}

  void Start() {
    if constexpr (std::is_same_v<Stream, beast::tcp_stream>) {
      Read();
    } else {
      beast::get_lowest_layer(stream_).expires_after(
          std::chrono::seconds(slot_->Server->Options.Limits.HeaderSeconds));
      stream_.async_handshake(
          ssl::stream_base::server, [self = this->shared_from_this()](beast::error_code ec) {
            if (ec) return self->slot_->Server->Refused(self->peer_, "refused: TLS " + ec.message());
            self->Read();
          });
    }
  }

 private:
  void Read() {
    const auto& limits = slot_->Server->Options.Limits;
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(limits.MaxHeaderBytes));
    parser_->body_limit(0);  // nothing is ever uploaded
    beast::get_lowest_layer(stream_).expires_after(std::chrono::seconds(limits.HeaderSeconds));
    http::async_read(
        stream_, buffer_, *parser_, [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
          if (ec == http::error::end_of_stream) return self->Shutdown();
          if (ec) {
            // A client that simply goes away between requests is no news.
            if (ec != net::error::eof && ec != net::error::connection_reset &&
                ec != net::error::operation_aborted)
              self->slot_->Server->Refused(
                  self->peer_, "refused: " + (ec == beast::error::timeout ? std::string("request too slow")
                                                                          : ec.message()));
            return;
          }
          self->Answer();
        });
  }

  void Answer() {
    auto& server = *slot_->Server;
    const auto& request = parser_->get();
    const TWebRequestView view = WebRequestViewOf(request);
    TWebReply reply = AnswerWebRequest(view, server.Options.Site);
    if (reply.Socket != TWebSocketKind::None) {
      const int limit = reply.Socket == TWebSocketKind::Live ? server.Options.Limits.MaxLiveClients
                                                             : server.Options.Limits.MaxSeedLinkClients;
      if (reply.Socket == TWebSocketKind::SeedLink && !server.Options.Ring) {
        reply = PlainWebReply(404, "");
      } else if (server.SocketCount(reply.Socket) >= limit) {
        reply = PlainWebReply(503, "too many WebSocket clients");
      } else {
        std::make_shared<TSocketSession<Stream>>(std::move(stream_), std::move(slot_), reply.Socket, peer_)
            ->Start(parser_->release());
        return;
      }
    }
    if (!reply.Refusal.empty()) server.Refused(peer_, "refused: " + reply.Refusal);
    auto response = std::make_shared<http::response<http::string_body>>(
        static_cast<http::status>(reply.Status), request.version());
    response->set(http::field::server, "tevra_panel");
    response->set("Content-Security-Policy", "default-src 'self'");
    response->set("X-Content-Type-Options", "nosniff");
    response->set("Referrer-Policy", "no-referrer");
    response->set(http::field::cache_control, "no-store");
    if (!reply.ContentType.empty()) response->set(http::field::content_type, reply.ContentType);
    if (!reply.Location.empty()) response->set(http::field::location, reply.Location);
    if (!reply.SetCookie.empty()) response->set(http::field::set_cookie, reply.SetCookie);
    if (reply.Status == 405) response->set(http::field::allow, "GET");
    response->body() = std::move(reply.Body);
    // A refused request ends its connection: no second try on the same one.
    response->keep_alive(request.keep_alive() && reply.Refusal.empty());
    response->prepare_payload();
    beast::get_lowest_layer(stream_).expires_after(std::chrono::seconds(server.Options.Limits.StallSeconds));
    http::async_write(stream_, *response,
                      [self = this->shared_from_this(), response](beast::error_code ec, std::size_t) {
                        if (ec) return;
                        if (!response->keep_alive()) return self->Shutdown();
                        self->Read();
                      });
  }

  void Shutdown() {
    beast::error_code ignored;
    beast::get_lowest_layer(stream_).socket().shutdown(tcp::socket::shutdown_send, ignored);
  }

  Stream stream_;
  std::unique_ptr<TConnectionSlot> slot_;
  tcp::endpoint peer_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
};

}  // namespace

void TWebServer::TImpl::Accept() {
  Acceptor.async_accept([self = this](beast::error_code ec, tcp::socket socket) {
    if (!self->Acceptor.is_open()) return;
    if (ec) {
      // Out of descriptors: the connection waits in the backlog; look again a little later.
      self->AcceptPause.expires_after(std::chrono::milliseconds(100));
      self->AcceptPause.async_wait([self](beast::error_code) { self->Accept(); });
      return;
    }
    beast::error_code peerError;
    const tcp::endpoint peer = socket.remote_endpoint(peerError);
    if (self->Connections >= self->Options.Limits.MaxConnections) {
      self->Refused(peer, "refused: too many connections");
      socket.close(peerError);
    } else {
      auto slot = std::make_unique<TConnectionSlot>(self);
      if (self->Tls) {
        std::make_shared<THttpSession<beast::ssl_stream<beast::tcp_stream>>>(
            beast::ssl_stream<beast::tcp_stream>(beast::tcp_stream(std::move(socket)), *self->Tls),
            std::move(slot), peer)
            ->Start();
      } else {
        std::make_shared<THttpSession<beast::tcp_stream>>(beast::tcp_stream(std::move(socket)),
                                                          std::move(slot), peer)
            ->Start();
      }
    }
    self->Accept();
  });
}

void TWebServer::TImpl::Sweep() {
  const auto now = Clock::now();
  for (auto& weak : Sockets)
    if (auto s = weak.lock()) s->Sweep(now);
  const std::string summary = Limiter.Summary(now);
  if (!summary.empty() && Log) Log("Web: " + summary);
  SweepTimer.expires_after(SweepEvery);
  SweepTimer.async_wait([self = this](beast::error_code ec) {
    if (!ec) self->Sweep();
  });
}

// The tick's hand-over: figures and samples are taken under the lock, the JSON is made after it.
void TWebServer::TImpl::Wake() {
  TWebSnapshot now;
  std::vector<TAccelSample> samples;
  {
    std::lock_guard lock(Hand->Mutex);
    now = Hand->Snapshot;
    samples.swap(Hand->PendingSamples);
    Hand->WakePosted = false;
  }
  TraceSamples.insert(TraceSamples.end(), samples.begin(), samples.end());
  if (TraceSamples.size() > MaxPendingSamples)
    TraceSamples.erase(TraceSamples.begin(),
                       TraceSamples.end() - static_cast<std::ptrdiff_t>(MaxPendingSamples));
  if (now.State != Shown.State) Broadcast(TWebSocketKind::Live, WebStateJson(now));
  if ((now.Alarm != Shown.Alarm || now.AlarmSinceMs != Shown.AlarmSinceMs))
    Broadcast(TWebSocketKind::Live, WebAlarmJson(now));
  if (now.TimeMs != 0 && now.TimeMs != Shown.TimeMs) {
    Broadcast(TWebSocketKind::Live, WebIntensityJson(now, TraceSamples));
    TraceSamples.clear();
  }
  Shown = now;
}

TWebServer::TWebServer(TWebLog log) : log_(std::move(log)), hand_(std::make_unique<THandOver>()) {}

TWebServer::~TWebServer() {
  Stop();
}

TStatus TWebServer::Start(TWebServerOptions options) {
  Stop();
  const std::string where = options.Address + ":" + std::to_string(options.Port);
  const auto fail = [&](const std::string& why, int err = 0) -> TStatus {
    const std::string line = "Web: " + where + " で開始できません: " + why;
    if (log_) log_(line);
    return TError{line, err};
  };
  beast::error_code ec;
  const auto address = net::ip::make_address_v4(options.Address, ec);
  if (ec || options.Port < 0 || options.Port > 65535) return fail("アドレスが正しくありません");
  const bool loopback = IsLoopbackAddress(options.Address);
  if (!loopback && options.Token.size() < MinTokenChars)
    return fail("ループバック以外ではトークンが必要です (WebTokenFile)");
  auto impl = std::make_unique<TImpl>();
  impl->Log = log_;
  impl->Hand = hand_.get();
  if (!options.CertFile.empty() || !options.KeyFile.empty()) {
    impl->Tls.emplace(ssl::context::tls_server);
    impl->Tls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                           ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1);
    impl->Tls->use_certificate_chain_file(options.CertFile, ec);
    if (!ec) impl->Tls->use_private_key_file(options.KeyFile, ssl::context::pem, ec);
    if (ec) return fail("証明書または鍵を読めません: " + ec.message());
  }
  const tcp::endpoint endpoint(address, static_cast<unsigned short>(options.Port));
  impl->Acceptor.open(endpoint.protocol(), ec);
  if (!ec) impl->Acceptor.set_option(net::socket_base::reuse_address(true), ec);
  if (!ec) impl->Acceptor.bind(endpoint, ec);
  if (!ec) impl->Acceptor.listen(128, ec);
  if (ec) return fail(ec.message(), ec.category() == beast::system_category() ? ec.value() : 0);
  impl->BoundPort = impl->Acceptor.local_endpoint().port();
  options.Site.Token = options.Token;
  options.Site.Port = impl->BoundPort;
  options.Site.LoopbackOnly = loopback;
  options.Site.Tls = impl->Tls.has_value();
  if (!options.Site.Status) options.Site.Status = [raw = impl.get()] { return raw->StatusJson(); };
  impl->Options = std::move(options);
  {
    std::lock_guard lock(hand_->Mutex);
    impl->Shown = hand_->Snapshot;  // live clients hear of changes from here on
  }
  impl->Accept();
  impl->Sweep();
  impl->Thread = std::thread([raw = impl.get()] {
    pthread_setname_np(pthread_self(), "tevra-web");  // so its CPU can be told from the panel's
    raw->Io.run();
  });
  {
    std::lock_guard lock(hand_->Mutex);
    impl_ = std::move(impl);
    hand_->WakePosted = false;
  }
  if (log_)
    log_("Web: " + std::string(impl_->Tls ? "https://" : "http://") + impl_->Options.Address + ":" +
         std::to_string(impl_->BoundPort) + "/ で開始しました");
  return {};
}

void TWebServer::Stop() {
  if (!impl_) return;
  net::post(impl_->Io, [impl = impl_.get()] {
    beast::error_code ignored;
    impl->Acceptor.close(ignored);
    impl->Io.stop();
  });
  impl_->Thread.join();
  // Destroying the io_context destroys every handler still queued, and with them the connections.
  std::unique_ptr<TImpl> stopped;
  {
    std::lock_guard lock(hand_->Mutex);
    stopped = std::move(impl_);
  }
  stopped.reset();
  if (log_) log_("Web: 停止しました");
}

bool TWebServer::Running() const {
  return impl_ != nullptr;
}

int TWebServer::Port() const {
  return impl_ ? impl_->BoundPort : 0;
}

void TWebServer::Publish(const TWebSnapshot& snapshot, const TAccelSample* samples, int count) {
  bool post = false;
  {
    std::lock_guard lock(hand_->Mutex);
    hand_->Snapshot = snapshot;
    for (int i = 0; i < count; ++i)
      if (hand_->SampleSkip++ % WebTraceDecimation == 0 && hand_->PendingSamples.size() < MaxPendingSamples)
        hand_->PendingSamples.push_back(samples[i]);
    post = impl_ && !hand_->WakePosted;
    if (post) hand_->WakePosted = true;
  }
  if (post) net::post(impl_->Io, [raw = impl_.get()] { raw->Wake(); });
}

TWebSnapshot TWebServer::Latest() const {
  std::lock_guard lock(hand_->Mutex);
  return hand_->Snapshot;
}

}  // namespace tevra
