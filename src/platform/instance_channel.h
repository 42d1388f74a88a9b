#pragma once

#include <functional>
#include <string>

namespace ps {

// The one running copy of the program and the messages other copies send it.
class InstanceChannel {
  public:
    enum class Role { Primary, Secondary, Unavailable };

    virtual ~InstanceChannel() = default;

    // Becomes the running copy, or finds that another copy already is. Unavailable
    // means neither could be established; the caller then runs on its own.
    virtual Role claim() = 0;
    // Sends one message to the running copy; true when it was delivered.
    virtual bool sendToPrimary(const std::string& message) = 0;
    // Makes this copy reachable by the other running copies (each copy has its own
    // address, also when several copies are allowed). False when that failed.
    virtual bool listenAsCopy() = 0;
    // Sends one message to some other running copy that listens; true when one took it.
    virtual bool sendToAnotherCopy(const std::string& message) = 0;
    // Called in the running copy, on its event loop, for each message that arrives.
    virtual void setMessageHandler(std::function<void(const std::string&)> handler) = 0;
};

// Messages between copies.
namespace instance_message {
inline constexpr const char* kComeToFront = "raise";
inline constexpr const char* kStartGrab = "grab";  // continuous ripping
}  // namespace instance_message

}  // namespace ps
