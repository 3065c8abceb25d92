// Dialogs from the program's RT_DIALOG resources.
#include "user_internal.h"
#include "winres.h"

namespace {

LPCDLGTEMPLATE LoadTemplate(HINSTANCE inst, LPCWSTR name) {
    HMODULE module = reinterpret_cast<HMODULE>(inst);
    HRSRC res = FindResource(module, name, RT_DIALOG);
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    return static_cast<LPCDLGTEMPLATE>(data ? LockResource(data) : nullptr);
}

}  // namespace

HWND CreateDialogParam(HINSTANCE inst, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param) {
    LPCDLGTEMPLATE t = LoadTemplate(inst, name);
    return t ? CreateDialogIndirectParam(inst, t, parent, proc, param) : nullptr;
}

INT_PTR DialogBoxParam(HINSTANCE inst, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param) {
    LPCDLGTEMPLATE t = LoadTemplate(inst, name);
    return t ? DialogBoxIndirectParam(inst, t, parent, proc, param) : -1;
}
