#pragma once
// The one owner of what goes on the line: the pending request, the tick
// bookkeeping, the settings refresh flag and the work deferred by ticks.
// Operations ask it (`queue`), listeners hear replies by code (`on_reply`);
// only the exchange cycle takes requests out of it and puts them on the wire.
#include <QByteArray>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// What became of a queued request.
enum class RequestOutcome {
    Replied,  // a reply came in the tick after it went out (any code)
    NoAnswer, // it went out and nothing came back
    Dropped,  // it never went out: replaced, refused, or the link closed
};

class Exchange {
public:
    using ReplyHandler = std::function<void(const QByteArray& reply)>;
    using OutcomeHandler = std::function<void(RequestOutcome, const QByteArray& reply)>;
    // Called with each step's outcome; return false to end the sequence there.
    using StepHandler = std::function<bool(int step, RequestOutcome, const QByteArray& reply)>;

    // --- The pending request (one slot; the next tick sends it) ---

    // Replaces whatever was pending.  `done` hears what became of it.
    void queue(QByteArray request, OutcomeHandler done = {});
    // Queues `requests` one at a time, each once the previous one's reply (or
    // its absence) has been handled; `step` hears each outcome in turn.  A
    // step that was dropped ends the sequence, whatever `step` answers.
    void queue_sequence(std::vector<QByteArray> requests, StepHandler step);
    // Queues a look at the line whose reply only `done` hears: it is not
    // dispatched, and its silence is no "no answer" of the polled sensor.
    void queue_probe(QByteArray request, OutcomeHandler done);
    // Forgets the pending request; a sequence waiting behind it ends too.
    void drop_pending();
    const QByteArray& pending() const { return pending_; }

    // --- The settings refresh: the next state reply copies the sensor's
    // configuration into the setting controls ---
    void refresh_settings_next() { refresh_ = true; }
    bool settings_refresh_due() const { return refresh_; }
    void settings_refreshed() { refresh_ = false; }

    // --- Work deferred by ticks ---

    // Runs `action` at the start of the `ticks`-th tick from now, before that
    // tick chooses its request.  One slot: a later call replaces an earlier one.
    void after_ticks(int ticks, std::function<void()> action);
    void cancel_deferred();
    int deferred_ticks() const { return deferred_ticks_; }

    // --- Listeners by reply code ---

    // `handler` hears every accepted framed reply with this code, in the order
    // registered; the dispatch has answered it already.
    void on_reply(uint8_t code, ReplyHandler handler);
    void notify(uint8_t code, const QByteArray& reply) const;
    bool has_listener(uint8_t code) const { return listeners_.count(code) != 0; }
    // `handler` hears every tick whose read brought nothing back.
    void on_silence(std::function<void()> handler) { silence_.push_back(std::move(handler)); }
    void notify_silence() const {
        for (const auto& h : silence_) h();
    }

    // --- The network scan's answer: awaited once its request has gone out ---
    void begin_scan() { scan_ = Scan::Asked; }
    void scan_written() {
        if (scan_ == Scan::Asked) scan_ = Scan::OnWire;
    }
    bool scan_waiting() const { return scan_ != Scan::None; }
    // What the next read brings may answer the scan.
    bool scan_on_wire() const { return scan_ == Scan::OnWire; }
    void end_scan() { scan_ = Scan::None; }

    // --- The address the identity request was last queued for ---
    uint8_t identity_address() const { return id_addr_; }
    void identity_queued_for(uint8_t address) { id_addr_ = address; }

    // --- A lost port is back: the first read after it answers nothing asked ---
    void resumed() { resumed_ = true; }
    bool take_resumed() { return std::exchange(resumed_, false); }

    // --- Consecutive failed writes ---
    int write_failures() const { return write_failures_; }
    void write_failed() { ++write_failures_; }
    void write_succeeded() { write_failures_ = 0; }

    // --- Used by the exchange cycle itself ---

    // A tick may wait for its reply across event-loop turns; one runs at a time.
    bool tick_running() const { return tick_running_; }
    uint32_t begin_tick();
    bool is_current(uint32_t tick) const { return tick_serial_ == tick; }
    uint32_t current_tick() const { return tick_serial_; }
    void end_tick(uint32_t tick);
    // Gives up the running tick: it will neither write nor show anything, and
    // what it was to send or hear about is dropped.
    void abandon();
    // The deferred action due in this tick, if any (taken out of its slot).
    std::function<void()> take_due_action();
    // The tick has chosen the pending request to send once its read returns.
    // It stays pending meanwhile (a handler may replace it, and then the new
    // one goes out with the next tick).
    QByteArray choose_pending();
    // The chosen request went out (`written`) or not; what was pending
    // empties unless something else was queued meanwhile.  Returns the
    // handler of what the previous tick sent, which the reply read now answers.
    OutcomeHandler sent(const QByteArray& sending, bool written);
    // The request the cycle was about to send is refused (frequency mode).
    void refuse_pending();
    // What the last tick wrote: the request the reply read now answers.
    const QByteArray& on_wire() const { return on_wire_; }
    // Whether `request` is a probe still waiting for its reply.
    bool is_probe(const QByteArray& request) const {
        return !probe_.isEmpty() && request == probe_;
    }

private:
    enum class Scan { None, Asked, OnWire };
    struct Sequence;
    void run_step(const std::shared_ptr<Sequence>& seq, size_t i);
    static void tell(OutcomeHandler& handler, RequestOutcome outcome, const QByteArray& reply = {});

    QByteArray pending_;
    QByteArray on_wire_;
    QByteArray probe_;
    OutcomeHandler pending_done_;  // for the pending request
    OutcomeHandler chosen_done_;   // for the request a tick is about to send
    OutcomeHandler awaiting_done_; // for the request on the wire
    bool refresh_ = true;
    Scan scan_ = Scan::None;
    uint8_t id_addr_ = 0;
    int write_failures_ = 0;
    bool resumed_ = false;

    int deferred_ticks_ = 0;
    std::function<void()> deferred_;

    std::map<uint8_t, std::vector<ReplyHandler>> listeners_;
    std::vector<std::function<void()>> silence_;

    bool tick_running_ = false;
    uint32_t tick_serial_ = 0;
};
