#pragma once
// One piece of blocking work at a time (a sensor check with its waits) on a thread of its own, its
// result handed back on the thread of a window, so that the window's event loop never waits for a
// device.
#include <QObject>
#include <functional>
#include <thread>

namespace tevra {

class TBackgroundTask {
 public:
  // `context` receives the results; it must outlive this object.
  explicit TBackgroundTask(QObject* context) : context_(context) {}
  ~TBackgroundTask() { Abandon(); }
  TBackgroundTask(const TBackgroundTask&) = delete;
  TBackgroundTask& operator=(const TBackgroundTask&) = delete;

  // Starts `work` and later calls `done` with its result from the context's event loop. False,
  // starting nothing, while earlier work has not been handed back.
  bool Run(std::function<int()> work, std::function<void(int)> done);
  bool Busy() const { return thread_.joinable(); }
  // Waits for the running work, whose result is then dropped: what it used may be changed after.
  void Abandon();

 private:
  QObject* context_;
  std::thread thread_;
  unsigned generation_ = 0;  // a result of an abandoned run finds it changed
};

}  // namespace tevra
