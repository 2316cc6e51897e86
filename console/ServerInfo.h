#pragma once
// ServerIP, ServerPort and ServerKey as the last launch read them from Mirai's
// output. Written by the launch sequence (UI or key-rewrite thread), read by
// the commands and the account tab; each read sees one consistent triple.
#include <mutex>
#include <string>

namespace vkr {

struct ServerAddress {
    std::string ip;
    std::string port;
    std::string key;
};

class ServerInfo {
public:
    ServerAddress Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void Set(ServerAddress value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }
    void SetIp(std::string ip) {
        std::lock_guard lock(mutex_);
        value_.ip = std::move(ip);
    }

private:
    mutable std::mutex mutex_;
    ServerAddress value_;
};

}  // namespace vkr
