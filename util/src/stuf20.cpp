#include "orvdll/stuf20.h"

#include "package_session.h"

namespace orv {

using package::PackageEntry20;

int cSTUF20::AddFile(const std::string& sourceFile, int compressionLevel) {
    return package().addFile(sourceFile, compressionLevel);
}

std::string cSTUF20::GetFileData(int32_t fileNumber) {
    return package().fileDataByNumber(fileNumber);
}

int64_t cSTUF20::GetFileSize(int32_t fileNumber) {
    return package().memberValue(fileNumber,
                                 [](const PackageEntry20& entry) { return entry.originalSize; });
}

int64_t cSTUF20::GetCompressedSize(int32_t fileNumber) {
    return package().memberValue(fileNumber, [](const PackageEntry20& entry) {
        return static_cast<int64_t>(entry.data.size()) - 1;
    });
}

int32_t cSTUF20::IsCompressed(int32_t fileNumber) {
    return static_cast<int32_t>(package().memberValue(
        fileNumber, [](const PackageEntry20& entry) { return entry.isCompressed; }));
}

}  // namespace orv
