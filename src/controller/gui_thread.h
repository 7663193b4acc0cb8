#pragma once
// The one way a worker hands a result back: `work(target)` runs later on the
// GUI thread, through the application object (which outlives every window),
// and only if `target` still exists then. Callable from any thread.

#include <QCoreApplication>
#include <QPointer>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

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

// A question for the GUI thread from a worker, which waits for the answer:
// `ask(target)` runs there and its answer comes back. `fallback` where the
// target went first, or `gone` was requested while waiting (the target's
// destructor requests it before it waits for the worker, so the two never
// wait for each other).
template <class Target, class Answer, class Ask>
Answer askGuiThread(const QPointer<Target>& target, const std::stop_token& gone, Ask ask, Answer fallback)
{
    struct Reply {
        std::mutex mutex;
        std::condition_variable_any answered;
        std::optional<Answer> answer;
    };
    auto reply = std::make_shared<Reply>();
    postToGuiThread(target, [reply, ask = std::move(ask)](Target& t) mutable {
        Answer answer = ask(t);
        const std::lock_guard lock(reply->mutex);
        reply->answer = std::move(answer);
        reply->answered.notify_all();
    });
    std::unique_lock lock(reply->mutex);
    reply->answered.wait(lock, gone, [&] { return reply->answer.has_value(); });
    return reply->answer.value_or(std::move(fallback));
}
