#include "orvdll/stuf20.h"

#include "package_session.h"

namespace orv {

using package::PackageEntry20;

struct cSTUF20::Package : package::PackageSession<package::SecondVersion> {};

cSTUF20::cSTUF20() : package_(std::make_unique<Package>()) {}
cSTUF20::~cSTUF20() = default;

const std::string& cSTUF20::LastError() const {
    return package_->lastError;
}
void cSTUF20::setLastError(const std::string& text) {
    package_->lastError = text;
}
bool cSTUF20::Session() const {
    return package_->session;
}
void cSTUF20::setSession(bool open) {
    package_->session = open;
}
const std::string& cSTUF20::Format() const {
    return package_->format;
}
void cSTUF20::setFormat(const std::string& format) {
    package_->format = format;
}

int cSTUF20::StartSession(const std::string& sourcePackage) {
    return package_->startSession(sourcePackage);
}
int cSTUF20::EndSession() {
    return package_->endSession();
}
int cSTUF20::AddFile(const std::string& sourceFile, int compressionLevel) {
    return package_->addFile(sourceFile, compressionLevel);
}
int cSTUF20::ExtractPackage(const std::string& destDir) {
    return package_->extractPackage(destDir);
}
int cSTUF20::ExtractFile(int32_t fileNumber, const std::string& targetFile) {
    return package_->extractFile(fileNumber, targetFile);
}
int cSTUF20::DeleteFile(int32_t fileNumber) {
    return package_->deleteFile(fileNumber);
}
std::string cSTUF20::GetFileData(int32_t fileNumber) {
    return package_->fileDataByNumber(fileNumber);
}
int32_t cSTUF20::GetFileNumber(const std::string& fileName) const {
    return package_->fileNumber(fileName);
}
std::string cSTUF20::GetFileName(int32_t fileNumber) {
    return package_->fileName(fileNumber);
}
int64_t cSTUF20::GetFileSize(int32_t fileNumber) {
    return package_->memberValue(fileNumber,
                                 [](const PackageEntry20& entry) { return entry.originalSize; });
}
int64_t cSTUF20::GetCompressedSize(int32_t fileNumber) {
    return package_->memberValue(fileNumber, [](const PackageEntry20& entry) {
        return static_cast<int64_t>(entry.data.size()) - 1;
    });
}
int32_t cSTUF20::IsCompressed(int32_t fileNumber) {
    return static_cast<int32_t>(package_->memberValue(
        fileNumber, [](const PackageEntry20& entry) { return entry.isCompressed; }));
}
int cSTUF20::DeleteDoubles() {
    return package_->deleteDoubles();
}
int cSTUF20::SetDescription(const std::string& description) {
    return package_->setDescription(description);
}
std::string cSTUF20::GetDescription() const {
    return package_->description();
}
int32_t cSTUF20::FileCount() const {
    return package_->fileCount();
}

}  // namespace orv
