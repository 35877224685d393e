// Part of the test build of the program only (the end-to-end cases start it):
//  - VARNOTEX_FAIL_WRITES=TEXT: a write to a target whose path contains TEXT fails with
//    ENOSPC, as on a full disk;
//  - VARNOTEX_SLOW_WRITES=TEXT or TEXT@MS: every write call to such a target first waits
//    20 ms (or MS), as on a slow medium, so that a save takes long enough to be killed
//    half-way; a save in place waits as long before each block of a megabyte.
// The shipped program has no such switch and reads no such variable.
#ifndef VARNOTEX_TEST_HOOKS
#error "the write fault switch belongs to test builds only"
#endif

#include "platform/atomicfile.h"

#include <QString>

#include <cerrno>
#include <ctime>

namespace {

QString switchText(const char* name)
{
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QString() : QString::fromLocal8Bit(value);
}

struct WriteFaultSwitch {
    WriteFaultSwitch()
    {
        const QString fail = switchText("VARNOTEX_FAIL_WRITES");
        QString slow = switchText("VARNOTEX_SLOW_WRITES");
        long pauseMs = 20;
        if (const qsizetype at = slow.lastIndexOf(QLatin1Char('@')); at > 0) {
            pauseMs = slow.mid(at + 1).toLong();
            slow.truncate(at);
        }
        if (fail.isEmpty() && slow.isEmpty())
            return;
        platform::setWriteFaultHook([fail, slow, pauseMs](const QString& target) {
            if (!slow.isEmpty() && target.contains(slow)) {
                const timespec pause{pauseMs / 1000, (pauseMs % 1000) * 1000 * 1000};
                nanosleep(&pause, nullptr);
            }
            return !fail.isEmpty() && target.contains(fail) ? ENOSPC : 0;
        });
        // A save in place is slowed block by block (a megabyte each) in the same way.
        if (!slow.isEmpty())
            platform::setWriteStepHook([slow, pauseMs](platform::WriteStep step, const QString& target) {
                if (step == platform::WriteStep::WriteInPlace && target.contains(slow)) {
                    const timespec pause{pauseMs / 1000, (pauseMs % 1000) * 1000 * 1000};
                    nanosleep(&pause, nullptr);
                }
                return 0;
            });
    }
};

const WriteFaultSwitch writeFaultSwitch;

}  // namespace
