#pragma once

#include "orvdll/stuf20.h"

#include <string>

namespace orv {

// Skins shipped as "STUF20" packages, with their properties in "skin.ini".
class cSkin {
  public:
    // Unpacks the package at `path` into `destDir` and returns the path its
    // "skin.ini" has there, whether or not the package held one.
    std::string ExtractSkin(const std::string& path, const std::string& destDir);
    // The value of the first line of the text file `path` that starts with
    // `property` (ASCII case ignored): the rest of the line after the name and
    // one separator character. "" when no line matches or the file is missing.
    // Lines end at CR, CRLF or LF.
    std::string GetSkinProperty(const std::string& path, const std::string& property);

  private:
    cSTUF20 package_;
};

}  // namespace orv
