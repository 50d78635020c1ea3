// What the copy progress window shows, worked out every kProgressTickMs tick from the engine's
// counters and the library's percentage; the window only draws the frame.
#pragma once
#include "explorer/copy_engine.h"

#include <cstdint>
#include <string>

namespace explorer {

constexpr unsigned kProgressTickMs = 55;  // the window's update timer
constexpr unsigned kIconTickMs = 111;     // the window's icon animation
constexpr int kYellowFromPercent = 47;    // percent texts turn yellow from here on

struct ProgressFrame {
    int fileBar = 0;        // position of the per-file bar, 0..100
    int jobBar = 0;
    bool yellowText = false;  // percent text colour: yellow from kYellowFromPercent on, black before
    std::string fileText;   // "1,234 KB / 5,678 KB"
    std::string jobText;
    std::string fileTime;   // "HH:MM:SS", empty until known
    std::string jobTime;
};

class ProgressTracker {
public:
    // The first file of a job (ResetProgress).
    void Reset();
    // One tick; returns the frame to draw (unchanged while the engine asks a question).
    const ProgressFrame& Tick(const ProgressCounters& counters, uint16_t percent);

private:
    ProgressFrame m_Frame;
    size_t m_LastIndex = SIZE_MAX;
    uint64_t m_FileTicks = 0;
    uint64_t m_JobTicks = 0;
    int m_LastPercent = -1;
    int m_LastTimePercent = -1;
    double m_LastJobEstimate = -1;
};

std::string ClockText(uint64_t seconds);  // "HH:MM:SS"

}  // namespace explorer
