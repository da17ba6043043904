// Work done on a thread of its own while the window's event loop goes on, so
// the windows keep repainting and taking events meanwhile.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <exception>
#include <thread>

namespace tevaro::ui {

// Calls `work()` on another thread and returns when it has ended; meanwhile
// the caller's thread takes its events. `work` must touch nothing the
// window's events may change. An exception of `work` is rethrown here.
template <class Work>
void Beside(Work work) {
  std::exception_ptr failure;
  std::atomic<bool> done{false};
  QEventLoop loop;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  if (!done) loop.exec();
  // The loop also ends with the program: the work is still waited for.
  worker.join();
  QCoreApplication::removePostedEvents(&loop);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tevaro::ui
