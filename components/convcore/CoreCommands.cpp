#include "convcore/CommandDispatcher.h"
#include "convcore/FileInfoCommand.h"

namespace convcore {

// Every command this core performs; one line per engine.
CommandDispatcher MakeCoreDispatcher() {
    CommandDispatcher dispatcher;
    dispatcher.Register("get_file_info", GetFileInfo);
    return dispatcher;
}

}  // namespace convcore
