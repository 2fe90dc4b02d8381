#include "tasks/TaskResultSignal.h"

keasy::ChangeSignal& TaskResultSignal() {
    // Never destroyed: a detached pool thread may still finish a task during exit.
    static auto* signal = new keasy::ChangeSignal;
    return *signal;
}
