// Menus and accelerator tables from their templates: LoadMenu and
// LoadAccelerators give handles to the parsed data, which the window system
// reads through GetMenuData / GetAccelData.
#include <map>
#include <mutex>

#include "ce_res.h"

namespace ce::res {
namespace {

// Handles are the addresses of the parsed data, kept alive by these tables.
struct Tables {
    std::mutex mutex;
    std::map<const void*, std::shared_ptr<MenuData>> menus;
    std::map<const void*, std::shared_ptr<AccelData>> accels;
};

Tables& T() {
    static Tables t;
    return t;
}

class Reader {
public:
    Reader(const BYTE* d, size_t n) : d_(d), n_(n) {}
    bool Word(WORD* v) {
        if (p_ + 2 > n_) return false;
        *v = static_cast<WORD>(d_[p_] | (d_[p_ + 1] << 8));
        p_ += 2;
        return true;
    }
    bool Str(std::u16string* s) {
        for (WORD c; Word(&c);) {
            if (!c) return true;
            s->push_back(static_cast<char16_t>(c));
        }
        return false;
    }

private:
    const BYTE* d_;
    size_t n_;
    size_t p_ = 0;
};

// Items of one level, up to and including the one flagged MF_END.
bool ParseItems(Reader& r, std::vector<MenuItem>* items, int depth) {
    if (depth > 16) return false;
    for (;;) {
        WORD flags = 0, id = 0;
        if (!r.Word(&flags)) return false;
        MenuItem item;
        if (!(flags & MF_POPUP) && !r.Word(&id)) return false;
        if (!r.Str(&item.text)) return false;
        item.flags = flags & ~MF_END;
        item.id = id;
        if (flags & MF_POPUP) {
            if (!ParseItems(r, &item.children, depth + 1)) return false;
        } else if (flags == 0 && id == 0 && item.text.empty()) {
            item.flags = MF_SEPARATOR;
        }
        items->push_back(std::move(item));
        if (flags & MF_END) return true;
    }
}

}  // namespace

std::shared_ptr<MenuData> ParseMenuTemplate(const void* data, size_t size) {
    Reader r(static_cast<const BYTE*>(data), size);
    WORD version = 0, offset = 0;
    if (!r.Word(&version) || !r.Word(&offset) || version != 0 || offset != 0) return nullptr;
    auto menu = std::make_shared<MenuData>();
    if (!ParseItems(r, &menu->items, 0)) return nullptr;
    return menu;
}

std::shared_ptr<MenuData> GetMenuData(HMENU menu) {
    std::lock_guard lock(T().mutex);
    auto it = T().menus.find(menu);
    return it == T().menus.end() ? nullptr : it->second;
}

BOOL FreeMenuData(HMENU menu) {
    std::lock_guard lock(T().mutex);
    return T().menus.erase(menu) ? TRUE : FALSE;
}

std::shared_ptr<AccelData> GetAccelData(HACCEL accel) {
    std::lock_guard lock(T().mutex);
    auto it = T().accels.find(accel);
    return it == T().accels.end() ? nullptr : it->second;
}

BOOL FreeAccelData(HACCEL accel) {
    std::lock_guard lock(T().mutex);
    return T().accels.erase(accel) ? TRUE : FALSE;
}

}  // namespace ce::res

using namespace ce::res;

HMENU LoadMenu(HINSTANCE hInstance, LPCWSTR lpMenuName) {
    Bytes b = FindBytes(hInstance, lpMenuName, RT_MENU);
    if (!b.data) return nullptr;
    auto menu = ParseMenuTemplate(b.data, b.size);
    if (!menu) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HMENU h = reinterpret_cast<HMENU>(menu.get());
    std::lock_guard lock(T().mutex);
    T().menus[h] = std::move(menu);
    return h;
}

// The table repeats its entries of { WORD fVirt, WORD key, WORD cmd, WORD pad };
// 0x80 in fVirt marks the last.
HACCEL LoadAccelerators(HINSTANCE hInstance, LPCWSTR lpTableName) {
    Bytes b = FindBytes(hInstance, lpTableName, RT_ACCELERATOR);
    if (!b.data) return nullptr;
    auto table = std::make_shared<AccelData>();
    bool ended = false;
    for (size_t p = 0; p + 8 <= b.size && !ended; p += 8) {
        auto word = [&](size_t at) { return static_cast<WORD>(b.data[p + at] | (b.data[p + at + 1] << 8)); };
        WORD flags = word(0);
        table->entries.push_back({static_cast<BYTE>(flags & 0x7F), word(2), word(4)});
        ended = (flags & 0x80) != 0;
    }
    if (!ended) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HACCEL h = reinterpret_cast<HACCEL>(table.get());
    std::lock_guard lock(T().mutex);
    T().accels[h] = std::move(table);
    return h;
}
