#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/pass_through.h"
#include "support/fake_clock.h"

namespace ps::test {

// A command as it reached the pass-through.
struct RecordedCommand {
    ScsiTarget target;
    std::vector<std::uint8_t> cdb;  // all 16 bytes of the command area
    std::uint8_t cdbLength = 0;
    DataDirection direction = DataDirection::None;
    std::uint32_t length = 0;
    bool eventNotify = true;
    int timeoutMs = 0;
    std::vector<std::uint8_t> dataOut;  // what an outgoing transfer carried

    std::uint8_t opcode() const { return cdb[0]; }
    // The command bytes up to the declared length.
    std::vector<std::uint8_t> block() const {
        return {cdb.begin(), cdb.begin() + std::min<std::size_t>(cdbLength, cdb.size())};
    }
};

// How the scripted target answers one command.
struct ScriptedAnswer {
    std::uint8_t status = scsi_status::kDone;
    std::vector<std::uint8_t> data;  // copied into the buffer of an incoming transfer
    bool never = false;              // stays pending until its wait or poll time runs out
    bool deferred = false;           // completes at the first wait or poll, not in send
};

inline ScriptedAnswer answerStatus(std::uint8_t status) {
    ScriptedAnswer reply;
    reply.status = status;
    return reply;
}

// A pass-through double that records every command and answers from a script. Waits
// and polls on a request that never completes move the fake clock, so time-outs end
// at once in the test's time.
class RecordingPassThrough final : public PassThrough {
  public:
    struct Device {
        int type = 5;
        std::vector<std::uint8_t> inquiry;  // empty: INQUIRY fails
        std::string node;
        bool hangs = false;  // INQUIRY never completes
    };

    explicit RecordingPassThrough(FakeClock& clock) : clock_(clock) {}

    int adapters = 1;
    HostAdapterInfo adapterInfo{"ASPI for TESTING", "RECORDER        ", "                "};
    // Answers for everything but INQUIRY, which comes from the devices.
    std::function<ScriptedAnswer(const RecordedCommand&)> answer;

    std::vector<RecordedCommand> sent;
    std::vector<int> waitTimeouts;
    int polls = 0;
    int abandoned = 0;
    std::vector<ScsiTarget> typeQueries;

    void addDevice(ScsiTarget target, Device device) { devices_[key(target)] = std::move(device); }

    int hostAdapterCount() override { return adapters; }
    HostAdapterInfo inquireHostAdapter(int) override { return adapterInfo; }
    int deviceType(const ScsiTarget& target) override {
        typeQueries.push_back(target);
        auto it = devices_.find(key(target));
        return it == devices_.end() ? -1 : it->second.type;
    }
    std::string deviceNode(const ScsiTarget& target) override {
        auto it = devices_.find(key(target));
        return it == devices_.end() ? std::string{} : it->second.node;
    }

    void send(ScsiRequest& request) override {
        RecordedCommand command;
        command.target = request.target;
        command.cdb.assign(request.cdb.begin(), request.cdb.end());
        command.cdbLength = request.cdbLength;
        command.direction = request.direction;
        command.length = request.length;
        command.eventNotify = request.eventNotify;
        command.timeoutMs = request.timeoutMs;
        if (request.direction == DataDirection::Out && request.buffer != nullptr) {
            command.dataOut.assign(request.buffer, request.buffer + request.length);
        }
        sent.push_back(command);

        ScriptedAnswer reply;
        if (command.opcode() == 0x12) {
            auto it = devices_.find(key(request.target));
            if (it != devices_.end() && it->second.hangs) {
                reply.never = true;
            } else if (it == devices_.end() || it->second.inquiry.empty()) {
                reply.status = scsi_status::kNoDevice;
            } else {
                reply.data = it->second.inquiry;
            }
        } else if (answer) {
            reply = answer(command);
        }
        request.status = scsi_status::kPending;
        if (reply.never) {
            return;
        }
        if (reply.deferred) {
            deferred_[&request] = reply;
            return;
        }
        complete(request, reply);
    }

    std::uint8_t poll(ScsiRequest& request) override {
        ++polls;
        finishDeferred(request);
        return request.status;
    }

    bool wait(ScsiRequest& request, int timeoutMs) override {
        waitTimeouts.push_back(timeoutMs);
        finishDeferred(request);
        if (request.status == scsi_status::kPending) {
            clock_.advance(timeoutMs);
            return false;
        }
        return true;
    }

    void abandon(ScsiRequest& request) override {
        ++abandoned;
        deferred_.erase(&request);
    }

    std::vector<RecordedCommand> withOpcode(std::uint8_t opcode) const {
        std::vector<RecordedCommand> out;
        for (const auto& command : sent) {
            if (command.opcode() == opcode) {
                out.push_back(command);
            }
        }
        return out;
    }

  private:
    static std::tuple<int, int, int> key(const ScsiTarget& target) {
        return {target.hostAdapter, target.targetId, target.lun};
    }

    void finishDeferred(ScsiRequest& request) {
        auto it = deferred_.find(&request);
        if (it != deferred_.end()) {
            complete(request, it->second);
            deferred_.erase(it);
        }
    }

    static void complete(ScsiRequest& request, const ScriptedAnswer& reply) {
        if (request.direction == DataDirection::In && request.buffer != nullptr) {
            const auto n = std::min<std::size_t>(reply.data.size(), request.length);
            std::copy_n(reply.data.begin(), n, request.buffer);
            request.transferred = static_cast<std::uint32_t>(n);
        }
        request.status = reply.status;
    }

    FakeClock& clock_;
    std::map<std::tuple<int, int, int>, Device> devices_;
    std::map<ScsiRequest*, ScriptedAnswer> deferred_;
};

// An INQUIRY answer: peripheral type, ANSI version, response format and the
// vendor/product/revision text from byte 8.
inline std::vector<std::uint8_t> makeInquiry(int type, int ansiVersion, int responseFormat,
                                             const std::string& text) {
    std::vector<std::uint8_t> data(36, 0);
    data[0] = static_cast<std::uint8_t>(type);
    data[2] = static_cast<std::uint8_t>(ansiVersion);
    data[3] = static_cast<std::uint8_t>(responseFormat);
    data[4] = 31;
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 28), data.begin() + 8);
    return data;
}

}  // namespace ps::test
