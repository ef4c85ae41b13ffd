// Helpers shared by the path scanners (see path_scan.h).
#include "support/io/path_scan.h"

#include <cstring>

#include "support/base/memory.h"

int PathLastCharStart(const char* s) {
    int last = -1;
    if (!s) return last;
    for (int i = 0; s[i] != 0; i += PathCharLen(s + i)) last = i;
    return last;
}

int PathEndsWith(const char* s, char c) {
    const int last = PathLastCharStart(s);
    return last >= 0 && s[last] == c && s[last + 1] == 0 ? 1 : 0;
}

char* PathCopyBytes(const char* s, int n) {
    char* copy = static_cast<char*>(MemAlloc(static_cast<uint32_t>(n) + 1, 0));
    if (!copy) return nullptr;
    if (n > 0) std::memcpy(copy, s, static_cast<size_t>(n));
    copy[n] = 0;
    return copy;
}
