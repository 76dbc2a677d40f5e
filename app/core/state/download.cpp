#include "core/state/download.h"

namespace tornel {

void cDownload::cancelOp() {
    extendedStatus.clear();
    Status = DL_Cancelled;
}

}  // namespace tornel
