#include "BusyPointer.h"

namespace synvora {

BusyPointer::BusyPointer(PageToolkit& toolkit) : m_toolkit(toolkit) {
    m_toolkit.SetMousePointer(MousePointer::Busy);
}

BusyPointer::~BusyPointer() {
    try {
        m_toolkit.SetMousePointer(MousePointer::Default);
    } catch (...) {
        // Nothing to be done about a pointer that cannot be set; the destructor must not raise,
        // least of all while a failure of the work is travelling.
    }
}

void BusyPointer::Restore() {
    m_toolkit.SetMousePointer(MousePointer::Default);
}

}  // namespace synvora
