#include "host/cli/SimScenario.h"
#include "platform/ScannerLibrary.h"
#include "sim/SimulatedLibrary.h"

#include <memory>

namespace qv::host::cli {

namespace {
std::unique_ptr<qv::sim::SimulatedLibrary> g_library;
}

bool InstallScenario(const std::string& path, std::string& error) {
    qv::sim::Scenario scenario;
    if (!qv::sim::LoadScenarioFile(path, scenario, error))
        return false;
    g_library = std::make_unique<qv::sim::SimulatedLibrary>(std::move(scenario));
    qv::SetScannerLibrary(g_library.get());
    return true;
}

void DropScenario() {
    qv::SetScannerLibrary(nullptr);
    g_library.reset();
}

} // namespace qv::host::cli
