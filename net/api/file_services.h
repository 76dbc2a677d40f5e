#pragma once

#include "dispatch_table.h"

// The browsing methods a node answers: GETCONTENTS with CONTENTS and
// GETFILEINFO with FILEINFO, and the answers to its own requests. Bodies are
// settings texts; paths go through the share resolver, and a path it refuses
// is answered as missing.
namespace qel {

void addFileServiceMethods(DispatchTable& table);

}  // namespace qel
