#pragma once

#include <string>

// The registry steps that register a file type with the shell, under the
// classes root. A step that fails leaves its key or value unwritten and the
// later steps still run.
namespace orv::association {

// ".ext" names "app.Document"; the open-command key exists; "app.Document"
// names the application.
void registerDocumentType(const std::string& extension, const std::string& appName);
// "app.Document\DefaultIcon" holds `icon`.
void registerDefaultIcon(const std::string& appName, const std::string& icon);
// "app.Document\shell\open\command" runs `filePath` with the file's path.
void registerOpenCommand(const std::string& appName, const std::string& filePath);

}  // namespace orv::association
