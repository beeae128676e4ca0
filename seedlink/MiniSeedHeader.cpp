#include "seedlink/MiniSeedHeader.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace tevra {
namespace {

constexpr std::int64_t NsPerSecond = 1'000'000'000;
constexpr std::int64_t NsPerDay = 86'400 * NsPerSecond;

namespace cr = std::chrono;

// Nanoseconds since 1970 in 64 bits end in April 2262: later years would overflow.
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2261;

// Days from 1970-01-01 to a proleptic Gregorian date.
std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
  return cr::sys_days(cr::year(y) / cr::month(m) / cr::day(d)).time_since_epoch().count();
}

cr::year_month_day CivilFromDays(std::int64_t days) {
  return cr::year_month_day(cr::sys_days(cr::days(days)));
}

struct TReader {
  const std::uint8_t* bytes;
  bool bigEndian;
  std::uint16_t U16(std::size_t at) const {
    return bigEndian ? static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1])
                     : static_cast<std::uint16_t>(bytes[at + 1] << 8 | bytes[at]);
  }
  std::int16_t I16(std::size_t at) const { return static_cast<std::int16_t>(U16(at)); }
};

bool PlausibleTime(const TReader& r) {
  const int year = r.U16(20), doy = r.U16(22);
  return year >= kFirstYear && year <= kLastYear && doy >= 1 &&
         doy <= (cr::year(year).is_leap() ? 366 : 365) && r.bytes[24] < 24 && r.bytes[25] < 60 &&
         r.bytes[26] <= 60 && r.U16(28) < 10000;
}

// Copies a blank-padded code, cut at its first blank; false for bytes outside printable ASCII.
bool Code(const std::uint8_t* from, std::size_t width, char* to) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < width; ++i) {
    if (from[i] < 0x20 || from[i] > 0x7E) return false;
    if (from[i] == ' ') break;
    to[n++] = static_cast<char>(from[i]);
  }
  to[n] = '\0';
  return true;
}

// Nanoseconds per sample from the SEED rate factor and multiplier; 0 when the record has no rate.
double PeriodNs(int factor, int multiplier) {
  double rate = 0;
  if (factor > 0 && multiplier > 0)
    rate = double(factor) * multiplier;
  else if (factor > 0 && multiplier < 0)
    rate = -double(factor) / multiplier;
  else if (factor < 0 && multiplier > 0)
    rate = -double(multiplier) / factor;
  else if (factor < 0 && multiplier < 0)
    rate = 1.0 / (double(factor) * multiplier);
  return rate > 0 ? 1e9 / rate : 0;
}

void PutU16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

}  // namespace

bool ParseMiniSeedHeader(const std::uint8_t* record, TMiniSeedHeader& header) {
  const char quality = static_cast<char>(record[6]);
  if (std::strchr("DRQM", quality) == nullptr || quality == '\0') return false;
  TReader r{record, true};
  if (!PlausibleTime(r)) {
    r.bigEndian = false;
    if (!PlausibleTime(r)) return false;
  }
  if (!Code(record + 8, 5, header.Station) || !Code(record + 13, 2, header.Location) ||
      !Code(record + 15, 3, header.Channel) || !Code(record + 18, 2, header.Network))
    return false;
  // A record of another length would be served cut off.
  const std::size_t blockette = r.U16(46);
  if (blockette >= 48 && blockette + 8 <= MiniSeedRecordBytes && r.U16(blockette) == 1000 &&
      record[blockette + 6] != 9)
    return false;
  const std::int64_t days = DaysFromCivil(r.U16(20), 1, 1) + r.U16(22) - 1;
  header.StartNs = days * NsPerDay +
                   (std::int64_t(record[24]) * 3600 + record[25] * 60 + record[26]) * NsPerSecond +
                   std::int64_t(r.U16(28)) * 100'000;
  const int samples = r.U16(30);
  const double period = PeriodNs(r.I16(32), r.I16(34));
  if (samples > 0 && period > 0) {
    header.Type = 'D';
    header.EndNs = header.StartNs + static_cast<std::int64_t>(samples * period + 0.5);
  } else {
    header.Type = std::strcmp(header.Channel, "LOG") == 0 ? 'L' : 'O';
    header.EndNs = header.StartNs;
  }
  return true;
}

void MakeMiniSeedLogRecord(std::string_view text, std::int64_t startNs, int number, std::uint8_t* record) {
  if (text.size() > MiniSeedLogTextBytes) text = text.substr(0, MiniSeedLogTextBytes);
  std::memset(record, 0, MiniSeedRecordBytes);
  char head[32];
  std::snprintf(head, sizeof head, "%06uD INFO   LOG  ", static_cast<unsigned>(number) % 1000000u);
  std::memcpy(record, head, 20);
  const std::int64_t days = (startNs >= 0 ? startNs : startNs - NsPerDay + 1) / NsPerDay;
  const std::int64_t inDay = startNs - days * NsPerDay;
  const int y = int(CivilFromDays(days).year());
  PutU16(record + 20, static_cast<unsigned>(y));
  PutU16(record + 22, static_cast<unsigned>(days - DaysFromCivil(y, 1, 1) + 1));
  const std::int64_t seconds = inDay / NsPerSecond;
  record[24] = static_cast<std::uint8_t>(seconds / 3600);
  record[25] = static_cast<std::uint8_t>(seconds / 60 % 60);
  record[26] = static_cast<std::uint8_t>(seconds % 60);
  PutU16(record + 28, static_cast<unsigned>(inDay % NsPerSecond / 100'000));
  PutU16(record + 30, static_cast<unsigned>(text.size()));  // rate factor and multiplier stay 0
  record[39] = 1;                                           // one blockette: 1000
  PutU16(record + 44, 56);                                  // text right after it
  PutU16(record + 46, 48);
  PutU16(record + 48, 1000);
  record[52] = 0;  // ASCII
  record[53] = 1;  // big-endian
  record[54] = 9;  // 2^9 = 512 bytes
  std::memcpy(record + 56, text.data(), text.size());
}

std::string SeedLinkTimeText(std::int64_t ns) {
  const std::int64_t days = (ns >= 0 ? ns : ns - NsPerDay + 1) / NsPerDay;
  const std::int64_t inDay = ns - days * NsPerDay;
  const cr::year_month_day date = CivilFromDays(days);
  const std::int64_t seconds = inDay / NsPerSecond;
  char text[40];
  std::snprintf(text, sizeof text, "%04d/%02u/%02u %02d:%02d:%02d.%04d", int(date.year()),
                unsigned(date.month()), unsigned(date.day()), int(seconds / 3600), int(seconds / 60 % 60),
                int(seconds % 60), int(inDay % NsPerSecond / 100'000));
  return text;
}

bool ParseSeedLinkCommandTime(std::string_view text, std::int64_t& ns) {
  int field[6] = {0, 1, 1, 0, 0, 0};
  std::int64_t fractionNs = 0;
  int count = 0;
  std::size_t i = 0;
  while (count < 6) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    long value = 0;
    for (int digits = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
      if (digits == 4) return false;
      value = value * 10 + (text[i] - '0');
    }
    field[count++] = static_cast<int>(value);
    if (i == text.size()) break;
    if (text[i] == '.' && count == 6) {
      std::int64_t scale = NsPerSecond / 10;
      for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10)
        fractionNs += (text[i] - '0') * scale;
      break;
    }
    if (text[i] != ',') return false;
    ++i;
  }
  if (i != text.size() || count < 3) return false;
  const int y = field[0];
  const unsigned m = unsigned(field[1]), d = unsigned(field[2]);
  if (y < kFirstYear || y > kLastYear || !(cr::year(y) / cr::month(m) / cr::day(d)).ok() || field[3] > 23 ||
      field[4] > 59 || field[5] > 60)
    return false;
  ns = DaysFromCivil(y, m, d) * NsPerDay +
       (std::int64_t(field[3]) * 3600 + field[4] * 60 + field[5]) * NsPerSecond + fractionNs;
  return true;
}

}  // namespace tevra
