// Starting the program's worker threads (the remote-control reader and the sound mixer) with
// the stack size and priority each asks for.
//
// The program never kills a thread: its owner asks it to end through a flag and waits for the
// thread's done flag. Join is for the owner to reclaim the thread once that has happened.
#pragma once

#include <cstddef>
#include <functional>

namespace wirbelix {

enum class ThreadPriority {
    Normal,
    // As high as the system lets this process go without special rights. Raising is
    // best-effort: when the system refuses, the thread runs at normal priority.
    Highest,
};

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread();  // Joins a thread that is still joinable.
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts body on a new thread with a stack of at least stackBytes (raised to the system's
    // minimum when smaller). False, with nothing started, when the system refuses the thread
    // or one is already running on this object. Called from the owner's thread.
    bool Start(std::function<void()> body, std::size_t stackBytes, ThreadPriority priority);

    // Waits for the thread's body to return. Does nothing when no thread was started.
    void Join();

    bool Joinable() const { return started_; }

private:
    static void* Run(void* self);

    std::function<void()> body_;
    ThreadPriority priority_ = ThreadPriority::Normal;
    unsigned long handle_ = 0;  // pthread_t
    bool started_ = false;
};

}  // namespace wirbelix
