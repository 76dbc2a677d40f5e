#include "orvdll/package_file.h"

#include "package_session.h"

namespace orv {

template <class Version>
PackageFile<Version>::PackageFile()
    : package_(std::make_unique<package::PackageSession<Version>>()) {}

template <class Version>
PackageFile<Version>::~PackageFile() = default;

template <class Version>
const std::string& PackageFile<Version>::LastError() const {
    return package_->lastError;
}
template <class Version>
void PackageFile<Version>::setLastError(const std::string& text) {
    package_->lastError = text;
}
template <class Version>
bool PackageFile<Version>::Session() const {
    return package_->session;
}
template <class Version>
void PackageFile<Version>::setSession(bool open) {
    package_->session = open;
}
template <class Version>
const std::string& PackageFile<Version>::Format() const {
    return package_->format;
}
template <class Version>
void PackageFile<Version>::setFormat(const std::string& format) {
    package_->format = format;
}

template <class Version>
int PackageFile<Version>::StartSession(const std::string& sourcePackage) {
    return package_->startSession(sourcePackage);
}
template <class Version>
int PackageFile<Version>::EndSession() {
    return package_->endSession();
}
template <class Version>
int PackageFile<Version>::SetDescription(const std::string& description) {
    return package_->setDescription(description);
}
template <class Version>
std::string PackageFile<Version>::GetDescription() const {
    return package_->description();
}
template <class Version>
int32_t PackageFile<Version>::FileCount() const {
    return package_->fileCount();
}
template <class Version>
int PackageFile<Version>::ExtractPackage(const std::string& destDir) {
    return package_->extractPackage(destDir);
}
template <class Version>
int PackageFile<Version>::ExtractFile(int32_t fileNumber, const std::string& targetFile) {
    return package_->extractFile(fileNumber, targetFile);
}
template <class Version>
int PackageFile<Version>::DeleteFile(int32_t fileNumber) {
    return package_->deleteFile(fileNumber);
}
template <class Version>
int PackageFile<Version>::DeleteDoubles() {
    return package_->deleteDoubles();
}
template <class Version>
int32_t PackageFile<Version>::GetFileNumber(const std::string& fileName) const {
    return package_->fileNumber(fileName);
}
template <class Version>
std::string PackageFile<Version>::GetFileName(int32_t fileNumber) {
    return package_->fileName(fileNumber);
}

template class PackageFile<package::FirstVersion>;
template class PackageFile<package::SecondVersion>;

}  // namespace orv
