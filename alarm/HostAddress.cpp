#include "alarm/HostAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdlib>

namespace tevra {
namespace {

bool IsDottedIpv4(const std::string& text) {
  in_addr addr{};
  return inet_pton(AF_INET, text.c_str(), &addr) == 1;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// The address field's size: 255 bytes with the terminator.
constexpr std::size_t kAddressMaxBytes = 254;

}  // namespace

std::vector<std::string> UsableHostAddresses(const std::vector<TInterfaceAddress>& interfaces) {
  constexpr unsigned kNeeded = IFF_UP | IFF_RUNNING | IFF_BROADCAST;
  std::vector<std::string> result;
  for (const auto& entry : interfaces) {
    if (!entry.Ipv4 || (entry.Flags & kNeeded) != kNeeded || (entry.Flags & IFF_LOOPBACK) != 0) continue;
    result.push_back(entry.Address);
  }
  if (result.empty()) result.push_back(kFallbackHostAddress);
  return result;
}

std::vector<std::string> HostAddressesFromOverride(std::string_view text) {
  std::vector<std::string> result;
  while (true) {
    const auto comma = text.find(',');
    const std::string piece(Trimmed(text.substr(0, comma)));
    if (IsDottedIpv4(piece)) result.push_back(piece);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (result.empty()) result.push_back(kFallbackHostAddress);
  return result;
}

bool HostAddresses(std::vector<std::string>& addresses) {
  if (const char* text = std::getenv(kHostAddressesVariable)) {
    addresses = HostAddressesFromOverride(text);
    return true;
  }
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  std::vector<TInterfaceAddress> interfaces;
  for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    TInterfaceAddress entry;
    entry.Flags = it->ifa_flags;
    if (it->ifa_addr != nullptr && it->ifa_addr->sa_family == AF_INET) {
      char text[INET_ADDRSTRLEN] = {};
      const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
      if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
        entry.Ipv4 = true;
        entry.Address = text;
      }
    }
    interfaces.push_back(entry);
  }
  freeifaddrs(list);
  addresses = UsableHostAddresses(interfaces);
  return true;
}

bool FindLocalAddress(std::string& localAddress, std::FILE* out) {
  std::vector<std::string> addresses;
  if (!HostAddresses(addresses)) return false;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (out != nullptr) std::fprintf(out, "Address %zu: %s\n", i, addresses[i].c_str());
    localAddress = addresses[i];
  }
  if (out != nullptr) std::fflush(out);
  return true;
}

std::string MakeBroadcastAddress(std::string_view localAddress) {
  if (localAddress.size() > kAddressMaxBytes) return {};
  // Split as strtok does: runs of dots count as one separator.
  std::string parts[3];
  int found = 0;
  std::size_t pos = 0;
  while (found < 3 && pos < localAddress.size()) {
    const auto start = localAddress.find_first_not_of('.', pos);
    if (start == std::string_view::npos) break;
    const auto end = localAddress.find('.', start);
    parts[found++] = std::string(localAddress.substr(start, end - start));
    if (end == std::string_view::npos) break;
    pos = end;
  }
  if (found < 3) return {};
  return parts[0] + "." + parts[1] + "." + parts[2] + ".255";
}

}  // namespace tevra
