#include "app/ticks.hpp"

namespace {

std::uint32_t read_fixed_clock(void* context) {
    auto* clock = static_cast<FixedClock*>(context);
    clock->now += clock->step;
    return clock->now;
}

}  // namespace

TickSource fixed_ticks(FixedClock& clock) {
    return TickSource{read_fixed_clock, &clock};
}
