#include "exchange/exchange.h"

#include <memory>
#include <utility>

void Exchange::tell(OutcomeHandler& handler, RequestOutcome outcome, const QByteArray& reply) {
    // Taken out first: the handler may queue again.
    OutcomeHandler h = std::exchange(handler, {});
    if (h) h(outcome, reply);
}

void Exchange::queue(QByteArray request, OutcomeHandler done) {
    OutcomeHandler replaced = std::exchange(pending_done_, std::move(done));
    pending_ = std::move(request);
    tell(replaced, RequestOutcome::Dropped);
}

void Exchange::queue_probe(QByteArray request, OutcomeHandler done) {
    QByteArray bytes = request;
    queue(std::move(request),
          [this, done = std::move(done)](RequestOutcome outcome, const QByteArray& reply) {
              probe_.clear();
              if (done) done(outcome, reply);
          });
    probe_ = std::move(bytes);
}

struct Exchange::Sequence {
    std::vector<QByteArray> requests;
    StepHandler step;
};

void Exchange::queue_sequence(std::vector<QByteArray> requests, StepHandler step) {
    run_step(std::make_shared<Sequence>(Sequence{std::move(requests), std::move(step)}), 0);
}

void Exchange::run_step(const std::shared_ptr<Sequence>& seq, size_t i) {
    if (i >= seq->requests.size()) return;
    queue(seq->requests[i], [this, seq, i](RequestOutcome outcome, const QByteArray& reply) {
        const bool go_on = seq->step(int(i), outcome, reply);
        if (go_on && outcome != RequestOutcome::Dropped) run_step(seq, i + 1);
    });
}

void Exchange::drop_pending() {
    pending_.clear();
    tell(pending_done_, RequestOutcome::Dropped);
}

void Exchange::after_ticks(int ticks, std::function<void()> action) {
    deferred_ticks_ = ticks;
    deferred_ = std::move(action);
}

void Exchange::cancel_deferred() {
    deferred_ticks_ = 0;
    deferred_ = {};
}

void Exchange::on_reply(uint8_t code, ReplyHandler handler) {
    listeners_[code].push_back(std::move(handler));
}

void Exchange::notify(uint8_t code, const QByteArray& reply) const {
    const auto it = listeners_.find(code);
    if (it == listeners_.end()) return;
    for (const ReplyHandler& h : it->second) h(reply);
}

uint32_t Exchange::begin_tick() {
    tick_running_ = true;
    return ++tick_serial_;
}

void Exchange::end_tick(uint32_t tick) {
    if (is_current(tick)) tick_running_ = false;
}

void Exchange::abandon() {
    ++tick_serial_;
    on_wire_.clear();
    tick_running_ = false;
    tell(chosen_done_, RequestOutcome::Dropped);
    tell(awaiting_done_, RequestOutcome::Dropped);
}

std::function<void()> Exchange::take_due_action() {
    if (deferred_ticks_ <= 0 || --deferred_ticks_ > 0) return {};
    return std::exchange(deferred_, {});
}

QByteArray Exchange::choose_pending() {
    tell(chosen_done_, RequestOutcome::Dropped); // never left over, but never lost either
    chosen_done_ = std::exchange(pending_done_, {});
    return pending_;
}

Exchange::OutcomeHandler Exchange::sent(const QByteArray& sending, bool written) {
    if (pending_ == sending) {
        pending_.clear();
        // The same bytes queued again meanwhile went out with this write.
        if (pending_done_) {
            if (chosen_done_)
                tell(pending_done_, RequestOutcome::Dropped);
            else
                chosen_done_ = std::exchange(pending_done_, {});
        }
    }
    OutcomeHandler previous = std::exchange(awaiting_done_, {});
    on_wire_ = written ? sending : QByteArray();
    if (written)
        awaiting_done_ = std::exchange(chosen_done_, {});
    else
        tell(chosen_done_, RequestOutcome::Dropped);
    return previous;
}

void Exchange::refuse_pending() {
    drop_pending();
}
