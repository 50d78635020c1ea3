// The satellites.xml form of the Linux receiver images: one <sat> per satellite with its
// <transponder> elements.
//
//   <satellites>
//     <sat name="Astra 1KX/1L/1M/1N (19.2E)" flags="1" position="192">
//       <transponder frequency="11719500" symbol_rate="27500000" polarization="0"
//                    fec_inner="3" system="1" modulation="2" rolloff="0" pilot="2"/>
//     </sat>
//   </satellites>
//
// position: tenths of a degree, negative west. frequency in kHz, symbol_rate in symbols a
// second; polarization 0 H, 1 V, 2 L, 3 R; fec_inner 0 auto, 1 1/2, 2 2/3, 3 3/4, 4 5/6,
// 5 7/8, 6 8/9, 7 3/5, 8 4/5, 9 9/10, 10 6/7, 15 none; system 0 DVB-S, 1 DVB-S2; modulation
// 0 auto, 1 QPSK, 2 8PSK, 3 16QAM, 4 16APSK, 5 32APSK; rolloff 0 0.35, 1 0.25, 2 0.20,
// 3 auto; pilot 0 off, 1 on, 2 auto; is_id the stream id (-1 none); pls_code the physical
// layer scrambling code. Other attributes and
// elements are passed over. A transponder without frequency, symbol rate or polarization,
// or with a value out of reason, is left out with its line and why.
#pragma once
#include "tables/table_tp.h"

#include <string_view>
#include <vector>

namespace tables {

// A file of more satellites than this is no satellites.xml.
constexpr size_t kMaxXmlSatellites = 2000;

// Every <sat> of the file in order. False, with the line and the reason, when the text is
// no well-formed satellites.xml, or a satellite lists more than kMaxTableTps transponders.
bool ReadSatellitesXml(std::string_view text, std::vector<TpTable>& sats, TableProblem& error);

}  // namespace tables
