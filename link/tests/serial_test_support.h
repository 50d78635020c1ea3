// A scripted STB behind the serial link: frames the link writes are parsed, and the
// answer the script gives is queued in the ring at once, as the watch thread would.
#pragma once
#include "link/link_frame.h"
#include "link/recv_ring.h"
#include "link/serial_channel.h"
#include "tools/stb_sim/sim_carriers.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

class ScriptedSerialStb : public SerialWriter {
public:
    using Script = std::function<std::vector<uint8_t>(const LinkFrame& request)>;

    ScriptedSerialStb(CRecvRing& ring, Script script) : m_Ring(ring), m_Script(std::move(script)) {}

    int Write(const uint8_t* data, uint32_t n) override
    {
        written.insert(written.end(), data, data + n);
        std::vector<LinkFrame> frames;
        m_Parser.Feed(data, n, frames);
        for (const LinkFrame& frame : frames) {
            requests.push_back(frame);
            std::vector<uint8_t> answer = m_Script ? m_Script(frame) : std::vector<uint8_t>{};
            if (!answer.empty()) {
                EXPECT_TRUE(m_Ring.PutBlock(answer.data(), uint32_t(answer.size())));
            }
        }
        return int(n);
    }

    std::vector<uint8_t> written;
    std::vector<LinkFrame> requests;

private:
    CRecvRing& m_Ring;
    Script m_Script;
    SerialFrameParser m_Parser;
};

inline void Queue(CRecvRing& ring, const std::vector<uint8_t>& bytes)
{
    EXPECT_TRUE(ring.PutBlock(bytes.data(), uint32_t(bytes.size())));
}
