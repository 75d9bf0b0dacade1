#pragma once
// Data sets run side by side, their output in the order of the command line: each data set
// writes into a transcript of its own (standard output and standard error, in the order
// written), and the transcripts are played out in order as they come in, so the bytes of
// each stream are those of one data set after another, whatever the number of jobs.
//
// A progress line ("files done of total, rate, time left") is kept on standard error while
// a batch runs for more than a second, when standard error is a terminal; it is cleared
// before any message and at the end.

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace kinetra::cli {

struct BatchSettings {
    int jobs = 0;                    // data sets run at once: 1 one after another, 0 the cores
    bool errorIsTerminal = false;    // standard error is a terminal: show the progress line
    bool outputIsTerminal = false;   // standard output is too: clear the line before any output
    std::function<std::chrono::steady_clock::time_point()> now = std::chrono::steady_clock::now;
};

// One data set: writes to the two streams given and returns its exit status.
using BatchTask = std::function<int(std::size_t index, std::ostream& out, std::ostream& err)>;

// Called after each data set's transcript was played out; true stops the batch (standard
// output failed, so what the rest would print is lost as well).
using BatchStop = std::function<bool()>;

// Runs tasks 0..count-1 and returns the highest exit status. An exception of a task is
// thrown again here when its turn comes, after the transcripts before it.
int runOrderedBatch(std::size_t count, const BatchTask& task, std::ostream& out, std::ostream& err,
                    const BatchSettings& settings, const BatchStop& stop);

// The progress line's text (without the carriage return).
std::string progressText(std::size_t done, std::size_t total, double seconds);

}  // namespace kinetra::cli
