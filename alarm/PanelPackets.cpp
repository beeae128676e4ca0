#include "alarm/PanelPackets.h"

#include <cstdio>

#include "base/Cp932.h"
#include "alarm/HostAddress.h"
#include "alarm/UDP.h"

namespace tevra {
namespace {

std::string Fields(std::string_view type, std::string_view sensorId, const TLocalDateTime& t,
                   std::string_view rest) {
  std::string text(type);
  text.push_back(',');
  text.append(sensorId);
  text.push_back(',');
  text.append(DateText(t));
  text.push_back(',');
  text.append(TimeText(t));
  text.push_back(',');
  text.append(rest);
  return text;
}

}  // namespace

std::string HeartbeatPacket(std::string_view sensorId, const TLocalDateTime& now) {
  return Fields("000", sensorId, now, "0, , , ,");
}

std::string EarthquakePacket(std::string_view sensorId, const TLocalDateTime& tickTime,
                             double currentIntensity, double tickMaxComposite) {
  // Room for two 310-digit doubles and the texts.
  char rest[720];
  std::snprintf(rest, sizeof rest, "1,検出震度 %.1f,検出加速度 %.1f(gal),地震発生,", currentIntensity,
                tickMaxComposite);
  return Fields("100", sensorId, tickTime, rest);
}

std::string TestPacket(std::string_view sensorId, const TLocalDateTime& now) {
  return Fields("100", sensorId, now, "1, ,試験UDPパケットを受信しました。,動作試験,");
}

bool TPanelNetwork::FindLocalAddress(std::FILE* out) {
  return tevra::FindLocalAddress(LocalAddress, out);
}

void TPanelNetwork::MakeBroadcastAddress() {
  BroadcastAddress = tevra::MakeBroadcastAddress(LocalAddress);
}

TSendResult TPanelNetwork::SendPanelPacket(const TPanelSettings& settings, TBoxes& boxes, bool personAsked) {
  if (!settings.UseUdp) return TSendResult::Disabled;
  UDP sender;
  const bool bound = sender.Open(LocalAddress, BroadcastAddress, settings.UdpPort);
  if (!bound && !personAsked) {
    // Heartbeats and earthquake packets must not wait for a person.
    boxes.Notice(kPortFailedText, kPortFailedTitle, false);
  } else if (!bound && !portBoxOpen_) {
    // The box's nested event loop lets heartbeats run; they must not stack further boxes.
    portBoxOpen_ = true;
    boxes.MessageBox(kPortFailedText, kPortFailedTitle, false);
    portBoxOpen_ = false;
  }
  const bool sent = sender.Send(Utf8ToCp932(PacketBuffer));
  sender.Close();
  if (!bound) return TSendResult::NotBound;
  return sent ? TSendResult::Sent : TSendResult::SendFailed;
}

TSendResult TPanelNetwork::SendHeartbeat(const TPanelSettings& settings, const TLocalDateTime& now,
                                         TBoxes& boxes) {
  PacketBuffer = HeartbeatPacket(settings.SensorId, now);
  return SendPanelPacket(settings, boxes);
}

TSendResult TPanelNetwork::SendTestPacket(const TPanelSettings& settings, const TLocalDateTime& now,
                                          TBoxes& boxes) {
  PacketBuffer = TestPacket(settings.SensorId, now);
  return SendPanelPacket(settings, boxes, true);
}

TSendResult TPanelNetwork::SendEventPacket(const TPanelSettings& settings, const TLocalDateTime& tickTime,
                                           double currentIntensity, double tickMaxComposite, TBoxes& boxes) {
  PacketBuffer = EarthquakePacket(settings.SensorId, tickTime, currentIntensity, tickMaxComposite);
  return SendPanelPacket(settings, boxes);
}

}  // namespace tevra
