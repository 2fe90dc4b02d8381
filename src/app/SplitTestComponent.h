#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/DynamicLibrary.h"
#include "platform/Guid.h"

// The optional split-test component: a library in the program folder that start-up loads and
// lets initialise itself; shutdown tells it to finish and unloads it. None is shipped.
class SplitTestComponent {
public:
    static constexpr const char* kLibraryName = "libquire-splittest.so";
    static constexpr platform::Guid kInterfaceId = {
        0xB566179F, 0x4613, 0x48B0, {0x9B, 0x1B, 0x55, 0xBB, 0x0B, 0x92, 0x71, 0x1B}};

    // The component's interface: reference counting, then its two operations.
    class ITester {
    public:
        virtual std::int32_t QueryInterface(const platform::Guid& iid, void** out) = 0;
        virtual std::uint32_t AddRef() = 0;
        virtual std::uint32_t Release() = 0;
        // Non-zero when the component took up its work.
        virtual std::int32_t Initialize(std::int32_t reserved) = 0;
        virtual void Uninitialize() = 0;

    protected:
        ~ITester() = default;
    };

    // Loads the component once; true when it initialised. Every failure leaves nothing loaded.
    bool Load(const std::filesystem::path& program_folder);
    bool IsInitialized() const { return tester_ != nullptr; }

    // Uninitialize, Release, unload; safe when nothing was loaded.
    void Unload();
    ~SplitTestComponent() { Unload(); }

private:
    std::unique_ptr<platform::DynamicLibrary> library_;
    ITester* tester_ = nullptr;  // one reference held while initialised
};
