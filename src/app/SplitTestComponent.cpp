#include "app/SplitTestComponent.h"

bool SplitTestComponent::Load(const std::filesystem::path& program_folder) {
    if (library_)
        return IsInitialized();
    const std::filesystem::path file = program_folder / kLibraryName;
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return false;
    auto library = platform::DynamicLibrary::Open(file);
    if (!library)
        return false;
    auto* factory = library->FunctionNamed<platform::ClassFactory>("DllGetClassObject");
    if (!factory)
        return false;
    void* object = nullptr;
    if (factory(platform::Guid{}, kInterfaceId, &object) != 0 || !object)
        return false;
    auto* tester = static_cast<ITester*>(object);
    if (tester->Initialize(0) == 0) {
        tester->Uninitialize();
        tester->Release();
        return false;
    }
    library_ = std::move(library);
    tester_ = tester;
    return true;
}

void SplitTestComponent::Unload() {
    if (tester_) {
        tester_->Uninitialize();
        tester_->Release();
        tester_ = nullptr;
    }
    library_.reset();
}
