#pragma once
// A service's worker thread: runs `pass` until stopped, sleeping `pause_ms` between
// passes. On the device it is never stopped; tests stop it so no thread outlives the
// statics it uses.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <system_error>
#include <thread>

class ServiceThread
{
public:
    ~ServiceThread() { stop(); }

    // False (reported) when the thread does not start; true when it runs (or already ran).
    bool start(const char* name, std::function<void()> pass, int pause_ms)
    {
        if (m_thread.joinable())
            return true;
        m_stop = false;
        try {
            m_thread = std::thread([this, pass = std::move(pass), pause_ms] {
                while (!m_stop.load()) {
                    pass();
                    if (pause_ms > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
                }
            });
        } catch (const std::system_error&) {
            std::printf("%s: thread did not start\n", name);
            return false;
        }
        return true;
    }

    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    bool running() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
