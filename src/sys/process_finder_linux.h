#pragma once
// Looks for a running process by its executable, over /proc.

#include "sys/system_services.h"

namespace orvane {

// The id of the first process in /proc order that matches, or -1.
//
// A process's executable is read from /proc/<pid>/exe; when that link cannot
// be read (another user's process, a kernel thread) its short name in
// /proc/<pid>/comm stands in, and such a process has no folder, so it never
// matches a query with a path. Names and folders compare ASCII
// case-insensitively, the file name with its extension. With a path, the
// executable's folder (ending in '/') must begin with the path (given a
// trailing '/' when it lacks one), or equal it with exactPath. Processes whose
// file name is in the comma-separated excludedNames, or whose id is
// excludedId, are passed over. A query with neither name nor path is -1.
long findProcess(const ProcessQuery& query);

}  // namespace orvane
