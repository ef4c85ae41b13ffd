// The thread that parses the next document's file, builds its objects and
// frees closed ones' trees (see mif_parse_ahead.h).
#include "hostsim/mif/mif_parse_ahead.h"

#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_reader.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

struct MifParseAhead {
    std::mutex lock;
    std::condition_variable changed;
    bool stop = false;
    // The file in hand: `name` is "" when there is none; `parsing` while
    // the thread parses it.
    std::string name;
    std::atomic<bool> parsing{false};
    // The host's thread waits for the parse: it builds the document itself,
    // while this thread goes on to free trees (a listing, which has little
    // else to do); else this thread builds it (a pass, whose host's thread
    // is busy).
    std::atomic<bool> waiting{false};
    std::string shown; // what messages call the file
    MifParsed result;
    std::vector<std::shared_ptr<const void>> toFree;
    std::atomic<bool> work{false}; // a parse or trees to free
    std::thread thread;

    ~MifParseAhead();
};

namespace {

inline void Relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Waits a while for `ready` before sleeping: a thread woken from sleep, on
// a virtual machine above all, may take longer to run again than a chapter
// takes to parse.
template <class Ready> void Spin(std::chrono::microseconds most, Ready ready) {
    auto until = std::chrono::steady_clock::now() + most;
    while (!ready() && std::chrono::steady_clock::now() < until)
        for (int i = 0; i < 64; ++i) Relax();
}

void Run(MifParseAhead* a) {
    std::unique_lock<std::mutex> held(a->lock);
    for (;;) {
        if (!a->work) {
            held.unlock();
            Spin(std::chrono::microseconds(300), [a] { return a->work.load(); });
            held.lock();
        }
        a->changed.wait(held, [a] { return a->work || a->stop; });
        std::vector<std::shared_ptr<const void>> trees = std::move(a->toFree);
        a->toFree.clear();
        bool parse = a->parsing;
        std::string shown = a->shown, name = a->name;
        // The result, its read's status and local name given, is filled in
        // here; nothing looks at it until `parsing` is false again.
        MifParsed made = parse ? std::move(a->result) : MifParsed{};
        a->work = false;
        if (!parse && trees.empty() && a->stop) return;
        held.unlock();
        trees.clear(); // the trees of documents closed go here
        if (parse) {
            try {
                // A read that fails is the host's to tell, as it ends it.
                FileStoreReadBytes(made.bytes);
                if (made.bytes.read)
                    made.parsed = MifParseBytes(std::move(made.bytes.data), shown, &made.file, &made.error);
                if (made.parsed) {
                    made.warnings = std::move(made.file.warnings);
                    if (!a->waiting) {
                        made.built = MifToDoc(std::move(made.file), name, &made.doc, &made.error);
                        made.refused = !made.built;
                        // The orders a pass asks for first (the marker chain,
                        // paragraph places), worked out here rather than on
                        // the host's thread.
                        if (made.built) SimMakeOrder(made.doc);
                    }
                }
            } catch (const std::bad_alloc&) {
                // Nothing the parse made is kept, only what the read said.
                MifParsed failed;
                failed.local = std::move(made.local);
                failed.bytes = std::move(made.bytes);
                failed.bytes.data = std::string();
                // Memory that ran out while the bytes were read fails the load as it stands.
                failed.status = failed.bytes.read ? made.status : SimStatusBadArgument;
                failed.error = shown + ": out of memory";
                made = std::move(failed);
            }
        }
        held.lock();
        if (parse) {
            a->result = std::move(made);
            a->parsing = false;
            a->changed.notify_all();
        }
    }
}

// Lets go of the file in hand, its parse done. Called with `held`. A host
// that waits for the parse frees meanwhile the trees of documents closed,
// which the thread would free before its next parse.
MifParsed Drop(MifParseAhead& a, std::unique_lock<std::mutex>& held) {
    if (a.parsing) {
        a.waiting = true;
        while (a.parsing && !a.toFree.empty()) {
            std::shared_ptr<const void> tree = std::move(a.toFree.back());
            a.toFree.pop_back();
            held.unlock();
            tree.reset();
            held.lock();
        }
        held.unlock();
        Spin(std::chrono::microseconds(5000), [&a] { return !a.parsing.load(); });
        held.lock();
    }
    a.changed.wait(held, [&a] { return !a.parsing; });
    a.waiting = false;
    a.name.clear();
    return std::exchange(a.result, MifParsed{});
}

} // namespace

MifParseAhead::~MifParseAhead() {
    {
        std::lock_guard<std::mutex> held(lock);
        stop = true;
        work = true;
        changed.notify_all();
    }
    if (thread.joinable()) thread.join();
}

std::shared_ptr<MifParseAhead> MifParseAheadStart() {
    auto ahead = std::make_shared<MifParseAhead>();
    ahead->thread = std::thread(Run, ahead.get());
    return ahead;
}

void MifParseAheadGive(MifParseAhead& ahead, const std::string& name, const std::string& shown, MifParsed read) {
    MifParsed gone;
    std::unique_lock<std::mutex> held(ahead.lock);
    gone = Drop(ahead, held); // freed here, outside the thread
    ahead.name = name;
    ahead.result = std::move(read);
    if (ahead.result.status != SimOk) return;
    ahead.shown = shown;
    ahead.parsing = true;
    ahead.work = true;
    ahead.changed.notify_all();
    held.unlock();
}

bool MifParseAheadTake(MifParseAhead& ahead, const std::string& name, MifParsed* out) {
    std::unique_lock<std::mutex> held(ahead.lock);
    if (ahead.name.empty()) return false;
    bool mine = ahead.name == name;
    MifParsed taken = Drop(ahead, held);
    held.unlock();
    if (mine) *out = std::move(taken);
    return mine;
}

void MifParseAheadFreesTree(const std::shared_ptr<MifParseAhead>& ahead, SimDoc* doc) {
    std::shared_ptr<const void> tree = std::move(doc->storeData);
    if (!tree) return;
    const void* source = tree.get();
    doc->storeData = std::shared_ptr<const void>(source, [ahead, tree](const void*) mutable {
        std::lock_guard<std::mutex> held(ahead->lock);
        ahead->toFree.push_back(std::move(tree));
        ahead->work = true;
        ahead->changed.notify_all();
    });
}
