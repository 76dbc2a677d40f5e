#include "orvdll/stuf.h"

#include "package_session.h"

namespace orv {

struct cSTUF::Package : package::PackageSession<package::FirstVersion> {};

cSTUF::cSTUF() : package_(std::make_unique<Package>()) {}
cSTUF::~cSTUF() = default;

const std::string& cSTUF::LastError() const {
    return package_->lastError;
}
void cSTUF::setLastError(const std::string& text) {
    package_->lastError = text;
}
bool cSTUF::Session() const {
    return package_->session;
}
void cSTUF::setSession(bool open) {
    package_->session = open;
}
const std::string& cSTUF::Format() const {
    return package_->format;
}
void cSTUF::setFormat(const std::string& format) {
    package_->format = format;
}

int cSTUF::StartSession(const std::string& sourcePackage) {
    return package_->startSession(sourcePackage);
}
int cSTUF::EndSession() {
    return package_->endSession();
}
int cSTUF::SetDescription(const std::string& description) {
    return package_->setDescription(description);
}
std::string cSTUF::GetDescription() const {
    return package_->description();
}
int32_t cSTUF::FileCount() const {
    return package_->fileCount();
}
int cSTUF::AddFile(const std::string& sourceFile) {
    return package_->addFile(sourceFile, 0);
}
int cSTUF::ExtractPackage(const std::string& destDir) {
    return package_->extractPackage(destDir);
}
int cSTUF::ExtractFile(int32_t fileNumber, const std::string& targetFile) {
    return package_->extractFile(fileNumber, targetFile);
}
int cSTUF::DeleteFile(int32_t fileNumber) {
    return package_->deleteFile(fileNumber);
}
std::string cSTUF::GetFileData(const std::string& fileName) {
    return package_->fileDataByName(fileName);
}
int32_t cSTUF::GetFileNumber(const std::string& fileName) const {
    return package_->fileNumber(fileName);
}
std::string cSTUF::GetFileName(int32_t fileNumber) {
    return package_->fileName(fileNumber);
}
int64_t cSTUF::GetFileSize(int32_t fileNumber) {
    return package_->memberValue(fileNumber, [](const package::PackageEntry18& entry) {
        return static_cast<int64_t>(entry.data.size());
    });
}
int cSTUF::DeleteDoubles() {
    return package_->deleteDoubles();
}

}  // namespace orv
