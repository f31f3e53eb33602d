#include "trends/stability.h"

#include "i18n/language.h"
#include <algorithm>

Stability::Stability(int replies) : replies_(std::max(2, replies)) {}

void Stability::add(uint32_t current) {
    recent_.push_back(current);
    while (int(recent_.size()) > replies_) recent_.pop_front();
}

uint32_t Stability::spread() const {
    if (recent_.empty()) return 0;
    const auto [lo, hi] = std::minmax_element(recent_.begin(), recent_.end());
    return *hi - *lo;
}

bool Stability::steady() const {
    if (!ready()) return false;
    const uint32_t top = *std::max_element(recent_.begin(), recent_.end());
    return uint64_t(spread()) * 2500 <= uint64_t(top);
}

QString Stability::hint() const {
    if (!ready()) return {};
    return fill_text(steady() ? QT_TRANSLATE_NOOP("Messages", "стабильно, разброс %1")
                              : QT_TRANSLATE_NOOP("Messages", "меняется, разброс %1"),
                     {QString::number(spread())});
}
