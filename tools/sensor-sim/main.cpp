// tevra-sensor-sim: a seismic sensor on a pseudo-terminal, for demos, tests and installers.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/Result.h"
#include "tools/common/RecordReader.h"
#include "tools/sensor-sim/SimOptions.h"
#include "tools/sensor-sim/SimSignal.h"

namespace {

using namespace tevra;
using namespace tevra::sim;

volatile sig_atomic_t gStop = 0;
void OnSignal(int) {
  gStop = 1;
}

std::int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void SleepUntil(std::int64_t ns) {
  timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);  // a signal ends it early
}

int OpenMaster(std::string& slave) {
  const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  char name[128];
  termios t{};
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0 ||
      tcgetattr(fd, &t) != 0) {
    close(fd);
    return -1;
  }
  // Raw, echo off: the reader's bytes must reach it unchanged, and nothing may come back.
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  slave = name;
  return fd;
}

// Marks the line as not yet opened: the master reports a hang-up until a reader opens the slave.
void MarkUnopened(const std::string& slave) {
  const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) close(fd);
}

// Whether no reader has the line open: the master reports a hang-up then.
bool NoReader(int master) {
  pollfd p{master, POLLIN, 0};
  return poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) != 0;
}

// Waits until a reader has the line open (hungUp false) or no longer has it (true), checking every
// 20 ms (poll reports a hang-up at once, so it cannot wait for its end); at most `limitMs` when
// that is positive. A stop signal ends the wait.
void WaitUntilLine(int master, bool hungUp, int limitMs) {
  for (int waited = 0; !gStop && NoReader(master) != hungUp && (limitMs <= 0 || waited < limitMs);
       waited += 20) {
    usleep(20000);
  }
}

TStatus MakeLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) return TError{"a file that is no symbolic link is in its place"};
    unlink(link.c_str());
  }
  if (symlink(target.c_str(), link.c_str()) != 0) return SystemError("symlink");
  return {};
}

void RemoveLink(const std::string& link, const std::string& target) {
  char buf[512];
  const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
  if (n > 0 && std::string(buf, static_cast<std::size_t>(n)) == target) unlink(link.c_str());
}

struct TOutFrame {
  std::string Bytes;
  bool HasSample;
  TAccelSample Gal;
};

// A line drops what nobody takes: a frame cut by a full buffer is finished first (so frames stay
// aligned), frames that find no room are dropped. Only frames that go out are recorded.
class TLine {
 public:
  TLine(int fd, std::FILE* record) : fd_(fd), record_(record) {}

  void Send(const std::vector<TOutFrame>& frames) {
    if (!backlog_.empty()) {
      Write(backlog_);
      if (!backlog_.empty()) return;
    }
    std::string batch;
    for (const TOutFrame& f : frames) batch += f.Bytes;
    if (batch.empty()) return;
    const std::size_t n = Write(batch);
    std::size_t start = 0;
    for (const TOutFrame& f : frames) {
      const std::size_t end = start + f.Bytes.size();
      if (n <= start) break;
      if (n < end) backlog_ = batch.substr(n, end - n);
      Record(f);
      start = end;
    }
  }

 private:
  std::size_t Write(std::string& bytes) {
    const ssize_t n = write(fd_, bytes.data(), bytes.size());
    const std::size_t done = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (&bytes == &backlog_) backlog_.erase(0, done);
    return done;
  }
  void Record(const TOutFrame& f) {
    if (record_ && f.HasSample) std::fprintf(record_, "%.5f,%.5f,%.5f\n", f.Gal.X, f.Gal.Y, f.Gal.Z);
  }

  int fd_;
  std::FILE* record_;
  std::string backlog_;
};

TOutFrame MakeFrame(const TAccelSample& gal, const TFrameFaults& faults) {
  TRawValues raw = RawOfGal(gal);
  if (faults.ValueError) raw.X = 1;
  TOutFrame f{FormatFrame(raw), true, GalOfRaw(raw)};
  if (faults.Garble) {
    for (char& c : f.Bytes) c = c == ',' ? ';' : c;
    f.HasSample = false;
  }
  if (faults.Crlf) f.Bytes += '\n';
  return f;
}

// Sends the frames the options ask for, in real time (scaled by the speed), until their end or a
// stop signal: the quiet site or the replay, a scripted quake added, each frame with its faults.
void SendFrames(const TSimOptions& o, const std::vector<TAccelSample>& replay,
                const std::vector<TAccelSample>& quake, TLine& line) {
  long long limit = -1;
  if (o.Seconds > 0) limit = FrameAt(o.Seconds);
  if (!o.Replay.empty()) {
    const long long n = static_cast<long long>(replay.size());
    limit = limit < 0 ? n : std::min(limit, n);
  }
  const long long quakeStart = FrameAt(o.QuakeAt);
  const double nsPerFrame = 1e7 / o.Speed;
  TQuietSite site(o.Seed);
  const std::int64_t t0 = NowNs();
  std::vector<TOutFrame> batch;
  for (long long i = 0; !gStop && (limit < 0 || i < limit);) {
    const long long due = static_cast<long long>(static_cast<double>(NowNs() - t0) / nsPerFrame) + 1;
    batch.clear();
    for (; i < due && (limit < 0 || i < limit); ++i) {
      TAccelSample gal = replay.empty() ? site.Next() : replay[static_cast<std::size_t>(i)];
      if (!quake.empty() && i >= quakeStart && i - quakeStart < static_cast<long long>(quake.size())) {
        const TAccelSample& q = quake[static_cast<std::size_t>(i - quakeStart)];
        gal = {gal.X + q.X, gal.Y + q.Y, gal.Z + q.Z};
      }
      const TFrameFaults faults = FaultsOf(o, i);
      if (!faults.Silent) batch.push_back(MakeFrame(gal, faults));
    }
    line.Send(batch);
    SleepUntil(t0 + static_cast<std::int64_t>(static_cast<double>(i) * nsPerFrame));
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(SimUsage, stdout);
      return 0;
    }
  }
  const TResult<TSimOptions> parsed = ParseSimOptions(argc, argv);
  if (!parsed) {
    std::fprintf(stderr, "tevra-sensor-sim: %s\n%s", parsed.Error().Message.c_str(), SimUsage);
    return 2;
  }
  const TSimOptions& o = parsed.Value();
  std::vector<TAccelSample> replay;
  if (!o.Replay.empty()) {
    TResult<std::vector<TAccelSample>> read = ReadRecordSamples(o.Replay);
    if (!read) {
      std::fprintf(stderr, "tevra-sensor-sim: %s\n", read.Error().Message.c_str());
      return 1;
    }
    replay = std::move(read).Value();
  }
  const std::vector<TAccelSample> quake =
      o.Quake ? SyntheticQuake(o.QuakePeak, o.Seed) : std::vector<TAccelSample>();
  std::FILE* record = nullptr;
  if (!o.Record.empty() && !(record = std::fopen(o.Record.c_str(), "w"))) {
    std::fprintf(stderr, "tevra-sensor-sim: cannot write %s: %s\n", o.Record.c_str(), ErrnoText(errno).c_str());
    return 1;
  }
  std::string slave;
  const int master = OpenMaster(slave);
  if (master < 0) {
    std::fprintf(stderr, "tevra-sensor-sim: no pseudo-terminal: %s\n", ErrnoText(errno).c_str());
    return 1;
  }
  MarkUnopened(slave);
  if (const TStatus linked = o.Link.empty() ? TStatus() : MakeLink(o.Link, slave); !linked) {
    std::fprintf(stderr, "tevra-sensor-sim: cannot make the link %s: %s\n", o.Link.c_str(),
                 linked.Error().Message.c_str());
    close(master);
    return 1;
  }
  // The handlers come before the path: whoever reads the path may stop us at once, and the link
  // must still be removed then.
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::printf("%s\n", slave.c_str());
  std::fflush(stdout);
  // The reader's open discards what was sent before it: a replay or a scripted quake would lose
  // its beginning.
  WaitUntilLine(master, false, 0);

  TLine line(master, record);
  SendFrames(o, replay, quake, line);

  if (record) std::fclose(record);
  // Closing the master hangs the line up, and the kernel discards what the reader has not taken
  // yet: the line stays up for a second more, or until the reader closes it.
  WaitUntilLine(master, true, 1000);
  if (!o.Link.empty()) RemoveLink(o.Link, slave);
  close(master);
  return 0;
}
