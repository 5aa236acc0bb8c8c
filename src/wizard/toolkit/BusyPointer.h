#pragma once

#include "PageToolkit.h"

namespace synvora {

/// The busy pointer for as long as blocking work runs. Set on construction; the default pointer
/// comes back on destruction, also when the work raises, so that the window never keeps the
/// hourglass after the work is over.
class BusyPointer {
public:
    explicit BusyPointer(PageToolkit& toolkit);
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    /// Sets the default pointer, whether or not Restore ran before: every wait ends on it.
    ~BusyPointer();

    /// The default pointer before the work is over, say before a message box.
    void Restore();

private:
    PageToolkit& m_toolkit;
};

}  // namespace synvora
