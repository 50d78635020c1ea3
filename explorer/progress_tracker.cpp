#include "explorer/progress_tracker.h"
#include "explorer/pane_rows.h"

#include <algorithm>
#include <cstdio>

namespace explorer {

namespace {
constexpr int kFull = 100;
constexpr double kMsPerSecond = 1000;
}

std::string ClockText(uint64_t seconds)
{
    char text[40];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60));
    return text;
}

void ProgressTracker::Reset() { *this = ProgressTracker(); }

const ProgressFrame& ProgressTracker::Tick(const ProgressCounters& c, uint16_t percent)
{
    if (c.asking)
        return m_frame;
    if (c.index != m_lastIndex) {
        m_frame.fileBar = kFull;
        m_fileTicks = 0;
        m_lastPercent = -1;
        m_lastTimePercent = -1;
        m_lastIndex = c.index;
    }
    ++m_fileTicks;
    ++m_jobTicks;
    bool oneFile = c.fileCount == 1;
    int p = std::min<int>(percent, kFull);
    if (p <= 1) {
        m_frame.fileBar = 1;
        if (oneFile)
            m_frame.jobBar = 1;
    }
    if (p == kFull)
        return m_frame;
    m_frame.yellowText = p >= kYellowFromPercent;
    if (p > 1 && p != m_lastPercent) {
        m_frame.fileBar = p;
        if (oneFile)
            m_frame.jobBar = p;
    }
    uint64_t done = uint64_t(c.fileKb) * uint64_t(p) / kFull;
    m_frame.fileText = GroupDigits(done) + " KB" + " / " + GroupDigits(c.fileKb) + " KB";
    uint64_t jobDone = c.earlierKb + done;
    if (oneFile) {
        m_frame.jobText = m_frame.fileText;
    } else {
        m_frame.jobText = GroupDigits(jobDone) + " KB" + " / " + GroupDigits(c.totalKb) + " KB" + "  [ " +
                          std::to_string(c.index + 1) + " / " + std::to_string(c.fileCount) + " ]  ";
        if (c.totalKb > 0)
            m_frame.jobBar = std::max<int>(1, int(jobDone * kFull / c.totalKb));
    }
    if (p > m_lastTimePercent) {
        // Only the part copied in this run counts for the speed.
        double resumed = double(c.resumedKbFile);
        double span = (double(c.fileKb) - resumed) / kFull;
        double q = span > 0 ? std::min<double>(kFull, (double(done) - resumed) / span) : 0;
        if (q > 0) {
            double seconds = double(m_fileTicks) * kProgressTickMs * (kFull - q) / (q * kMsPerSecond);
            m_frame.fileTime = ClockText(uint64_t(seconds));
            if (!oneFile) {
                int jobPercent = c.totalKb ? int(jobDone * kFull / c.totalKb) : 0;
                double copied = double(jobDone) - double(c.doneKb) - double(c.resumedKbJob);
                if (jobPercent != 0 && jobPercent != kFull && copied > 0) {
                    double estimate = double(m_jobTicks) * kProgressTickMs * double(c.totalKb - jobDone) / (copied * kMsPerSecond);
                    if (estimate != m_lastJobEstimate) {
                        m_lastJobEstimate = estimate;
                        m_frame.jobTime = ClockText(uint64_t(std::max(seconds, estimate)));
                    }
                }
            } else {
                m_frame.jobTime = m_frame.fileTime;
            }
        }
        m_lastTimePercent = p;
    }
    m_lastPercent = p;
    return m_frame;
}

}  // namespace explorer
