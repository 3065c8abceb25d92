// The kernel's handle table (see handle_table.h): events, threads, files,
// devices and modules share it, so CloseHandle accepts any of them.
#include "ce_kernel.h"
#include "handle_table.h"

namespace ce {

namespace {

// The table lives as long as the process: objects still open at exit (the
// drivers' events, a thread's handle) are never destroyed in an arbitrary
// order against the rest of the kernel's globals.
HandleTable<KernelObject>& g_handles = *new HandleTable<KernelObject>(0, ERROR_TOO_MANY_OPEN_FILES);

}  // namespace

HANDLE AllocHandle(std::shared_ptr<KernelObject> object) {
    return g_handles.Alloc(std::move(object));
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE h) {
    return g_handles.Lookup(h);
}

bool FreeHandle(HANDLE h) {
    return g_handles.Free(h) != nullptr;  // the object dies here, outside the table's lock
}

}  // namespace ce

BOOL CloseHandle(HANDLE hObject) {
    if (!ce::FreeHandle(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
