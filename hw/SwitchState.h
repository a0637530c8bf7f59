#pragma once
// The state of a processor feature switch (turbo disable, SpeedStep, C1E) as
// asked for or as read back from the processor.

namespace hw {

enum class SwitchState { Off, On };

constexpr SwitchState switchState(bool on) { return on ? SwitchState::On : SwitchState::Off; }
constexpr bool isOn(SwitchState state) { return state == SwitchState::On; }

} // namespace hw
