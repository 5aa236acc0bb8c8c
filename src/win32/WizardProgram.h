#pragma once

namespace synvora {

/// The Windows program from its start to its end: the toolkit, the trace when SYNVORA_UI_TRACE
/// names a file, the wizard from its welcome page until its last page is discarded, the network
/// drives released. A failure before the event loop is told in a message box. Returns the exit
/// code.
int RunWizardProgram();

}  // namespace synvora
