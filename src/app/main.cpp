#include <iostream>

#include "app/main_run.h"
#include "app/process_exit.h"
#include "app/run_context.h"
#include "platform/memory_reuse.h"

int main(int argc, char* argv[]) {
    vexmor::platform::keepFreedMemoryForReuse();
    vexmor::RunContext context(std::cout, &std::cerr);
    vexmor::openReportFile(context);
    int code = 0;
    try {
        code = vexmor::mainRun(context, argc, argv);
    } catch (const vexmor::ProcessExit& exit) {
        code = exit.code;
    }
    context.console.flush();
    return code;
}
