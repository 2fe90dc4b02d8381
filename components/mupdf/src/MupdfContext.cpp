#include "quire-mupdf/MupdfContext.h"

#include <mupdf/fitz.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace quiremupdf {

// Lives at a fixed address (the allocator and the message callbacks keep a pointer to it) and
// is touched only by the thread that owns the context.
struct MupdfContext::State {
    std::size_t limit = 0;
    std::size_t used = 0;
    fz_context* context = nullptr;
    std::string last_message;
};

namespace {

using State = MupdfContext::State;

// Every block carries its size in front so that the budget can be given back on free.
constexpr std::size_t kHeader = alignof(std::max_align_t);
constexpr std::size_t kMaxMessage = 500;

std::size_t& StoredSize(void* block) {
    return *static_cast<std::size_t*>(block);
}

bool Fits(const State& state, std::size_t more) {
    return more <= state.limit - state.used && more <= SIZE_MAX - kHeader;
}

void* BudgetMalloc(void* user, std::size_t size) {
    auto* state = static_cast<State*>(user);
    if (!Fits(*state, size))
        return nullptr;
    void* block = std::malloc(size + kHeader);
    if (block == nullptr)
        return nullptr;
    StoredSize(block) = size;
    state->used += size;
    return static_cast<char*>(block) + kHeader;
}

void BudgetFree(void* user, void* pointer) {
    if (pointer == nullptr)
        return;
    auto* state = static_cast<State*>(user);
    void* block = static_cast<char*>(pointer) - kHeader;
    state->used -= StoredSize(block);
    std::free(block);
}

void* BudgetRealloc(void* user, void* pointer, std::size_t size) {
    if (pointer == nullptr)
        return BudgetMalloc(user, size);
    if (size == 0) {
        BudgetFree(user, pointer);
        return nullptr;
    }
    auto* state = static_cast<State*>(user);
    void* block = static_cast<char*>(pointer) - kHeader;
    const std::size_t old_size = StoredSize(block);
    if (size > old_size && !Fits(*state, size - old_size))
        return nullptr;
    void* moved = std::realloc(block, size + kHeader);
    if (moved == nullptr)
        return nullptr;
    StoredSize(moved) = size;
    state->used = state->used - old_size + size;
    return static_cast<char*>(moved) + kHeader;
}

void KeepMessage(void* user, const char* message) {
    static_cast<State*>(user)->last_message.assign(message, strnlen(message, kMaxMessage));
}

}  // namespace

std::unique_ptr<MupdfContext> MupdfContext::Create(std::size_t memory_limit) {
    auto state = std::make_unique<State>();
    state->limit = memory_limit;
    const fz_alloc_context allocator{state.get(), BudgetMalloc, BudgetRealloc, BudgetFree};
    // The resource store may take a quarter of the budget; the rest is for the work itself.
    state->context = fz_new_context(&allocator, nullptr, memory_limit / 4);
    if (state->context == nullptr)
        return nullptr;
    fz_set_error_callback(state->context, KeepMessage, state.get());
    fz_set_warning_callback(state->context, KeepMessage, state.get());
    return std::unique_ptr<MupdfContext>(new MupdfContext(std::move(state)));
}

MupdfContext::MupdfContext(std::unique_ptr<State> state) : state_(std::move(state)) {}

fz_context* MupdfContext::Get() const {
    return state_->context;
}

const std::string& MupdfContext::LastMessage() const {
    return state_->last_message;
}

MupdfContext::~MupdfContext() {
    fz_drop_context(state_->context);
}

}  // namespace quiremupdf
