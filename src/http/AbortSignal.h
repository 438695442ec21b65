#pragma once

#include <atomic>
#include <mutex>

// Lets another thread end the request a client is making. Raise() marks the request aborted,
// wakes every wait of the connection (an eventfd that the waits poll beside the socket) and
// shuts the attached socket down. The mark stays until the client clears it, so an abort that
// comes between two requests ends the next one. Raise() and Clear() change the mark and the
// descriptor together under the mutex, so a clear never leaves the descriptor readable with the
// mark down (which would end every later wait as an abort).
class AbortSignal {
public:
    AbortSignal();
    ~AbortSignal();
    AbortSignal(const AbortSignal&) = delete;
    AbortSignal& operator=(const AbortSignal&) = delete;

    void Raise(); // thread-safe
    void Clear(); // thread-safe
    bool Raised() const { return raised_.load(); }

    // Descriptor that becomes readable when the signal is raised.
    int WakeDescriptor() const { return eventFd_; }

    // The socket that Raise() shuts down; -1 for none.
    void Attach(int socketFd);
    void Detach();

private:
    std::atomic<bool> raised_{false};
    int eventFd_ = -1;
    std::mutex mutex_; // held while the mark, the descriptor or the socket changes
    int socketFd_ = -1;
};
