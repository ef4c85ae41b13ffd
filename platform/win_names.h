// The one mapping between the library's file names, which are always in
// Windows form (drive letters, backslashes), and the names of the system the
// library runs on. On Windows both directions are the identity.
//
// Elsewhere the POSIX root is drive Z: ("Z:\home\a\b.mif" is "/home/a/b.mif"),
// a share name "\\server\share" is "//server/share", and a name that begins
// with a single '\' is rooted at Z:. Relative names only swap their
// separators. A drive other than Z: has no local counterpart and keeps its
// letter ("C:\x" becomes "C:/x"), so opening it fails in the ordinary way.
//
// The scan is byte by byte: pass names in UTF-8 or another encoding in which
// no byte of a multi-byte character equals '\' or '/'.
#pragma once

// Both write a terminated name into `out` (`size` bytes) and return its
// length, or -1 (with `out` made "" when size > 0) for a null name, a null
// buffer, or a result that does not fit.
int PlatformWindowsNameToLocal(const char* name, char* out, int size);
int PlatformLocalNameToWindows(const char* name, char* out, int size);
