// Factory content of a new device image: the registry values the programs
// read, representative device content of every value type, and the
// system-information record "\Windows\info.civ".
#include "factory.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace ce {

namespace {

class FactoryKey {
public:
    FactoryKey(HKEY root, const char16_t* path) {
        RegCreateKeyEx(root, path, 0, nullptr, 0, 0, nullptr, &key_, nullptr);
    }
    ~FactoryKey() {
        if (key_) RegCloseKey(key_);
    }
    FactoryKey(const FactoryKey&) = delete;
    FactoryKey& operator=(const FactoryKey&) = delete;

    FactoryKey& Sz(const char16_t* name, std::u16string_view text, DWORD type = REG_SZ) {
        std::u16string data(text);
        data.push_back(0);
        return Raw(name, type, data.data(), data.size() * sizeof(char16_t));
    }
    FactoryKey& Multi(const char16_t* name, std::initializer_list<std::u16string_view> items) {
        std::u16string data;
        for (auto item : items) {
            data += item;
            data.push_back(0);
        }
        data.push_back(0);
        return Raw(name, REG_MULTI_SZ, data.data(), data.size() * sizeof(char16_t));
    }
    FactoryKey& Dword(const char16_t* name, DWORD value) { return Raw(name, REG_DWORD, &value, sizeof value); }
    FactoryKey& Binary(const char16_t* name, std::initializer_list<BYTE> bytes, DWORD type = REG_BINARY) {
        std::vector<BYTE> data(bytes);
        return Raw(name, type, data.data(), data.size());
    }
    FactoryKey& Raw(const char16_t* name, DWORD type, const void* data, size_t size) {
        if (key_) RegSetValueEx(key_, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
        return *this;
    }
    void Flush() {
        if (key_) RegFlushKey(key_);
    }

private:
    HKEY key_ = nullptr;
};

void PutText(std::vector<BYTE>& rec, size_t offset, size_t size, std::u16string_view text) {
    for (size_t i = 0; i < text.size() && (i + 1) * 2 < size; ++i) {
        rec[offset + i * 2] = static_cast<BYTE>(text[i] & 0xFF);
        rec[offset + i * 2 + 1] = static_cast<BYTE>(text[i] >> 8);
    }
}

}  // namespace

void WriteFactoryRegistry() {
    // Settings of the control panel.
    FactoryKey(HKEY_CURRENT_USER, u"ControlPanel\\Backlight").Dword(u"UseExt", 1).Dword(u"ACTimeout", 300);
    FactoryKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\ExtPartInit")
        .Sz(u"Prefix", u"EPI")
        .Sz(u"Dll", u"extpart.dll")
        .Dword(u"Index", 1)
        .Dword(u"Order", 20)
        .Dword(u"brightless_value", 21)
        .Dword(u"RotateAngle", 0);
    FactoryKey(HKEY_LOCAL_MACHINE, u"Comm\\FTPD")
        .Sz(u"DefaultDir", u"\\Temp\\")
        .Sz(u"UserList", u"@*;")
        .Dword(u"IsEnabled", 1)
        .Dword(u"AllowAnonymous", 1)
        .Dword(u"AllowAnonymousUpload", 0);
    FactoryKey(HKEY_LOCAL_MACHINE, u"Comm\\HTTPD").Dword(u"IsEnabled", 1).Dword(u"Port", 80);
    FactoryKey(HKEY_LOCAL_MACHINE, u"Comm\\HTTPD\\VROOTS\\/")
        .Sz(u"", u"\\Windows\\www\\wwwpub")
        .Sz(u"default", u"\\Windows\\www\\wwwpub");

    // Representative device content, with every value type.
    FactoryKey(HKEY_LOCAL_MACHINE, u"Ident")
        .Sz(u"Name", u"PANEL01")
        .Sz(u"Desc", u"Operator panel")
        .Sz(u"OrigName", u"PANEL01");
    FactoryKey(HKEY_LOCAL_MACHINE, u"Loader").Multi(u"SystemPath", {u"\\StorageCard\\", u"\\Windows\\"});
    FactoryKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial1")
        .Sz(u"Prefix", u"COM")
        .Sz(u"Dll", u"serial.dll")
        .Dword(u"Index", 1)
        .Dword(u"Order", 0)
        .Multi(u"IClass", {u"{CC5195AC-BA49-48a0-BE17-DF6D1B0173DD}"});
    FactoryKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Serial3")
        .Sz(u"Prefix", u"COM")
        .Sz(u"Dll", u"serial.dll")
        .Dword(u"Index", 3)
        .Dword(u"Order", 0);
    FactoryKey(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\I2C")
        .Sz(u"Prefix", u"I2C")
        .Sz(u"Dll", u"i2c.dll")
        .Dword(u"Index", 0);
    FactoryKey(HKEY_LOCAL_MACHINE, u"HARDWARE\\DEVICEMAP\\TOUCH")
        .Sz(u"CalibrationData", u"1,0,0,0,1,0")  // the identity: see platform/drivers/touch.cpp
        .Sz(u"DriverName", u"touch.dll");
    FactoryKey(HKEY_LOCAL_MACHINE, u"System\\GDI\\Rotation").Dword(u"Angle", 0);
    FactoryKey(HKEY_LOCAL_MACHINE, u"System\\StorageManager\\Profiles\\SDMemory")
        .Sz(u"Name", u"SD Memory Card")
        .Sz(u"Folder", u"StorageCard")
        .Dword(u"AutoMount", 1);
    FactoryKey(HKEY_LOCAL_MACHINE, u"Software\\Shell").Sz(u"StartupPath", u"%windir%\\Startup", REG_EXPAND_SZ);
    FactoryKey(HKEY_LOCAL_MACHINE, u"System\\Events")
        .Binary(u"LastBootTime", {0x00, 0x80, 0x3e, 0xd5, 0xde, 0xb1, 0x9d, 0x01}, REG_QWORD)
        .Binary(u"Marker", {}, REG_NONE);
    FactoryKey(HKEY_CURRENT_USER, u"ControlPanel\\Owner")
        .Binary(u"Owner", {0x4f, 0x00, 0x70, 0x00, 0x65, 0x00, 0x72, 0x00, 0x61, 0x00, 0x74, 0x00, 0x6f, 0x00, 0x72,
                           0x00, 0x00, 0x00});
    FactoryKey(HKEY_CURRENT_USER, u"ControlPanel\\Volume").Dword(u"Volume", 0xFFFFFFFF).Dword(u"Screen", 1);
    FactoryKey(HKEY_CURRENT_USER, u"Software\\Environment").Sz(u"TEMP", u"%windir%\\Temp", REG_EXPAND_SZ);
    FactoryKey(HKEY_CLASSES_ROOT, u".txt").Sz(u"", u"txtfile");
    FactoryKey(HKEY_CLASSES_ROOT, u".bak").Sz(u"", u"bakfile");
    FactoryKey(HKEY_CLASSES_ROOT, u"txtfile").Sz(u"", u"Text Document");
    FactoryKey(HKEY_CLASSES_ROOT, u"txtfile\\Shell\\Open\\Command").Sz(u"", u"notepad.exe %1", REG_EXPAND_SZ);
    FactoryKey(HKEY_USERS, u".Default\\ControlPanel\\Backlight").Dword(u"UseExt", 1).Dword(u"ACTimeout", 300);

    FactoryKey(HKEY_LOCAL_MACHINE, u"").Flush();
}

std::vector<BYTE> FactorySystemInfo() {
    std::vector<BYTE> rec(kSystemInfoSize, 0);
    PutText(rec, 0, 256, u"Operator Panel");
    PutText(rec, 256, 64, u"Industrial HMI");
    PutText(rec, 320, 128, u"6.0");
    PutText(rec, 448, 128, u"V2.3 2026-11-20");
    PutText(rec, 576, 128, u"2.0");
    rec[704] = 5;     // major
    rec[705] = 0;     // minor
    rec[706] = 0x5A;  // build 1370, little-endian
    rec[707] = 0x05;
    return rec;
}

}  // namespace ce
