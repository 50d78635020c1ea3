#include "explorer/ui/single_instance.h"

#include <QDir>

namespace explorer {

std::unique_ptr<QLockFile> AcquireSingleInstance(const QString& folder)
{
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath("PVR_EXPLORER.lock"));
    lock->setStaleLockTime(0);  // only a dead owner's lock is stale
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

}  // namespace explorer
