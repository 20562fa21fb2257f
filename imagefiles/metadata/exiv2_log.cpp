#include "imagefiles/metadata/exiv2_log.h"

#include <exiv2/error.hpp>
#include <mutex>

namespace corvane {

namespace {

thread_local std::vector<std::string>* tExiv2Log = nullptr;

void CollectExiv2Message(int level, const char* text) {
    if (tExiv2Log && level >= Exiv2::LogMsg::warn) {
        std::string message(text ? text : "");
        while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
        tExiv2Log->push_back(message);
    }
}

}  // namespace

Exiv2LogScope::Exiv2LogScope() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(CollectExiv2Message);
    });
    previous_ = tExiv2Log;
    tExiv2Log = &messages_;
}

Exiv2LogScope::~Exiv2LogScope() { tExiv2Log = previous_; }

std::string Exiv2LogScope::Problem() const {
    return messages_.empty() ? std::string() : "Exiv2: " + messages_.front();
}

}  // namespace corvane
