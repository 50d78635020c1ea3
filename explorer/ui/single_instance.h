// One running explorer at a time: a lock file named "PVR_EXPLORER" in the temporary
// folder. A lock left by a crashed instance is taken over.
#pragma once
#include <QLockFile>
#include <QString>

#include <memory>

namespace explorer {

// The held lock, or nothing when another instance runs.
std::unique_ptr<QLockFile> AcquireSingleInstance(const QString& folder);

}  // namespace explorer
