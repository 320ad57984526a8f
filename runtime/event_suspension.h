// The event-suspension count: while it is above 0 no event is dispatched.
// Window loads raise and lower it; a runtime error report and the exit
// sequence raise it for good.
#pragma once

#include <cstdint>

namespace qinghe {

void raise_event_suspension();
void lower_event_suspension();
int32_t event_suspension_count();
inline bool events_suspended() { return event_suspension_count() > 0; }

}  // namespace qinghe
