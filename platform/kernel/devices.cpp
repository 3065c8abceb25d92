// Stream devices: opening a driver by its name, DeviceIoControl, and the
// 32-bit buffer references of driver records.
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <vector>

#include "ce_kernel.h"

namespace ce {

namespace {

struct DeviceHandle : KernelObject {
    std::u16string name;
    std::shared_ptr<DeviceDriver> driver;
};

std::mutex g_deviceMutex;
std::map<std::u16string, DeviceOpener> g_devices;  // by folded name

struct BufferRef {
    DWORD ref;
    BYTE* data;
    DWORD size;
};
thread_local std::vector<BufferRef> t_bufferRefs;
thread_local DWORD t_nextRef = 0;
constexpr size_t kMaxBufferRefs = 64;

std::string Hex32(DWORD v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(v));
    return buf;
}

}  // namespace

bool IsDeviceName(std::u16string_view name) {
    // Three letters, one digit, a colon: "EPI1:", "I2C0:", "COM1:".
    if (name.size() != 5 || name[4] != u':' || name[3] < u'0' || name[3] > u'9') return false;
    for (size_t i = 0; i < 3; ++i) {
        char16_t c = name[i];
        bool alnum = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
        if (!alnum) return false;
    }
    return true;
}

void RegisterDevice(std::u16string_view name, DeviceOpener opener) {
    std::lock_guard lock(g_deviceMutex);
    g_devices[Fold(name)] = std::move(opener);
}

void UnregisterAllDevices() {
    std::lock_guard lock(g_deviceMutex);
    g_devices.clear();
}

HANDLE OpenDevice(std::u16string_view name) {
    DeviceOpener opener;
    {
        std::lock_guard lock(g_deviceMutex);
        auto it = g_devices.find(Fold(name));
        if (it != g_devices.end()) opener = it->second;
    }
    DWORD error = ERROR_DEV_NOT_EXIST;
    std::shared_ptr<DeviceDriver> driver;
    if (opener) driver = opener(error);
    if (!driver) {
        LogDevice({{"dev", ToUtf8(name)}, {"open", "failed"}, {"error", error}});
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    auto dh = std::make_shared<DeviceHandle>();
    dh->name = std::u16string(name);
    dh->driver = std::move(driver);
    HANDLE h = AllocHandle(dh);
    return h ? h : INVALID_HANDLE_VALUE;
}

BYTE* ResolveCallerBuffer32(DWORD ref, DWORD cb) {
    if (ref == 0) return nullptr;
    for (const BufferRef& r : t_bufferRefs)
        if (r.ref == ref) return cb <= r.size ? r.data : nullptr;
    return nullptr;
}

}  // namespace ce

using namespace ce;

DWORD MapCallerBuffer32(LPVOID pBuffer, DWORD cbBuffer) {
    if (!pBuffer || t_bufferRefs.size() >= kMaxBufferRefs) return 0;
    // References look like small device addresses and are never 0.
    t_nextRef = (t_nextRef + 1) & 0x00FFFFFF;
    if (t_nextRef == 0) t_nextRef = 1;
    DWORD ref = 0x10000000u | (t_nextRef << 4);
    t_bufferRefs.push_back({ref, static_cast<BYTE*>(pBuffer), cbBuffer});
    return ref;
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize, LPVOID lpOutBuffer,
                     DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED) {
    struct DropRefs {
        ~DropRefs() { t_bufferRefs.clear(); }
    } dropRefs;  // the references were made for this request only

    auto dev = LookupHandleAs<DeviceHandle>(hDevice);
    if (!dev) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if ((!lpInBuffer && nInBufferSize) || (!lpOutBuffer && nOutBufferSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const BYTE* in = static_cast<const BYTE*>(lpInBuffer);
    std::string inHex = HexBytes(in, nInBufferSize);
    DWORD returned = 0;
    DWORD error = dev->driver->IoControl(dwIoControlCode, in, nInBufferSize, static_cast<BYTE*>(lpOutBuffer),
                                         nOutBufferSize, &returned);
    if (returned > nOutBufferSize) returned = nOutBufferSize;
    Json fields = {{"dev", ToUtf8(dev->name)},
                   {"ioctl", Hex32(dwIoControlCode)},
                   {"in", inHex},
                   {"out", HexBytes(lpOutBuffer, nOutBufferSize)}};
    if (error != ERROR_SUCCESS) fields["error"] = error;
    if (!dev->driver->logFields.empty()) {
        Json extra = Json::parse(dev->driver->logFields, nullptr, false);
        if (extra.is_object())
            for (const auto& [key, value] : extra.items()) fields[key] = value;
    }
    dev->driver->logFields.clear();
    LogDevice(fields);
    if (lpBytesReturned) *lpBytesReturned = returned;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
