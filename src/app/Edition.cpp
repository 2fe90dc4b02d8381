#include "app/Edition.h"

#include "platform/Format.h"

const EditionInfo& CurrentEdition() {
    static const EditionInfo edition;
    return edition;
}

std::string MainWindowClassName(const EditionInfo& edition) {
    const std::string prefix = edition.product_guid.empty()
                                   ? std::string("vellum_{4C8FDCC8-3B12-4617-B081-CC950F8389EC}")
                                   : "vellum_" + edition.product_guid;
    return platform::Format("%s_%d", prefix, edition.number);
}

std::string SingleInstanceMutexName(const EditionInfo& edition) {
    return platform::Format("Global\\{2DAA2D83-389D-4708-A487-96A4501E382D}_%d", edition.number);
}
