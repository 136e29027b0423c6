#pragma once

#include <memory>

#include "core/backup_source.h"

namespace orvane {

// BlackBerry desktop backups: IPD files, and ".bbb" archives made by the
// Windows desktop software in either of their two forms. Recognised by the
// extension in any letter case, the IPD header text or a zip signature.
std::unique_ptr<BackupSource> makeBlackBerrySource();

}  // namespace orvane
