// Under Windows the settings dialog is made from the module's template: the module is
// loaded from beside the tests for the whole run.
#include "platform/ModuleStrings.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

class ModuleTemplate : public ::testing::Environment {
  public:
    void SetUp() override {
        module_ = LoadLibraryA("Quorvel.8ba");
        ASSERT_NE(module_, nullptr);
        qv::SetModuleInstance(module_);
    }
    void TearDown() override {
        qv::SetModuleInstance(nullptr);
        FreeLibrary(module_);
    }

  private:
    HMODULE module_ = nullptr;
};
const auto* const moduleTemplate = ::testing::AddGlobalTestEnvironment(new ModuleTemplate);

} // namespace
