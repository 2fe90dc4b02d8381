#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FakeCore.h"
#include "composite/CoreOperationBackend.h"
#include "core/KPdfCoreManager.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

// Composite tasks on the real conversion core, through a core manager of the test's own (its
// pipe name is its own, so tests in parallel do not meet), started through the task center as
// the windows start them.
class RealCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        KPdfCoreManager::Settings settings;
        settings.pipe_library = PIPE_LIBRARY;
        settings.core_executable = QUIRE_CORE_BINARY;
        manager_ = std::make_unique<KPdfCoreManager>(settings);
        ASSERT_TRUE(manager_->Init());
        backend_ = std::make_unique<CoreOperationBackend>(manager_.get());
        ASSERT_EQ(::mkdir(private_.c_str(), 0700), 0);
        std::filesystem::create_directory(out_);
        services_.operations = backend_.get();
        services_.temp_root = [this]() -> std::optional<std::filesystem::path> { return private_; };
        services_.desktop = [this] { return desktop_; };
    }
    void TearDown() override {
        // Whatever a task did, none of its intermediate files outlive it.
        EXPECT_TRUE(EntriesOf(private_).empty());
        manager_->Shutdown();
        for (pid_t pid : OurCores())
            ::kill(pid, SIGKILL);
    }

    std::string Write(const std::string& name, const std::string& pdf) {
        const auto file = temp_ / name;
        testdocs::WriteFile(file, pdf);
        return file.string();
    }
    std::string TextPdf(const std::string& name, int pages) {
        return Write(name, testdocs::BuildPdf(testdocs::TextPages(pages)));
    }
    std::string Out(const std::string& name) const { return (out_ / name).string(); }

    // The facts the real core finds.
    FileFacts Facts(const std::string& path) {
        FileFacts facts;
        backend_->QueryFileInfo(path, nullptr, &facts, nullptr);
        return facts;
    }
    int Pages(const std::string& path) { return Facts(path).page_count; }

    static std::string ReadAll(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TempDir temp_;
    std::filesystem::path private_ = temp_ / "private";
    std::filesystem::path out_ = temp_ / "out";
    std::filesystem::path desktop_ = temp_ / "desktop";
    std::unique_ptr<KPdfCoreManager> manager_;
    std::unique_ptr<CoreOperationBackend> backend_;
    CompositeServices services_;

private:
    // Conversion cores this test process started.
    static std::vector<pid_t> OurCores() {
        std::vector<pid_t> cores;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream stat(entry.path() / "stat");
            pid_t pid = 0;
            pid_t parent = 0;
            std::string name, state;
            if (stat >> pid >> name >> state >> parent && parent == ::getpid() &&
                name == "(quire-core)")
                cores.push_back(pid);
        }
        return cores;
    }
};
