// A periodic timer of a form: an enabled flag and an interval in milliseconds. Ticks are events of
// the user-interface thread; an interval of 0 never ticks.
#pragma once

#include <functional>

#include "platform/form.h"

namespace rt {

class Timer : public Control {
  public:
    Timer(Form& owner, std::function<void()> onTick);
    ~Timer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    // A negative interval is an invalid property value (RuntimeError 380).
    void SetInterval(int milliseconds);

    void Attach(HWND form) override;
    void Detach() override;
    bool OnTimer(UINT_PTR id) override;

  private:
    void Arm();

    std::function<void()> onTick_;
    HWND window_ = nullptr;
    UINT_PTR id_;
    bool enabled_ = false;
    int interval_ = 0;
};

}  // namespace rt
