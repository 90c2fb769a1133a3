#pragma once
// The engine's re-apply handshake: a mutex and a byte. Writers of the live image lock,
// raise the byte, write, unlock; the engine thread takes a snapshot under the mutex and
// clears the byte. It lives in core so the parameter block's setters can raise it
// without knowing the engine; c331_manage exposes it under its own names.
#include <pthread.h>
#include <atomic>
#include <cstdint>

class EngineHandshake
{
public:
    static EngineHandshake& instance();

    void lock() { pthread_mutex_lock(&mutex); }
    void unlock() { pthread_mutex_unlock(&mutex); }

    // Raise the re-apply byte (caller holds the mutex). A request to take over user-mode
    // slots (2) is never lowered to a plain re-apply (1).
    void raise(uint8_t value = 1)
    {
        uint8_t cur = reapply.load();
        if (cur == 2 && value == 1)
            return;
        reapply.store(value);
    }

    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    std::atomic<uint8_t> reapply{0};
};

// Scoped lock of the engine mutex.
class EngineLock
{
public:
    EngineLock() { EngineHandshake::instance().lock(); }
    ~EngineLock() { EngineHandshake::instance().unlock(); }
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;
};
