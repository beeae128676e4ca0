// tevra-listen: prints every UDP datagram that arrives on a port, as the panel's receivers see it.
// It only receives; it never sends anything.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/Result.h"
#include "tools/listen/ListenText.h"

namespace {

constexpr const char* kUsage =
    "usage: tevra-listen [--port P] [--count N] [--seconds S]\n"
    "  prints '<sender address>:<sender port> <text>' for every datagram on UDP port P (6668),\n"
    "  stopping after N datagrams or S seconds\n";

int OpenSocket(int port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  const tevra::TResult<tevra::TListenOptions> parsed = tevra::ParseListenOptions(argc, argv);
  if (!parsed) {
    std::fprintf(stderr, "tevra-listen: %s\n%s", parsed.Error().Message.c_str(), kUsage);
    return 2;
  }
  const tevra::TListenOptions& options = parsed.Value();
  const int fd = OpenSocket(options.Port);
  if (fd < 0) {
    std::fprintf(stderr, "tevra-listen: cannot listen on UDP port %d: %s\n", options.Port,
                 tevra::ErrnoText(errno).c_str());
    return 1;
  }
  std::fprintf(stderr, "tevra-listen: listening on UDP port %d\n", options.Port);

  using Clock = std::chrono::steady_clock;
  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(options.Seconds > 0 ? options.Seconds : 0));
  std::vector<char> buffer(65536);  // the largest UDP payload
  long received = 0;
  while (options.Count < 0 || received < options.Count) {
    int timeout = -1;
    if (options.Seconds > 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      timeout = static_cast<int>(left);
    }
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      std::fprintf(stderr, "tevra-listen: %s\n", tevra::ErrnoText(errno).c_str());
      close(fd);
      return 1;
    }
    if (ready == 0) continue;
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n =
        recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) continue;
    char sender[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
    const std::string text = tevra::ListenText(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    std::printf("%s:%d %s\n", sender, ntohs(from.sin_port), text.c_str());
    std::fflush(stdout);
    ++received;
  }
  close(fd);
  return 0;
}
