#include <cairo.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>

#include "convcore/ScriptedChannel.h"
#include "convcore/TestDocuments.h"
#include "core/JsonWire.h"
#include "platform/DynamicLibrary.h"
#include "platform/Process.h"
#include "quire-pipe/PipeInterfaces.h"
#include "support/TempDir.h"
#include "support/ZipPart.h"

namespace convcoretest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// What the program's side saw of one core, shared by every handler the server makes.
struct Conversation {
    std::mutex mutex;
    std::condition_variable changed;
    std::string task;                            // handed out once, then "service exited"
    bool task_handed = false;                    // guarded by mutex
    std::optional<Clock::time_point> first_ask;  // guarded by mutex
    int core_id = 0;                             // guarded by mutex
    std::map<std::string, std::string> values;   // guarded by mutex; as the program stores them
    bool exited = false;                         // guarded by mutex
};

class ScriptedProcessor : public IMsgProcessor {
public:
    explicit ScriptedProcessor(Conversation& conversation) : conversation_(conversation) {}

    const char* OnMessage(const char* request) override {
        Json::Value message;
        json_wire::Parse(request, &message);
        const std::string command = message.get("cmd", "").asString();
        const std::lock_guard<std::mutex> lock(conversation_.mutex);
        reply_ = "{\"info\":\"OnNotifyProgress succeed\",\"result\":1}\n";
        if (command == "get_task") {
            if (!conversation_.first_ask)
                conversation_.first_ask = Clock::now();
            conversation_.core_id = message.get("core_id", 0).asInt();
            reply_ =
                conversation_.task_handed ? FailureReply("service exited") : conversation_.task;
            conversation_.task_handed = true;
        } else if (command == "notify") {
            for (const auto& name : message.getMemberNames())
                conversation_.values[name] = json_wire::AsText(message[name]);
        } else if (command == "exit") {
            conversation_.exited = true;
            reply_ = "{\"info\":\"good job\",\"result\":1}\n";
        }
        conversation_.changed.notify_all();
        return reply_.c_str();
    }
    void OnDisconnect() override {}
    IMsgProcessor* CreateProcessor() override { return new ScriptedProcessor(conversation_); }
    void Release() override { delete this; }

private:
    Conversation& conversation_;
    std::string reply_;
};

// Runs `core` on one task over the real pipe library until it ends; what the program's side
// saw is in `conversation`. Returns how long the core took from its start to its first ask.
std::optional<std::chrono::milliseconds> RunCore(const fs::path& core, const std::string& task,
                                                 Conversation& conversation) {
    std::string error;
    const auto library = platform::DynamicLibrary::Open(QUIRE_PIPE_LIBRARY, &error);
    EXPECT_TRUE(library) << error;
    const auto create = library ? library->FunctionNamed<IPipeSvr*()>("CreatePipeSvr") : nullptr;
    const auto release =
        library ? library->FunctionNamed<void(IPipeSvr*)>("ReleasePipeSvr") : nullptr;
    if (!create || !release)
        return std::nullopt;
    conversation.task = task;
    ScriptedProcessor prototype(conversation);
    IPipeSvr* server = create();
    if (server == nullptr || (server->SetProcessor(&prototype), !server->Start("convcore_test"))) {
        ADD_FAILURE() << "the pipe server did not start";
        return std::nullopt;
    }
    const auto spawned = Clock::now();
    const auto process =
        platform::Process::Spawn(core, {"-core:3", "-server:convcore_test"}, &error);
    EXPECT_TRUE(process) << error;
    const bool ended = process && process->WaitForExit(20s);
    server->Stop();
    release(server);
    EXPECT_TRUE(ended);
    if (!ended)
        return std::nullopt;
    EXPECT_EQ(process->ExitCode(), 0);
    const std::lock_guard<std::mutex> lock(conversation.mutex);
    if (!conversation.first_ask)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(*conversation.first_ask - spawned);
}

TEST(CoreProcessTest, TheRealCoreAnswersAFileInfoTaskOverTheRealPipeAndExits) {
    TempDir runtime;
    const ScopedEnv runtime_variable("XDG_RUNTIME_DIR", runtime.Path().string());
    TempDir documents;
    WriteFile(documents / "three.pdf", BuildPdf(TextPages(3)));

    Json::Value record;
    record["file"] = (documents / "three.pdf").string();
    record["check_img_pdf"] = 1;
    record["try_no"] = 0;
    Conversation conversation;
    const auto start_time =
        RunCore(QUIRE_CORE_BINARY, TaskText("get_file_info", 12, record), conversation);
    ASSERT_TRUE(start_time);
    std::cout << "core start (spawn to first get_task): " << start_time->count() << " ms\n";
    EXPECT_LT(*start_time, 1s);
    const std::lock_guard<std::mutex> lock(conversation.mutex);
    EXPECT_EQ(conversation.core_id, 3);
    EXPECT_EQ(conversation.values["task_id"], "12\n");
    EXPECT_EQ(conversation.values["page_count"], "3\n");
    EXPECT_EQ(conversation.values["is_unreadable_pdf"], "0\n");
    EXPECT_EQ(conversation.values["result"], "1\n");
    EXPECT_TRUE(conversation.exited);
}

// A copy of the core alone in `folder`, without the modules installed beside the real one.
fs::path CopyCoreAlone(const fs::path& folder) {
    const fs::path core = folder / "quire-core";
    fs::copy_file(QUIRE_CORE_BINARY, core);
    fs::permissions(core, fs::perms::owner_exec, fs::perm_options::add);
    return core;
}

// A task that reads `source` and writes `target`, with `record`'s other fields.
std::string FileTask(const char* command, int task_id, const fs::path& source,
                     const fs::path& target, Json::Value record = {}) {
    record["source_path"] = source.string();
    record["target_path"] = target.string();
    return TaskText(command, task_id, std::move(record));
}

// Compression at its strongest setting, a page tool of the module.
std::string CompressTask(int task_id, const fs::path& source, const fs::path& target) {
    Json::Value record;
    record["compress_type"] = 4;
    return FileTask("pdf_compress", task_id, source, target, std::move(record));
}

TEST(CoreProcessTest, ACoreWithoutItsRecognitionModuleFailsARecognitionTaskClearly) {
    // The recognition engine is loaded from beside the core only when a page needs it; a core
    // installed without it still starts and fails just that task, leaving no output behind.
    TempDir runtime;
    const ScopedEnv runtime_variable("XDG_RUNTIME_DIR", runtime.Path().string());
    TempDir folder;
    const fs::path core = CopyCoreAlone(folder.Path());
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 100);
    ASSERT_EQ(cairo_surface_write_to_png(picture, (folder / "scan.png").c_str()),
              CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(picture);

    Json::Value record;
    record["source_path"] = (folder / "scan.png").string();
    record["target_path"] = (folder / "scan.txt").string();
    Conversation conversation;
    ASSERT_TRUE(RunCore(core, TaskText("ocr_to_txt", 5, record), conversation));
    const std::lock_guard<std::mutex> lock(conversation.mutex);
    EXPECT_EQ(conversation.values["result"], "0\n");
    EXPECT_NE(conversation.values["error"].find("cannot load the text recognition engine"),
              std::string::npos)
        << conversation.values["error"];
    EXPECT_FALSE(fs::exists(folder / "scan.txt"));
}

TEST(CoreProcessTest, ACoreWithoutItsToolsModuleFailsAPageToolTaskClearly) {
    // Page tools come from a module loaded on their first task; a core installed without it
    // still converts to Word, and fails a page tool task alone, leaving no output behind.
    TempDir runtime;
    const ScopedEnv runtime_variable("XDG_RUNTIME_DIR", runtime.Path().string());
    TempDir folder;
    const fs::path core = CopyCoreAlone(folder.Path());
    WriteFile(folder / "three.pdf", BuildPdf(TextPages(3)));

    Conversation failed;
    ASSERT_TRUE(RunCore(core, CompressTask(6, folder / "three.pdf", folder / "small.pdf"), failed));
    {
        const std::lock_guard<std::mutex> lock(failed.mutex);
        EXPECT_EQ(failed.values["result"], "0\n");
        EXPECT_NE(failed.values["error"].find("cannot load the conversion tools"),
                  std::string::npos)
            << failed.values["error"];
    }
    EXPECT_FALSE(fs::exists(folder / "small.pdf"));

    Conversation converted;
    ASSERT_TRUE(RunCore(
        core, FileTask("pdf_to_docx", 7, folder / "three.pdf", folder / "three.docx"), converted));
    const std::lock_guard<std::mutex> lock(converted.mutex);
    EXPECT_EQ(converted.values["result"], "1\n") << converted.values["error"];
    EXPECT_TRUE(fs::is_regular_file(folder / "three.docx"));
}

TEST(CoreProcessTest, TheRealCoreRunsAPageToolFromItsModule) {
    TempDir runtime;
    const ScopedEnv runtime_variable("XDG_RUNTIME_DIR", runtime.Path().string());
    TempDir folder;
    WriteFile(folder / "three.pdf", BuildPdf(TextPages(3)));
    Conversation conversation;
    ASSERT_TRUE(RunCore(QUIRE_CORE_BINARY,
                        CompressTask(8, folder / "three.pdf", folder / "small.pdf"), conversation));
    const std::lock_guard<std::mutex> lock(conversation.mutex);
    EXPECT_EQ(conversation.values["result"], "1\n") << conversation.values["error"];
    EXPECT_TRUE(fs::is_regular_file(folder / "small.pdf"));
}

TEST(CoreProcessTest, ACoreTakesTheFontMatchesAnEarlierCoreKept) {
    TempDir runtime;
    const ScopedEnv runtime_variable("XDG_RUNTIME_DIR", runtime.Path().string());
    TempDir cache;
    const ScopedEnv cache_variable("XDG_CACHE_HOME", cache.Path().string());
    TempDir folder;
    WriteFile(folder / "three.pdf", BuildPdf(TextPages(3)));
    const fs::path source = folder / "three.pdf";
    Conversation first;
    ASSERT_TRUE(RunCore(QUIRE_CORE_BINARY,
                        FileTask("pdf_to_docx", 9, source, folder / "first.docx"), first));

    // Every kept match renamed to a face no fontconfig would answer: a core that takes the
    // file at its word names it in the document.
    const fs::path kept = cache / "quire" / "font-matches";
    std::ifstream in(kept);
    std::string header;
    std::string fingerprint;
    ASSERT_TRUE(std::getline(in, header) && std::getline(in, fingerprint)) << kept;
    std::string renamed = header + "\n" + fingerprint + "\n";
    int matches = 0;
    for (std::string line; std::getline(in, line); ++matches)
        renamed += line.substr(0, line.find('\t')) + "\tKept Face Sans\n";
    ASSERT_GT(matches, 0);
    in.close();
    WriteFile(kept, renamed);

    Conversation second;
    ASSERT_TRUE(RunCore(QUIRE_CORE_BINARY,
                        FileTask("pdf_to_docx", 10, source, folder / "second.docx"), second));
    const std::string parts = ReadPackagePart(folder / "second.docx", "word/document.xml") +
                              ReadPackagePart(folder / "second.docx", "word/styles.xml");
    EXPECT_NE(parts.find("Kept Face Sans"), std::string::npos);
    const std::string before = ReadPackagePart(folder / "first.docx", "word/document.xml") +
                               ReadPackagePart(folder / "first.docx", "word/styles.xml");
    EXPECT_EQ(before.find("Kept Face Sans"), std::string::npos);
}

}  // namespace
}  // namespace convcoretest
