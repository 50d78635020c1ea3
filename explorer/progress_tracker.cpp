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
        return m_Frame;
    if (c.index != m_LastIndex) {
        m_Frame.fileBar = kFull;
        m_FileTicks = 0;
        m_LastPercent = -1;
        m_LastTimePercent = -1;
        m_LastIndex = c.index;
    }
    ++m_FileTicks;
    ++m_JobTicks;
    bool oneFile = c.fileCount == 1;
    int p = std::min<int>(percent, kFull);
    if (p <= 1) {
        m_Frame.fileBar = 1;
        if (oneFile)
            m_Frame.jobBar = 1;
    }
    if (p == kFull)
        return m_Frame;
    m_Frame.yellowText = p >= kYellowFromPercent;
    if (p > 1 && p != m_LastPercent) {
        m_Frame.fileBar = p;
        if (oneFile)
            m_Frame.jobBar = p;
    }
    uint64_t done = uint64_t(c.fileKb) * uint64_t(p) / kFull;
    m_Frame.fileText = GroupDigits(done) + " KB" + " / " + GroupDigits(c.fileKb) + " KB";
    uint64_t jobDone = c.earlierKb + done;
    if (oneFile) {
        m_Frame.jobText = m_Frame.fileText;
    } else {
        m_Frame.jobText = GroupDigits(jobDone) + " KB" + " / " + GroupDigits(c.totalKb) + " KB" + "  [ " +
                          std::to_string(c.index + 1) + " / " + std::to_string(c.fileCount) + " ]  ";
        if (c.totalKb > 0)
            m_Frame.jobBar = std::max<int>(1, int(jobDone * kFull / c.totalKb));
    }
    if (p > m_LastTimePercent) {
        // Only the part copied in this run counts for the speed.
        double resumed = double(c.resumedKbFile);
        double span = (double(c.fileKb) - resumed) / kFull;
        double q = span > 0 ? std::min<double>(kFull, (double(done) - resumed) / span) : 0;
        if (q > 0) {
            double seconds = double(m_FileTicks) * kProgressTickMs * (kFull - q) / (q * kMsPerSecond);
            m_Frame.fileTime = ClockText(uint64_t(seconds));
            if (!oneFile) {
                int jobPercent = c.totalKb ? int(jobDone * kFull / c.totalKb) : 0;
                double copied = double(jobDone) - double(c.doneKb) - double(c.resumedKbJob);
                if (jobPercent != 0 && jobPercent != kFull && copied > 0) {
                    double estimate = double(m_JobTicks) * kProgressTickMs * double(c.totalKb - jobDone) / (copied * kMsPerSecond);
                    if (estimate != m_LastJobEstimate) {
                        m_LastJobEstimate = estimate;
                        m_Frame.jobTime = ClockText(uint64_t(std::max(seconds, estimate)));
                    }
                }
            } else {
                m_Frame.jobTime = m_Frame.fileTime;
            }
        }
        m_LastTimePercent = p;
    }
    m_LastPercent = p;
    return m_Frame;
}

}  // namespace explorer
