// ThreadSanitizer build only. Qt's mutex and wait condition do their locking inside
// libQt5Core, which is not built with the sanitizer, so it would see none of the
// hand-offs our code makes under a QMutex and report each as a race. These definitions
// take the place of Qt's for the test programs: each calls Qt's own and tells the
// sanitizer what it did (acquire after locking, release before unlocking).
#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

extern "C" {
void __tsan_acquire(void* addr);
void __tsan_release(void* addr);
}

namespace {
template <class F> F qt_own(const char* symbol)
{
    void* f = dlvsym(RTLD_NEXT, symbol, "Qt_5");
    if (!f) {
        std::fprintf(stderr, "tsan_qt_sync: %s not found in Qt\n", symbol);
        std::abort();
    }
    return reinterpret_cast<F>(f);
}
} // namespace

void QMutex::lock() QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto real = qt_own<void (*)(QMutex*)>("_ZN6QMutex4lockEv");
    real(this);
    __tsan_acquire(this);
}

bool QMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto real = qt_own<bool (*)(QMutex*, int)>("_ZN6QMutex7tryLockEi");
    const bool locked = real(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QMutex::unlock() noexcept
{
    static const auto real = qt_own<void (*)(QMutex*)>("_ZN6QMutex6unlockEv");
    __tsan_release(this);
    real(this);
}

// The slow paths of QBasicMutex's inline lock and unlock (their fast paths are atomics the
// sanitizer sees).
void QBasicMutex::lockInternal() QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto real = qt_own<void (*)(QBasicMutex*)>("_ZN11QBasicMutex12lockInternalEv");
    real(this);
    __tsan_acquire(this);
}

bool QBasicMutex::lockInternal(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto real = qt_own<bool (*)(QBasicMutex*, int)>("_ZN11QBasicMutex12lockInternalEi");
    const bool locked = real(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QBasicMutex::unlockInternal() noexcept
{
    static const auto real = qt_own<void (*)(QBasicMutex*)>("_ZN11QBasicMutex14unlockInternalEv");
    __tsan_release(this);
    real(this);
}

// A wait unlocks the mutex and locks it again before it returns.
bool QWaitCondition::wait(QMutex* m, unsigned long time)
{
    static const auto real = qt_own<bool (*)(QWaitCondition*, QMutex*, unsigned long)>(
        "_ZN14QWaitCondition4waitEP6QMutexm");
    __tsan_release(m);
    const bool woken = real(this, m, time);
    __tsan_acquire(m);
    return woken;
}

bool QWaitCondition::wait(QMutex* m, QDeadlineTimer deadline)
{
    static const auto real = qt_own<bool (*)(QWaitCondition*, QMutex*, QDeadlineTimer)>(
        "_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    __tsan_release(m);
    const bool woken = real(this, m, deadline);
    __tsan_acquire(m);
    return woken;
}
