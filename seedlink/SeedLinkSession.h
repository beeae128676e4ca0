#pragma once
// One SeedLink 3.1 client connection without its socket: the command lines it sent, the stations and
// streams it chose, where it stands in the ring, and the bytes waiting to go out. The server feeds it
// what arrives and sends what it produces.
//
// Uni-station mode (no STATION): SELECT is answered OK/ERROR, DATA/FETCH/TIME start the transfer at
// once without an answer, as libslink expects. Multi-station mode: STATION, SELECT, DATA, FETCH and
// TIME are answered OK/ERROR and END starts the transfer. BATCH turns those answers off.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "seedlink/SeedLinkRing.h"

namespace tevra {

// A SELECT pattern: [!][LL]CCC[.T], '?' matching any one character.
struct TSeedLinkSelector {
  bool Negated = false;
  bool AnyLocation = true;
  char Location[3] = {' ', ' ', '\0'};
  char Channel[4] = {'?', '?', '?', '\0'};
  char Type = '?';

  static bool Parse(std::string_view text, TSeedLinkSelector& selector);
  bool Matches(const TMiniSeedHeader& header) const;
};

class TSeedLinkSession {
 public:
  static constexpr std::size_t MaxLineBytes = 256;  // longer command lines end the connection
  static constexpr std::size_t MaxStations = 16;    // STATION commands kept per connection
  static constexpr std::size_t MaxSelectors = 32;   // SELECT patterns kept per station
  // STATION patterns longer than the codes they match are refused.
  static constexpr std::size_t StationCodeChars = 5, NetworkCodeChars = 2;

  struct TIdentity {
    std::string ServerLine;   // first HELLO line: "SeedLink v3.1 (...) :: SLPROTO:3.1 ..."
    std::string Description;  // second HELLO line
  };

  TSeedLinkSession(const TSeedLinkRing& ring, const TIdentity& identity);

  // Takes received bytes; returns how many command lines they completed. After BYE, or a line longer
  // than MaxLineBytes, the session is Finished: the connection closes once its output is sent.
  std::size_t Receive(const char* data, std::size_t size);

  // Appends data packets for the records the client chose until `wantBytes` are waiting or it has
  // caught up; ends a FETCH or a time window with "END". False when the record it needs next has been
  // overwritten: it cannot continue without a gap, so the server drops it.
  bool Fill(std::size_t wantBytes);

  // INFO levels asked for and not yet answered; the server answers them with AppendInfo.
  std::vector<std::string>& InfoRequests() { return infoRequests_; }
  void AppendInfo(const std::string& xml, std::int64_t nowNs);

  std::string_view Pending() const { return std::string_view(out_).substr(sent_); }
  // Length of the first message in Pending(): HELLO's two lines, one OK/ERROR line, one data or
  // INFO packet, or END. A transport with message framing sends each in one frame.
  std::size_t NextMessageBytes() const;
  void Sent(std::size_t bytes);

  bool Streaming() const { return phase_ == TPhase::Streaming; }
  bool Finished() const { return phase_ == TPhase::Finished || closing_; }  // close after sending
  bool LineTooLong() const { return lineTooLong_; }  // what finished it: a line over MaxLineBytes
  bool Matches(const TMiniSeedHeader& header) const;                        // for INFO CONNECTIONS
  std::uint64_t Cursor() const { return cursor_; }
  std::uint64_t PacketsSent() const { return packets_; }

 private:
  enum class TPhase { Handshake, Streaming, Finished };
  struct TStation {
    std::string Network = "*", Station = "*";  // '?' and '*' patterns
    std::vector<TSeedLinkSelector> Selectors;
    bool Realtime = true;    // DATA without a sequence: from the next record on
    std::uint64_t From = 0;  // first running number to send otherwise
    std::int64_t MinStartNs = INT64_MIN, BeginNs = INT64_MIN, EndNs = INT64_MAX;
    bool Fetch = false;
  };

  void Command(std::string_view line);
  void EndMessage() { ends_.push_back(out_.size()); }
  void Reply(bool ok);
  bool Action(std::string_view verb, const std::vector<std::string_view>& args, TStation& station);
  void StartTransfer();
  static bool Selected(const TStation& station, const TMiniSeedHeader& header);
  bool Wanted(const TMiniSeedHeader& header, std::uint64_t number) const;
  bool WindowsPassed() const;

  const TSeedLinkRing& ring_;
  const TIdentity& identity_;
  TPhase phase_ = TPhase::Handshake;
  bool closing_ = false;
  bool lineTooLong_ = false;
  bool batch_ = false;
  bool multi_ = false;
  bool stationAccepted_ = false;  // the last STATION was accepted (SELECT and DATA apply to it)
  std::vector<TStation> stations_;
  TStation uni_;
  std::string line_;
  std::string out_;
  std::size_t sent_ = 0;
  std::deque<std::size_t> ends_;  // offsets in out_ where a message ends, oldest first
  std::uint64_t cursor_ = 0;
  std::uint64_t checkedWindowsAt_ = UINT64_MAX;
  std::uint64_t packets_ = 0;
  int infoNumber_ = 0;
  std::vector<std::string> infoRequests_;
};

}  // namespace tevra
