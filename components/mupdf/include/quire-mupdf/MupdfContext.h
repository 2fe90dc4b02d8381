#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct fz_context;

namespace quiremupdf {

// One MuPDF context for one thread, with a memory ceiling and quiet diagnostics: MuPDF's own
// messages are kept (the last one) instead of being printed, because a hostile or broken
// document can produce thousands of them.
class MupdfContext {
public:
    static constexpr std::size_t kDefaultMemoryLimit = std::size_t{1} << 30;

    // Nullptr when MuPDF cannot start.
    static std::unique_ptr<MupdfContext> Create(std::size_t memory_limit = kDefaultMemoryLimit);

    fz_context* Get() const;

    // The last error or warning MuPDF reported, empty when none.
    const std::string& LastMessage() const;

    ~MupdfContext();
    MupdfContext(const MupdfContext&) = delete;
    MupdfContext& operator=(const MupdfContext&) = delete;

    // Defined where the context is made; opaque to users.
    struct State;

private:
    explicit MupdfContext(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

}  // namespace quiremupdf
