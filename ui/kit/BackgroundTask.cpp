#include "ui/kit/BackgroundTask.h"

#include <QMetaObject>

namespace tevra {

bool TBackgroundTask::Run(std::function<int()> work, std::function<void(int)> done) {
  if (Busy()) return false;
  const unsigned generation = ++generation_;
  thread_ = std::thread([this, generation, work = std::move(work), done = std::move(done)]() mutable {
    const int result = work();
    // Queued to the context's thread; an object destroyed before it runs drops it with its events.
    QMetaObject::invokeMethod(
        context_,
        [this, generation, result, done = std::move(done)] {
          if (generation != generation_) return;
          thread_.join();
          done(result);
        },
        Qt::QueuedConnection);
  });
  return true;
}

void TBackgroundTask::Abandon() {
  ++generation_;
  if (thread_.joinable()) thread_.join();
}

}  // namespace tevra
