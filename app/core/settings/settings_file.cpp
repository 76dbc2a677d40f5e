#include "core/settings/settings_file.h"

#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/runtime_error.h"
#include "qellib/variant.h"

#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <utility>

namespace tornel {
namespace {

constexpr std::string_view DefaultRootName = "Settings";
// A settings file is small; anything larger is not one of ours.
constexpr int64_t MaxFileBytes = 64 * 1024 * 1024;
// Deeper nesting than this is no settings file either (and would make saving
// recurse without bound).
constexpr int MaxDepth = 64;

bool allowedInXml(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The text as valid UTF-8 holding only characters XML 1.0 allows.
std::string xmlSafe(std::string_view text) {
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QString safe;
    safe.reserve(decoded.size());
    for (const char32_t c : decoded.toUcs4()) {
        const char32_t kept = allowedInXml(c) ? c : char32_t{0xFFFD};
        safe.append(QString::fromUcs4(&kept, 1));
    }
    return safe.toStdString();
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Writes `text` as character data; a carriage return goes as a character
// reference, since a reader turns a literal one into a line feed.
void writeText(QXmlStreamWriter& writer, std::string_view text) {
    size_t start = 0;
    for (size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', start)) {
        writer.writeCharacters(
            QString::fromUtf8(text.data() + start, static_cast<qsizetype>(cr - start)));
        writer.writeEntityReference(QStringLiteral("#13"));
        start = cr + 1;
    }
    writer.writeCharacters(
        QString::fromUtf8(text.data() + start, static_cast<qsizetype>(text.size() - start)));
}

[[noreturn]] void typeMismatch() {
    throw platform::RuntimeError(platform::rt::TypeMismatch);
}

}  // namespace

struct cSettingsFile::Element {
    std::string name;
    std::string text;
    Element* parent = nullptr;
    std::vector<std::unique_ptr<Element>> children;

    Element& append(std::string_view childName) {
        auto element = std::make_unique<Element>();
        element->name = childName;
        element->parent = this;
        children.push_back(std::move(element));
        return *children.back();
    }
};

cSettingsFile::cSettingsFile() {
    reset();
}

cSettingsFile::~cSettingsFile() = default;
cSettingsFile::cSettingsFile(cSettingsFile&&) noexcept = default;
cSettingsFile& cSettingsFile::operator=(cSettingsFile&&) noexcept = default;

void cSettingsFile::reset() {
    root_ = std::make_unique<Element>();
    root_->name = DefaultRootName;
    current_ = root_.get();
}

cSettingsFile::Element* cSettingsFile::child(std::string_view name, int index) const {
    if (index == 0 || index < -1) {
        throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
    }
    int seen = 0;
    const int wanted = index == -1 ? 1 : index;
    for (const auto& element : current_->children) {
        if (element->name == name && ++seen == wanted) {
            return element.get();
        }
    }
    return nullptr;
}

cSettingsFile::Element& cSettingsFile::childForWrite(std::string_view name, int index) {
    if (Element* found = child(name, index)) {
        return *found;
    }
    const int wanted = index == -1 ? 1 : index;
    Element* made = nullptr;
    for (int count = countNodes(name); count < wanted; ++count) {
        made = &current_->append(name);
    }
    return *made;
}

bool cSettingsFile::openNode(std::string_view name, int index, bool create) {
    if (Element* found = child(name, index)) {
        current_ = found;
        return true;
    }
    if (create) {
        current_ = &childForWrite(name, index);
    }
    return false;
}

void cSettingsFile::closeNode() {
    if (current_->parent != nullptr) {
        current_ = current_->parent;
    }
}

void cSettingsFile::rootNode() {
    current_ = root_.get();
}

int cSettingsFile::countNodes(std::string_view name) const {
    int count = 0;
    for (const auto& element : current_->children) {
        count += element->name == name ? 1 : 0;
    }
    return count;
}

void cSettingsFile::clearNode() {
    current_->children.clear();
}

std::string cSettingsFile::getValue(std::string_view name, std::string_view defaultValue,
                                    int index) const {
    const Element* found = child(name, index);
    return found != nullptr ? found->text : std::string(defaultValue);
}

std::string cSettingsFile::getValue(std::string_view name, const char* defaultValue,
                                    int index) const {
    return getValue(name, std::string_view(defaultValue), index);
}

bool cSettingsFile::getValue(std::string_view name, bool defaultValue, int index) const {
    const Element* found = child(name, index);
    if (found == nullptr) {
        return defaultValue;
    }
    const std::string_view text = trimmed(found->text);
    if (const auto value = qel::parseBool(text)) {
        return *value;
    }
    if (const auto number = qel::parseInt64(text)) {
        return *number != 0;
    }
    typeMismatch();
}

int64_t cSettingsFile::getValue(std::string_view name, int64_t defaultValue, int index) const {
    const Element* found = child(name, index);
    if (found == nullptr) {
        return defaultValue;
    }
    if (const auto value = qel::parseInt64(trimmed(found->text))) {
        return *value;
    }
    typeMismatch();
}

int cSettingsFile::getValue(std::string_view name, int defaultValue, int index) const {
    const int64_t value = getValue(name, int64_t{defaultValue}, index);
    if (value < INT32_MIN || value > INT32_MAX) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    return static_cast<int>(value);
}

double cSettingsFile::getValue(std::string_view name, double defaultValue, int index) const {
    const Element* found = child(name, index);
    if (found == nullptr) {
        return defaultValue;
    }
    if (const auto value = qel::parseDouble(trimmed(found->text))) {
        return *value;
    }
    typeMismatch();
}

void cSettingsFile::setValue(std::string_view name, std::string_view value, int index) {
    childForWrite(name, index).text = xmlSafe(value);
}

void cSettingsFile::setValue(std::string_view name, const char* value, int index) {
    setValue(name, std::string_view(value), index);
}

void cSettingsFile::setValue(std::string_view name, bool value, int index) {
    setValue(name, std::string_view(value ? "True" : "False"), index);
}

void cSettingsFile::setValue(std::string_view name, int64_t value, int index) {
    setValue(name, std::string_view(std::to_string(value)), index);
}

void cSettingsFile::setValue(std::string_view name, int value, int index) {
    setValue(name, int64_t{value}, index);
}

void cSettingsFile::setValue(std::string_view name, double value, int index) {
    setValue(name, std::string_view(qel::toText(value).value_or("0")), index);
}

void cSettingsFile::setRootName(std::string_view name) {
    root_->name = name;
}

const std::string& cSettingsFile::rootName() const {
    return root_->name;
}

bool cSettingsFile::loadFile(const std::string& path) {
    std::string bytes;
    if (platform::readWholeFile(path, bytes, MaxFileBytes) != 0) {
        reset();
        return false;
    }
    return loadXml(bytes);
}

bool cSettingsFile::loadXml(std::string_view xml) {
    reset();
    QXmlStreamReader reader(QByteArray(xml.data(), static_cast<qsizetype>(xml.size())));
    Element* open = nullptr;
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartElement: {
                const std::string name = reader.name().toString().toStdString();
                if (++depth > MaxDepth) {
                    reader.raiseError(QStringLiteral("Too deeply nested"));
                    break;
                }
                if (open == nullptr) {
                    root_->name = name;
                    open = root_.get();
                } else {
                    open = &open->append(name);
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                --depth;
                open = open->parent;
                break;
            case QXmlStreamReader::Characters:
                if (open != nullptr) {
                    open->text += reader.text().toString().toStdString();
                }
                break;
            default:
                break;
        }
    }
    if (reader.hasError()) {
        reset();
        return false;
    }
    return true;
}

std::string cSettingsFile::toXml() const {
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    const auto write = [&writer](const Element& element, const auto& self) -> void {
        writer.writeStartElement(QString::fromStdString(element.name));
        if (element.children.empty()) {
            writeText(writer, element.text);
        }
        for (const auto& child : element.children) {
            self(*child, self);
        }
        writer.writeEndElement();
    };
    write(*root_, write);
    writer.writeEndDocument();
    return bytes.toStdString();
}

void cSettingsFile::saveFile(const std::string& path) const {
    if (const int error = platform::writeFileAtomically(path, toXml()); error != 0) {
        throw platform::errorFromErrno(error);
    }
}

}  // namespace tornel
