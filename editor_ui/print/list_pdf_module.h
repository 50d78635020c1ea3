// liborvanel-pdf.so: the list painter for a program that does not link Qt (orvanel-cli), so
// that the command-line package needs no window system. It comes with the windows' package;
// the program loads it when a PDF is asked for. Built with the program, by the same compiler
// and C++ library, so its entry takes C++ types.
#pragma once
#include "editor_ui/core/list_printout.h"

#include <string>

inline constexpr const char* kListPdfModule = "liborvanel-pdf.so";
inline constexpr const char* kListPdfEntry = "OrvanelListPdf";

// Paints `printout` into `pdf` as ListPdf does; the page count, 0 when nothing could be
// painted. Makes an offscreen GUI application for the call when the process has none, so no
// display is needed.
using ListPdfEntry = int (*)(const ListPrintout& printout, std::string& pdf);
