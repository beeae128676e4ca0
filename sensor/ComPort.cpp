#include "sensor/ComPort.h"

#include "base/NumberParse.h"
#include "sensor/PortPermission.h"

namespace tevra {
namespace {

// The first character of a UTF-8 text, all its bytes.
std::string FirstCharacter(const std::string& s) {
  if (s.empty()) return s;
  std::size_t n = 1;
  while (n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
  return s.substr(0, n);
}

}  // namespace

ComPort::ComPort(const std::string& fileName, StatusCallback onStatus)
    : settings_(fileName), onStatus_(std::move(onStatus)) {
  if (settings_.Missing != 0) {
    const Profile::TBatch batch(settings_);
    settings_.WriteInteger(Section, "COM", 1);
    settings_.WriteInteger(Section, "BAUD", 9600);
    settings_.WriteInteger(Section, "BIT", 8);
    settings_.WriteInteger(Section, "STOP", 1);
    settings_.WriteInteger(Section, "COM", 1);
    settings_.WriteString(Section, "PARITY", "NONE");
  }
  OpenPort(false);
}

std::string ComPort::LineSettingsText() const {
  std::string text = "baud=" + FormatInt(settings_.ReadInteger(Section, "BAUD", 9600)) + " parity=";
  const std::string parity = FirstCharacter(settings_.ReadString(Section, "PARITY", "NONE", 15));
  if (!parity.empty()) text += parity + " ";
  text += "data=" + FormatInt(settings_.ReadInteger(Section, "BIT", 8)) + " ";
  text += "stop=" + FormatInt(settings_.ReadInteger(Section, "STOP", 1));
  return text;
}

std::string ComPort::DeviceName(int portNumber) const {
  const std::string configured =
      settings_.ReadString(DevicesSection, "COM" + FormatInt(portNumber), "", 4096);
  return configured.empty() ? RS232C::DefaultDeviceName(portNumber) : configured;
}

const std::string& ComPort::OpenPort(bool /*reopen*/) {
  const int portNumber = settings_.ReadInteger(Section, "COM", 1);
  const std::string text = LineSettingsText();
  // Closing before opening, also without a reopen request: a second handle on the device would
  // find it locked by the first and never become ready.
  port_.reset();
  port_ = std::make_unique<RS232C>(portNumber, text, DeviceName(portNumber));
  if (port_->Status() != RS232C::PortReady) {
    statusText_ = NotReadyText;
  } else {
    statusText_ = ReadyText;
    port_->SetReadTimeout(ReadTimeoutMs);
  }
  if (onStatus_) onStatus_(statusText_);
  return statusText_;
}

TStatus ComPort::Readiness() const {
  if (!port_) return TError{"COM port not opened"};
  return port_->Opened();
}

std::string SensorErrorTextFor(int readerStatus, const ComPort& owner) {
  const std::string text = SensorErrorTextFor(readerStatus, owner.Port());
  if (!owner.Settings().Unreadable()) return text;
  const std::string& path = owner.Settings().Path;
  const std::string name = path.substr(path.rfind('/') + 1);
  return "設定ファイル　" + name + "を読み込めません。" + text;
}

}  // namespace tevra
