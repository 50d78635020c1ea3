// stb-sim: a simulated STB loader on a pseudo-terminal, the USB simulation socket and/or a
// FunctionFS function,
// holding one image that uploads read and downloads replace.
#pragma once
#include "tools/stb_sim/sim_carriers.h"
#include "tools/stb_sim/sim_faults.h"
#include "tools/stb_sim/sim_image.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

struct StbSimOptions {
    bool serial = true;
    std::string usbSocket;                  // empty: no USB device on the simulation socket
    FfsGadget ffs;                          // functionDir empty: no FunctionFS device
    UsbDeviceShape usbShape;
    uint32_t usbReadLength = 4096;          // download read requests on USB
    std::optional<uint8_t> modelId;         // written into the image's flash header
    std::chrono::milliseconds rebootDelay{150};
    std::chrono::milliseconds replyTimeout{300};
    std::string outputPath;                 // received images are written here
    uint32_t firmwareSize = 0;              // USB: take a firmware image of that size instead of settings
    SimFaultPlan faults;
};

class StbSim {
public:
    StbSim(StbImage image, StbSimOptions options);
    ~StbSim();
    // Error text on failure.
    std::string Start();
    void Stop();

    const std::string& SerialPath() const;
    SimImageStore& Image() { return m_Image; }
    SimFaults& Faults() { return m_Faults; }
    SerialSim* Serial() { return m_pSerial.get(); }
    UsbSimDevice* Usb() { return m_pUsb.get(); }
    UsbFfsDevice* Ffs() { return m_pFfs.get(); }

private:
    StbSimOptions m_Options;
    SimImageStore m_Image;
    SimFaults m_Faults;
    std::unique_ptr<SerialSim> m_pSerial;
    std::unique_ptr<UsbSimDevice> m_pUsb;
    std::unique_ptr<UsbFfsDevice> m_pFfs;
};
