#pragma once
// The line monitor's command line: the device, the run's length, the continuous record and MQTT.
#include <string>

#include "base/Result.h"
#include "mqtt/MqttSettings.h"
#include "settings/DataOutputSettings.h"

namespace tevra {

struct TMonitorOptions {
  std::string Device;
  double Seconds = 0.0;  // 0: until SIGINT/SIGTERM
  std::string StationXmlFile;
  // The web page: address and port, and the token's file (needed beyond loopback).
  bool Web = false;
  std::string WebAddress = "127.0.0.1";
  int WebPort = 0;
  std::string WebTokenFile;
  // Archive, codes and live stream, as the panel keeps them in [DataOutput].
  TDataOutputSettings Output;
  // Availability, state and intensity on an MQTT broker (Enabled with --mqtt).
  TMqttSettings Mqtt;
  bool Help = false;
};

extern const char* const kMonitorUsage;

// An error for an unknown option, a missing or bad value, or no device (a device is needed unless
// only the station metadata is asked for).
TResult<TMonitorOptions> ParseMonitorOptions(int argc, const char* const* argv);

}  // namespace tevra
