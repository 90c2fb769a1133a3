#pragma once
// One installed back end of a seam, swapped as a whole under a lock.
#include <QMutex>
#include <QMutexLocker>
#include <memory>

namespace platform {

template <class T>
class Installed
{
public:
    void set(std::shared_ptr<T> v)
    {
        QMutexLocker lock(&m_mutex);
        m_value = std::move(v);
    }
    std::shared_ptr<T> get() const
    {
        QMutexLocker lock(&m_mutex);
        return m_value;
    }

private:
    mutable QMutex m_mutex;
    std::shared_ptr<T> m_value;
};

} // namespace platform
