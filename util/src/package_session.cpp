#include "package_session.h"

#include "package_compression.h"
#include "trap.h"

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/files.h"

#include <cerrno>
#include <limits>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace orv::package {
namespace {

// What the versions do differently with a member's bytes: the view is into the
// entry, or into `decoded` when the member had to be decompressed.
std::string_view memberBytes(const PackageEntry18& entry, std::string& /*decoded*/) {
    return entry.data;
}

std::string_view memberBytes(const PackageEntry20& entry, std::string& decoded) {
    if (entry.isCompressed != -1) {
        return entry.data;
    }
    decoded = decompressMember(entry.data, entry.originalSize);
    return decoded;
}

void fillEntry(PackageEntry18& entry, std::string data, std::string fileName,
               int /*compressionLevel*/) {
    entry.data = std::move(data);
    entry.fileName = std::move(fileName);
}

void fillEntry(PackageEntry20& entry, std::string data, std::string fileName,
               int compressionLevel) {
    entry.originalSize = static_cast<int32_t>(data.size() - 1);
    if (compressionLevel > 0) {
        entry.data = compressMember(data, compressionLevel);
        entry.isCompressed = -1;
    } else {
        entry.data = std::move(data);
    }
    entry.fileName = std::move(fileName);
}

// Closing up the table after a deletion: the first version moves only the data
// and the name (the reserved texts stay with their positions), the second the
// whole entry.
void takeMember(PackageEntry18& to, PackageEntry18& from) {
    to.data = std::move(from.data);
    to.fileName = std::move(from.fileName);
}

void takeMember(PackageEntry20& to, PackageEntry20& from) {
    to = std::move(from);
}

// A member name must stay one path component inside the extraction folder.
bool isSafeMemberName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string readFile(const std::string& path, int64_t maxBytes) {
    std::string bytes;
    const int error = platform::readWholeFile(path, bytes, maxBytes);
    if (error == EFBIG) {
        throw fileTooLarge();
    }
    if (error != 0) {
        throw platform::errorFromErrno(error);
    }
    return bytes;
}

// Replaces whatever file is at `path` with `bytes`; a link there is replaced,
// never followed.
void writeMemberFile(const std::string& path, std::string_view bytes) {
    int error = 0;
    const platform::File file = platform::File::createReplacing(path, &error);
    if (error == 0) {
        error = file.writeAt(0, bytes);
    }
    if (error != 0) {
        throw platform::errorFromErrno(error);
    }
}

}  // namespace

template <class Version>
int PackageSession<Version>::startSession(const std::string& sourcePackage) {
    if (session && endSession() != 0) {
        return 1;
    }
    const auto failed = [this](const platform::RuntimeError&) {
        header_ = {};
        packagePath_.clear();
        session = false;
        return 1;
    };
    return trapErrors(lastError, failed, [&] {
        PackageHeader<Entry> loaded;
        if (platform::isRegularFile(sourcePackage)) {
            loaded = decodePackage<Version>(
                readFile(sourcePackage, std::numeric_limits<int64_t>::max()));
        } else {
            loaded.format = Version::format;
            loaded.files.resize(1);
        }
        header_ = std::move(loaded);
        packagePath_ = sourcePackage;
        format = header_.format;
        session = true;
        return 0;
    });
}

template <class Version>
int PackageSession<Version>::endSession() {
    if (!session) {
        return 0;
    }
    return trapErrors(lastError, 1, [&] {
        if (Version::rewritesUnchanged || modified_) {
            if (packagePath_.empty()) {
                throw platform::RuntimeError(platform::rt::BadFileNameOrNumber);
            }
            const int error =
                platform::writeFileAtomically(packagePath_, encodePackage<Version>(header_));
            if (error != 0) {
                throw platform::errorFromErrno(error);
            }
        }
        closeSession();
        return 0;
    });
}

template <class Version>
int PackageSession<Version>::setDescription(const std::string& description) {
    if (!session) {
        return 0;
    }
    modified_ = true;
    if (description.size() > kMaxTextLength) {
        return refuse("Description too long");
    }
    header_.description = description;
    return 0;
}

template <class Version>
std::string PackageSession<Version>::description() const {
    return session ? header_.description : std::string();
}

template <class Version>
int32_t PackageSession<Version>::fileCount() const {
    return session ? header_.count : 0;
}

template <class Version>
int PackageSession<Version>::addFile(const std::string& sourceFile, int compressionLevel) {
    if (!session) {
        return 0;
    }
    modified_ = true;
    if (sourceFile.empty()) {
        return refuse("Cannot find source file");
    }
    return trapErrors(lastError, 1, [&] {
        std::string data = readFile(sourceFile, kMaxMemberBytes);
        if (data.empty()) {
            throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
        }
        Entry entry;
        fillEntry(entry, std::move(data), baseName(sourceFile), compressionLevel);
        // The table grows only once the member is complete, so a failure adds nothing.
        const auto added = static_cast<size_t>(header_.count) + 1;
        header_.files.resize(added + 1);
        header_.files[added] = std::move(entry);
        ++header_.count;
        return 0;
    });
}

template <class Version>
int PackageSession<Version>::extractPackage(const std::string& destDir) {
    if (!session) {
        return 0;
    }
    if (destDir.empty()) {
        return refuse("Destination directory not specified");
    }
    return trapErrors(lastError, 1, [&] {
        if (!platform::fileStatus(destDir)) {
            if (const int error = platform::createFolder(destDir)) {
                throw platform::errorFromErrno(error);
            }
        }
        for (int32_t number = 1; number <= header_.count; ++number) {
            const Entry& entry = member(number);
            if (!isSafeMemberName(entry.fileName)) {
                throw platform::RuntimeError(platform::rt::BadFileNameOrNumber,
                                             "Invalid file name in package");
            }
            std::string decoded;
            writeMemberFile(destDir + "/" + entry.fileName, memberBytes(entry, decoded));
        }
        return 0;
    });
}

template <class Version>
int PackageSession<Version>::extractFile(int32_t fileNumber, const std::string& targetFile) {
    if (!session) {
        return 0;
    }
    if (fileNumber <= 0) {
        return refuse(kInvalidFileNumber);
    }
    return trapErrors(lastError, 1, [&] {
        // The bytes come first, so a bad number or damaged data leaves the target alone.
        std::string decoded;
        const std::string_view bytes = memberBytes(member(fileNumber), decoded);
        writeMemberFile(targetFile, bytes);
        return 0;
    });
}

template <class Version>
int PackageSession<Version>::deleteFile(int32_t fileNumber) {
    if (!session) {
        return 0;
    }
    modified_ = true;
    if (!isMember(fileNumber)) {
        return refuse(kInvalidFileNumber);
    }
    auto& files = header_.files;
    for (auto at = static_cast<size_t>(fileNumber); at < static_cast<size_t>(header_.count); ++at) {
        takeMember(files[at], files[at + 1]);
    }
    files.resize(static_cast<size_t>(header_.count));
    --header_.count;
    return 0;
}

template <class Version>
int PackageSession<Version>::deleteDoubles() {
    if (!session) {
        return 0;
    }
    modified_ = true;
    return trapErrors(lastError, 1, [&] {
        removeEarlierDoubles();
        return 0;
    });
}

template <class Version>
void PackageSession<Version>::removeEarlierDoubles() {
    auto& files = header_.files;
    const auto count = static_cast<size_t>(header_.count);
    std::vector<bool> keep(count + 1, false);
    bool anyDouble = false;
    {
        std::unordered_set<std::string_view> laterNames;
        for (size_t at = count; at >= 1; --at) {
            keep[at] = laterNames.insert(files[at].fileName).second;
            anyDouble = anyDouble || !keep[at];
        }
    }
    if (!anyDouble) {
        return;
    }
    size_t kept = 0;
    for (size_t at = 1; at <= count; ++at) {
        if (keep[at] && ++kept != at) {
            takeMember(files[kept], files[at]);
        }
    }
    files.resize(kept + 1);
    header_.count = static_cast<int32_t>(kept);
}

template <class Version>
int32_t PackageSession<Version>::fileNumber(const std::string& fileName) const {
    if (!session) {
        return 0;
    }
    for (int32_t number = 1; number <= header_.count; ++number) {
        if (platform::asciiEqualsIgnoreCase(member(number).fileName, fileName)) {
            return number;
        }
    }
    return 0;
}

template <class Version>
std::string PackageSession<Version>::fileName(int32_t fileNumber) {
    if (!session) {
        return {};
    }
    if (fileNumber <= 0) {
        refuse(kInvalidFileNumber);
        return {};
    }
    return trapErrors(lastError, std::string(), [&] { return member(fileNumber).fileName; });
}

template <class Version>
std::string PackageSession<Version>::fileDataByName(const std::string& fileName) {
    const int32_t number = fileNumber(fileName);
    if (number == 0) {
        return session ? std::string(1, '\0') : std::string();
    }
    return fileDataByNumber(number);
}

template <class Version>
std::string PackageSession<Version>::fileDataByNumber(int32_t fileNumber) {
    if (!session || fileNumber == 0) {
        return {};
    }
    return trapErrors(lastError, std::string(), [&] {
        std::string decoded;
        return std::string(memberBytes(member(fileNumber), decoded));
    });
}

template <class Version>
auto PackageSession<Version>::member(int32_t fileNumber) const -> const Entry& {
    if (!isMember(fileNumber)) {
        throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
    }
    return header_.files.at(static_cast<size_t>(fileNumber));
}

template <class Version>
int PackageSession<Version>::refuse(const char* reason) {
    lastError = reason;
    return 0;
}

template <class Version>
void PackageSession<Version>::closeSession() {
    header_ = {};
    packagePath_.clear();
    format.clear();
    modified_ = false;
    session = false;
}

template class PackageSession<FirstVersion>;
template class PackageSession<SecondVersion>;

}  // namespace orv::package
