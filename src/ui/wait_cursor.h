// The wait cursor while a run, a load or a save works.
#pragma once

#include <QApplication>

namespace tevaro::ui {

// Shows the wait cursor for its lifetime, restored however the work ends.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// The result of `work`, done under the wait cursor; any message about it is
// shown afterwards with the usual cursor.
template <class Work>
auto Waiting(Work work) {
  const WaitCursor wait;
  return work();
}

}  // namespace tevaro::ui
