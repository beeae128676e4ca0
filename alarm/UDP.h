#pragma once
// The sender of one datagram: a socket bound to the local address and the first free port from
// 49152 upward, used once and closed.
#include <cstdint>
#include <string>
#include <string_view>

namespace tevra {

class UDP {
 public:
  static constexpr int BaseLocalPort = 49152;  // first port of the dynamic range

  UDP() = default;
  ~UDP() { Close(); }
  UDP(const UDP&) = delete;
  UDP& operator=(const UDP&) = delete;

  // Creates the socket and binds it to `localAddress`, trying 49152 ... 65535 and then 0 ...
  // 49151; a bind error other than "in use" ends the search. False when nothing was bound (the
  // socket stays, so a send is still attempted, unbound).
  bool Open(const std::string& localAddress, const std::string& destinationAddress, int destinationPort);
  // One datagram of exactly `bytes` to the destination (only the port's low 16 bits count).
  // False when the destination is not a dotted IPv4 address or the send reports an error.
  bool Send(std::string_view bytes);
  void Close();

  // The port bound by Open, 0 when none.
  int LocalPort() const { return localPort_; }

 private:
  std::string localAddress_;
  std::string destinationAddress_;
  int destinationPort_ = 0;
  int socket_ = -1;
  int localPort_ = 0;
};

}  // namespace tevra
