#pragma once

#include <initializer_list>
#include <vector>

#include "platform/pass_through.h"

namespace ps::test {

// A command and its data buffer, sent and waited for in one go.
struct Command {
    ScsiRequest request;
    std::vector<std::uint8_t> data;

    Command(std::initializer_list<std::uint8_t> cdb, DataDirection direction = DataDirection::None,
            std::uint32_t length = 0, std::uint8_t targetId = 0) {
        int i = 0;
        for (std::uint8_t b : cdb) {
            request.cdb[static_cast<std::size_t>(i++)] = b;
        }
        request.cdbLength = static_cast<std::uint8_t>(i);
        request.direction = direction;
        data.assign(length, 0);
        request.buffer = data.empty() ? nullptr : data.data();
        request.length = length;
        request.target.targetId = targetId;
    }
    Command& cdbLength(std::uint8_t n) {
        request.cdbLength = n;
        return *this;
    }
    std::uint8_t run(PassThrough& pt) {
        pt.send(request);
        if (request.status == scsi_status::kPending &&
            !pt.wait(request, request.timeoutMs + 1000)) {
            pt.abandon(request);
        }
        return request.status;
    }
    std::uint8_t senseKey() const { return request.sense[2] & 0x0F; }
    std::uint8_t asc() const { return request.sense[12]; }
    std::uint8_t ascq() const { return request.sense[13]; }
};

inline std::uint8_t b3(std::int32_t v) {
    return static_cast<std::uint8_t>(v >> 24);
}
inline std::uint8_t b2(std::int32_t v) {
    return static_cast<std::uint8_t>(v >> 16);
}
inline std::uint8_t b1(std::int32_t v) {
    return static_cast<std::uint8_t>(v >> 8);
}
inline std::uint8_t b0(std::int32_t v) {
    return static_cast<std::uint8_t>(v);
}

// The family-1 READ CD block for n sectors from lba (length field 10, as sent).
inline Command readCd(std::int32_t lba, std::uint8_t n) {
    Command c({0xBE, 0x04, b3(lba), b2(lba), b1(lba), b0(lba), 0, 0, n, 0xF0, 0, 0},
              DataDirection::In, 63504);
    c.cdbLength(10);
    return c;
}

}  // namespace ps::test
