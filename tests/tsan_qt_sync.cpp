// ThreadSanitizer build only. Qt's mutex and wait condition do their locking inside
// libQt5Core, which is not built with the sanitizer, so it would see none of the
// hand-offs our code makes under a QMutex and report each as a race. These definitions
// take the place of Qt's for the test programs and the panel: each calls Qt's own and
// tells the sanitizer what it did (acquire after locking, release before unlocking).
// Qt's event queue is made visible the same way (see the end).
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QtGlobal>
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

// Qt's event queue. A post (a queued call, a signal to another thread's object) appends the
// event under Qt's own lock, then wakes the receiving thread's glib main context; every
// delivery passes the event-notify callbacks first. A release before the post and an
// acquire at delivery let the sanitizer see what Qt guarantees: what a thread did before
// it posted happens before the event runs.
// The release must come before the event is in the list: a thread already busy with its
// posted events (a modal screen's loop, for one) can run it before the poster reaches the
// wake-up. Qt binds its own calls inside libQt5Core directly, so only our calls into Qt
// (a post, a signal) can be caught there; the wake-up stays as the
// release of the posts Qt makes itself.
namespace {
char g_event_queue;

bool event_delivered(void**)
{
    __tsan_acquire(&g_event_queue);
    return false; // not consumed: delivery goes on
}

const bool g_registered = QInternal::registerCallback(QInternal::EventNotifyCallback, event_delivered);

void posting()
{
    (void)g_registered;
    __tsan_release(&g_event_queue);
}
} // namespace

void QCoreApplication::postEvent(QObject* receiver, QEvent* event, int priority)
{
    static const auto real = qt_own<void (*)(QObject*, QEvent*, int)>(
        "_ZN16QCoreApplication9postEventEP7QObjectP6QEventi");
    posting();
    real(receiver, event, priority);
}

void QMetaObject::activate(QObject* sender, const QMetaObject* m, int local_signal_index, void** argv)
{
    static const auto real = qt_own<void (*)(QObject*, const QMetaObject*, int, void**)>(
        "_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
    posting();
    real(sender, m, local_signal_index, argv);
}

extern "C" void g_main_context_wakeup(void* context)
{
    static const auto real = reinterpret_cast<void (*)(void*)>(dlsym(RTLD_NEXT, "g_main_context_wakeup"));
    posting();
    real(context);
}
