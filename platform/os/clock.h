// Time services of the operating system.
#pragma once

#include <cstdint>

namespace os {

// Milliseconds from an arbitrary start, monotonic.
uint64_t tick_ms();
// Hundredths of a second from an arbitrary start, monotonic.
inline uint64_t tick_centiseconds() { return tick_ms() / 10; }
void sleep_ms(uint32_t ms);
// Local date and time as seconds since 1970-01-01 00:00 local time.
int64_t local_time_seconds();

}  // namespace os
