#pragma once

#include <functional>
#include <string>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/OcrEngine.h"
#include "reconstruct/OcrPageBuilder.h"
#include "reconstruct/RawPage.h"

typedef struct fz_context fz_context;
typedef struct fz_page fz_page;

// Pages rebuilt from what text recognition reads on their pictures.
namespace reconstruct {

// PDF pages are rendered at this resolution for recognition: small print stays legible.
inline constexpr int kOcrDpi = 300;

struct RecognisedPage {
    Page page;
    // False when the page is only its picture: nothing was recognised on it, or recognition
    // gave up on it (`note` says which).
    bool has_text = false;
    std::string note;
};

// Recognises `picture` and builds its page (BuildOcrPage). A picture without text, or one the
// recogniser gave up on, becomes a page that is the picture, as `page_picture` gives it. False
// only when the task was cancelled or `page_picture` failed, with the reason in `error`.
using PagePictureSource = std::function<bool(Image* picture, std::string* error)>;
bool RecognisePicture(OcrEngine& engine, const OcrPicture& picture, const OcrPageFrame& frame,
                      const OcrOptions& options, const PagePictureSource& page_picture,
                      RecognisedPage* out, std::string* error);

// True for a PDF page that is a scan: no text layer, not even an invisible one (that is a scan
// recognised already), and pictures covering most of it.
bool IsScannedPage(const RawPage& page);

// Recognises a PDF page (`index` is 0-based) rendered at kOcrDpi; the fallback picture is the
// page's own picture as RenderPagePicture gives it. False when cancelled or when the page
// cannot be rendered, with the reason in `error`.
bool RecognisePdfPage(fz_context* context, fz_page* page, int index, OcrEngine& engine,
                      const OcrOptions& options, RecognisedPage* out, std::string* error);

}  // namespace reconstruct
