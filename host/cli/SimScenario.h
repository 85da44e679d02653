// The simulated scanner the natively linked module finds behind the library port.
#pragma once

#include <string>

namespace qv::host::cli {

bool InstallScenario(const std::string& path, std::string& error);
void DropScenario();

} // namespace qv::host::cli
