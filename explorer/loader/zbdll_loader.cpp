#include "explorer/loader/zbdll_loader.h"
#include "explorer/loader/notice_window.h"
#include "explorer/loader/shared_library.h"

#include "common/program_arguments.h"
#include "common/trace.h"
#include "explorer/zbdll.h"

#include <atomic>
#include <cstdlib>

namespace {

// One pointer per function of the interface, in the order of the header.
struct ZbDllTable {
    decltype(&::InitDevice) InitDevice;
    decltype(&::StartPnpNotice) StartPnpNotice;
    decltype(&::TryDeviceOpen) TryDeviceOpen;
    decltype(&::DeviceArrival) DeviceArrival;
    decltype(&::DeviceRemoval) DeviceRemoval;
    decltype(&::GetDeviceVersion) GetDeviceVersion;
    decltype(&::UsbCommandSend) UsbCommandSend;
    decltype(&::UsbRead) UsbRead;
    decltype(&::Get16bit) Get16bit;
    decltype(&::Get32bit) Get32bit;
    decltype(&::Put16bit) Put16bit;
    decltype(&::GetCrc16) GetCrc16;
    decltype(&::ExtractMjd) ExtractMjd;
    decltype(&::UsbTaskFileSend) UsbTaskFileSend;
    decltype(&::UsbTaskFileSendPosi) UsbTaskFileSendPosi;
    decltype(&::UsbTaskFileReceive) UsbTaskFileReceive;
    decltype(&::UsbTaskFileReceivePosi) UsbTaskFileReceivePosi;
    decltype(&::UsbTaskGetPercent) UsbTaskGetPercent;
    decltype(&::UsbTaskCancel) UsbTaskCancel;
};

std::atomic<const ZbDllTable*> g_pTable{nullptr};
ZbDllTable g_Table;

template <typename Fn>
void Resolve(void* handle, const char* name, Fn& slot, std::string& missing)
{
    slot = reinterpret_cast<Fn>(explorer::SharedLibraryFunction(handle, name));
    if (!slot && missing.empty())
        missing = name;
}

// Through the loaded library; without one, a failure (0) or nothing.
template <typename R, typename... A, typename... B>
R Call(R (*ZbDllTable::*slot)(A...), B... args)
{
    const ZbDllTable* table = g_pTable.load(std::memory_order_acquire);
    return table ? (table->*slot)(args...) : R();
}

}  // namespace

namespace explorer {

DeviceLibraryResult LoadZbDll(const std::string& path)
{
    UnloadZbDll();
    std::string error;
    void* handle = OpenSharedLibrary(path, error);
    if (!handle)
        return {false, path, "The device library " + path + " cannot be loaded: " + error};
    std::string missing;
    ZbDllTable& t = g_Table;
#define ZB_RESOLVE(name) Resolve(handle, #name, t.name, missing);
    ZB_RESOLVE(InitDevice) ZB_RESOLVE(StartPnpNotice) ZB_RESOLVE(TryDeviceOpen) ZB_RESOLVE(DeviceArrival)
    ZB_RESOLVE(DeviceRemoval) ZB_RESOLVE(GetDeviceVersion) ZB_RESOLVE(UsbCommandSend) ZB_RESOLVE(UsbRead)
    ZB_RESOLVE(Get16bit) ZB_RESOLVE(Get32bit) ZB_RESOLVE(Put16bit) ZB_RESOLVE(GetCrc16) ZB_RESOLVE(ExtractMjd)
    ZB_RESOLVE(UsbTaskFileSend) ZB_RESOLVE(UsbTaskFileSendPosi) ZB_RESOLVE(UsbTaskFileReceive)
    ZB_RESOLVE(UsbTaskFileReceivePosi) ZB_RESOLVE(UsbTaskGetPercent) ZB_RESOLVE(UsbTaskCancel)
#undef ZB_RESOLVE
    if (!missing.empty()) {
        CloseSharedLibrary(handle);
        return {false, path, "The device library " + path + " lacks the function " + missing + "; it is not used."};
    }
    g_pTable.store(&g_Table, std::memory_order_release);
    Trace("device library: %s", path.c_str());
    return {true, path, ""};
}

void UnloadZbDll()
{
    g_pTable.store(nullptr, std::memory_order_release);
}

DeviceLibraryResult LoadDeviceLibrary(const DeviceLibraryChoice& choice)
{
    if (!choice.emulateRoot.empty())
        SetLibraryVariable("ZBDLL_SIM_ROOT", choice.emulateRoot);
    std::string path;
    const std::string named = ProgramVariable("BEXORA_DEVICE_LIBRARY");
    if (choice.emulateRoot.empty() && !named.empty())
        path = named;
    else if (!ProgramVariable("ZBDLL_SIM_ROOT").empty()) {
        path = EmulatorLibraryPath(choice.programDir);
        if (path.empty())
            return {false, "", "The emulator library libzbdll-emu.so is not installed beside the program."};
    } else
        path = choice.profileEntry;
    if (path.empty()) {
        Trace("%s", kNoDeviceLibraryText);
        return {false, "", kNoDeviceLibraryText};
    }
    DeviceLibraryResult result = LoadZbDll(path);
    if (!result.loaded)
        Trace("%s", result.message.c_str());
    return result;
}

}  // namespace explorer

// The interface as the explorer calls it: through the loaded library, or failing quietly.
extern "C" {

void InitDevice(void) { Call(&ZbDllTable::InitDevice); }
int StartPnpNotice(ZbWindow* window)
{
    return Call(&ZbDllTable::StartPnpNotice, explorer::LibraryWindow(window));
}
int TryDeviceOpen(void) { return Call(&ZbDllTable::TryDeviceOpen); }
int DeviceArrival(const char* interfaceName) { return Call(&ZbDllTable::DeviceArrival, interfaceName); }
void DeviceRemoval(const char* interfaceName) { Call(&ZbDllTable::DeviceRemoval, interfaceName); }
int GetDeviceVersion(uint16_t* version) { return Call(&ZbDllTable::GetDeviceVersion, version); }
int UsbCommandSend(uint32_t code, const uint8_t* payload, uint32_t length)
{
    return Call(&ZbDllTable::UsbCommandSend, code, payload, length);
}
uint32_t UsbRead(uint8_t* buffer, uint32_t maxLength) { return Call(&ZbDllTable::UsbRead, buffer, maxLength); }
uint16_t Get16bit(const uint8_t* p) { return Call(&ZbDllTable::Get16bit, p); }
uint32_t Get32bit(const uint8_t* p) { return Call(&ZbDllTable::Get32bit, p); }
void Put16bit(uint8_t* p, uint16_t value) { Call(&ZbDllTable::Put16bit, p, value); }
uint16_t GetCrc16(const uint8_t* data, uint32_t length) { return Call(&ZbDllTable::GetCrc16, data, length); }
int ExtractMjd(uint16_t mjd, uint16_t* year, uint8_t* month, uint8_t* day, uint8_t* weekDay)
{
    return Call(&ZbDllTable::ExtractMjd, mjd, year, month, day, weekDay);
}
int UsbTaskFileSend(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId)
{
    return Call(&ZbDllTable::UsbTaskFileSend, pvrPath, pcPath, explorer::LibraryWindow(window), messageId);
}
int UsbTaskFileSendPosi(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId,
                        uint32_t offsetHigh, uint32_t offsetLow)
{
    return Call(&ZbDllTable::UsbTaskFileSendPosi, pvrPath, pcPath, explorer::LibraryWindow(window), messageId,
                offsetHigh, offsetLow);
}
int UsbTaskFileReceive(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId)
{
    return Call(&ZbDllTable::UsbTaskFileReceive, pcPath, pvrPath, explorer::LibraryWindow(window), messageId);
}
int UsbTaskFileReceivePosi(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId,
                           uint32_t offsetHigh, uint32_t offsetLow)
{
    return Call(&ZbDllTable::UsbTaskFileReceivePosi, pcPath, pvrPath, explorer::LibraryWindow(window), messageId,
                offsetHigh, offsetLow);
}
uint16_t UsbTaskGetPercent(void) { return Call(&ZbDllTable::UsbTaskGetPercent); }
void UsbTaskCancel(void) { Call(&ZbDllTable::UsbTaskCancel); }
}
