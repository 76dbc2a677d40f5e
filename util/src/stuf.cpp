#include "orvdll/stuf.h"

#include "package_session.h"

namespace orv {

int cSTUF::AddFile(const std::string& sourceFile) {
    return package().addFile(sourceFile, 0);
}

std::string cSTUF::GetFileData(const std::string& fileName) {
    return package().fileDataByName(fileName);
}

int64_t cSTUF::GetFileSize(int32_t fileNumber) {
    return package().memberValue(fileNumber, [](const package::PackageEntry18& entry) {
        return static_cast<int64_t>(entry.data.size());
    });
}

}  // namespace orv
