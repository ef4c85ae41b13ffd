// Module handles, module file names, resources and library loading over the
// dynamic loader. A handle is the loader's handle of a loaded object, which
// with glibc is that object's link map; handles are checked against the
// loader's list of loaded objects before use, so a stray pointer is refused
// rather than followed.
#include "platform/win_module.h"

#ifndef _WIN32
#include "platform/com_runtime.h"
#include "platform/win_names.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;

// The platform's own system modules, reached by name through LoadLibraryA.
struct BuiltinModule {
    const char* name;
    FARPROC (*lookup)(const char* procName);
};
const BuiltinModule builtinModules[] = {
    {"ole32.dll", PlatformComExport},
};
constexpr const char* BuiltinFolder = "C:\\Windows\\System32\\";

struct Registration {
    link_map* module;
    const PlatformResource* table;
    int count;
};
constexpr int MaxRegistrations = 32;
Registration registrations[MaxRegistrations];
int registrationCount = 0;

int EqualNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return 0;
    return *a == *b;
}

const char* BaseName(const char* name) {
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    return base;
}

const BuiltinModule* BuiltinByName(const char* name) {
    const char* base = BaseName(name);
    for (const BuiltinModule& m : builtinModules) {
        size_t stem = std::strlen(m.name) - 4; // without ".dll"
        if (EqualNoCase(base, m.name) ||
            (std::strlen(base) == stem && std::strncmp(base, m.name, stem) == 0))
            return &m;
    }
    return nullptr;
}

const BuiltinModule* BuiltinByHandle(HMODULE module) {
    for (const BuiltinModule& m : builtinModules)
        if (module == static_cast<const void*>(&m)) return &m;
    return nullptr;
}

link_map* MainObject() {
    static link_map* main = static_cast<link_map*>(dlopen(nullptr, RTLD_LAZY));
    return main;
}

// The loaded object behind a handle (null: the program), or null when the
// handle names no loaded object.
link_map* ObjectOf(HMODULE module) {
    link_map* first = MainObject();
    if (!module) return first;
    for (link_map* object = first; object; object = object->l_next)
        if (object == module) return object;
    return nullptr;
}

// The object's absolute local file name.
int LocalFileOf(link_map* object, char* out, size_t size) {
    if (object == MainObject() || !object->l_name || !object->l_name[0]) {
        ssize_t length = readlink("/proc/self/exe", out, size - 1);
        if (length <= 0) return 0;
        out[length] = 0;
        return 1;
    }
    char resolved[PATH_MAX];
    if (!realpath(object->l_name, resolved)) return 0;
    if (std::strlen(resolved) >= size) return 0;
    std::strcpy(out, resolved);
    return 1;
}

DWORD CopyName(const char* name, LPSTR out, DWORD size) {
    size_t length = std::strlen(name);
    if (length < size) {
        std::memcpy(out, name, length + 1);
        return static_cast<DWORD>(length);
    }
    if (size > 0) {
        std::memcpy(out, name, size - 1);
        out[size - 1] = 0;
    }
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
}

const Registration* RegistrationOf(link_map* object) {
    for (int i = 0; i < registrationCount; ++i)
        if (registrations[i].module == object) return &registrations[i];
    return nullptr;
}

// A resource name or type against one entry's number or string.
int Matches(LPCSTR wanted, WORD id, const char* text) {
    if (IS_INTRESOURCE(wanted)) return !text && id == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(wanted));
    if (wanted[0] == '#') {
        char* end = nullptr;
        long number = std::strtol(wanted + 1, &end, 10);
        return !text && *end == 0 && end != wanted + 1 && number == id;
    }
    return text && EqualNoCase(wanted, text);
}
} // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size) {
    if (!name) {
        lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (const BuiltinModule* builtin = BuiltinByHandle(module)) {
        char full[64];
        std::strcpy(full, BuiltinFolder);
        std::strcat(full, builtin->name);
        return CopyName(full, name, size);
    }
    link_map* object = ObjectOf(module);
    char local[PATH_MAX];
    char windows[PATH_MAX + 8];
    if (!object) {
        lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    if (!LocalFileOf(object, local, sizeof local) ||
        PlatformLocalNameToWindows(local, windows, sizeof windows) < 0) {
        lastError = ERROR_FILE_NOT_FOUND;
        return 0;
    }
    return CopyName(windows, name, size);
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name) return MainObject();
    if (const BuiltinModule* builtin = BuiltinByName(name))
        return const_cast<BuiltinModule*>(builtin);
    char local[PATH_MAX];
    if (PlatformWindowsNameToLocal(name, local, sizeof local) < 0) {
        lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    void* handle = dlopen(local, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) {
        lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    dlclose(handle); // no reference is added, as on Windows
    return handle;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!name || !type) {
        lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    link_map* object = ObjectOf(module);
    const Registration* registration = object ? RegistrationOf(object) : nullptr;
    if (!registration) {
        lastError = object ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_INVALID_HANDLE;
        return nullptr;
    }
    int typeSeen = 0;
    for (int i = 0; i < registration->count; ++i) {
        const PlatformResource& r = registration->table[i];
        if (!Matches(type, r.typeId, r.type)) continue;
        typeSeen = 1;
        if (Matches(name, r.nameId, r.name)) return const_cast<PlatformResource*>(&r);
    }
    lastError = typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (!resource) {
        lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return const_cast<void*>(static_cast<PlatformResource*>(resource)->data);
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
    if (!resource) {
        lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    return static_cast<PlatformResource*>(resource)->size;
}

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name) {
        lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    if (const BuiltinModule* builtin = BuiltinByName(name))
        return const_cast<BuiltinModule*>(builtin);
    char local[PATH_MAX];
    void* handle = nullptr;
    if (PlatformWindowsNameToLocal(name, local, sizeof local) >= 0)
        handle = dlopen(local, RTLD_NOW | RTLD_LOCAL);
    if (!handle) lastError = ERROR_MOD_NOT_FOUND;
    return handle;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    // Functions are looked up by name only; ordinals do not exist here.
    if (!name || IS_INTRESOURCE(name)) {
        lastError = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    FARPROC proc = nullptr;
    if (const BuiltinModule* builtin = BuiltinByHandle(module)) {
        proc = builtin->lookup(name);
    } else if (link_map* object = ObjectOf(module)) {
        proc = reinterpret_cast<FARPROC>(dlsym(object, name));
    }
    if (!proc) lastError = ERROR_PROC_NOT_FOUND;
    return proc;
}

BOOL FreeLibrary(HMODULE module) {
    if (BuiltinByHandle(module)) return TRUE;
    link_map* object = module ? ObjectOf(module) : nullptr;
    if (!object || object == MainObject()) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return dlclose(object) == 0;
}

int PlatformRegisterResources(const void* anchor, const PlatformResource* table, int count) {
    Dl_info info;
    link_map* object = nullptr;
    if (!dladdr1(anchor, &info, reinterpret_cast<void**>(&object), RTLD_DL_LINKMAP) || !object)
        return 0;
    for (int i = 0; i < registrationCount; ++i) {
        if (registrations[i].module != object) continue;
        registrations[i].table = table;
        registrations[i].count = count;
        return 1;
    }
    if (registrationCount == MaxRegistrations) return 0;
    registrations[registrationCount++] = {object, table, count};
    return 1;
}

const PlatformResource* PlatformResourcesOfFile(const char* localName, int* count) {
    char wanted[PATH_MAX];
    if (!localName || !realpath(localName, wanted)) return nullptr;
    for (int i = 0; i < registrationCount; ++i) {
        char file[PATH_MAX];
        if (!ObjectOf(registrations[i].module)) continue; // unloaded since
        if (!LocalFileOf(registrations[i].module, file, sizeof file)) continue;
        if (std::strcmp(file, wanted) != 0) continue;
        if (count) *count = registrations[i].count;
        return registrations[i].table;
    }
    return nullptr;
}
void PlatformUnregisterResources(const PlatformResource* table) {
    for (int i = 0; i < registrationCount; ++i) {
        if (registrations[i].table != table) continue;
        registrations[i] = registrations[--registrationCount];
        return;
    }
}
#endif
