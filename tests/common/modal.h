#pragma once

// Driving modal windows from a test: a modal dialog runs its own event loop, so whatever the
// test wants to do in it is queued before the call that opens it.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `act` on the next modal window of type T, as soon as it is the active modal window.
// Gives up after `timeoutMs` (the test's own check then fails, since nothing was done).
template <typename T>
void onNextModal(std::function<void(T*)> act, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto* waited = new int(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, waited, act, timeoutMs] {
        T* window = qobject_cast<T*>(QApplication::activeModalWidget());
        *waited += 10;
        if (!window && *waited < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete waited;
        if (window)
            act(window);
    });
    timer->start();
}
