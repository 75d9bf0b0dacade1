#include "walk/harness/Watchdog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "walk/harness/Walk.h"

namespace kinetra::walk {

namespace {

std::mutex contextMutex;
char contextBuffer[1 << 16];  // a fixed buffer, so a dying process can print it as it is

std::atomic<long long> progressStamp{0};  // when the running step began, in ms; 0: none runs

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void setCrashContext(const std::string& text)
{
    std::lock_guard<std::mutex> lock(contextMutex);
    const std::size_t n = std::min(text.size(), sizeof contextBuffer - 1);
    std::copy_n(text.data(), n, contextBuffer);
    contextBuffer[n] = '\0';
}

const char* crashContext() { return contextBuffer; }

void writeCrashContext(const char* head)
{
    (void)!::write(2, head, std::strlen(head));
    const char* ctx = crashContext();
    (void)!::write(2, ctx, std::strlen(ctx));
}

void stampProgress() { progressStamp = nowMs(); }

void clearProgress() { progressStamp = 0; }

// A step that never comes back is a hang: the watchdog prints the walk and ends the process.
void startWatchdog(int limitMs)
{
    static std::atomic<int> limit{0};
    static std::once_flag once;
    limit = limitMs;
    std::call_once(once, [] {
        std::thread([] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                const long long stamp = progressStamp.load();
                if (stamp > 0 && nowMs() - stamp > limit.load()) {
                    writeCrashContext("\nWALK HANG: a step did not return\n");
                    ::_exit(3);
                }
            }
        }).detach();
    });
}

}  // namespace kinetra::walk
