#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <utility>

// Line settings; the ordinals are the codes the device settings use.
enum TParity : std::uint8_t { ptNone, ptOdd, ptEven, ptMark, ptSpace };
enum TStopBits : std::uint8_t { sbOne, sbOne_5, sbTwo };
enum TDtrControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRtsControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

// Which line events the event thread watches.
enum TVovAzozOptions : std::uint8_t { EventCtsDsr, EventError };

// A set of TVovAzozOptions.
class TPortOptions {
public:
    constexpr TPortOptions() = default;
    constexpr TPortOptions(std::initializer_list<TVovAzozOptions> options) {
        for (auto o : options)
            m_bits |= bit(o);
    }
    constexpr bool contains(TVovAzozOptions o) const { return (m_bits & bit(o)) != 0; }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr bool operator==(const TPortOptions&) const = default;

private:
    static constexpr std::uint8_t bit(TVovAzozOptions o) {
        return static_cast<std::uint8_t>(1U << static_cast<unsigned>(o));
    }
    std::uint8_t m_bits = 0;
};

// An assignable event handler. Assigned and called on the UI thread; the event
// thread may only ask whether one is assigned (to purge bytes nobody wants).
template <typename Sig> class TPortEvent;

template <typename... Args> class TPortEvent<void(Args...)> {
public:
    using Function = std::function<void(Args...)>;

    TPortEvent() = default;
    TPortEvent(const TPortEvent&) = delete;
    TPortEvent& operator=(const TPortEvent&) = delete;

    template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TPortEvent>>>
    TPortEvent& operator=(F&& f) {
        m_fn = Function(std::forward<F>(f));
        m_assigned.store(static_cast<bool>(m_fn));
        return *this;
    }
    TPortEvent& operator=(std::nullptr_t) {
        m_fn = nullptr;
        m_assigned.store(false);
        return *this;
    }

    explicit operator bool() const { return static_cast<bool>(m_fn); }
    // Safe from any thread.
    bool assigned() const { return m_assigned.load(); }

    // Calls a copy, so a handler may reassign its own event while it runs.
    void operator()(Args... args) const {
        Function fn = m_fn;
        if (fn)
            fn(args...);
    }

private:
    Function m_fn;                       // UI thread only
    std::atomic<bool> m_assigned{false}; // written by the UI thread, read by the event thread
};
