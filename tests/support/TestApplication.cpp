// The shared QApplication of Qt test programs.
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

namespace {

QApplication* g_pApp = nullptr;

class CApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        delete g_pApp;
        g_pApp = nullptr;
    }
};

}  // namespace

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "quillet-test";
    static char* argv[] = {name, nullptr};
    if (g_pApp == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        g_pApp = new QApplication(argc, argv);
        ::testing::AddGlobalTestEnvironment(new CApplicationEnvironment);
    }
    return *g_pApp;
}
