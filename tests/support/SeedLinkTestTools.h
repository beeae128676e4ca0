#pragma once
// For the SeedLink server's tests: records packed by libmseed (not by us), and a client on plain
// sockets that speaks the protocol as libslink does.
#include <arpa/inet.h>
#include <libmseed.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tevra::test {

using TRecord = std::array<std::uint8_t, 512>;

// `samples` counts at 100 samples/s from `startSeconds` (UTC), packed into 512-byte Steim-2 records.
// Records of another length (`recordLength`) come back cut to their first 512 bytes.
inline std::vector<TRecord> SteimRecords(const char* channel, std::int64_t startSeconds, int samples,
                                         const char* station = "TEVRA", const char* location = "",
                                         int recordLength = 512) {
  std::vector<std::int32_t> counts(static_cast<std::size_t>(samples));
  for (int i = 0; i < samples; ++i)
    counts[static_cast<std::size_t>(i)] =
        static_cast<std::int32_t>(3000 * std::sin(i * 0.07) + (i * 37) % 251);
  std::vector<TRecord> records;
  MSRecord* msr = msr_init(nullptr);
  std::strcpy(msr->network, "XX");
  std::strcpy(msr->station, station);
  std::strcpy(msr->location, location);
  std::strcpy(msr->channel, channel);
  msr->dataquality = 'D';
  msr->starttime = static_cast<hptime_t>(startSeconds) * HPTMODULUS;
  msr->samprate = 100.0;
  msr->reclen = recordLength;
  msr->encoding = DE_STEIM2;
  msr->byteorder = 1;
  msr->datasamples = counts.data();
  msr->numsamples = samples;
  msr->sampletype = 'i';
  std::int64_t packed = 0;
  msr_pack(
      msr,
      [](char* record, int, void* out) {
        {
          TRecord r;
          std::memcpy(r.data(), record, 512);
          static_cast<std::vector<TRecord>*>(out)->push_back(r);
        }
      },
      &records, &packed, 1, 0);
  msr->datasamples = nullptr;
  msr_free(&msr);
  return records;
}

// One log record of ASCII text, as stations send their state messages.
inline TRecord LogRecord(std::int64_t startSeconds, std::string text) {
  TRecord out{};
  MSRecord* msr = msr_init(nullptr);
  std::strcpy(msr->network, "XX");
  std::strcpy(msr->station, "TEVRA");
  std::strcpy(msr->location, "00");
  std::strcpy(msr->channel, "LOG");
  msr->dataquality = 'D';
  msr->starttime = static_cast<hptime_t>(startSeconds) * HPTMODULUS;
  msr->reclen = 512;
  msr->encoding = DE_ASCII;
  msr->byteorder = 1;
  msr->datasamples = text.data();
  msr->numsamples = static_cast<std::int64_t>(text.size());
  msr->sampletype = 'a';
  std::int64_t packed = 0;
  msr_pack(
      msr, [](char* record, int length, void* to) { std::memcpy(to, record, length == 512 ? 512 : 0); },
      out.data(), &packed, 1, 0);
  msr->datasamples = nullptr;
  msr_free(&msr);
  return out;
}

// Three channels' records, interleaved as a packer sending each record when full would send them.
inline std::vector<TRecord> ThreeChannelRecords(std::int64_t startSeconds, int samplesPerChannel) {
  std::vector<TRecord> out;
  const char* channels[] = {"HN1", "HN2", "HNZ"};
  std::vector<std::vector<TRecord>> each;
  for (const char* c : channels) each.push_back(SteimRecords(c, startSeconds, samplesPerChannel));
  for (std::size_t i = 0; i < each[0].size() || i < each[1].size() || i < each[2].size(); ++i)
    for (const auto& records : each)
      if (i < records.size()) out.push_back(records[i]);
  return out;
}

inline std::string ChannelOf(const TRecord& record) {
  return std::string(record.begin() + 15, record.begin() + 18);
}

class TSeedLinkTestClient {
 public:
  struct TPacket {
    std::string Header;  // "SL" + six hex digits, "SLINFO *", "SLINFO  ", or "END"
    TRecord Record{};
    unsigned Sequence() const { return static_cast<unsigned>(std::stoul(Header.substr(2), nullptr, 16)); }
  };

  explicit TSeedLinkTestClient(int port, int receiveBuffer = 0) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval timeout{5, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (receiveBuffer > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
  }
  ~TSeedLinkTestClient() { Close(); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int Fd() const { return fd_; }
  // Its address as the server sees it: "127.0.0.1:<port>".
  std::string Peer() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    return "127.0.0.1:" + std::to_string(ntohs(local.sin_port));
  }
  bool Connected() const { return connected_; }

  bool Send(std::string_view text) {
    return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
  }
  // One answer line without its CR LF; "" after 5 s without one or at the end of the connection.
  std::string Line() {
    std::string line;
    char c;
    while (::recv(fd_, &c, 1, 0) == 1) {
      line += c;
      if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0)
        return line.substr(0, line.size() - 2);
    }
    return "";
  }
  std::string Command(std::string_view command) {
    Send(std::string(command) + "\r\n");
    return Line();
  }
  // The next packet; Header empty when the connection ended or nothing came for 5 s.
  TPacket Packet() {
    TPacket packet;
    char head[8];
    if (!Exactly(head, 3)) return packet;
    if (std::string_view(head, 3) == "END") {
      packet.Header = "END";
      return packet;
    }
    if (!Exactly(head + 3, 5) || !Exactly(packet.Record.data(), 512)) return packet;
    packet.Header.assign(head, 8);
    return packet;
  }
  // The text of an INFO answer, joined from its log records as libmseed decodes them; "" when the
  // packets were not SLINFO packets ending with an unflagged one.
  std::string Info(std::string_view level, int* records = nullptr) {
    Send("INFO " + std::string(level) + "\r\n");
    std::string text;
    for (int n = 1;; ++n) {
      TPacket packet = Packet();
      if (packet.Header.rfind("SLINFO ", 0) != 0) return "";
      MSRecord* msr = nullptr;
      if (msr_unpack(reinterpret_cast<char*>(packet.Record.data()), 512, &msr, 1, 0) != MS_NOERROR) return "";
      if (msr->sampletype == 'a') text.append(static_cast<char*>(msr->datasamples), msr->numsamples);
      msr_free(&msr);
      if (packet.Header == "SLINFO  ") {
        if (records) *records = n;
        return text;
      }
    }
  }
  // True when the server closes the connection (within 5 s), after whatever it still sends.
  bool ClosedByServer() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n == 0) return true;
      if (n < 0) return errno == ECONNRESET;
    }
  }

 private:
  bool Exactly(void* to, std::size_t size) {
    return ::recv(fd_, to, size, MSG_WAITALL) == static_cast<ssize_t>(size);
  }
  int fd_ = -1;
  bool connected_ = false;
};

}  // namespace tevra::test
