// usb-id-listed VID PID [LIST]: exits 0 when VID:PID is listed in LIST (by default
// /etc/orvanel/usb-devices), 1 when not, 2 on a usage error. The udev rule 70-orvanel.rules
// runs it as root for every USB device that arrives, with the kernel's idVendor and
// idProduct, so it reads the list with the programs' own reader and starts nothing else.
#include "usb/id_list/usb_id_list.h"

int main(int argc, char** argv)
{
    uint16_t idVendor = 0, idProduct = 0;
    if (argc < 3 || argc > 4 || !ParseUsbIdNumber(argv[1], idVendor) || !ParseUsbIdNumber(argv[2], idProduct))
        return 2;
    UsbIdList list;
    ReadUsbIdFile(argc == 4 ? std::filesystem::path(argv[3]) : kSystemUsbIdsFile, list);
    return list.Lists(idVendor, idProduct) ? 0 : 1;
}
