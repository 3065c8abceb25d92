// The I2C bus "I2C0:" with the board's 256-byte configuration EEPROM at bus
// address 0xA0 (8-bit form).
//
// The transfer record is 24 bytes of little-endian 32-bit fields, exactly as
// on the device:
//   0 target address   4 send buffer    8 send count
//  12 receive buffer  16 receive count 20 bus clock (Hz)
// On the device the two buffer fields are 32-bit pointers. A 64-bit host
// pointer does not fit, so here they are 32-bit buffer references made by
// MapCallerBuffer32: the driver resolves each reference together with the
// count it is about to touch, and refuses the transfer when the reference is
// unknown (stale, forged, zero) or its buffer is shorter than the count. A
// bad record therefore yields ERROR_INVALID_PARAMETER, never a wild access.
#include <nlohmann/json.hpp>

#include "ce_drivers.h"

namespace ce::hw {

namespace {

constexpr DWORD kEepromAddress = 0xA0;
constexpr DWORD kRecordSize = 24;

class I2cDriver : public DeviceDriver {
public:
    DWORD IoControl(DWORD code, const BYTE* in, DWORD cbIn, BYTE*, DWORD, DWORD*) override {
        if (code != kIoctlI2cRead) return ERROR_NOT_SUPPORTED;
        if (cbIn != kRecordSize) return ERROR_INVALID_PARAMETER;
        DWORD address = RecordField(in, 0), sendRef = RecordField(in, 1), sendCount = RecordField(in, 2);
        DWORD recvRef = RecordField(in, 3), recvCount = RecordField(in, 4);
        // Only the EEPROM answers on this bus; any other address is not acknowledged.
        if (address != kEepromAddress) return ERROR_NOT_FOUND;
        // A read sends exactly the one-byte cell address, then receives.
        if (sendCount != 1 || recvCount == 0 || recvCount > kEepromSize) return ERROR_INVALID_PARAMETER;
        const BYTE* send = ResolveCallerBuffer32(sendRef, sendCount);
        BYTE* recv = ResolveCallerBuffer32(recvRef, recvCount);
        if (!send || !recv) return ERROR_INVALID_PARAMETER;
        Eeprom rom;
        if (!ReadEeprom(rom)) return ERROR_READ_FAULT;
        DWORD offset = send[0];
        for (DWORD i = 0; i < recvCount; ++i) recv[i] = rom[(offset + i) % kEepromSize];
        logFields = Json{{"offset", offset}, {"read", HexBytes(recv, recvCount)}}.dump();
        return ERROR_SUCCESS;
    }
};

}  // namespace

void InstallI2cDriver() {
    if (!Image().config.Present("I2C0")) return;
    RegisterDevice(u"I2C0:", [](DWORD&) { return std::make_shared<I2cDriver>(); });
}

}  // namespace ce::hw
