#pragma once
// The programs a test starts as child processes (the simulator, the panel, an X server):
// they end with the test, and they are stopped the same way.

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

namespace orl::test {

// The child ends with the test, even when the test itself is killed (a CTest timeout):
// the kernel stops it when its parent goes. Call before start().
inline void EndWithTheTest(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

// SIGTERM, then a kill when the process does not stop within the timeout.
inline void StopProcess(QProcess& process, int timeoutMs = 5000) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}

} // namespace orl::test
