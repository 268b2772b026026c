#include "platform/timer.h"

#include "platform/errors.h"

namespace rt {

namespace {
UINT_PTR g_nextTimerId = 1;
}

Timer::Timer(Form& owner, std::function<void()> onTick) : onTick_(std::move(onTick)), id_(g_nextTimerId++) {
    owner.AddControl(this);
}

Timer::~Timer() {
    if (window_) KillTimer(window_, id_);
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Arm();
}

void Timer::SetInterval(int milliseconds) {
    if (milliseconds < 0) throw RuntimeError(kErrInvalidProperty);
    interval_ = milliseconds;
    Arm();
}

void Timer::Arm() {
    if (!window_) return;
    if (enabled_ && interval_ > 0) {
        SetTimer(window_, id_, static_cast<UINT>(interval_), nullptr);
    } else {
        KillTimer(window_, id_);
    }
}

void Timer::Attach(HWND form) {
    window_ = form;
    Arm();
}

void Timer::Detach() {
    if (window_) KillTimer(window_, id_);
    window_ = nullptr;
    // A timer stops with its form's window.
    enabled_ = false;
}

bool Timer::OnTimer(UINT_PTR id) {
    if (id != id_) return false;
    if (enabled_) onTick_();
    return true;
}

}  // namespace rt
