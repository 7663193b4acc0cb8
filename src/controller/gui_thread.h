#pragma once
// The one way a worker hands a result back: `work(target)` runs later on the
// GUI thread, through the application object (which outlives every window),
// and only if `target` still exists then. Callable from any thread.

#include <QCoreApplication>
#include <QPointer>

template <class Target, class Work>
void postToGuiThread(const QPointer<Target>& target, Work work)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [target, work = std::move(work)]() mutable {
            if (target)
                work(*target);
        },
        Qt::QueuedConnection);
}
