// One QApplication for the whole test program, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        // The user's settings are never read or written by a test.
        qputenv("XDG_CONFIG_HOME", configHome_.path().toLocal8Bit());
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

  private:
    int argc_ = 1;
    char name_[13] = "window_tests";
    char* argv_[2] = {name_, nullptr};
    QTemporaryDir configHome_;
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kQt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
