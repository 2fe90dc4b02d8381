#include "report/KTallylineNoKfmtFileWrap.h"

namespace report {

KTallylineNoKfmtFileWrap::KTallylineNoKfmtFileWrap(const std::filesystem::path& library_file)
    : library_(platform::DynamicLibrary::Open(library_file)) {
    if (library_)
        Acquire(library_->FunctionNamed<GetExportInterfaceFunction>(kClientExportName));
}

KTallylineNoKfmtFileWrap::KTallylineNoKfmtFileWrap(
    GetExportInterfaceFunction* get_export_interface) {
    Acquire(get_export_interface);
}

KTallylineNoKfmtFileWrap::~KTallylineNoKfmtFileWrap() {
    if (client_)
        client_->Release();
}

void KTallylineNoKfmtFileWrap::Acquire(GetExportInterfaceFunction* get_export_interface) {
    if (!get_export_interface)
        return;
    auto* client = static_cast<ITallylineClient2*>(get_export_interface(kClientInterfaceName));
    if (!client)
        return;
    if (client->Initialize() == 0) {
        client->Release();
        return;
    }
    client_ = client;
}

}  // namespace report
