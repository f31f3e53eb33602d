#include "sim/sim_time.h"

#include <chrono>
#include <thread>

int64_t SteadySimTime::now_us() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadySimTime::sleep_until_us(int64_t t_us) {
    const int64_t wait = t_us - now_us();
    if (wait > 0) std::this_thread::sleep_for(std::chrono::microseconds(wait));
}

void ManualSimTime::sleep_until_us(int64_t t_us) {
    int64_t now = now_.load();
    while (now < t_us && !now_.compare_exchange_weak(now, t_us)) {
    }
}
