#include <unistd.h>

#include "cli/CliApp.h"
#include "cli/ConsoleOutput.h"
#include "platform/EventLoop.h"

int main(int argc, char** argv) {
    // Before any thread exists, so that Ctrl-C waits for the batch to cancel its work instead
    // of ending the process while cores write.
    platform::BlockTerminationSignals();
    cli::ConsoleOutput console;
    const bool terminal = console.OutIsTerminal();
    cli::CliApp app(console.Out(), console.Err(), terminal, console.Columns());
    const int status = app.Run({argv + 1, argv + argc});
    if (app.LeftWorkRunning()) {
        // A pool thread still runs a task; ending through exit() would destroy what it uses.
        console.Out().flush();
        console.Err().flush();
        ::_exit(status);
    }
    return status;
}
