#include "alarm/UDP.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace tevra {

bool UDP::Open(const std::string& localAddress, const std::string& destinationAddress, int destinationPort) {
  Close();
  localAddress_ = localAddress;
  destinationAddress_ = destinationAddress;
  destinationPort_ = destinationPort;
  socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0) return false;
  // A directed broadcast address is refused without this permission.
  const int on = 1;
  ::setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);

  sockaddr_in local{};
  local.sin_family = AF_INET;
  // A text that is not an address binds nowhere.
  if (inet_pton(AF_INET, localAddress_.c_str(), &local.sin_addr) != 1) return false;
  for (int i = 0; i < 65536; ++i) {
    const int port = (BaseLocalPort + i) % 65536;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) {
      sockaddr_in bound{};
      socklen_t length = sizeof bound;
      if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &length) == 0) {
        localPort_ = ntohs(bound.sin_port);
      }
      return true;
    }
    if (errno != EADDRINUSE) return false;
  }
  return false;
}

bool UDP::Send(std::string_view bytes) {
  if (socket_ < 0) return false;
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_port = htons(static_cast<std::uint16_t>(destinationPort_ & 0xFFFF));
  // Never fall back to a default address: an empty text must not become a broadcast to all.
  if (inet_pton(AF_INET, destinationAddress_.c_str(), &destination.sin_addr) != 1) return false;
  const ssize_t sent = ::sendto(socket_, bytes.data(), bytes.size(), 0,
                                reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
  return sent >= 0;
}

void UDP::Close() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  localPort_ = 0;
}

}  // namespace tevra
