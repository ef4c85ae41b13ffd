// FmtFormat: the engine of the printf family. It walks the format, passes
// literal runs to the sink in place, and formats each conversion into a work
// buffer that starts on the stack and moves to the heap only when a
// conversion needs more than 256 bytes; that heap block then serves the rest
// of the call.
#include "support/base/format.h"

#include "support/base/memory.h"
#include "support/base/strings.h"

#include <climits>
#include <cstddef>
#include <type_traits>

namespace {

struct WorkBuffer {
    char* data;
    int capacity;
    bool onHeap;
};

// Makes room for `size` bytes. A failure leaves the buffer as it was.
bool Grow(WorkBuffer* work, long long size) {
    if (size <= work->capacity) return true;
    if (size > INT_MAX) return false;
    uint32_t bytes = static_cast<uint32_t>(size);
    char* block = static_cast<char*>(work->onHeap ? MemRealloc(work->data, bytes, 0) : MemAlloc(bytes, 0));
    if (!block) return false;
    work->data = block;
    work->capacity = static_cast<int>(size);
    work->onHeap = true;
    return true;
}

// What a string conversion needs, worked out before formatting so that a long
// string is formatted once: the wider of the field width and the part of the
// string the precision lets through, plus the terminator.
long long StringNeeds(const FmtSpec* spec, const FmtArg* arg) {
    long long n = 4; // "C" prints at most one character
    if (spec->letter == 's') n = StrLen(arg->s);
    if (spec->precision >= 0 && spec->precision < n) n = spec->precision;
    if (spec->width > n) n = spec->width;
    return n + 1;
}

int Convert(const WorkBuffer& work, const FmtSpec* spec, const FmtArg* arg, va_list* at) {
    if (spec->handOver) return FmtConvertByRuntime(work.data, work.capacity, spec, arg, at);
    return FmtConvert(work.data, work.capacity, spec, arg);
}

// Stores the count where a count conversion points. A modifier the engine
// does not know ("%Ln") stores an int, or a short after 'h'.
void StoreCount(const FmtSpec* spec, void* target, int count) {
    if (!spec->valid) {
        if (spec->text[spec->textLength - 2] == 'h')
            *static_cast<short*>(target) = static_cast<short>(count);
        else
            *static_cast<int*>(target) = count;
        return;
    }
    switch (spec->length) {
    case FmtLengthChar: *static_cast<signed char*>(target) = static_cast<signed char>(count); break;
    case FmtLengthShort: *static_cast<short*>(target) = static_cast<short>(count); break;
    case FmtLengthLong: *static_cast<long*>(target) = count; break;
    case FmtLengthLongLong: *static_cast<long long*>(target) = count; break;
    case FmtLengthIntMax: *static_cast<intmax_t*>(target) = count; break;
    case FmtLengthSize: *static_cast<std::make_signed_t<size_t>*>(target) = count; break;
    case FmtLengthPtrDiff: *static_cast<ptrdiff_t*>(target) = count; break;
    default: *static_cast<int*>(target) = count; break;
    }
}

int Clamp(long long count) {
    if (count > INT_MAX) return INT_MAX;
    if (count < INT_MIN) return INT_MIN;
    return static_cast<int>(count);
}

} // namespace

int FmtFormat(FmtSink sink, void* context, const char* format, va_list args) {
    va_list ap;
    va_copy(ap, args);
    char stackBuffer[FmtWorkBufferSize];
    WorkBuffer work = {stackBuffer, FmtWorkBufferSize, false};
    long long count = 0;
    const char* p = format ? format : "";

    for (;;) {
        const char* run = p;
        while (*p != 0 && *p != '%') ++p;
        // Every run goes to the sink, even an empty one before a conversion.
        long long runLength = p - run;
        count += sink(context, run, runLength > INT_MAX ? INT_MAX : static_cast<int>(runLength));
        if (*p == 0) break;

        FmtSpec spec;
        p += FmtParseSpec(p, &spec, &ap);
        // The runtime reads a handed-over conversion's argument from here.
        va_list at;
        va_copy(at, ap);
        FmtArg arg = FmtReadArg(&spec, &ap);
        if (arg.kind == FmtArgCountPointer && (spec.valid || spec.handOver)) {
            if (arg.p) StoreCount(&spec, const_cast<void*>(arg.p), Clamp(count));
            va_end(at);
            continue;
        }
        bool grown = true;
        if (spec.valid && !spec.handOver && arg.kind == FmtArgString)
            grown = Grow(&work, StringNeeds(&spec, &arg));

        int length = -1;
        if (grown) {
            length = Convert(work, &spec, &arg, &at);
            if (length >= work.capacity) {
                // Wider than the buffer (a long number field, a long malformed
                // specification): grow and format again rather than cut.
                grown = Grow(&work, static_cast<long long>(length) + 1);
                if (grown) (void)Convert(work, &spec, &arg, &at);
            }
        }
        va_end(at);
        if (!grown) break;
        // The piece ends at its first 0 byte, which only a character
        // conversion or a failed one can leave inside it.
        if (length < 0 || length >= work.capacity || spec.letter == 'c') length = StrLen(work.data);
        count += sink(context, work.data, length);
    }

    if (work.onHeap) MemFree(work.data);
    va_end(ap);
    return Clamp(count);
}
