#pragma once

#include "files/UniqueFd.h"

namespace synvora::test {

/// A socket listening on 127.0.0.1 whose connections the kernel accepts but nobody answers: a
/// server that never speaks, for login time-outs.
class SilentListener {
public:
    SilentListener();

    int Port() const { return m_port; }

private:
    UniqueFd m_socket;
    int m_port = 0;
};

}  // namespace synvora::test
