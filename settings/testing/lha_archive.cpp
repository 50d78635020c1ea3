#include "settings/testing/lha_archive.h"

namespace {

uint32_t Le(const std::vector<uint8_t>& a, size_t pos, int n)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | a[pos + size_t(i)];
    return v;
}

}

std::vector<LhaMember> ReadLevel1Archive(const std::vector<uint8_t>& a)
{
    std::vector<LhaMember> members;
    size_t pos = 0;
    while (pos + 24 < a.size() && a[pos] != 0 && a[pos + 20] == 1) {
        const size_t headerSize = a[pos];
        LhaMember m;
        m.method.assign(a.begin() + long(pos) + 2, a.begin() + long(pos) + 7);
        const uint32_t packed = Le(a, pos + 7, 4);
        m.originalSize = Le(a, pos + 11, 4);
        m.name.assign(a.begin() + long(pos) + 22, a.begin() + long(pos) + 22 + a[pos + 21]);
        size_t ext = pos + headerSize;   // the next extended header's size ends the base header
        uint32_t extTotal = 0;
        while (ext + 2 <= a.size() && Le(a, ext, 2) != 0) {
            extTotal += Le(a, ext, 2);
            ext += Le(a, ext, 2);
        }
        const size_t data = ext + 2;
        if (ext + 2 > a.size() || packed < extTotal || data + packed - extTotal > a.size())
            break;
        m.stream.assign(a.begin() + long(data), a.begin() + long(data + packed - extTotal));
        pos = data + packed - extTotal;
        members.push_back(std::move(m));
    }
    return members;
}
