#include "link/worker_guard.h"

CWorkerGuard& TransferWorkerGuard()
{
    static CWorkerGuard guard;
    return guard;
}
