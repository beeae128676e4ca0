#include "seedlink/SeedLinkSession.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace tevra {
namespace {

// '*' any run of characters, '?' any one. Going back only to the last star bounds the steps by
// pattern length times text length, whatever the pattern.
bool GlobMatch(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == y;
         });
}

bool PatternChars(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '?' || c == '*';
  });
}

// A station or channel code field padded with blanks to `width`, as the record header holds it.
bool FieldMatches(const char* pattern, const char* code, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    const char c = i < std::strlen(code) ? code[i] : ' ';
    if (pattern[i] != '?' && pattern[i] != c) return false;
  }
  return true;
}

}  // namespace

bool TSeedLinkSelector::Parse(std::string_view text, TSeedLinkSelector& selector) {
  selector = TSeedLinkSelector();
  if (!text.empty() && text[0] == '!') {
    selector.Negated = true;
    text.remove_prefix(1);
  }
  const std::size_t dot = text.find('.');
  std::string_view codes = text.substr(0, dot);
  if (dot != std::string_view::npos) {
    const std::string_view type = text.substr(dot + 1);
    if (type.size() != 1 || !(std::isupper(static_cast<unsigned char>(type[0])) || type[0] == '?'))
      return false;
    selector.Type = type[0];
  }
  const auto valid = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '?'; };
  if (codes.size() == 5) {
    const bool blank = codes.substr(0, 2) == "--";
    if (!blank && !(valid(codes[0]) && valid(codes[1]))) return false;
    selector.AnyLocation = false;
    selector.Location[0] = blank ? ' ' : codes[0];
    selector.Location[1] = blank ? ' ' : codes[1];
    codes.remove_prefix(2);
  }
  if (codes.size() == 3) {
    if (!std::all_of(codes.begin(), codes.end(), valid)) return false;
    std::memcpy(selector.Channel, codes.data(), 3);
  } else if (!(codes.empty() && dot != std::string_view::npos)) {
    return false;
  }
  return true;
}

bool TSeedLinkSelector::Matches(const TMiniSeedHeader& header) const {
  return (AnyLocation || FieldMatches(Location, header.Location, 2)) &&
         FieldMatches(Channel, header.Channel, 3) && (Type == '?' || Type == header.Type);
}

TSeedLinkSession::TSeedLinkSession(const TSeedLinkRing& ring, const TIdentity& identity)
    : ring_(ring), identity_(identity) {
  out_.reserve(16 * 1024);
}

std::size_t TSeedLinkSession::Receive(const char* data, std::size_t size) {
  std::size_t commands = 0;
  for (std::size_t i = 0; i < size && !closing_; ++i) {
    const char c = data[i];
    if (c == '\r' || c == '\n') {  // CR, LF or CR LF: older clients end commands with CR alone
      if (!line_.empty()) {
        Command(line_);
        ++commands;
      }
      line_.clear();
    } else if (line_.size() >= MaxLineBytes) {
      closing_ = lineTooLong_ = true;
    } else {
      line_ += c;
    }
  }
  return commands;
}

void TSeedLinkSession::Reply(bool ok) {
  if (batch_) return;
  out_ += ok ? "OK\r\n" : "ERROR\r\n";
  EndMessage();
}

void TSeedLinkSession::Command(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  if (words.empty()) return;
  const std::string_view verb = words[0];
  const std::vector<std::string_view> args(words.begin() + 1, words.end());

  if (SameWord(verb, "BYE")) {
    closing_ = true;
  } else if (SameWord(verb, "INFO")) {
    static constexpr std::string_view Levels[] = {"ID",   "CAPABILITIES", "STATIONS", "STREAMS",
                                                  "GAPS", "CONNECTIONS",  "ALL"};
    const auto level = std::find_if(std::begin(Levels), std::end(Levels), [&](std::string_view l) {
      return args.size() == 1 && SameWord(args[0], l);
    });
    if (level != std::end(Levels) && infoRequests_.size() < 8) {
      infoRequests_.emplace_back(*level);
    } else if (phase_ == TPhase::Handshake) {
      Reply(false);
    }
  } else if (phase_ != TPhase::Handshake) {
    // During the transfer an answer would land between packets; only INFO and BYE count there.
  } else if (SameWord(verb, "HELLO")) {
    out_ += identity_.ServerLine + "\r\n" + identity_.Description + "\r\n";
    EndMessage();
  } else if (SameWord(verb, "CAPABILITIES") || SameWord(verb, "USERAGENT")) {
    Reply(true);
  } else if (SameWord(verb, "BATCH")) {
    Reply(true);
    batch_ = true;
  } else if (SameWord(verb, "STATION")) {
    multi_ = true;
    stationAccepted_ = false;
    if (args.empty() || args.size() > 2 || !PatternChars(args[0]) || args[0].size() > StationCodeChars ||
        (args.size() == 2 && (!PatternChars(args[1]) || args[1].size() > NetworkCodeChars)) ||
        stations_.size() >= MaxStations) {
      Reply(false);
      return;
    }
    TStation station;
    station.Station = std::string(args[0]);
    station.Network = args.size() == 2 ? std::string(args[1]) : "*";
    // A station that never sent a record is refused, unless nothing has come yet to tell.
    std::vector<TSeedLinkRing::TStationCode> codes;
    ring_.Stations(codes);
    const bool known =
        codes.empty() || std::any_of(codes.begin(), codes.end(), [&](const auto& code) {
          return GlobMatch(station.Station, code.Station) && GlobMatch(station.Network, code.Network);
        });
    if (known) {
      stations_.push_back(station);
      stationAccepted_ = true;
    }
    Reply(known);
  } else if (SameWord(verb, "SELECT")) {
    TStation* station = multi_ ? (stationAccepted_ ? &stations_.back() : nullptr) : &uni_;
    TSeedLinkSelector selector;
    bool ok = station != nullptr && station->Selectors.size() < MaxSelectors;
    if (ok && args.empty()) station->Selectors.clear();  // a bare SELECT takes back the earlier ones
    for (const std::string_view arg : args) {
      ok = ok && TSeedLinkSelector::Parse(arg, selector);
      if (ok) station->Selectors.push_back(selector);
    }
    Reply(ok);
  } else if (SameWord(verb, "DATA") || SameWord(verb, "FETCH") || SameWord(verb, "TIME")) {
    if (!multi_) {
      if (Action(verb, args, uni_)) {
        stations_.assign(1, uni_);
        StartTransfer();
      } else {
        out_ += "ERROR\r\n";  // libslink reads it as the end of the stream and reports the error
        EndMessage();
      }
      return;
    }
    Reply(stationAccepted_ && Action(verb, args, stations_.back()));
  } else if (SameWord(verb, "END")) {
    if (multi_ && !stations_.empty())
      StartTransfer();
    else
      Reply(false);
  } else {
    Reply(false);
  }
}

bool TSeedLinkSession::Action(std::string_view verb, const std::vector<std::string_view>& args,
                              TStation& station) {
  TStation chosen = station;  // its patterns and selectors; where to start comes from this command alone
  chosen.Fetch = SameWord(verb, "FETCH");
  chosen.Realtime = true;
  chosen.MinStartNs = chosen.BeginNs = INT64_MIN;
  chosen.EndNs = INT64_MAX;
  if (SameWord(verb, "TIME")) {
    if (args.empty() || args.size() > 2 || !ParseSeedLinkCommandTime(args[0], chosen.BeginNs) ||
        (args.size() == 2 && !ParseSeedLinkCommandTime(args[1], chosen.EndNs)) ||
        chosen.EndNs <= chosen.BeginNs)
      return false;
    chosen.Realtime = false;
    chosen.From = ring_.Oldest();
  } else if (!args.empty()) {
    // Up to eight digits, of which the low six count: some clients send their last number plus one
    // without wrapping it.
    if (args.size() > 2 || args[0].size() > 8 || args[0].empty() ||
        !std::all_of(args[0].begin(), args[0].end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
      return false;
    std::int64_t afterNs = 0;
    if (args.size() == 2 && !ParseSeedLinkCommandTime(args[1], afterNs)) return false;
    const auto wire = static_cast<std::uint32_t>(std::stoul(std::string(args[0]), nullptr, 16) & 0xFFFFFF);
    chosen.Realtime = false;
    if (!ring_.Find(wire, chosen.From)) {
      // That packet is gone (or from before a restart): everything kept, or what followed the time
      // the client last had, so nothing it lacks is skipped.
      chosen.From = ring_.Oldest();
      if (args.size() == 2) chosen.MinStartNs = afterNs + 1;
    }
  }
  station = chosen;
  return true;
}

void TSeedLinkSession::StartTransfer() {
  const std::uint64_t next = ring_.Next();
  cursor_ = next;
  for (TStation& station : stations_) {
    if (station.Realtime) station.From = next;
    cursor_ = std::min(cursor_, station.From);
  }
  phase_ = TPhase::Streaming;
}

bool TSeedLinkSession::Selected(const TStation& s, const TMiniSeedHeader& header) {
  if (!GlobMatch(s.Station, header.Station) || !GlobMatch(s.Network, header.Network)) return false;
  bool included = true, anyPositive = false, positiveHit = false;
  for (const TSeedLinkSelector& selector : s.Selectors) {
    const bool hit = selector.Matches(header);
    if (selector.Negated && hit) included = false;
    if (!selector.Negated) {
      anyPositive = true;
      positiveHit = positiveHit || hit;
    }
  }
  return included && (!anyPositive || positiveHit);
}

bool TSeedLinkSession::Wanted(const TMiniSeedHeader& header, std::uint64_t number) const {
  return std::any_of(stations_.begin(), stations_.end(), [&](const TStation& s) {
    return number >= s.From && header.StartNs >= s.MinStartNs && header.EndNs > s.BeginNs &&
           header.StartNs < s.EndNs && Selected(s, header);
  });
}

bool TSeedLinkSession::Matches(const TMiniSeedHeader& header) const {
  if (!multi_) return true;  // uni-station mode takes every station
  return std::any_of(stations_.begin(), stations_.end(), [&](const TStation& s) {
    return GlobMatch(s.Station, header.Station) && GlobMatch(s.Network, header.Network);
  });
}

// A time window is over once every stream it covers has a record reaching its end: later records of
// those streams all start after it.
bool TSeedLinkSession::WindowsPassed() const {
  if (std::any_of(stations_.begin(), stations_.end(), [](const TStation& s) { return s.EndNs == INT64_MAX; }))
    return false;
  struct TNewest {
    TMiniSeedHeader Header;
    bool Reached;
  };
  std::vector<TNewest> newest;
  const std::uint64_t oldest = ring_.Oldest();
  TMiniSeedHeader h;
  for (std::uint64_t n = ring_.Next(); n-- > oldest;) {
    if (!ring_.Copy(n, h)) continue;
    TStation const* owner = nullptr;
    for (const TStation& s : stations_)
      if (Selected(s, h)) owner = &s;
    if (owner == nullptr) continue;
    const bool seen = std::any_of(newest.begin(), newest.end(), [&](const TNewest& x) {
      return !std::strcmp(x.Header.Network, h.Network) && !std::strcmp(x.Header.Station, h.Station) &&
             !std::strcmp(x.Header.Location, h.Location) && !std::strcmp(x.Header.Channel, h.Channel) &&
             x.Header.Type == h.Type;
    });
    if (!seen && newest.size() < 64) newest.push_back({h, h.EndNs >= owner->EndNs});
  }
  return !newest.empty() &&
         std::all_of(newest.begin(), newest.end(), [](const TNewest& x) { return x.Reached; });
}

bool TSeedLinkSession::Fill(std::size_t wantBytes) {
  if (phase_ != TPhase::Streaming || closing_) return true;
  char head[9];
  TMiniSeedHeader h;
  std::uint8_t record[MiniSeedRecordBytes];
  for (std::size_t scanned = 0; Pending().size() < wantBytes && scanned < 4096; ++scanned) {
    const std::uint64_t next = ring_.Next();
    if (cursor_ >= next) break;
    if (!ring_.Copy(cursor_, h, record)) return false;
    if (Wanted(h, cursor_)) {
      std::snprintf(head, sizeof head, "SL%06X", TSeedLinkRing::Wire(cursor_));
      out_.append(head, 8);
      out_.append(reinterpret_cast<const char*>(record), MiniSeedRecordBytes);
      EndMessage();
      ++packets_;
    }
    ++cursor_;
  }
  if (cursor_ < ring_.Next()) return true;
  const bool fetch =
      std::any_of(stations_.begin(), stations_.end(), [](const TStation& s) { return s.Fetch; });
  bool done = fetch;
  if (!done && checkedWindowsAt_ != cursor_) {
    checkedWindowsAt_ = cursor_;
    done = WindowsPassed();
  }
  if (done) {
    out_ += "END";
    EndMessage();
    phase_ = TPhase::Finished;
  }
  return true;
}

void TSeedLinkSession::AppendInfo(const std::string& xml, std::int64_t nowNs) {
  std::uint8_t record[MiniSeedRecordBytes];
  std::size_t at = 0;
  do {
    const std::size_t piece = std::min(MiniSeedLogTextBytes, xml.size() - at);
    MakeMiniSeedLogRecord(std::string_view(xml).substr(at, piece), nowNs, ++infoNumber_, record);
    at += piece;
    out_ += at < xml.size() ? "SLINFO *" : "SLINFO  ";
    out_.append(reinterpret_cast<const char*>(record), sizeof record);
    EndMessage();
  } while (at < xml.size());
}

std::size_t TSeedLinkSession::NextMessageBytes() const {
  return ends_.empty() ? out_.size() - sent_ : ends_.front() - sent_;
}

void TSeedLinkSession::Sent(std::size_t bytes) {
  sent_ += bytes;
  while (!ends_.empty() && ends_.front() <= sent_) ends_.pop_front();
  if (sent_ == out_.size()) {
    out_.clear();
    sent_ = 0;
  } else if (sent_ > 64 * 1024) {
    out_.erase(0, sent_);
    for (std::size_t& end : ends_) end -= sent_;
    sent_ = 0;
  }
}

}  // namespace tevra
