// device.conf: any text reads into settings without a crash, and the MAC
// address it may give is read exactly or refused.
#include <algorithm>
#include <cstdio>
#include <string>

#include "ce_drivers.h"
#include "ce_kernel.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ce::DeviceConfig conf = ce::DeviceConfig::Parse(text);
    for (const char* key : {"EPI1", "I2C0", "storage_card", "coredll", "display.rotation", "backlight_event"})
        conf.Present(key);
    for (const std::string& mac : {conf.Get("eeprom.mac", ""), std::string(text)}) {
        BYTE bytes[6];
        if (!ce::hw::ParseMac(mac, bytes)) continue;
        char again[18];
        std::snprintf(again, sizeof again, "%02x-%02x-%02x-%02x-%02x-%02x", bytes[0], bytes[1], bytes[2], bytes[3],
                      bytes[4], bytes[5]);
        BYTE back[6];
        FUZZ_CHECK(ce::hw::ParseMac(again, back) && std::equal(bytes, bytes + 6, back));
    }
    return 0;
}
