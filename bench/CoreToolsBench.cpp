// quire-core's page tools, renderer, picture-to-PDF and Word-to-PDF side by side with the
// command-line tools a user would otherwise reach for, on the real documents of
// bench/fetch-corpus.sh. Every quire-core figure is end to end: submit through the core manager, a
// fresh core process, the result. Run through bench/run-core-tools.sh; prints one table of ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include "core/KPdfCoreManager.h"
#include "platform/Format.h"
#include "platform/Process.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::Median;
using bench::Milliseconds;
using namespace std::chrono_literals;

std::uintmax_t FileSize(const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    return error ? 0 : size;
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The largest resident set any quire-core process reached while the bench watched; the core
// is a child of the manager, so it is found by name.
class CorePeakMemory {
public:
    void Sample() {
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string comm = ReadAll(entry.path() / "comm");
            if (comm.rfind("quire-core", 0) != 0)
                continue;
            std::ifstream status(entry.path() / "status");
            for (std::string line; std::getline(status, line);) {
                if (line.rfind("VmHWM:", 0) == 0)
                    peak_kib_ = std::max(peak_kib_, std::stol(line.substr(6)));
            }
        }
    }
    double PeakMib() const { return peak_kib_ / 1024.0; }

private:
    long peak_kib_ = 0;
};

class Bench {
public:
    Bench(KPdfCoreManager* manager, fs::path scratch) : manager_(manager), scratch_(scratch) {}

    // One quire-core task, end to end; nullopt when it failed.
    std::optional<double> RunCore(Json::Value record, CorePeakMemory* memory = nullptr) {
        const auto start = Clock::now();
        const int task = manager_->AddTask(record);
        while (manager_->GetIntInfo(task, "result", -1) < 0 && manager_->IsTaskAlive(task) &&
               Clock::now() - start < 10min) {
            if (memory)
                memory->Sample();
            std::this_thread::sleep_for(memory ? 20ms : 1ms);
        }
        const double elapsed = Milliseconds(Clock::now() - start);
        if (manager_->GetIntInfo(task, "result", -1) == 1)
            return elapsed;
        std::fprintf(stderr, "  quire-core %s failed: %s\n", record["cmd"].asCString(),
                     manager_->GetInfo(task, "error").c_str());
        return std::nullopt;
    }

    // One run of a peer tool (from PATH, or a path); nullopt when it failed or ran past 10
    // minutes.
    std::optional<double> RunTool(const std::string& tool, const std::vector<std::string>& args) {
        const auto start = Clock::now();
        const fs::path program =
            tool.find('/') == std::string::npos ? platform::FindInPath(tool) : fs::path(tool);
        auto process = platform::Process::Spawn(program, args);
        if (!process || !process->WaitForExit(10min)) {
            if (process)
                process->Kill();
            std::fprintf(stderr, "  %s did not finish\n", tool.c_str());
            return std::nullopt;
        }
        if (process->ExitCode().value_or(1) != 0 && process->ExitCode().value_or(1) != 3) {
            // qpdf exits 3 for warnings only; the output is complete.
            std::fprintf(stderr, "  %s exited %d\n", tool.c_str(), process->ExitCode().value_or(1));
            return std::nullopt;
        }
        return Milliseconds(Clock::now() - start);
    }

    // The core's own page count, which the page tools go by.
    int PageCount(const fs::path& pdf) {
        Json::Value record;
        record["cmd"] = "get_file_info";
        record["file"] = pdf.string();
        record["check_img_pdf"] = 0;
        const int task = manager_->AddTask(record);
        const auto start = Clock::now();
        while (manager_->GetIntInfo(task, "result", -1) < 0 && manager_->IsTaskAlive(task) &&
               Clock::now() - start < 1min)
            std::this_thread::sleep_for(1ms);
        return manager_->GetIntInfo(task, "page_count", 0);
    }

    // A fresh empty folder under the scratch folder.
    fs::path Folder(const std::string& name) {
        const fs::path folder = scratch_ / name;
        fs::remove_all(folder);
        fs::create_directories(folder);
        return folder;
    }

private:
    KPdfCoreManager* manager_;
    fs::path scratch_;
};

struct Row {
    std::string what;
    double quire_ms = 0;
    double peer_ms = 0;
    std::string peer;
    double limit = 0;  // largest acceptable ratio; 0 for a row that only reports
    std::string note;
};

std::vector<Row> g_rows;

// Median of `runs` alternating runs of both sides; a side that fails once fails the row.
void Compare(const std::string& what, const std::string& peer, double limit,
             const std::function<std::optional<double>()>& quire,
             const std::function<std::optional<double>()>& tool, int runs = 5,
             const std::string& note = "") {
    std::vector<double> quire_times;
    std::vector<double> tool_times;
    for (int run = 0; run < runs; ++run) {
        auto quire_time = quire();
        auto tool_time = tool();
        if (!quire_time || !tool_time) {
            g_rows.push_back({what, -1, -1, peer, limit, "FAILED"});
            return;
        }
        quire_times.push_back(*quire_time);
        tool_times.push_back(*tool_time);
    }
    g_rows.push_back({what, Median(quire_times), Median(tool_times), peer, limit, note});
}

Json::Value Record(const std::string& cmd, const fs::path& source, const fs::path& target) {
    Json::Value record;
    record["cmd"] = cmd;
    if (!source.empty())
        record["source_path"] = source.string();
    record["target_path"] = target.string();
    return record;
}

Json::Value PageList(int first, int last, int step = 1) {
    Json::Value pages(Json::arrayValue);
    for (int page = first; page <= last; page += step)
        pages.append(page);
    return pages;
}

void BenchPageTools(Bench& bench, const fs::path& pdf) {
    const int pages = bench.PageCount(pdf);
    const std::string name = pdf.filename().string();
    const fs::path out = bench.Folder("pages");
    const std::string half = std::to_string(pages / 2);

    Json::Value split = Record("new_split_pdf", pdf, out);
    Json::Value first;
    first["start"] = 1;
    first["end"] = pages / 2;
    Json::Value second;
    second["start"] = pages / 2 + 1;
    second["end"] = pages;
    split["page_range"].append(first);
    split["page_range"].append(second);
    // The parts are named after the ranges: each run needs an empty folder.
    Compare(
        "split in halves: " + name, "qpdf x2", 1.2,
        [&] {
            split["target_path"] = bench.Folder("split").string();
            return bench.RunCore(split);
        },
        [&] {
            auto a =
                bench.RunTool("qpdf", {pdf, "--pages", ".", "1-" + half, "--", out / "q1.pdf"});
            auto b = bench.RunTool(
                "qpdf",
                {pdf, "--pages", ".", std::to_string(pages / 2 + 1) + "-z", "--", out / "q2.pdf"});
            return a && b ? std::optional(*a + *b) : std::nullopt;
        });

    Json::Value pick = Record("pdf_pickup_pages", pdf, out / "pick.pdf");
    pick["pages"] = PageList(1, pages, 2);
    Compare(
        "pick odd pages: " + name, "qpdf", 1.2, [&] { return bench.RunCore(pick); },
        [&] {
            return bench.RunTool("qpdf", {pdf, "--pages", ".", "1-z:odd", "--", out / "qpick.pdf"});
        });

    Json::Value remove = Record("pdf_delete_pages", pdf, out / "delete.pdf");
    remove["pages"] = PageList(1, 1);
    Compare(
        "delete page 1: " + name, "qpdf", 1.2, [&] { return bench.RunCore(remove); },
        [&] {
            return bench.RunTool("qpdf", {pdf, "--pages", ".", "2-z", "--", out / "qdelete.pdf"});
        });

    Json::Value encrypt = Record("pdf_encrypt", pdf, out / "encrypt.pdf");
    encrypt["password"] = "bench";
    Compare(
        "encrypt AES-256: " + name, "qpdf", 1.2, [&] { return bench.RunCore(encrypt); },
        [&] {
            return bench.RunTool(
                "qpdf", {"--encrypt", "bench", "bench", "256", "--", pdf, out / "qencrypt.pdf"});
        });
}

void BenchMerge(Bench& bench, const std::vector<fs::path>& pdfs) {
    const fs::path out = bench.Folder("merge");
    Json::Value merge = Record("new_merge_pdf", {}, out / "merge.pdf");
    std::vector<std::string> args = {"--empty", "--pages"};
    for (const auto& pdf : pdfs) {
        Json::Value source;
        source["start"] = 1;
        source["end"] = bench.PageCount(pdf);
        source["file_path"] = pdf.string();
        source["password"] = "";
        merge["source_file_list"].append(source);
        args.push_back(pdf);
    }
    args.insert(args.end(), {"--", out / "qmerge.pdf"});
    Compare(
        "merge " + std::to_string(pdfs.size()) + " manuals", "qpdf", 1.2,
        [&] { return bench.RunCore(merge); }, [&] { return bench.RunTool("qpdf", args); });
}

void BenchRender(Bench& bench, const fs::path& pdf, const std::string& cmd, int last_page) {
    const fs::path out = bench.Folder("render");
    const fs::path peer_out = bench.Folder("render-peer");
    Json::Value render = Record(cmd, pdf, out);
    render["merge"] = 0;
    render["scale"] = 150.0 / 72.0;
    render["pagePerImage"] = 1;
    render["pages"] = PageList(1, last_page);
    const std::string what =
        cmd + " 150 dpi, " + std::to_string(last_page) + " pages: " + pdf.filename().string();
    Compare(
        what, "mutool draw (png)", 1.1, [&] { return bench.RunCore(render); },
        [&] {
            return bench.RunTool("mutool", {"draw", "-q", "-r", "150", "-o", peer_out / "p%d.png",
                                            pdf, "1-" + std::to_string(last_page)});
        });
}

// JPEG streams must reach the PDF unchanged when not compressing: every picture's bytes are
// searched for in the output.
std::string CopiedVerbatim(const fs::path& pdf, const std::vector<fs::path>& pictures) {
    const std::string output = ReadAll(pdf);
    int copied = 0;
    for (const auto& picture : pictures)
        copied += output.find(ReadAll(picture)) != std::string::npos;
    return std::to_string(copied) + "/" + std::to_string(pictures.size()) + " JPEGs verbatim";
}

void BenchPictures(Bench& bench, const fs::path& folder) {
    std::vector<fs::path> pictures;
    for (const auto& entry : fs::directory_iterator(folder))
        pictures.push_back(entry.path());
    std::sort(pictures.begin(), pictures.end());
    const fs::path out = bench.Folder("pictures");
    Json::Value record = Record("jpg_to_pdf", {}, out / "pictures.pdf");
    record["compress"] = 0;
    record["image_quality"] = 100;
    record["page_size"] = 0;
    record["page_direction"] = 0;
    record["page_margin"] = 0;
    std::vector<std::string> args = {"-o", out / "img2pdf.pdf"};
    for (const auto& picture : pictures) {
        record["images"].append(picture.string());
        args.push_back(picture);
    }
    Compare(
        "jpg_to_pdf " + std::to_string(pictures.size()) + " pictures", "img2pdf", 1.5,
        [&] { return bench.RunCore(record); }, [&] { return bench.RunTool("img2pdf", args); }, 3,
        "");
    g_rows.back().note = CopiedVerbatim(out / "pictures.pdf", pictures);
}

struct SizeRow {
    std::string file;
    std::uintmax_t source, lossless, qpdf, strong, ghostscript;
    double strong_ms, ghostscript_ms;
};
std::vector<SizeRow> g_sizes;

void BenchCompress(Bench& bench, const fs::path& pdf) {
    const fs::path out = bench.Folder("compress");
    SizeRow row{pdf.filename().string(), FileSize(pdf), 0, 0, 0, 0, 0, 0};
    Json::Value lossless = Record("pdf_compress", pdf, out / "level1.pdf");
    lossless["compress_type"] = 1;
    Json::Value strong = Record("pdf_compress", pdf, out / "level4.pdf");
    strong["compress_type"] = 4;
    bench.RunCore(lossless);
    const auto strong_ms = bench.RunCore(strong);
    bench.RunTool("qpdf", {"--object-streams=generate", "--recompress-flate",
                           "--compression-level=9", pdf, out / "qpdf.pdf"});
    const auto gs_ms =
        bench.RunTool("gs", {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                             "-dPDFSETTINGS=/ebook", "-o", out / "gs.pdf", pdf});
    // "not smaller" ends without an output: the user keeps the source, so that is the size.
    auto or_source = [&](const fs::path& file) {
        return fs::exists(file) ? FileSize(file) : row.source;
    };
    row.lossless = or_source(out / "level1.pdf");
    row.strong = or_source(out / "level4.pdf");
    row.qpdf = FileSize(out / "qpdf.pdf");
    row.ghostscript = FileSize(out / "gs.pdf");
    row.strong_ms = strong_ms.value_or(-1);
    row.ghostscript_ms = gs_ms.value_or(-1);
    g_sizes.push_back(row);
}

void BenchMemory(Bench& bench, const fs::path& pdf) {
    const fs::path out = bench.Folder("memory");
    Json::Value render = Record("pdf_to_png", pdf, out);
    render["merge"] = 0;
    render["scale"] = 1.0;
    render["pagePerImage"] = 1;
    render["pages"] = PageList(1, 500);
    CorePeakMemory memory;
    const auto elapsed = bench.RunCore(render, &memory);
    Row row{"pdf_to_png 72 dpi, 500 pages: peak core RSS", 0, 0, "", 0, ""};
    row.note = elapsed ? std::to_string(static_cast<int>(memory.PeakMib())) +
                             " MiB (limit 300 MiB) " + (memory.PeakMib() < 300 ? "ok" : "OVER")
                       : "FAILED";
    g_rows.push_back(row);
}

// A batch through quire-cli: 50 small PDFs to PNG at its default scale on the task center's
// pool of three, against the same files one quire-cli run at a time, and against the core's
// own work for each file submitted directly, which leaves quire-cli's overhead per file.
void BenchCliBatch(Bench& bench, const fs::path& bin, const fs::path& manual) {
    constexpr int kFiles = 50;
    const fs::path sources = bench.Folder("batch-sources");
    std::vector<std::string> files;
    for (int file = 0; file < kFiles; ++file) {
        const std::string range = std::to_string(2 * file + 1) + "-" + std::to_string(2 * file + 2);
        files.push_back((sources / ("part" + std::to_string(file) + ".pdf")).string());
        if (!bench.RunTool("qpdf", {"--empty", "--pages", manual, range, "--", files.back()})) {
            g_rows.push_back({"quire-cli batch", -1, -1, "", 0, "FAILED: no sources"});
            return;
        }
    }
    const std::string cli = (bin / "quire-cli").string();
    const auto pool = [&]() -> std::optional<double> {
        std::vector<std::string> args = {"pdf-to-image", "--format", "png"};
        args.insert(args.end(), files.begin(), files.end());
        args.insert(args.end(), {"-o", bench.Folder("batch-pool").string()});
        return bench.RunTool(cli, args);
    };
    const auto each =
        [&](const std::function<std::optional<double>(const std::string&, const fs::path&)>& one) {
            const fs::path out = bench.Folder("batch-serial");
            double total = 0;
            for (const std::string& file : files) {
                const auto time = one(file, out);
                if (!time)
                    return std::optional<double>();
                total += *time;
            }
            return std::optional(total);
        };
    const auto serial = [&] {
        return each([&](const std::string& file, const fs::path& out) {
            return bench.RunTool(cli, {"pdf-to-image", "--format", "png", file, "-o", out});
        });
    };
    const auto direct = [&] {
        return each([&](const std::string& file, const fs::path& out) {
            Json::Value render = Record("pdf_to_png", file, out);
            render["merge"] = 0;
            render["scale"] = 2.0;
            render["pagePerImage"] = 1;
            return bench.RunCore(render);
        });
    };
    Compare("quire-cli 50 PDFs to PNG: pool of 3 vs one at a time", "quire-cli serial", 0, pool,
            serial, 1);
    Compare("quire-cli one at a time vs the core's work direct", "core direct", 0, serial, direct,
            1);
    const Row& against_serial = g_rows[g_rows.size() - 2];
    const Row& against_core = g_rows.back();
    if (against_serial.quire_ms > 0 && against_core.quire_ms > 0) {
        g_rows.push_back({platform::Format("  speed-up of the pool: %.2fx (aim: 1.6x); quire-cli "
                                           "overhead per file: %.0f ms",
                                           against_serial.peer_ms / against_serial.quire_ms,
                                           (against_core.quire_ms - against_core.peer_ms) / kFiles),
                          0, 0, "", 0, ""});
    }
}

// Word to PDF: a batch's later conversions, which find the LibreOffice helper warm, against a
// cold soffice per file (its profile already made, as a user's would be). The first conversion
// starts the helper and is not counted.
void BenchOffice(Bench& bench, const fs::path& document) {
    const fs::path out = bench.Folder("office");
    const fs::path profile = bench.Folder("soffice-profile");
    const std::vector<std::string> soffice_args = {
        "-env:UserInstallation=file://" + profile.string(),
        "--headless",
        "--convert-to",
        "pdf",
        "--outdir",
        out.string(),
        document.string()};
    Json::Value record = Record("docx_to_pdf", document, out / "warm.pdf");
    if (!bench.RunCore(record) || !bench.RunTool("soffice", soffice_args)) {
        g_rows.push_back(
            {"docx to pdf, later in a batch", -1, -1, "soffice (cold)", 0.5, "FAILED"});
        return;
    }
    int run = 0;
    Compare(
        "docx to pdf, later in a batch: " + document.filename().string(), "soffice (cold)", 0.5,
        [&] {
            record["target_path"] = (out / ("warm" + std::to_string(++run) + ".pdf")).string();
            return bench.RunCore(record);
        },
        [&] { return bench.RunTool("soffice", soffice_args); });
}

// PDF to Word: the first ten pages of a manual through a waiting core, against mutool's own docx
// writer on the same pages. Both write a whole package; ours also rebuilds tables, lists, headers
// and columns, which is what the ratio pays for.
void BenchWord(Bench& bench, const fs::path& pdf) {
    const int last = std::min(10, bench.PageCount(pdf));
    const fs::path out = bench.Folder("word");
    Json::Value record = Record("pdf_to_docx", pdf, out / "ours.docx");
    record["pages"] = PageList(1, last);
    Compare(
        "pdf to docx, pages 1-" + std::to_string(last) + ": " + pdf.filename().string(),
        "mutool convert", 2.0, [&] { return bench.RunCore(record); },
        [&] {
            return bench.RunTool("mutool", {"convert", "-F", "docx", "-o", out / "mutool.docx", pdf,
                                            "1-" + std::to_string(last)});
        });
}

void PrintTables() {
    std::printf("\n%-58s %10s %10s %-18s %7s %s\n", "case", "quire ms", "peer ms", "peer", "ratio",
                "target");
    for (const auto& row : g_rows) {
        if (row.peer.empty()) {
            std::printf("%-58s %s\n", row.what.c_str(), row.note.c_str());
            continue;
        }
        const double ratio = row.peer_ms > 0 ? row.quire_ms / row.peer_ms : 0;
        const char* verdict = row.quire_ms < 0     ? "FAILED"
                              : row.limit <= 0     ? "reported"
                              : ratio <= row.limit ? "ok"
                                                   : "MISSED";
        std::printf(
            "%-58s %10.1f %10.1f %-18s %7.2f %s %s\n", row.what.c_str(), row.quire_ms, row.peer_ms,
            row.peer.c_str(), ratio,
            row.limit > 0 ? platform::Format("<= %.1f %s", row.limit, verdict).c_str() : verdict,
            row.note.c_str());
    }
    if (g_sizes.empty())
        return;
    std::printf("\n%-28s %10s %10s %10s %10s %10s %9s %9s %s\n", "compress: file", "source",
                "level 1", "qpdf", "level 4", "gs ebook", "l4 ms", "gs ms", "verdict");
    for (const auto& row : g_sizes) {
        const bool lossless_ok = row.lossless <= row.source && row.lossless <= row.qpdf;
        const bool strong_ok = row.strong <= std::min(row.qpdf, row.ghostscript) &&
                               row.strong_ms <= row.ghostscript_ms;
        std::printf("%-28s %10ju %10ju %10ju %10ju %10ju %9.0f %9.0f lossless %s, strong %s\n",
                    row.file.c_str(), row.source, row.lossless, row.qpdf, row.strong,
                    row.ghostscript, row.strong_ms, row.ghostscript_ms,
                    lossless_ok ? "ok" : "MISSED", strong_ok ? "ok" : "MISSED");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(
            stderr,
            "usage: %s <program folder> <corpus folder> <scratch folder> [group...]\n"
            "groups: pages merge render pictures compress memory cli office word (default all)\n",
            argv[0]);
        return 2;
    }
    const fs::path bin = argv[1];
    const fs::path corpus = fs::absolute(argv[2]);
    if (!fs::exists(corpus / "pdf" / "R-intro.pdf")) {
        std::fprintf(stderr, "no corpus in %s: run bench/fetch-corpus.sh first\n", argv[2]);
        return 2;
    }
    const std::vector<std::string> groups(argv + 4, argv + argc);
    const auto wanted = [&](const char* group) {
        return groups.empty() || std::find(groups.begin(), groups.end(), group) != groups.end();
    };
    KPdfCoreManager::Settings settings;
    settings.pipe_library = bin / "libquire-pipe.so";
    settings.core_executable = bin / "quire-core";
    KPdfCoreManager manager(settings);
    if (!manager.Init()) {
        std::fprintf(stderr, "the core manager did not start\n");
        return 1;
    }
    Bench bench(&manager, fs::absolute(argv[3]));
    const fs::path pdf = corpus / "pdf";
    if (wanted("pages")) {
        for (const char* name : {"R-intro.pdf", "debian-reference.zh-cn.pdf", "gnuplot.pdf"})
            BenchPageTools(bench, pdf / name);
    }
    if (wanted("merge")) {
        BenchMerge(bench,
                   {pdf / "R-FAQ.pdf", pdf / "R-data.pdf", pdf / "R-lang.pdf", pdf / "R-exts.pdf"});
    }
    if (wanted("render")) {
        for (const char* cmd : {"pdf_to_png", "pdf_to_jpg"}) {
            BenchRender(bench, pdf / "debian-reference.zh-cn.pdf", cmd, 20);
            BenchRender(bench, pdf / "scanned-pages.pdf", cmd, 12);
        }
    }
    if (wanted("pictures"))
        BenchPictures(bench, corpus / "jpg");
    if (wanted("compress")) {
        for (const auto& entry : fs::directory_iterator(pdf)) {
            if (entry.path().filename() != "fullrefman.pdf")
                BenchCompress(bench, entry.path());
        }
    }
    if (wanted("memory"))
        BenchMemory(bench, pdf / "fullrefman.pdf");
    if (wanted("cli"))
        BenchCliBatch(bench, bin, pdf / "R-intro.pdf");
    if (wanted("office"))
        BenchOffice(bench, corpus / "office" / "r-intro.docx");
    if (wanted("word")) {
        for (const auto& entry : fs::directory_iterator(pdf))
            BenchWord(bench, entry.path());
    }
    manager.Shutdown();
    PrintTables();
    return 0;
}
