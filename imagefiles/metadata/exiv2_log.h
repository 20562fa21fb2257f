// Exiv2 reports damage it reads past through its log, not by failing. The
// log handler is process-wide; each thread collects into its own list, so
// parallel entries do not see each other's complaints.
#pragma once

#include <string>
#include <vector>

namespace corvane {

// Collects Exiv2's warnings and errors on this thread while it lives.
class Exiv2LogScope {
public:
    Exiv2LogScope();
    ~Exiv2LogScope();
    Exiv2LogScope(const Exiv2LogScope&) = delete;
    Exiv2LogScope& operator=(const Exiv2LogScope&) = delete;

    const std::vector<std::string>& Messages() const { return messages_; }
    // The first complaint as the system's text, or empty.
    std::string Problem() const;

private:
    std::vector<std::string> messages_;
    std::vector<std::string>* previous_ = nullptr;
};

}  // namespace corvane
