// Part of the test build of the program only (the end-to-end cases start it): a write to a
// target whose path contains the value of VARNOTEX_FAIL_WRITES fails with ENOSPC, as on a
// full disk. The shipped program has no such switch and reads no such variable.
#ifndef VARNOTEX_TEST_HOOKS
#error "the write fault switch belongs to test builds only"
#endif

#include "platform/atomicfile.h"

#include <QString>

#include <cerrno>

namespace {

struct WriteFaultSwitch {
    WriteFaultSwitch()
    {
        const QByteArray pattern = qgetenv("VARNOTEX_FAIL_WRITES");
        if (pattern.isEmpty())
            return;
        const QString text = QString::fromLocal8Bit(pattern);
        platform::setWriteFaultHook([text](const QString& target) { return target.contains(text) ? ENOSPC : 0; });
    }
};

const WriteFaultSwitch writeFaultSwitch;

}  // namespace
