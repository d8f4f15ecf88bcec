#include "platform/Thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstring>

static_assert(sizeof(pthread_t) <= sizeof(unsigned long), "pthread_t must fit the handle");

namespace wirbelix {

namespace {

// Raises the calling thread as far as the system allows without special rights: real-time
// round-robin scheduling when permitted (root, rtkit limits), else the lowest nice value the
// resource limit allows. Both are silently kept when refused.
void RaiseCurrentThread() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR) + 10;
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return;
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur > 20) {
        int nice = 20 - static_cast<int>(limit.rlim_cur);
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice);
    }
}

}  // namespace

WorkerThread::~WorkerThread() { Join(); }

void* WorkerThread::Run(void* self) {
    auto* t = static_cast<WorkerThread*>(self);
    if (t->priority_ == ThreadPriority::Highest) RaiseCurrentThread();
    t->body_();
    return nullptr;
}

bool WorkerThread::Start(std::function<void()> body, std::size_t stackBytes,
                         ThreadPriority priority) {
    if (started_) return false;
    body_ = std::move(body);
    priority_ = priority;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    // Sanitizers need far more stack than the thread's own code; never go below the system's
    // default minimum either.
    const std::size_t minimum = static_cast<std::size_t>(PTHREAD_STACK_MIN);
    std::size_t size = stackBytes < minimum ? minimum : stackBytes;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    if (size < 1024 * 1024) size = 1024 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    if (size < 1024 * 1024) size = 1024 * 1024;
#endif
#endif
    pthread_attr_setstacksize(&attr, size);
    pthread_t handle;
    int rc = pthread_create(&handle, &attr, &WorkerThread::Run, this);
    pthread_attr_destroy(&attr);
    if (rc != 0) return false;
    std::memcpy(&handle_, &handle, sizeof handle);
    started_ = true;
    return true;
}

void WorkerThread::Join() {
    if (!started_) return;
    pthread_t handle;
    std::memcpy(&handle, &handle_, sizeof handle);
    pthread_join(handle, nullptr);
    started_ = false;
}

}  // namespace wirbelix
