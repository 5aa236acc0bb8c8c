#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "files/CopyProgress.h"

namespace synvora::test {

/// Watches a folder copy: records every report and answers what goOn says (always yes without it).
class RecordingMonitor final : public CopyMonitor {
public:
    explicit RecordingMonitor(std::function<bool(const CopyProgress&)> goOn = nullptr)
        : m_goOn(std::move(goOn)) {}
    bool Continue(const CopyProgress& progress) override {
        reports.push_back(progress);
        return !m_goOn || m_goOn(progress);
    }
    std::vector<CopyProgress> reports;

private:
    std::function<bool(const CopyProgress&)> m_goOn;
};

}  // namespace synvora::test
