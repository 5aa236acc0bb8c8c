#pragma once

#include <string>
#include <string_view>

namespace synvora {

/// The hidden name under which a file is written before it is renamed to its final name:
/// ".synvora-<process id>-<random number>-<counter>.tmp", unlikely to meet a name of the content.
std::string NextTemporaryName();

/// True for a name that NextTemporaryName gave in a process that has ended: a temporary file that
/// a copy left when its program was killed, which no one will rename or remove any more. Names
/// of this process and of processes still running are not leftovers.
bool IsLeftoverTemporaryName(std::string_view name);

/// True when no process with the id runs on this machine (any more); false for this process and
/// for one that runs, under any account. Platform layer.
bool ProcessHasEnded(unsigned long long id);

/// The id of this process, as ProcessHasEnded takes it. Platform layer.
unsigned long long CurrentProcessId();

}  // namespace synvora
