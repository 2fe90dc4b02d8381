// The watermark preview service with the real pipe library, driven by a scripted client that
// speaks the preview core's requests; the core it starts is a stand-in that only records its
// arguments, so nothing else talks on the pipe.
#include "core/WatermarkPreviewService.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "core/JsonWire.h"
#include "platform/AtomicFile.h"
#include "quire-pipe/PipeClient.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using quirepipe::PipeClient;
using Clock = std::chrono::steady_clock;

constexpr const char* kPipeName = "watermark_preview";
const std::string kWaitTask = "{\"info\":\"wait task\",\"result\":1}\n";
const std::string kNotified = "{\"info\":\"notify\",\"result\":1}\n";
const std::string kUnknown = "{\"info\":\"unknown\",\"result\":1}\n";

// Called on pipe threads, read on the test's thread.
class RecordingView : public IWatermarkPreviewView {
public:
    void OnPreviewRequested() override {
        std::lock_guard guard(mutex_);
        ++requested_;
    }
    void OnPreviewReady(std::vector<unsigned char> png) override {
        std::lock_guard guard(mutex_);
        previews_.push_back(std::move(png));
    }
    int Requested() {
        std::lock_guard guard(mutex_);
        return requested_;
    }
    std::vector<std::vector<unsigned char>> Previews() {
        std::lock_guard guard(mutex_);
        return previews_;
    }

private:
    std::mutex mutex_;
    int requested_ = 0;                                 // guarded by mutex_
    std::vector<std::vector<unsigned char>> previews_;  // guarded by mutex_
};

class WatermarkPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(core_) << "#!/bin/sh\necho \"$*\" >> '" << (temp_ / "cores.txt").string()
                             << "'\n";
        ::chmod(core_.c_str(), 0755);
    }

    WatermarkPreviewService::Paths TestPaths() const {
        return {PIPE_LIBRARY, core_, temp_ / "wmpreview.png"};
    }
    // Waits for the stand-in core too, so that none outlives the temporary folder.
    bool StartService() {
        const std::size_t started = CoreStarts().size();
        return Service().Start() && WaitUntil([&] { return CoreStarts().size() > started; });
    }
    WatermarkPreviewService& Service() {
        if (!service_)
            service_ = std::make_unique<WatermarkPreviewService>(view_, source_, TestPaths());
        return *service_;
    }

    // The argument lines of every stand-in core started so far.
    std::vector<std::string> CoreStarts() const {
        std::vector<std::string> lines;
        std::ifstream in(temp_ / "cores.txt");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    static std::unique_ptr<PipeClient> Connect() {
        std::string error;
        auto client = PipeClient::Connect(kPipeName, 2s, &error);
        EXPECT_TRUE(client) << error;
        return client;
    }
    static std::string Ask(PipeClient& client, const std::string& request) {
        const auto reply = client.Request(request, 5s);
        EXPECT_TRUE(reply) << "no reply to " << request;
        return reply.value_or("<none>");
    }
    static Json::Value AsRecord(const std::string& reply) {
        Json::Value record;
        EXPECT_TRUE(json_wire::Parse(reply, &record)) << reply;
        return record;
    }

    // Every value differs from its default, so a key fed from the wrong field shows.
    WatermarkSettings FullSettings() const {
        WatermarkSettings settings;
        settings.type = 2;
        settings.opacity = 75;
        settings.vertical_alignment = 1;
        settings.horizontal_alignment = 2;
        settings.rotation = 45;
        settings.background = true;
        settings.image_path = (temp_ / "stempel 图.png").string();
        settings.original_size = true;
        settings.size_scale = 80;
        settings.text = "机密 draft";
        settings.font_size = 36;
        settings.font = 3;
        settings.alpha = 128;
        settings.red = 200;
        settings.green = 100;
        settings.blue = 50;
        settings.multi_line = true;
        return settings;
    }

    TempDir runtime_;
    ScopedEnv runtime_variable_{"XDG_RUNTIME_DIR", runtime_.Path().string()};
    TempDir temp_;
    const std::filesystem::path core_ = temp_ / "fake-core";
    const std::filesystem::path source_ = temp_ / "报告 1.pdf";
    RecordingView view_;
    std::unique_ptr<WatermarkPreviewService> service_;  // goes before the view it calls
};

TEST_F(WatermarkPreviewTest, FirstGetTaskCarriesTheWholeRecordThenTheCoreWaits) {
    Service().SetSettings(FullSettings());
    ASSERT_TRUE(StartService());
    auto client = Connect();
    ASSERT_TRUE(client);

    const std::string reply = Ask(*client, R"({"cmd":"get_task","core_id":666})");
    const Json::Value record = AsRecord(reply);
    // The core reads one compact line.
    EXPECT_EQ(reply, json_wire::Write(record));
    const std::vector<std::pair<const char*, Json::Value>> expected = {
        {"cmd", "pdf_watermark_preview"},
        {"source_path", source_.string()},
        {"target_path", (temp_ / "wmpreview.png").string()},
        {"watermark_type", 2},
        {"opacity", 75},
        {"vertical_alignment", 1},
        {"horizontal_alignment", 2},
        {"rotate", 45},
        {"is_background", 1},
        {"image_watermark_path", (temp_ / "stempel 图.png").string()},
        {"is_orgin_size", 1},
        {"size_scale", 80},
        {"watermark_text", "机密 draft"},
        {"font_size", 36},
        {"font_color_a", 128},
        {"font_color_r", 200},
        {"font_color_g", 100},
        {"font_color_b", 50},
        {"font", 3},
        {"multi_line", 1},
        {"preview_width", 210},
        {"task_id", 666},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(record[key].type(), value.type()) << key;
        EXPECT_EQ(record[key], value) << key;
    }
    Json::Value pages(Json::arrayValue);
    pages.append(1);
    EXPECT_EQ(record["pages"], pages);
    // Nothing else: no password, and no "result" a core could mistake for a reply.
    EXPECT_EQ(record.size(), expected.size() + 1);
    EXPECT_EQ(view_.Requested(), 1);

    const auto asked = Clock::now();
    EXPECT_EQ(Ask(*client, R"({"cmd":"get_task","core_id":666})"), kWaitTask);
    EXPECT_GE(Clock::now() - asked, 100ms);
    EXPECT_EQ(view_.Requested(), 1);
}

TEST_F(WatermarkPreviewTest, ChangedSettingsGoOutWithTheNextGetTaskWhateverItsCase) {
    ASSERT_TRUE(StartService());
    auto client = Connect();
    ASSERT_TRUE(client);
    // Before any settings arrive the core previews the defaults.
    EXPECT_EQ(AsRecord(Ask(*client, R"({"cmd":"get_task"})"))["opacity"], 100);

    WatermarkSettings changed = FullSettings();
    changed.text = "second";
    changed.opacity = 25;
    Service().SetSettings(changed);
    const Json::Value record = AsRecord(Ask(*client, R"({"cmd":"GET_TASK"})"));
    EXPECT_EQ(record["watermark_text"], "second");
    EXPECT_EQ(record["opacity"], 25);
    EXPECT_EQ(view_.Requested(), 2);
    EXPECT_EQ(Ask(*client, R"({"cmd":"Get_Task"})"), kWaitTask);
}

// The dialog changes settings on its own thread while the core asks on a pipe thread: every
// record handed out must be one whole settings value, and the last change must never be lost.
TEST_F(WatermarkPreviewTest, SettingsChangedWhileTheCoreAsksAreNeitherTornNorLost) {
    ASSERT_TRUE(StartService());
    auto client = Connect();
    ASSERT_TRUE(client);
    // The defaults every new core is shown first.
    EXPECT_EQ(AsRecord(Ask(*client, R"({"cmd":"get_task"})"))["watermark_text"], "");
    constexpr int kChanges = 200;
    std::thread dialog([&] {
        WatermarkSettings settings;
        for (int i = 1; i <= kChanges; ++i) {
            settings.font_size = i;
            settings.text = std::to_string(i);
            Service().SetSettings(settings);
            // Slower than the core asks, so that changes and requests interleave.
            std::this_thread::sleep_for(1ms);
        }
    });
    int last_seen = 0;
    for (auto end = Clock::now() + 10s; last_seen != kChanges && Clock::now() < end;) {
        const std::string reply = Ask(*client, R"({"cmd":"get_task"})");
        if (reply == kWaitTask)
            continue;
        const Json::Value record = AsRecord(reply);
        const int font_size = record["font_size"].asInt();
        if (record["watermark_text"].asString() != std::to_string(font_size) ||
            font_size < last_seen) {
            ADD_FAILURE() << "after " << last_seen << " got " << reply;
            break;
        }
        last_seen = font_size;
    }
    dialog.join();
    EXPECT_EQ(last_seen, kChanges);
}

TEST_F(WatermarkPreviewTest, NotifyHandsOverTheImageOnlyWhenTheCoreSucceededAndWroteIt) {
    // NUL and high bytes: the image must arrive byte for byte, not as C text.
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff", 18);
    struct Case {
        const char* request;
        bool image_written;
        bool delivered;
    };
    const Case cases[] = {
        {R"({"cmd":"notify","task_id":666,"result":1})", true, true},
        {R"({"cmd":"NOTIFY","task_id":666,"result":2})", true, true},
        {R"({"cmd":"notify","task_id":666,"result":0})", true, false},
        {R"({"cmd":"notify","task_id":666,"progress":50})", true, false},
        {R"({"cmd":"notify","task_id":666,"result":1})", false, false},
    };
    ASSERT_TRUE(StartService());
    auto client = Connect();
    ASSERT_TRUE(client);
    const auto image = temp_ / "wmpreview.png";
    for (const Case& test : cases) {
        SCOPED_TRACE(test.request);
        std::filesystem::remove(image);
        if (test.image_written) {
            ASSERT_TRUE(platform::WriteFileAtomically(image, png));
        }
        const std::size_t before = view_.Previews().size();

        EXPECT_EQ(Ask(*client, test.request), kNotified);
        const auto previews = view_.Previews();
        ASSERT_EQ(previews.size(), before + (test.delivered ? 1 : 0));
        if (test.delivered) {
            EXPECT_EQ(previews.back(), std::vector<unsigned char>(png.begin(), png.end()));
        }
    }
    EXPECT_EQ(view_.Requested(), 0);
}

TEST_F(WatermarkPreviewTest, OtherRequestsGetUnknownOrAnEmptyReplyAndTheConnectionStays) {
    struct Case {
        const char* request;
        std::string reply;
        bool paused;
    };
    const Case cases[] = {
        {R"({"cmd":"exit","task_id":666})", kUnknown, true},
        {R"({"cmd":42})", kUnknown, true},
        {"not json", "", false},
        {R"({"task_id":666})", "", false},
        {R"({"cmd":""})", "", false},
        {"[\"get_task\"]", "", false},
    };
    ASSERT_TRUE(StartService());
    auto client = Connect();
    ASSERT_TRUE(client);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.request);
        const auto asked = Clock::now();
        EXPECT_EQ(Ask(*client, test.request), test.reply);
        if (test.paused) {
            EXPECT_GE(Clock::now() - asked, 100ms);
        }
    }
    // None of them used up the pending preview.
    EXPECT_EQ(AsRecord(Ask(*client, R"({"cmd":"get_task"})"))["cmd"], "pdf_watermark_preview");
}

// Each Start serves the pipe anew and starts its own preview core.
TEST_F(WatermarkPreviewTest, StopEndsTheServingAndStartServesAFreshCore) {
    ASSERT_TRUE(StartService());
    auto client = Connect();
    ASSERT_TRUE(client);
    EXPECT_EQ(AsRecord(Ask(*client, R"({"cmd":"get_task"})"))["task_id"], 666);

    Service().Stop();
    Service().Stop();
    EXPECT_FALSE(client->Request(R"({"cmd":"get_task"})", 2s));

    ASSERT_TRUE(StartService());
    auto again = Connect();
    ASSERT_TRUE(again);
    // The new core has not been shown anything yet.
    EXPECT_EQ(AsRecord(Ask(*again, R"({"cmd":"get_task"})"))["task_id"], 666);
    const std::string arguments = "-core:666 -server:watermark_preview -multi_task:true";
    EXPECT_EQ(CoreStarts(), std::vector<std::string>(2, arguments));
}

TEST_F(WatermarkPreviewTest, NoPreviewWithoutThePipeLibraryOrTheCore) {
    struct Case {
        const char* name;
        std::filesystem::path library;
        std::filesystem::path core;
    };
    const Case cases[] = {
        {"no pipe library", temp_ / "missing.so", core_},
        {"no core", PIPE_LIBRARY, temp_ / "missing-core"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        WatermarkPreviewService service(view_, source_,
                                        {test.library, test.core, temp_ / "wmpreview.png"});
        EXPECT_FALSE(service.Start());
        EXPECT_FALSE(PipeClient::Connect(kPipeName, 200ms));
    }
    EXPECT_TRUE(CoreStarts().empty());
}

}  // namespace
