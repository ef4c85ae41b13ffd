// Checks of several files at once: what the store records (the files
// opened, kept and noted as read) on the calling thread, the reading of
// their bytes and the parses there and on one worker.
#include "apps/vellor_host/checks_in_order.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Checks handed to the worker and not yet taken by it at most: reading
// goes on while the worker parses, and the calling thread parses a check
// itself only when the worker has that many to do already.
constexpr size_t Waiting = 2;
// Checks begun and not yet told at most: each holds its file open, and its
// bytes only while they are parsed.
constexpr size_t InFlight = Waiting + 4;

struct Pending {
    StoreTapPendingCheck check;
    bool parsed = false; // under the lock
};

// The worker parses the checks it is handed, in the order handed.
struct Worker {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Pending*> handed; // not yet taken
    bool ending = false;
    std::jthread thread;

    void Run() {
        std::unique_lock<std::mutex> held(lock);
        for (;;) {
            changed.wait(held, [this] { return !handed.empty() || ending; });
            if (handed.empty()) return;
            Pending* taken = handed.front();
            handed.pop_front();
            held.unlock();
            StoreTapCheckParse(&taken->check);
            held.lock();
            taken->parsed = true;
            changed.notify_all();
        }
    }
    // Whether the worker took `pending`: not when it has enough to do, or
    // there is no worker.
    bool Hand(Pending* pending) {
        std::lock_guard<std::mutex> held(lock);
        if (handed.size() >= Waiting || !thread.joinable()) return false;
        handed.push_back(pending);
        changed.notify_all();
        return true;
    }
    void WaitParsed(Pending& pending) {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [&pending] { return pending.parsed; });
    }
    ~Worker() {
        {
            std::lock_guard<std::mutex> held(lock);
            ending = true;
        }
        changed.notify_all();
    } // the thread is joined as it goes, after this
};

} // namespace

int StoreTapCheckInOrder(StoreTap& tap, const std::vector<std::string>& names,
                         int (*told)(void* context, size_t i, int status, bool isBook, const std::string& why),
                         void* context) {
    std::deque<Pending> pending; // begun and not yet told, in order; never moved
    size_t toldCount = 0;
    int ok = 1;
    Worker worker;
    try {
        worker.thread = std::jthread([&worker] { worker.Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: every parse is made here.
    }
    // Tells the first check begun and not told, once it is parsed.
    auto tellFirst = [&] {
        worker.WaitParsed(pending.front());
        bool isBook = false;
        std::string why;
        int status = StoreTapCheckEnd(tap, &pending.front().check, &isBook, &why);
        ok &= told(context, toldCount++, status, isBook, why);
        pending.pop_front();
    };
    for (const std::string& name : names) {
        if (pending.size() == InFlight) tellFirst();
        Pending& next = pending.emplace_back();
        StoreTapCheckBegin(tap, name, &next.check);
        if (worker.Hand(&next)) continue;
        StoreTapCheckParse(&next.check);
        std::lock_guard<std::mutex> held(worker.lock);
        next.parsed = true;
    }
    while (!pending.empty()) tellFirst();
    return ok;
}
