#include "core/PipeLibrary.h"

#include "app/AsynLog.h"

PipeLibrary::PipeLibrary(const std::filesystem::path& file, const char* owner) {
    std::string error;
    library_ = platform::DynamicLibrary::Open(file, &error);
    if (!library_) {
        keasy::AsynLog::Instance().Print("%s load pipe library fail:%s", owner, error);
        return;
    }
    auto* create = library_->FunctionNamed<IPipeSvr*()>("CreatePipeSvr");
    auto* release = library_->FunctionNamed<void(IPipeSvr*)>("ReleasePipeSvr");
    if (!create || !release) {
        keasy::AsynLog::Instance().Print("%s pipe library without its exports:%ws", owner,
                                         file.string());
        return;
    }
    create_ = create;
    release_ = release;
}
