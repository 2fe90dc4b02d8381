#pragma once

#include <memory>
#include <string>

#include "composite/IOperationBackend.h"

// The error text of an online step while no converter is set up.
inline constexpr char kOnlineNotSetUp[] = "online conversion service is not set up";
// The error text of an online step the user has not allowed.
inline constexpr char kOnlineNotAllowed[] = "online conversion is not allowed";

// The jobs composite tasks hand to the online conversion service.
enum class OnlineKind {
    kPdfToDocument,  // the document kind follows the target's extension
    kDocumentToPdf,
    kPdfToCad,
    kCadToPdf,
    kImageToWord,  // text recognition
};

struct OnlineRequest {
    OnlineKind kind = OnlineKind::kPdfToDocument;
    std::string source;
    std::string target;
    int page_count = 0;       // pages of the uploaded file, where the service wants it
    bool image_only = false;  // the PDF holds only page pictures (scans)
    int option = 0;           // CAD to PDF: the white-background flag
};

class IOnlineJob : public IOperationJob {
public:
    // The service's code for the job's last answer; -1 when it gave none.
    virtual int ServiceErrorCode() = 0;
};

// The joining point of the online service: composite tasks that go online submit here. Until
// the service client exists no converter is set, and those steps fail with a clear text
// instead of pretending to convert.
class IOnlineConverter {
public:
    virtual ~IOnlineConverter() = default;
    // Null when the job could not be queued.
    virtual std::unique_ptr<IOnlineJob> Submit(const OnlineRequest& request) = 0;
};
