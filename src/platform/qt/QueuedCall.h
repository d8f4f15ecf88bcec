// QueuedCall: runs a function on the thread of a QObject, later, from any thread (a queued
// call). The hand-over goes through Qt's event queue, whose locks ThreadSanitizer cannot see
// (Qt is not built with it); a lock of our own, taken by the poster around the posting and by
// the call before it touches what it carries, makes the hand-over visible to it. The lock is
// held only for the moment of posting, so it costs nothing measurable.
//
// Thread contract: any thread; the call runs on target's thread and is dropped if target is
// gone by then.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <mutex>
#include <utility>

namespace wirbelix {

inline std::mutex& QueuedCallLock() {
    static std::mutex lock;
    return lock;
}

template <class F>
void QueuedCall(QObject* target, F&& call) {
    std::lock_guard guard(QueuedCallLock());
    QMetaObject::invokeMethod(
        target,
        [call = std::forward<F>(call)]() mutable {
            { std::lock_guard seen(QueuedCallLock()); }
            call();
        },
        Qt::QueuedConnection);
}

}  // namespace wirbelix
