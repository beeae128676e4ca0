// A browser or program sending arbitrary bytes to the web server: the first part is parsed as an HTTP
// request under the server's limits and answered as the server answers it (with a token, beyond
// loopback and on loopback); the rest is fed to a WebSocket server stream as frames and its messages
// to a SeedLink session when the request was an upgrade. Nothing may crash, overflow or hang.
#include <boost/beast/_experimental/test/stream.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "seedlink/SeedLinkRing.h"
#include "seedlink/SeedLinkSession.h"
#include "web/WebBeastRequest.h"
#include "web/WebRoutes.h"

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;

void Answer(const http::request<http::string_body>& request) {
  for (int variant = 0; variant < 2; ++variant) {
    tevra::TWebSite site;
    site.Port = 18080;
    site.LoopbackOnly = variant == 0;
    site.Token = variant == 0 ? "" : "0123456789abcdef0123456789abcdef";
    site.Status = [] { return std::string("{}"); };
    site.History = [](std::string_view span) { return std::string(span); };
    site.Alarms = [] { return std::string("[]"); };
    site.AlarmPicture = [](std::string_view id, std::string& png) {
      png = "x";
      return id == "1";
    };
    const tevra::TWebRequestView view = tevra::WebRequestViewOf(request);
    const tevra::TWebReply reply = tevra::AnswerWebRequest(view, site);
    if (reply.Status < 100 || reply.Status > 599) __builtin_trap();
  }
}

void Frames(const http::request<http::string_body>& request, std::string_view bytes) {
  static const tevra::TSeedLinkRing ring(8, 0);
  static const tevra::TSeedLinkSession::TIdentity identity{"SeedLink v3.1 :: SLPROTO:3.1", "test"};
  tevra::TSeedLinkSession session(ring, identity);
  boost::asio::io_context io;
  beast::test::stream stream(io), peer(io);
  stream.connect(peer);
  peer.append(bytes);
  peer.close();
  websocket::stream<beast::test::stream&> ws(stream);
  ws.read_message_max(4096);
  beast::error_code accepted;
  ws.accept(request, accepted);
  if (accepted) return;
  beast::flat_buffer buffer;
  for (int i = 0; i < 64; ++i) {
    beast::error_code ec;
    ws.read(buffer, ec);
    if (ec) break;
    const auto data = buffer.cdata();
    session.Receive(static_cast<const char*>(data.data()), data.size());
    session.Sent(session.Pending().size());
    buffer.consume(buffer.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // A request ends at its blank line; what follows are the frames of an accepted WebSocket.
  const std::size_t end = input.find("\r\n\r\n");
  const std::string_view head = input.substr(0, end == std::string_view::npos ? size : end + 4);
  http::request_parser<http::string_body> parser;
  parser.header_limit(8 * 1024);
  parser.body_limit(0);
  beast::error_code ec;
  parser.put(boost::asio::buffer(head.data(), head.size()), ec);
  if (ec || !parser.is_header_done()) return 0;
  Answer(parser.get());
  if (end != std::string_view::npos && websocket::is_upgrade(parser.get()))
    Frames(parser.get(), input.substr(end + 4));
  return 0;
}
