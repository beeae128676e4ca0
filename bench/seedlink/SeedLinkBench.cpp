// What handing a record to the SeedLink server costs the producer (the panel's tick), and what the
// process (producer and server thread) spends per record to send it to 0 or 5 clients on the
// loopback interface. The clients are child processes, so their reading is not counted.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <new>
#include <thread>
#include <vector>

#include "seedlink/MiniSeedHeader.h"
#include "seedlink/SeedLinkServer.h"

namespace {

using namespace tevra;

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// A client streaming everything from the first record on, counting the bytes it gets.
int Subscriber(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<std::uint16_t>(port));
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) return -1;
  const char data[] = "DATA 000000\r\n";
  if (::send(fd, data, sizeof data - 1, MSG_NOSIGNAL) < 0) return -1;
  return fd;
}

void BM_PublishToClients(benchmark::State& state) {
  const int clientCount = static_cast<int>(state.range(0));
  const bool paced = state.range(1) != 0;  // one record at a time, as the panel sends them
  TSeedLinkServerOptions options;
  options.FirstSequence = 0;
  TSeedLinkServer server(options);
  if (const TStatus started = server.Start("127.0.0.1", 0); !started) {
    state.SkipWithError(started.Error().Message.c_str());
    return;
  }
  // Bytes the clients received, counted in memory shared with them.
  auto* received = static_cast<std::atomic<std::int64_t>*>(::mmap(
      nullptr, sizeof(std::atomic<std::int64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  new (received) std::atomic<std::int64_t>(0);
  std::vector<pid_t> readers;
  for (int i = 0; i < clientCount; ++i) {
    const int fd = Subscriber(server.Port());
    const pid_t pid = ::fork();
    if (pid == 0) {
      // Only its own connection: copies of the server's sockets would keep them open after Stop.
      for (int other = 3; other < 1024; ++other)
        if (other != fd) ::close(other);
      char buffer[65536];
      for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) *received += n;
      ::_exit(0);
    }
    ::close(fd);
    readers.push_back(pid);
  }
  while (server.ClientCount() < clientCount) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::uint8_t record[MiniSeedRecordBytes];
  MakeMiniSeedLogRecord("bench", 1'780'000'000'000'000'000, 1, record);

  std::int64_t published = 0;
  const double cpu0 = ProcessCpuSeconds();
  for (auto _ : state) {
    server.Publish(record);
    ++published;
    if (paced) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // Until every client has every packet, so the server's work is counted.
  const std::int64_t expected = published * clientCount * (8 + std::int64_t(MiniSeedRecordBytes));
  for (int i = 0; i < 10000 && *received < expected; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const double cpu = ProcessCpuSeconds() - cpu0;
  if (*received < expected) state.SkipWithError("clients did not get every packet");
  state.counters["process_cpu_us_per_record"] = cpu * 1e6 / double(published);
  server.Stop();
  for (const pid_t pid : readers) ::waitpid(pid, nullptr, 0);
  ::munmap(received, sizeof(std::atomic<std::int64_t>));
}
// Fewer records than the ring holds, so no client falls out of it. Back to back, the server sends
// records in batches; paced (1 ms apart), each record wakes it on its own, as at 3 records a second.
BENCHMARK(BM_PublishToClients)
    ->ArgNames({"clients", "paced"})
    ->Args({0, 0})
    ->Args({5, 0})
    ->Iterations(8000)
    ->UseRealTime();
BENCHMARK(BM_PublishToClients)
    ->ArgNames({"clients", "paced"})
    ->Args({0, 1})
    ->Args({5, 1})
    ->Iterations(2000)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
