#include "convcore/CadCommands.h"
#include "convcore/CoreTools.h"
#include "convcore/CurveCommand.h"
#include "convcore/PageToolCommands.h"
#include "convcore/PictureCommands.h"
#include "convcore/TextToPdf.h"
#include "convcore/WatermarkCommands.h"

namespace convcore {

void RegisterCoreTools(CommandDispatcher& dispatcher) {
    RegisterPageTools(dispatcher);
    RegisterPictureCommands(dispatcher);
    RegisterTextToPdf(dispatcher);
    RegisterCurveCommand(dispatcher);
    RegisterWatermarkCommands(dispatcher);
    RegisterCadCommands(dispatcher);
}

}  // namespace convcore
