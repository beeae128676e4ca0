#pragma once
// This machine's IPv4 address for the packets, and the /24 broadcast address built from it.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tevra {

// Replaces the interface list: comma-separated dotted addresses (installers pick the interface
// with it; tests set 127.0.0.1 so that nothing leaves the machine).
inline constexpr const char* kHostAddressesVariable = "TEVRA_HOST_ADDRESSES";
// The list when nothing else is usable: the broadcast then stays on this machine.
inline constexpr const char* kFallbackHostAddress = "127.0.0.1";

// One entry of the interface list.
struct TInterfaceAddress {
  unsigned Flags = 0;  // IFF_* of the interface
  bool Ipv4 = false;
  std::string Address;  // dotted, for IPv4
};

// The IPv4 addresses of interfaces that are up, running and broadcast-capable, loopback
// excluded, in list order; the fallback address when there is none.
std::vector<std::string> UsableHostAddresses(const std::vector<TInterfaceAddress>& interfaces);
// The valid dotted addresses of an override text, in order; the fallback address when none is.
std::vector<std::string> HostAddressesFromOverride(std::string_view text);

// Fills `addresses` from the override variable when set, else from the interfaces; false when
// the interfaces cannot be listed.
bool HostAddresses(std::vector<std::string>& addresses);

// Writes "Address i: a" per address to `out` and keeps the last one in `localAddress`; false
// (and `localAddress` unchanged) when the addresses cannot be listed.
bool FindLocalAddress(std::string& localAddress, std::FILE* out = stdout);

// The first three dotted parts of `localAddress` and "255" (192.168.1.23 -> 192.168.1.255,
// whatever the netmask). Empty for a text that has no three parts or is longer than 254 bytes.
std::string MakeBroadcastAddress(std::string_view localAddress);

}  // namespace tevra
