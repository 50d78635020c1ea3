// The DVBv5 scan tables of the satellite scanners (one "[CHANNEL]" block per transponder,
// "KEY = VALUE" lines, '#' comments), as Debian ships them in /usr/share/dvb/dvb-s.
//
//   [CHANNEL]
//       DELIVERY_SYSTEM = DVBS2
//       FREQUENCY = 11719500          kHz
//       POLARIZATION = HORIZONTAL     or VERTICAL, LEFT, RIGHT
//       SYMBOL_RATE = 27500000        symbols per second
//       INNER_FEC = 3/4
//       MODULATION = PSK/8            QPSK, PSK/8, APSK/16, APSK/32
//       ROLLOFF = 35                  PILOT = AUTO, STREAM_ID = 0, PLS_CODE = 0
//
// Without MODULATION a carrier is QPSK, as a tuner takes it. A block without frequency,
// polarization, symbol rate or system, or with a value out of
// reason, is left out with its line and why; text that is no such table at all is refused.
#pragma once
#include "tables/table_tp.h"

#include <string_view>

namespace tables {

// False, with the line and the reason in `error`, when the text is no scan table (binary
// bytes, lines of another form, no transponder, more than kMaxTableTps).
bool ReadDvbV5Table(std::string_view text, TpTable& table, TableProblem& error);

}  // namespace tables
