#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "composite/KComplexTask.h"

// A PDF to Word, Excel, PowerPoint, text or HTML. Tried on the local core first (unless the
// user asked for precise conversion), then, when allowed, on the online service with the file
// decrypted and cut to the chosen pages. A long range may be converted in parts of 50 pages,
// two at a time, each part by the same procedure.
class KComplexPdfToDocument : public KComplexTask {
public:
    static constexpr int kPartPages = 50;
    static constexpr int kPartWorkers = 2;

    struct Params {
        std::string source;
        std::string target;          // its extension chooses the document kind
        bool image_pdf = false;      // the PDF holds only page pictures
        bool prefer_online = false;  // precise conversion, or a PDF the core cannot read
        bool cut_first = false;      // encrypted: cut the chosen pages out before uploading
        bool local_only = false;     // the text window never goes online
        // Parts: pages first_page..last_page in runs of 50, each written into parts_folder as
        // "<source title>(<a>-<b>).<target extension>".
        bool split = false;
        int first_page = 1;
        int last_page = 1;
        std::string parts_folder;
        // Instead of leaving the parts, join them into `target`, one document with every page:
        // the parts then stay in the task's private temporary folder.
        bool join_parts = false;
    };

    explicit KComplexPdfToDocument(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                   const CompositeServices* services = nullptr);
    ~KComplexPdfToDocument() override;

    // "bLocal": 1 from the start of the local attempt, 0 once the task went online.
    int IsLocal() override { return GetInt("bLocal", 0); }
    std::string GetSourcePath() override { return params_.source; }
    // The first part's output for a task whose parts stay, else the target.
    std::string GetTargetPath() override;

protected:
    bool Work() override;

private:
    // Parts report to the sink of the task that made them, so detaching that task's sink
    // silences its parts too.
    class PartProgress : public quirekit::ICvtUpateProcess {
    public:
        explicit PartProgress(KComplexPdfToDocument& owner) : owner_(owner) {}
        void UpdateProcess(int percent) override { owner_.ReportProgress(percent); }

    private:
        KComplexPdfToDocument& owner_;
    };

    bool ConvertSingle();
    bool ConvertOnline(OperationContext& context);
    bool ConvertInParts();
    bool CutPart(const std::filesystem::path& folder, int first, int last);
    bool RunParts();
    bool JoinParts(const std::vector<std::string>& part_targets);
    void RunAsPart();
    void ReleaseParts();

    const Params params_;
    PartProgress part_progress_{*this};
    std::vector<KComplexPdfToDocument*> parts_;  // the task's thread only; one reference each
    std::mutex first_part_mutex_;
    std::string first_part_target_;  // guarded by first_part_mutex_; set with the first part
};
