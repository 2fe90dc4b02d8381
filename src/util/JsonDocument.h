#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "util/JsonError.h"
#include "util/JsonHandle.h"
#include "util/JsonValue.h"

namespace BkJsonEx {

// Owns the root value of a tree; as a handle it navigates from that root (a root has no
// container, so navigating into a root that is not of the right kind gives the empty handle).
class Document : public Handle {
public:
    Document() = default;
    ~Document() override;
    Document(Document&& other) noexcept;
    Document& operator=(Document&& other) noexcept;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // The root is the first of bool, long long, long, string, array and object that parses
    // from the start of the text; a root null is not accepted and whatever follows the root is
    // not examined. On failure the document holds no root and GetError() the error of the last
    // attempt (so an error inside a root array reads as a missing "{" at line 1, column 1).
    bool Parse(std::string_view text);
    const Error& GetError() const { return error_; }

    // Takes `root` in place of the current one and returns its handle.
    Handle SetRoot(std::unique_ptr<Value> root);
    const Value* Root() const { return root_.get(); }

    // False, and nothing written, when there is no root.
    bool Write(std::string& text, bool pretty) const;

private:
    std::unique_ptr<Value> root_;  // value_ of the handle part always points at it
    Error error_;
};

}  // namespace BkJsonEx
