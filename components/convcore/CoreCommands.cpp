#include "convcore/CommandDispatcher.h"
#include "convcore/CoreTools.h"
#include "convcore/FileInfoCommand.h"
#include "convcore/OcrCommands.h"
#include "convcore/OfficeCommands.h"
#include "convcore/PdfToOfficeCommands.h"
#include "convcore/RenderCommands.h"
#include "platform/Paths.h"

namespace convcore {

// The core's own commands, one line per engine; the rest come from the tools module.
CommandDispatcher MakeCoreDispatcher() {
    CommandDispatcher dispatcher;
    dispatcher.Register("get_file_info", GetFileInfo);
    RegisterRenderCommands(dispatcher);
    RegisterOfficeCommands(dispatcher);
    RegisterPdfToOfficeCommands(dispatcher);
    RegisterOcrCommands(dispatcher);
    dispatcher.SetFallback(CoreToolsFromModule(platform::ProgramFolder()));
    return dispatcher;
}

}  // namespace convcore
