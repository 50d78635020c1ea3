#include "link_state.h"

bool IsKnownDataType(uint8_t type)
{
    return type == DATA_FLASH || type == DATA_EEPROM || type == DATA_PREPROGRAM;
}
