// The QApplication of every adapter test program: created before the first test and destroyed after the
// last, so widgets of every test live inside one application object.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class QtApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        // The ctest runs set QT_QPA_PLATFORM=offscreen; a direct run without it gets the same.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "wirbelix_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

const testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
