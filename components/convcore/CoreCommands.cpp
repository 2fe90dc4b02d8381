#include "convcore/CadCommands.h"
#include "convcore/CommandDispatcher.h"
#include "convcore/CurveCommand.h"
#include "convcore/FileInfoCommand.h"
#include "convcore/OcrCommands.h"
#include "convcore/OfficeCommands.h"
#include "convcore/PageToolCommands.h"
#include "convcore/PdfToOfficeCommands.h"
#include "convcore/PictureCommands.h"
#include "convcore/RenderCommands.h"
#include "convcore/TextToPdf.h"
#include "convcore/WatermarkCommands.h"

namespace convcore {

// Every command this core performs; one line per engine.
CommandDispatcher MakeCoreDispatcher() {
    CommandDispatcher dispatcher;
    dispatcher.Register("get_file_info", GetFileInfo);
    RegisterPageTools(dispatcher);
    RegisterRenderCommands(dispatcher);
    RegisterPictureCommands(dispatcher);
    RegisterTextToPdf(dispatcher);
    RegisterOfficeCommands(dispatcher);
    RegisterPdfToOfficeCommands(dispatcher);
    RegisterOcrCommands(dispatcher);
    RegisterCurveCommand(dispatcher);
    RegisterWatermarkCommands(dispatcher);
    RegisterCadCommands(dispatcher);
    return dispatcher;
}

}  // namespace convcore
