#include "platform/FaultInjection.h"

#include <array>

namespace platform {
namespace {

struct Arm {
    int seen = 0;
    int failAt = 0; // 0: not armed
    bool fromThenOn = false;
};

std::array<Arm, 5>& arms() {
    static std::array<Arm, 5> state;
    return state;
}

} // namespace

void FaultInjector::failNth(FileOp op, int nth, bool fromThenOn) {
    Arm& a = arms()[static_cast<int>(op)];
    a.failAt = nth > 0 ? a.seen + nth : 0;
    a.fromThenOn = fromThenOn;
}

void FaultInjector::reset() {
    arms() = {};
}

bool FaultInjector::shouldFail(FileOp op) {
    Arm& a = arms()[static_cast<int>(op)];
    ++a.seen;
    if (a.failAt == 0)
        return false;
    return a.seen == a.failAt || (a.fromThenOn && a.seen > a.failAt);
}

int FaultInjector::count(FileOp op) {
    return arms()[static_cast<int>(op)].seen;
}

} // namespace platform
