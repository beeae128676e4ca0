#pragma once
// The three datagrams of the panel and their sending: heartbeat, earthquake and test packet.
#include <string>
#include <string_view>

#include "base/DateTimeText.h"
#include "base/Platform.h"
#include "settings/PanelSettings.h"

namespace tevra {

inline constexpr const char* kPortFailedText = "ネットワーク受信ポートの獲得に失敗しました。";
inline constexpr const char* kPortFailedTitle = "**";

// Packet texts (UTF-8; sent as CP932, without line end or terminating zero).
std::string HeartbeatPacket(std::string_view sensorId, const TLocalDateTime& now);
std::string EarthquakePacket(std::string_view sensorId, const TLocalDateTime& tickTime,
                             double currentIntensity, double tickMaxComposite);
std::string TestPacket(std::string_view sensorId, const TLocalDateTime& now);

enum class TSendResult {
  Disabled,  // UseUdp is off: no socket, no box
  Sent,
  NotBound,    // no local port: the box was due, the send was still tried
  SendFailed,  // bound, but the send failed (bad broadcast address, network down)
};

// The main window's network fields and senders.
class TPanelNetwork {
 public:
  std::string LocalAddress;      // dotted, "" until found
  std::string BroadcastAddress;  // from LocalAddress
  std::string PacketBuffer;      // the next datagram's text

  bool FindLocalAddress(std::FILE* out = stdout);
  void MakeBroadcastAddress();

  // Sends PacketBuffer to BroadcastAddress:UdpPort from a socket of its own. A port that cannot
  // be bound shows the "**" box, at most one at a time, and the send is tried all the same; the
  // box waits for OK only when a person asked for the packet.
  TSendResult SendPanelPacket(const TPanelSettings& settings, TBoxes& boxes, bool personAsked = false);

  // Heartbeat (every 5 s while measuring) and test packet, stamped with the local time `now`.
  TSendResult SendHeartbeat(const TPanelSettings& settings, const TLocalDateTime& now, TBoxes& boxes);
  TSendResult SendTestPacket(const TPanelSettings& settings, const TLocalDateTime& now, TBoxes& boxes);
  // Earthquake packet of an alarm start, stamped with the alarm tick's time.
  TSendResult SendEventPacket(const TPanelSettings& settings, const TLocalDateTime& tickTime,
                              double currentIntensity, double tickMaxComposite, TBoxes& boxes);

 private:
  bool portBoxOpen_ = false;
};

}  // namespace tevra
