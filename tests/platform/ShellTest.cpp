#include "platform/Shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "support/TempDir.h"

namespace platform {
namespace {

// A fake helper program on PATH that records the arguments it was given, one per line.
class ShellTest : public ::testing::Test {
protected:
    void Fake(const std::string& program, int exit_code) {
        const auto file = bin_ / program;
        std::ofstream(file) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> "
                            << log_.string() << "\nexit " << exit_code << "\n";
        ::chmod(file.c_str(), 0755);
    }
    std::string Log() {
        std::ifstream in(log_);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    TempDir temp_;
    const std::filesystem::path bin_ = [this] {
        std::filesystem::create_directory(temp_ / "bin");
        return temp_ / "bin";
    }();
    const std::filesystem::path log_ = temp_ / "log";
    ScopedEnv path_{"PATH", bin_.string()};
};

TEST_F(ShellTest, OpenPassesTheFileAsOneEscapedUri) {
    Fake("gio", 0);
    EXPECT_TRUE(OpenWithDefaultApp("/tmp/a b;$(rm x).pdf"));
    EXPECT_EQ(Log(), "open\nfile:///tmp/a%20b%3B%24%28rm%20x%29.pdf\n");
}

TEST_F(ShellTest, OpenFallsBackToXdgOpenAndFailsWithoutOpeners) {
    EXPECT_FALSE(OpenWithDefaultApp("https://example.com/"));
    Fake("gio", 1);
    Fake("xdg-open", 0);
    EXPECT_TRUE(OpenWithDefaultApp("https://example.com/"));
    // xdg-open is not waited for; give it a moment to write.
    for (int i = 0; i < 100 && Log() != "open\nhttps://example.com/\nhttps://example.com/\n"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Log(), "open\nhttps://example.com/\nhttps://example.com/\n");
}

TEST_F(ShellTest, RevealAsksTheFileManagerOverDbus) {
    Fake("gdbus", 0);
    EXPECT_TRUE(RevealInFileManager("/home/u/it's.pdf"));
    const std::string log = Log();
    EXPECT_NE(log.find("org.freedesktop.FileManager1.ShowItems\n['file:///home/u/it%27s.pdf']\n"),
              std::string::npos)
        << log;
}

}  // namespace
}  // namespace platform
