#include "OrderedBatch.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

namespace kinetra::cli {

namespace {

using Clock = std::chrono::steady_clock;

// What one data set wrote, as pieces of standard output and standard error in the order
// written.
struct Transcript {
    struct Piece {
        bool error;
        std::string text;
    };
    std::vector<Piece> pieces;

    void append(bool error, const char* s, std::size_t n)
    {
        if (pieces.empty() || pieces.back().error != error) pieces.push_back(Piece{error, {}});
        pieces.back().text.append(s, n);
    }
    bool hasMessages() const
    {
        return std::any_of(pieces.begin(), pieces.end(), [](const Piece& p) { return p.error; });
    }
};

// One of the two streams of a transcript.
class TranscriptBuffer : public std::streambuf {
public:
    TranscriptBuffer(Transcript& transcript, bool error) : transcript_(transcript), error_(error) {}

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        transcript_.append(error_, &ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        transcript_.append(error_, s, static_cast<std::size_t>(n));
        return n;
    }

private:
    Transcript& transcript_;
    bool error_;
};

struct Slot {
    bool done = false;
    int status = 0;
    std::exception_ptr failure;
    Transcript transcript;
};

void runInto(const BatchTask& task, std::size_t index, Slot& slot)
{
    TranscriptBuffer outBuffer(slot.transcript, false), errBuffer(slot.transcript, true);
    std::ostream out(&outBuffer), err(&errBuffer);
    try {
        slot.status = task(index, out, err);
    } catch (...) {
        slot.failure = std::current_exception();
    }
}

// The progress line on standard error: drawn at most ten times a second once the batch has
// run for a second, cleared before anything else is written and at the end.
class ProgressLine {
public:
    ProgressLine(std::ostream& err, const BatchSettings& settings, std::size_t total)
        : err_(err), settings_(settings), total_(total), start_(settings.now())
    {
    }

    void update(std::size_t done)
    {
        if (!settings_.errorIsTerminal || total_ < 2) return;
        const Clock::time_point now = settings_.now();
        if (now - start_ < std::chrono::seconds(1)) return;
        if (shown_ && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        err_ << '\r' << progressText(done, total_, seconds) << "\x1b[K" << std::flush;
        shown_ = true;
        lastDrawn_ = now;
    }

    // Before a transcript is played out: the line goes when the transcript writes where it is.
    void makeRoomFor(const Transcript& t)
    {
        if (shown_ && (t.hasMessages() || settings_.outputIsTerminal)) clear();
    }

    void clear()
    {
        if (!shown_) return;
        err_ << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

private:
    std::ostream& err_;
    const BatchSettings& settings_;
    std::size_t total_;
    Clock::time_point start_;
    Clock::time_point lastDrawn_{};
    bool shown_ = false;
};

void playOut(const Transcript& t, std::ostream& out, std::ostream& err)
{
    for (const Transcript::Piece& p : t.pieces) (p.error ? err : out) << p.text;
}

}  // namespace

std::string progressText(std::size_t done, std::size_t total, double seconds)
{
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    std::string text = "kinetra-fit: " + std::to_string(done) + " of " + std::to_string(total) + " files";
    if (rate > 0.0) {
        const auto left = static_cast<long long>(std::ceil(static_cast<double>(total - done) / rate));
        text += ", " + std::to_string(static_cast<long long>(std::lround(rate))) + " files/s, " +
                std::to_string(left) + " s left";
    }
    return text;
}

int runOrderedBatch(std::size_t count, const BatchTask& task, std::ostream& out, std::ostream& err,
                    const BatchSettings& settings, const BatchStop& stop)
{
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t jobs = std::min<std::size_t>(settings.jobs > 0 ? static_cast<std::size_t>(settings.jobs) : cores, count);
    ProgressLine progress(err, settings, count);
    int highest = 0;
    std::vector<Slot> slots(count);

    // The data sets are taken in turn by jobs - 1 workers and by this thread, which plays the
    // transcripts out in order and takes a data set itself while the one whose turn it is
    // still runs. Nobody is woken for a data set done out of turn: the player sleeps only on
    // the data set it plays next, and a worker only when it runs too far ahead of the output
    // (a window of data sets, so that a slow one does not leave the whole batch's
    // transcripts waiting in memory).
    constexpr std::size_t kNobody = static_cast<std::size_t>(-1);
    std::mutex m;
    std::condition_variable turnDone, roomAhead;
    std::size_t next = 0, played = 0, awaited = kNobody, idleWorkers = 0;
    bool stopping = false;
    const std::size_t window = 8 * jobs;
    auto claimable = [&] { return !stopping && next < count && next < played + window; };
    // Runs data set `i` with the lock released; back with it held.
    auto runLocked = [&](std::unique_lock<std::mutex>& lock, std::size_t i) {
        lock.unlock();
        runInto(task, i, slots[i]);
        lock.lock();
        slots[i].done = true;
        if (awaited == i) turnDone.notify_one();
    };
    std::vector<std::thread> workers;
    for (std::size_t w = 1; w < jobs; ++w) {
        workers.emplace_back([&] {
            std::unique_lock lock(m);
            for (;;) {
                ++idleWorkers;
                roomAhead.wait(lock, [&] { return stopping || next >= count || claimable(); });
                --idleWorkers;
                if (!claimable()) return;
                runLocked(lock, next++);
            }
        });
    }
    auto finish = [&] {
        {
            std::lock_guard lock(m);
            stopping = true;
        }
        roomAhead.notify_all();
        for (std::thread& t : workers) t.join();
        progress.clear();
    };

    for (std::size_t i = 0; i < count; ++i) {
        {
            std::unique_lock lock(m);
            while (!slots[i].done) {
                if (claimable()) {
                    runLocked(lock, next++);
                    continue;
                }
                awaited = i;
                turnDone.wait_for(lock, std::chrono::milliseconds(100));
                awaited = kNobody;
                lock.unlock();
                progress.update(i);
                lock.lock();
            }
        }
        Slot& slot = slots[i];
        progress.makeRoomFor(slot.transcript);
        playOut(slot.transcript, out, err);
        slot.transcript = Transcript{};
        if (slot.failure) {
            finish();
            std::rethrow_exception(slot.failure);
        }
        highest = std::max(highest, slot.status);
        bool wake = false;
        {
            std::lock_guard lock(m);
            played = i + 1;
            wake = idleWorkers > 0;
        }
        if (wake) roomAhead.notify_all();
        if (stop && stop()) break;
        progress.update(i + 1);
    }
    finish();
    return highest;
}

}  // namespace kinetra::cli
