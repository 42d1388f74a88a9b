#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/instance_channel.h"

namespace ps::test {

// Copies of the program that meet through one shared hub instead of a socket.
struct InstanceHub {
    std::function<void(const std::string&)>* primaryHandler = nullptr;
    bool claimed = false;
    std::vector<std::function<void(const std::string&)>*> copies;  // listening copies
};

class MemoryInstanceChannel final : public InstanceChannel {
  public:
    explicit MemoryInstanceChannel(std::shared_ptr<InstanceHub> hub) : hub_(std::move(hub)) {}
    ~MemoryInstanceChannel() override {
        if (primary_) {
            hub_->claimed = false;
            hub_->primaryHandler = nullptr;
        }
        std::erase(hub_->copies, &handler_);
    }

    Role claim() override {
        if (primary_) {
            return Role::Primary;
        }
        if (hub_->claimed) {
            return Role::Secondary;
        }
        hub_->claimed = true;
        hub_->primaryHandler = &handler_;
        primary_ = true;
        return Role::Primary;
    }
    bool sendToPrimary(const std::string& message) override {
        if (!hub_->claimed || hub_->primaryHandler == nullptr) {
            return false;
        }
        if (*hub_->primaryHandler) {
            (*hub_->primaryHandler)(message);
        }
        return true;
    }
    bool listenAsCopy() override {
        if (std::find(hub_->copies.begin(), hub_->copies.end(), &handler_) == hub_->copies.end()) {
            hub_->copies.push_back(&handler_);
        }
        return true;
    }
    bool sendToAnotherCopy(const std::string& message) override {
        for (auto* handler : hub_->copies) {
            if (handler != &handler_) {
                if (*handler) {
                    (*handler)(message);
                }
                return true;
            }
        }
        return false;
    }
    void setMessageHandler(std::function<void(const std::string&)> handler) override {
        handler_ = std::move(handler);
    }

  private:
    std::shared_ptr<InstanceHub> hub_;
    std::function<void(const std::string&)> handler_;
    bool primary_ = false;
};

}  // namespace ps::test
