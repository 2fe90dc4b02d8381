#include "convcore/PageToolWriter.h"

#include <zlib.h>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <random>
#include <system_error>

namespace convcore {
namespace {

constexpr int kOwnerPasswordChars = 32;

// Thrown from qpdf's progress callback to leave a write the user cancelled; caught below.
struct WriteCancelled {};

class ProgressToContext : public QPDFWriter::ProgressReporter {
public:
    ProgressToContext(TaskContext& context, ProgressSpan span) : context_(context), span_(span) {}

    void reportProgress(int percent) override {
        if (context_.IsCancelled())
            throw WriteCancelled{};
        context_.SetProgress(span_.from + (span_.to - span_.from) * percent / 100);
    }

private:
    TaskContext& context_;
    ProgressSpan span_;
};

// Nobody is meant to know it: the user password is what opens the document, and with every
// permission granted the owner password has nothing left to unlock.
std::string RandomOwnerPassword() {
    static constexpr char kAlphabet[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kAlphabet) - 2);
    std::string password;
    for (int i = 0; i < kOwnerPasswordChars; ++i)
        password += kAlphabet[pick(random)];
    return password;
}

// The Flate level is a process-wide qpdf setting. A core runs one task at a time; the lock
// keeps two compact writes of a multi-task core from restoring it under each other.
class StrongestFlate {
public:
    StrongestFlate() : lock_(mutex_) { Pl_Flate::setCompressionLevel(Z_BEST_COMPRESSION); }
    ~StrongestFlate() { Pl_Flate::setCompressionLevel(Z_DEFAULT_COMPRESSION); }
    StrongestFlate(const StrongestFlate&) = delete;
    StrongestFlate& operator=(const StrongestFlate&) = delete;

private:
    static inline std::mutex mutex_;  // held for the whole of a compact write
    std::lock_guard<std::mutex> lock_;
};

void Configure(QPDFWriter& writer, const WriteSettings& settings) {
    writer.setPreserveEncryption(settings.keep_source_protection && settings.user_password.empty());
    if (!settings.user_password.empty()) {
        writer.setR6EncryptionParameters(settings.user_password.c_str(),
                                         RandomOwnerPassword().c_str(), true, true, true, true,
                                         true, true, qpdf_r3p_full, true);
    }
    if (settings.compact) {
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.setCompressStreams(true);
        writer.setDecodeLevel(qpdf_dl_generalized);
        writer.setRecompressFlate(true);
    }
}

WriteResult Written(WriteStatus status, std::string detail = {}) {
    return WriteResult{status, std::move(detail)};
}

}  // namespace

WriteResult WritePdf(QPDF& pdf, const std::filesystem::path& file, const WriteSettings& settings,
                     TaskContext& context, ProgressSpan span) {
    if (context.IsCancelled())
        return Written(WriteStatus::kCancelled);
    std::FILE* stream = std::fopen(file.c_str(), "wb");
    if (stream == nullptr) {
        return Written(WriteStatus::kCannotSave,
                       file.string() + ": " + std::generic_category().message(errno));
    }
    std::unique_ptr<StrongestFlate> flate;
    if (settings.compact)
        flate = std::make_unique<StrongestFlate>();
    WriteResult result;
    try {
        QPDFWriter writer(pdf);
        writer.setOutputFile(file.c_str(), stream, false);
        Configure(writer, settings);
        writer.registerProgressReporter(std::make_shared<ProgressToContext>(context, span));
        writer.write();
    } catch (const WriteCancelled&) {
        result = Written(WriteStatus::kCancelled);
    } catch (const std::exception& exception) {
        // A failed write of our own file shows in the stream; anything else came from reading
        // the source.
        result = Written(
            std::ferror(stream) != 0 ? WriteStatus::kCannotSave : WriteStatus::kSourceUnreadable,
            exception.what());
    }
    if (std::fclose(stream) != 0 && result.status == WriteStatus::kWritten)
        result = Written(WriteStatus::kCannotSave,
                         file.string() + ": " + std::generic_category().message(errno));
    return result;
}

bool CommitAll(std::vector<std::unique_ptr<PendingOutput>>& outputs, std::string* error) {
    for (std::size_t done = 0; done < outputs.size(); ++done) {
        if (outputs[done]->Commit(error))
            continue;
        for (std::size_t undo = 0; undo < done; ++undo) {
            std::error_code ignored;
            std::filesystem::remove(outputs[undo]->Target(), ignored);
        }
        return false;
    }
    return true;
}

}  // namespace convcore
