#pragma once
// A coroutine that runs until it waits and is resumed later by whoever it waits on. A Task can
// co_await another Task; the awaiting one continues when the inner one finishes. Destroying a
// Task destroys a suspended coroutine with every Task it awaits.

#include <coroutine>
#include <exception>
#include <utility>

namespace corvala {

class Task {
public:
    struct promise_type {
        std::coroutine_handle<> continuation;

        Task get_return_object() { return Task{Handle::from_promise(*this)}; }
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct FinalAwaiter {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> h) noexcept {
                const auto next = h.promise().continuation;
                return next ? next : std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }
        void return_void() {}
        void unhandled_exception() { std::terminate(); }
    };
    using Handle = std::coroutine_handle<promise_type>;

    Task() = default;
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { Reset(); }

    // Runs a top-level task up to its first wait.
    void Start() {
        if (handle_ && !handle_.done()) handle_.resume();
    }
    bool running() const { return handle_ && !handle_.done(); }
    void Reset() {
        if (handle_) handle_.destroy();
        handle_ = {};
    }

    // co_await inner: runs the inner task and continues here when it is done.
    bool await_ready() const noexcept { return !handle_ || handle_.done(); }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> outer) noexcept {
        handle_.promise().continuation = outer;
        return handle_;
    }
    void await_resume() const noexcept {}

private:
    explicit Task(Handle h) : handle_(h) {}
    Handle handle_;
};

}  // namespace corvala
