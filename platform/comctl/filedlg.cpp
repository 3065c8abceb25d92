// The open and save file dialogs (GetOpenFileName, GetSaveFileName).
//
// A dialog of the device's own kind: the caption carries the OK button and
// the close box; below it the folder being shown with an "Up" button, the
// list of its folders (first) and files (second, only those matching the
// selected filter), the name field and the filter box. It browses the
// device's file system through the file API, so it sees exactly what the
// programs see: "\" holds "StorageCard" while a card is inserted.
//
// Taps: a tap selects a row (a file's name goes into the name field), a
// double tap opens a folder or chooses a file. OK with a name: the name may
// be a path, from the root ("\StorageCard\acc.bak") or from the folder
// shown ("sub\acc.bak", "..\acc.bak"), with '\' or '/'. Its folders must
// exist (else it is reported and the dialog stays); a last part that names a
// folder (or is empty, "." or "..") opens that folder; a last part with a
// character the device refuses in names is reported and the dialog stays;
// otherwise the full path is the result. Hooks, custom templates and
// multiple selection are not offered.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ce_comctl.h"
#include "ce_kernel.h"
#include "commdlg.h"
#include "filelist.h"

namespace {

constexpr int kIdFolder = 1100;
constexpr int kIdUp = 1101;
constexpr int kIdList = 1102;
constexpr int kIdName = 1103;
constexpr int kIdType = 1104;
constexpr int kIdNameLabel = 1105;
constexpr int kIdTypeLabel = 1106;

// CommDlgExtendedError is per thread, as the last error is.
thread_local DWORD t_lastError = 0;

constexpr std::u16string_view kInvalidChars = u"\\/:*?\"<>|";

struct Filter {
    std::u16string text;
    std::u16string pattern;
};

struct DialogState {
    LPOPENFILENAME ofn = nullptr;
    bool save = false;
    std::u16string caption;
    std::u16string folder;  // "\" or "\A\B"
    std::u16string initialName;
    std::vector<Filter> filters;
    int filter = 0;
    DWORD error = 0;
};

// ---- Names and patterns --------------------------------------------------------------

std::u16string Join(const std::u16string& folder, std::u16string_view name) {
    std::u16string p = folder;
    if (p.empty() || p.back() != u'\\') p += u'\\';
    p += name;
    return p;
}

std::u16string ParentOf(const std::u16string& folder) {
    auto cut = folder.find_last_of(u'\\');
    if (cut == std::u16string::npos || cut == 0) return u"\\";
    return folder.substr(0, cut);
}

std::u16string Trim(std::u16string s) {
    auto first = s.find_first_not_of(u' ');
    if (first == std::u16string::npos) return {};
    auto last = s.find_last_not_of(u' ');
    return s.substr(first, last - first + 1);
}

bool Matches(std::u16string_view pat, std::u16string_view name) {
    // Iterative '*' / '?' matching on case-folded text.
    size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pat.size() && (pat[p] == u'?' || ce::FoldChar(pat[p]) == ce::FoldChar(name[n]))) {
            ++p;
            ++n;
        } else if (p < pat.size() && pat[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == u'*') ++p;
    return p == pat.size();
}

}  // namespace

namespace ce::comctl {

// True when `name` matches one of the ';'-separated patterns, ignoring case.
// "*.*" matches every name, also one without a dot, as on the device.
bool FileNameMatchesFilter(std::u16string_view patterns, std::u16string_view name) {
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(u';', start);
        if (end == std::u16string_view::npos) end = patterns.size();
        std::u16string pat = Trim(std::u16string(patterns.substr(start, end - start)));
        if (pat == u"*.*" || pat == u"*") return true;
        if (!pat.empty() && Matches(pat, name)) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace ce::comctl

namespace {

std::vector<Filter> ParseFilters(LPCWSTR f) {
    std::vector<Filter> out;
    if (!f) return out;
    while (*f) {
        Filter entry;
        entry.text = f;
        f += entry.text.size() + 1;
        entry.pattern = f;
        f += entry.pattern.size() + 1;
        out.push_back(std::move(entry));
        if (out.back().pattern.empty()) break;
    }
    return out;
}

// ---- The dialog's template -------------------------------------------------------------

class TemplateWriter {
public:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(std::u16string_view s) {
        for (char16_t c : s) Word(c);
        Word(0);
    }
    void Align() {
        if (words_.size() % 2) Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, std::u16string_view cls,
              std::u16string_view text) {
        Align();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Word(static_cast<WORD>(x));
        Word(static_cast<WORD>(y));
        Word(static_cast<WORD>(cx));
        Word(static_cast<WORD>(cy));
        Word(id);
        Text(cls);
        Text(text);
        Word(0);  // no creation data
        ++count_;
    }
    // The item count is the fifth word of the dialog's header.
    std::vector<WORD>& Finish() {
        words_[4] = count_;
        return words_;
    }

private:
    std::vector<WORD> words_;
    WORD count_ = 0;
};

std::vector<WORD> BuildTemplate(const std::u16string& caption) {
    TemplateWriter w;
    w.Dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    w.Dword(WS_EX_CAPTIONOKBTN);
    w.Word(0);  // items, filled in at the end
    w.Word(0);  // x
    w.Word(0);  // y
    w.Word(200);
    w.Word(146);
    w.Word(0);  // no menu
    w.Word(0);  // the dialog class
    w.Text(caption);
    w.Word(10);
    w.Text(u"MS Shell Dlg");
    w.Item(SS_LEFT | SS_NOPREFIX, 7, 6, 150, 9, kIdFolder, u"Static", u"");
    w.Item(BS_PUSHBUTTON | WS_TABSTOP, 162, 3, 31, 14, kIdUp, u"Button", u"Up");
    w.Item(WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 20, 186, 87, kIdList, u"FileDlgList", u"");
    w.Item(SS_LEFT, 7, 114, 26, 9, kIdNameLabel, u"Static", u"Name:");
    w.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 36, 112, 157, 13, kIdName, u"Edit", u"");
    w.Item(SS_LEFT, 7, 131, 26, 9, kIdTypeLabel, u"Static", u"Type:");
    w.Item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 36, 129, 157, 60, kIdType, u"ComboBox", u"");
    return w.Finish();
}

// ---- Working the dialog ---------------------------------------------------------------

DialogState* StateOf(HWND dlg) {
    return reinterpret_cast<DialogState*>(GetWindowLong(dlg, DWL_USER));
}

std::u16string ItemText(HWND dlg, int id) {
    HWND c = GetDlgItem(dlg, id);
    auto n = SendMessage(c, WM_GETTEXTLENGTH, 0, 0);
    std::u16string s(static_cast<size_t>(std::max<LRESULT>(n, 0)) + 1, u'\0');
    auto got = SendMessage(c, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, static_cast<LRESULT>(s.size() - 1))));
    return s;
}

void EnterFolder(HWND dlg, DialogState& st, const std::u16string& folder);

// Lists the current folder: its folders, then the files the filter lets through.
void Refill(HWND dlg, DialogState& st) {
    HWND list = GetDlgItem(dlg, kIdList);
    SendMessage(list, LB_RESETCONTENT, 0, 0);
    SetDlgItemText(dlg, kIdFolder, st.folder.c_str());
    EnableWindow(GetDlgItem(dlg, kIdUp), st.folder != u"\\");
    std::u16string pattern = st.filter < static_cast<int>(st.filters.size())
                                 ? st.filters[static_cast<size_t>(st.filter)].pattern
                                 : std::u16string(u"*.*");
    std::vector<std::u16string> folders, files;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFile(Join(st.folder, u"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND && st.folder != u"\\") {
        // The folder went away (a card taken out): show the root instead.
        EnterFolder(dlg, st, u"\\");
        return;
    }
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                folders.emplace_back(fd.cFileName);
            else if (ce::comctl::FileNameMatchesFilter(pattern, fd.cFileName))
                files.emplace_back(fd.cFileName);
        } while (FindNextFile(find, &fd));
        FindClose(find);
    }
    for (auto& f : folders) {
        auto i = SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
        SendMessage(list, LB_SETITEMDATA, static_cast<WPARAM>(i), 1);
    }
    for (auto& f : files) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
}

void EnterFolder(HWND dlg, DialogState& st, const std::u16string& folder) {
    st.folder = folder;
    Refill(dlg, st);
}

std::u16string ListText(HWND list, int index) {
    auto n = SendMessage(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n < 0) return {};
    std::u16string s(static_cast<size_t>(n) + 1, u'\0');
    SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(n));
    return s;
}

void Say(HWND dlg, const DialogState& st, const std::u16string& text) {
    MessageBox(dlg, text.c_str(), st.caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dlg, kIdName));
}

bool IsSlash(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool ValidName(std::u16string_view name) {
    if (name.find_first_of(kInvalidChars) != std::u16string_view::npos) return false;
    if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20; })) return false;
    return name.find_first_not_of(u'.') != std::u16string_view::npos;  // not only dots
}

// Writes the chosen path into the caller's structure; false (with the
// error set) when it does not fit.
bool Deliver(DialogState& st, const std::u16string& path) {
    OPENFILENAME& ofn = *st.ofn;
    if (path.size() + 1 > ofn.nMaxFile) {
        // The first character tells the caller the size it needs.
        if (ofn.nMaxFile >= 1) ofn.lpstrFile[0] = static_cast<WCHAR>(std::min<size_t>(path.size() + 1, 0xFFFF));
        st.error = FNERR_BUFFERTOOSMALL;
        return false;
    }
    std::copy(path.begin(), path.end(), ofn.lpstrFile);
    ofn.lpstrFile[path.size()] = 0;
    size_t nameAt = path.find_last_of(u'\\') + 1;
    ofn.nFileOffset = static_cast<WORD>(nameAt);
    size_t dot = path.find_last_of(u'.');
    if (dot == std::u16string::npos || dot < nameAt)
        ofn.nFileExtension = static_cast<WORD>(path.size());  // no extension: the terminator
    else if (dot + 1 == path.size())
        ofn.nFileExtension = 0;  // a name ending in '.'
    else
        ofn.nFileExtension = static_cast<WORD>(dot + 1);
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
        std::u16string_view title(path.data() + nameAt, path.size() - nameAt);
        size_t n = std::min<size_t>(title.size(), ofn.nMaxFileTitle - 1);
        std::copy_n(title.data(), n, ofn.lpstrFileTitle);
        ofn.lpstrFileTitle[n] = 0;
    }
    if (!st.filters.empty()) ofn.nFilterIndex = static_cast<DWORD>(st.filter + 1);
    return true;
}

INT_PTR OnOk(HWND dlg, DialogState& st) {
    std::u16string name = Trim(ItemText(dlg, kIdName));
    HWND list = GetDlgItem(dlg, kIdList);
    if (name.empty()) {
        // OK with a folder selected opens it.
        auto sel = SendMessage(list, LB_GETCURSEL, 0, 0);
        if (sel >= 0 && SendMessage(list, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0) == 1)
            EnterFolder(dlg, st, Join(st.folder, ListText(list, static_cast<int>(sel))));
        return TRUE;
    }
    // The folders of a typed path, walked from the root or the folder shown.
    std::u16string folder = IsSlash(name.front()) ? std::u16string(u"\\") : st.folder;
    const size_t slash = name.find_last_of(u"\\/");
    const size_t lastAt = slash == std::u16string::npos ? 0 : slash + 1;
    for (size_t at = 0; at < lastAt;) {
        size_t end = name.find_first_of(u"\\/", at);
        std::u16string part = Trim(name.substr(at, end - at));
        at = end + 1;
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            folder = ParentOf(folder);
            continue;
        }
        // The folder as the device spells it, whatever case was typed.
        WIN32_FIND_DATAW fd;
        std::u16string next = Join(folder, part);
        const bool plain = part.find_first_of(u"*?") == std::u16string::npos && next.size() < MAX_PATH;
        HANDLE find = plain ? FindFirstFile(next.c_str(), &fd) : INVALID_HANDLE_VALUE;
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        if (find == INVALID_HANDLE_VALUE || !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            Say(dlg, st, u"\"" + name + u"\"\nThe path does not exist.\nCheck the path and try again.");
            return TRUE;
        }
        folder = Join(folder, fd.cFileName);
    }
    name = Trim(name.substr(lastAt));
    if (name.empty() || name == u"." || name == u"..") {
        EnterFolder(dlg, st, name == u".." ? ParentOf(folder) : folder);
        SetDlgItemText(dlg, kIdName, u"");
        return TRUE;
    }
    if (!ValidName(name)) {
        Say(dlg, st, u"\"" + name + u"\"\nA file name cannot contain any of these characters:\n\\ / : * ? \" < > |");
        return TRUE;
    }
    std::u16string path = Join(folder, name);
    DWORD attrs = path.size() < MAX_PATH ? GetFileAttributes(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        EnterFolder(dlg, st, path);
        SetDlgItemText(dlg, kIdName, u"");
        return TRUE;
    }
    const OPENFILENAME& ofn = *st.ofn;
    if (ofn.lpstrDefExt && *ofn.lpstrDefExt && name.find(u'.') == std::u16string::npos) {
        path += u'.';
        path += ofn.lpstrDefExt;
        attrs = path.size() < MAX_PATH ? GetFileAttributes(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    }
    if (path.size() >= MAX_PATH) {
        Say(dlg, st, u"The file name is too long.");
        return TRUE;
    }
    const bool exists = attrs != INVALID_FILE_ATTRIBUTES;
    std::u16string shown = path.substr(path.find_last_of(u'\\') + 1);
    if (!st.save && !exists && (ofn.Flags & OFN_FILEMUSTEXIST)) {
        Say(dlg, st, shown + u"\nFile not found.\nCheck the file name and try again.");
        return TRUE;
    }
    if (st.save && exists && (ofn.Flags & OFN_OVERWRITEPROMPT)) {
        std::u16string q = shown + u" already exists.\nDo you want to replace it?";
        if (MessageBox(dlg, q.c_str(), st.caption.c_str(), MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
            SetFocus(GetDlgItem(dlg, kIdName));
            return TRUE;
        }
    }
    EndDialog(dlg, Deliver(st, path) ? IDOK : IDABORT);
    return TRUE;
}

INT_PTR OnList(HWND dlg, DialogState& st, WORD code) {
    HWND list = GetDlgItem(dlg, kIdList);
    auto sel = SendMessage(list, LB_GETCURSEL, 0, 0);
    if (sel < 0) return TRUE;
    std::u16string text = ListText(list, static_cast<int>(sel));
    bool folder = SendMessage(list, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0) == 1;
    if (code == LBN_SELCHANGE && !folder) {
        SetDlgItemText(dlg, kIdName, text.c_str());
    } else if (code == LBN_DBLCLK) {
        if (folder) {
            EnterFolder(dlg, st, Join(st.folder, text));
        } else {
            SetDlgItemText(dlg, kIdName, text.c_str());
            OnOk(dlg, st);
        }
    }
    return TRUE;
}

void InitDialog(HWND dlg, DialogState& st) {
    SetWindowLong(dlg, DWL_USER, reinterpret_cast<LONG_PTR>(&st));
    HWND type = GetDlgItem(dlg, kIdType);
    for (auto& f : st.filters) SendMessage(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.text.c_str()));
    if (!st.filters.empty()) SendMessage(type, CB_SETCURSEL, static_cast<WPARAM>(st.filter), 0);
    EnableWindow(type, !st.filters.empty());
    SendDlgItemMessage(dlg, kIdName, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SetDlgItemText(dlg, kIdName, st.initialName.c_str());
    Refill(dlg, st);
}

INT_PTR OnInitDialog(HWND dlg, DialogState& st) {
    InitDialog(dlg, st);
    SetFocus(GetDlgItem(dlg, kIdName));
    return FALSE;
}

// A storage card came or went: list the folder again (the root when the
// folder went with the card).
INT_PTR OnDeviceChange(HWND dlg, DialogState& st, WPARAM event) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return FALSE;
    Refill(dlg, st);
    return TRUE;
}

INT_PTR OnCancel(HWND dlg) {
    EndDialog(dlg, IDCANCEL);
    return TRUE;
}

INT_PTR OnUp(HWND dlg, DialogState& st, WORD code) {
    if (code == BN_CLICKED) EnterFolder(dlg, st, ParentOf(st.folder));
    return TRUE;
}

INT_PTR OnType(HWND dlg, DialogState& st, WORD code) {
    if (code != CBN_SELCHANGE) return TRUE;
    auto sel = SendMessage(GetDlgItem(dlg, kIdType), CB_GETCURSEL, 0, 0);
    if (sel >= 0) st.filter = static_cast<int>(sel);
    Refill(dlg, st);
    return TRUE;
}

INT_PTR OnCommand(HWND dlg, DialogState& st, WORD id, WORD code) {
    switch (id) {
        case IDOK:
            return OnOk(dlg, st);
        case IDCANCEL:
            return OnCancel(dlg);
        case kIdUp:
            return OnUp(dlg, st, code);
        case kIdList:
            return OnList(dlg, st, code);
        case kIdType:
            return OnType(dlg, st, code);
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK FileDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) return OnInitDialog(dlg, *reinterpret_cast<DialogState*>(lp));
    DialogState* st = StateOf(dlg);
    if (!st) return FALSE;
    switch (msg) {
        case WM_DEVICECHANGE:
            return OnDeviceChange(dlg, *st, wp);
        case WM_COMMAND:
            return OnCommand(dlg, *st, LOWORD(wp), HIWORD(wp));
        default:
            return FALSE;
    }
}

// Where the dialog starts: the initial folder when it exists, else the
// folder of a full path in lpstrFile, else the root.
void StartingPlace(const OPENFILENAME& ofn, DialogState& st) {
    auto isFolder = [](const std::u16string& p) {
        DWORD a = GetFileAttributes(p.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    };
    auto normal = [](std::u16string p) {
        while (p.size() > 1 && p.back() == u'\\') p.pop_back();
        if (p.empty() || p[0] != u'\\') p.insert(p.begin(), u'\\');
        return p;
    };
    st.folder = u"\\";
    std::u16string file = ofn.lpstrFile && ofn.nMaxFile > 0
                              ? std::u16string(ofn.lpstrFile, std::find(ofn.lpstrFile, ofn.lpstrFile + ofn.nMaxFile, 0))
                              : std::u16string();
    auto cut = file.find_last_of(u'\\');
    st.initialName = cut == std::u16string::npos ? file : file.substr(cut + 1);
    if (cut != std::u16string::npos && cut > 0 && isFolder(normal(file.substr(0, cut))))
        st.folder = normal(file.substr(0, cut));
    if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir && isFolder(normal(ofn.lpstrInitialDir)))
        st.folder = normal(ofn.lpstrInitialDir);
}

BOOL RunFileDialog(LPOPENFILENAME ofn, bool save) {
    t_lastError = 0;
    if (!ofn || ofn->lStructSize != sizeof(OPENFILENAME)) {
        t_lastError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || (ofn->hwndOwner && !IsWindow(ofn->hwndOwner))) {
        t_lastError = CDERR_INITIALIZATION;
        return FALSE;
    }
    ce::comctl::RegisterControls();
    DialogState st;
    st.ofn = ofn;
    st.save = save;
    st.caption = ofn->lpstrTitle && *ofn->lpstrTitle ? ofn->lpstrTitle : (save ? u"Save As" : u"Open");
    st.filters = ParseFilters(ofn->lpstrFilter);
    int index = ofn->nFilterIndex ? static_cast<int>(ofn->nFilterIndex) - 1 : 0;
    st.filter = index < static_cast<int>(st.filters.size()) ? index : 0;
    StartingPlace(*ofn, st);

    std::vector<WORD> tmpl = BuildTemplate(st.caption);
    INT_PTR r = DialogBoxIndirectParam(ofn->hInstance, reinterpret_cast<LPCDLGTEMPLATE>(tmpl.data()), ofn->hwndOwner,
                                       FileDialogProc, reinterpret_cast<LPARAM>(&st));
    if (r == IDOK) return TRUE;
    if (r == -1)
        t_lastError = CDERR_DIALOGFAILURE;
    else
        t_lastError = st.error;
    return FALSE;
}

}  // namespace

namespace ce::comctl {

void RegisterFileDialogClasses() {
    RegisterFileListClass();
}

}  // namespace ce::comctl

BOOL GetOpenFileName(LPOPENFILENAME lpofn) {
    return RunFileDialog(lpofn, false);
}
BOOL GetSaveFileName(LPOPENFILENAME lpofn) {
    return RunFileDialog(lpofn, true);
}
DWORD CommDlgExtendedError() {
    return t_lastError;
}
