#pragma once
// Work that waits on Wine (a cold start takes seconds, a hung one up to the theme service's
// time limit) runs on a thread of its own while the window's thread keeps handling events:
// the window paints and answers, and the caller goes on with the result as if it had
// called the work itself. The caller disables whatever would interfere meanwhile.
//
// The work must not touch widgets; what it shares with the window's thread is only read
// there after it has ended.

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <exception>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace kolv {

template <typename Work> std::invoke_result_t<Work&> runAside(Work work) {
    using Result = std::invoke_result_t<Work&>;
    std::optional<Result> result;
    std::exception_ptr failure;
    std::atomic<bool> done{false};
    QEventLoop loop;
    std::thread worker([&] {
        try {
            result.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        // Queued, so the loop ends from its own thread, also when it has not begun yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The loop also ends when the program is told to end (QCoreApplication::exit); the
    // work is then waited for here, as nothing may outlive what it uses.
    while (!done)
        if (loop.exec() != 0)
            break;
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return std::move(*result);
}

} // namespace kolv
