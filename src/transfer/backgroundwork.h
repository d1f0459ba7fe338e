#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <memory>
#include <utility>

namespace vantrel {

// Runs `work` (file-system calls that may take a while) on `pool`, then `then(result)` on the
// thread of `context`, unless `context` is gone by then.
template <typename Work, typename Then>
void RunInBackground(QThreadPool& pool, QObject* context, Work work, Then then)
{
    QPointer<QObject> guard(context);
    pool.start([guard, work = std::move(work), then = std::move(then)]() mutable {
        auto result = std::make_shared<decltype(work())>(work());
        if (!guard)
            return;
        QMetaObject::invokeMethod(
            guard.data(),
            [guard, result, then = std::move(then)]() mutable {
                if (guard)
                    then(std::move(*result));
            },
            Qt::QueuedConnection);
    });
}

} // namespace vantrel
