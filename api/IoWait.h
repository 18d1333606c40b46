// Runs one asynchronous network operation at a time to its end on the calling thread, within a
// deadline, handing the thread to a wait hook about every 5 ms so that the windows repaint and
// answer; and the guard that lets one request run at a time.
#pragma once

#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/system/error_code.hpp>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "api/TransportError.h"

namespace torvel {

class IoWait {
public:
    using Steady = std::chrono::steady_clock;
    using Hook = std::function<void()>;

    boost::asio::io_context io;
    Hook hook;

    // Runs the operation that `start` begins until it completes or `deadline` passes. On
    // time-out (or when the hook throws) `cancel` runs; with `drain` the cancelled operation is
    // run to its end before returning, so that nothing it references outlives this call.
    // Operations that cannot be drained promptly (name resolution) must only touch state they
    // own.
    template <class Start, class Cancel>
    boost::system::error_code Await(Start&& start, Steady::time_point deadline, Cancel&& cancel,
                                    bool drain) {
        using boost::system::error_code;
        auto result = std::make_shared<std::optional<error_code>>();
        start([result](error_code ec) { *result = ec; });
        auto finishCancelled = [&] {
            cancel();
            while (drain && !*result && RunOne()) {
            }
        };
        auto nextHook = Steady::now() + kSlice;
        while (!*result) {
            auto now = Steady::now();
            if (now >= deadline) {
                finishCancelled();
                return boost::asio::error::timed_out;
            }
            if (hook && now >= nextHook) {
                try {
                    hook();
                } catch (...) {
                    finishCancelled();
                    throw;
                }
                nextHook = Steady::now() + kSlice;
                continue;
            }
            if (io.stopped())
                io.restart();
            io.run_one_until(hook ? std::min(deadline, nextHook) : deadline);
        }
        return **result;
    }

private:
    // How long the io_context runs before the wait hook gets the thread back. A screen reader's
    // questions about the wait window are answered from the hook, each one waiting for it, and
    // it asks dozens before it speaks: at 20 ms it fell a second behind and spoke nothing.
    static constexpr auto kSlice = std::chrono::milliseconds(5);

    // Runs the io_context until one handler has run; false when nothing is left to run.
    bool RunOne() {
        if (io.stopped())
            io.restart();
        return io.run_one() > 0;
    }
};

// One request at a time, also when a second one is started from inside the wait hook: while
// the guard lives, another fails with TransportError(`busyText`).
class BusyGuard {
public:
    BusyGuard(bool& busy, std::string_view busyText) : busy_(busy) {
        if (busy_)
            throw TransportError(std::string(busyText));
        busy_ = true;
    }
    ~BusyGuard() { busy_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& busy_;
};

} // namespace torvel
