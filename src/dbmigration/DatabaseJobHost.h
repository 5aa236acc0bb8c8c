#pragma once

#include "jobhost/JobHost.h"

namespace synvora {

/// What the database job needs of the finish page: the steps, the message boxes, the stop request,
/// both database pages' fields and the busy work of the client's run.
using DatabaseJobHost = JobHost;

}  // namespace synvora
