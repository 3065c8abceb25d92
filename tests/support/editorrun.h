// Runs the real registry editor headless on a booted device image and works
// it by touch and keys; reads its tree and list through their messages.
#pragma once

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "../../arbor/res/resource.h"
#include "commctrl.h"
#include "programrun.h"
#include "regvalues.h"
#include "script.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

namespace ce::test {

class EditorRun : public ProgramRun {
public:
    explicit EditorRun(int width = 800, int height = 480)
        : ProgramRun(
              [] {
                  static WCHAR empty[1] = {0};
                  return WinMain(GetModuleHandle(nullptr), nullptr, empty, SW_SHOW);
              },
              FindMain, width, height) {}
    ~EditorRun() {
        if (!Ended()) CloseMain();
    }

    HWND main() const { return main_; }
    HWND tree() const { return GetDlgItem(main_, IDC_TREE); }
    HWND list() const { return GetDlgItem(main_, IDC_LIST); }
    bool Shows(const std::string& text) { return desktop_->FindText(text).has_value(); }

    // ---- input
    // Taps the first thing showing `text`.
    void TapText(const std::string& text) {
        auto p = desktop_->FindText(text);
        ASSERT_TRUE(p.has_value()) << "not shown: " << text;
        Tap(p->x, p->y);
    }
    void AltKey(unsigned vk, char16_t ch = 0) { Chord(VK_MENU, vk, ch); }
    void CtrlKey(unsigned vk) { Chord(VK_CONTROL, vk, 0); }
    // Keys typed one right behind the other: all are queued before the
    // program handles the first.
    void KeysAhead(std::initializer_list<unsigned> vks) {
        for (unsigned vk : vks) {
            desktop_->InjectKey(vk, true, 0, 0);
            desktop_->InjectKey(vk, false, 0, 0);
        }
        Idle();
    }
    // Types text into the focused control, one key a character ("\r" is
    // Enter), as the automation scripts do.
    void Type(const std::u16string& text) {
        for (char16_t c : text) {
            ce::host::KeyStroke k = ce::host::KeyForChar(c);
            desktop_->InjectKey(k.vk, true, k.modifiers, k.ch);
            desktop_->InjectKey(k.vk, false, k.modifiers, 0);
        }
        Idle();
    }
    // Press-and-hold: down, until a menu opens, then up.
    void Hold(int x, int y) {
        Pointer(ce::host::PointerKind::Down, x, y);
        WaitFor([] {
            WCHAR cls[64] = {0};
            GetClassName(TopVisible(), cls, 64);
            return std::u16string(cls) != u"ARBOR";
        });
        Pointer(ce::host::PointerKind::Up, x, y);
    }
    // A menu command as the command bar sends it.
    void Command(int id) {
        PostMessage(main_, WM_COMMAND, static_cast<WPARAM>(id), 0);
        Idle();
    }

    // ---- the tree
    HTREEITEM Root() const { return TreeView_GetRoot(tree()); }
    HTREEITEM Child(HTREEITEM item) const { return TreeView_GetChild(tree(), item); }
    HTREEITEM Next(HTREEITEM item) const { return TreeView_GetNextSibling(tree(), item); }
    HTREEITEM Selected() const { return TreeView_GetSelection(tree()); }
    std::string Text(HTREEITEM item) const {
        WCHAR buf[300] = {0};
        TVITEM tvi{};
        tvi.mask = TVIF_HANDLE | TVIF_TEXT;
        tvi.hItem = item;
        tvi.pszText = buf;
        tvi.cchTextMax = 300;
        SendMessage(tree(), TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&tvi));
        return Narrow(buf);
    }
    TVITEM Item(HTREEITEM item) const {
        TVITEM tvi{};
        tvi.mask = TVIF_HANDLE | TVIF_CHILDREN | TVIF_STATE | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        tvi.hItem = item;
        tvi.stateMask = 0xFF;
        SendMessage(tree(), TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&tvi));
        return tvi;
    }
    bool HasButton(HTREEITEM item) const { return Item(item).cChildren != 0; }
    bool Expanded(HTREEITEM item) const { return (Item(item).state & TVIS_EXPANDED) != 0; }
    std::vector<std::string> Children(HTREEITEM item) const {
        std::vector<std::string> out;
        for (HTREEITEM c = Child(item); c; c = Next(c)) out.push_back(Text(c));
        return out;
    }
    HTREEITEM Find(HTREEITEM parent, const std::string& text) const {
        for (HTREEITEM c = Child(parent); c; c = Next(c))
            if (Text(c) == text) return c;
        return nullptr;
    }
    // Item rectangle in screen coordinates (the whole row when !textOnly).
    RECT ItemRect(HTREEITEM item, bool textOnly = true) const {
        // The item goes in where the rectangle comes out.
        RECT r{};
        std::memcpy(&r, &item, sizeof item);
        SendMessage(tree(), TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&r));
        POINT tl{r.left, r.top}, br{r.right, r.bottom};
        ClientToScreen(tree(), &tl);
        ClientToScreen(tree(), &br);
        return {tl.x, tl.y, br.x, br.y};
    }
    // Selects an item by tapping its text.
    void Select(HTREEITEM item) {
        SendMessage(tree(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        Idle();
        // Near the start of the text: a long text runs past the tree's edge.
        RECT r = ItemRect(item);
        Tap(std::min((r.left + r.right) / 2, r.left + 8), (r.top + r.bottom) / 2);
    }
    // Taps the item's expand button (found by hit-testing its row).
    void TapButton(HTREEITEM item) {
        SendMessage(tree(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        Idle();
        RECT text = ItemRect(item);
        POINT org{0, 0};
        ClientToScreen(tree(), &org);
        const int y = (text.top + text.bottom) / 2 - org.y;
        for (int x = 0; x < text.left - org.x; ++x) {
            TVHITTESTINFO ht{};
            ht.pt = {x, y};
            if (TreeView_HitTest(tree(), &ht) == item && (ht.flags & TVHT_ONITEMBUTTON)) {
                Tap(org.x + x, org.y + y);
                return;
            }
        }
        ADD_FAILURE() << "no expand button on " << Text(item);
    }
    // Follows a path of item texts from "My Device", expanding on the way.
    HTREEITEM Open(const std::vector<std::string>& path) {
        HTREEITEM item = Root();
        for (const std::string& name : path) {
            if (!Expanded(item)) TapButton(item);
            HTREEITEM next = Find(item, name);
            EXPECT_TRUE(next) << "no item " << name << " under " << Text(item);
            if (!next) return nullptr;
            item = next;
        }
        return item;
    }

    // Opens a path (see Open) and selects its last key.
    HTREEITEM Show(const std::vector<std::string>& path) {
        HTREEITEM item = Open(path);
        if (item) Select(item);
        return item;
    }
    // The status bar's text: the selected key's path.
    std::string StatusText() const {
        WCHAR text[400] = {0};
        SendMessage(GetDlgItem(main_, IDC_STATUS), SB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
        return Narrow(text);
    }

    // ---- the list
    int Rows() const { return ListView_GetItemCount(list()); }
    std::string Cell(int row, int column) const {
        WCHAR buf[1100] = {0};
        LVITEM lvi{};
        lvi.iSubItem = column;
        lvi.pszText = buf;
        lvi.cchTextMax = 1100;
        SendMessage(list(), LVM_GETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&lvi));
        return Narrow(buf);
    }
    // The selected row's name ("" when none is).
    std::string SelectedRow() const {
        int row = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
        return row < 0 ? "" : Cell(row, 0);
    }
    int Image(int row) const {
        LVITEM lvi{};
        lvi.mask = LVIF_IMAGE;
        lvi.iItem = row;
        SendMessage(list(), LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&lvi));
        return lvi.iImage;
    }
    // Row of the value `name`, or -1.
    int RowOf(const std::string& name) const {
        for (int i = 0; i < Rows(); ++i)
            if (Cell(i, 0) == name) return i;
        return -1;
    }
    // Taps a row's name, dx pixels right of its middle (two taps on one
    // spot in quick succession are a double tap).
    void TapRow(int row, int dx = 0) {
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessage(list(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        POINT p{(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2};
        ClientToScreen(list(), &p);
        Tap(p.x, p.y);
    }

    // ---- dialogs: fills the value dialog (or the key dialog) and taps OK.
    void FillAndOk(const std::u16string& name, const std::u16string& data = u"") {
        HWND dlg = Top();
        ASSERT_NE(dlg, main_);
        if (GetDlgItem(dlg, IDC_KEYNAME)) {
            SetDlgItemText(dlg, IDC_KEYNAME, name.c_str());
        } else {
            SetDlgItemText(dlg, IDC_VALUENAME, name.c_str());
            SetDlgItemText(dlg, IDC_VALUEDATA, data.c_str());
        }
        TapControl(dlg, IDOK);
    }

private:
    // A key pressed and released while `modifier` is held.
    void Chord(unsigned modifier, unsigned vk, char16_t ch) {
        desktop_->InjectKey(modifier, true, 0, 0);
        desktop_->InjectKey(vk, true, 0, ch);
        desktop_->InjectKey(vk, false, 0, 0);
        desktop_->InjectKey(modifier, false, 0, 0);
        Idle();
    }
    static HWND FindMain() {
        for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
            WCHAR cls[32] = {0};
            GetClassName(h, cls, 32);
            if (std::u16string(cls) == u"ARBOR" && IsWindowVisible(h)) return h;
        }
        return nullptr;
    }
};

}  // namespace ce::test
