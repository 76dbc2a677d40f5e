#pragma once

#include <QTemporaryDir>

#include <string>

namespace tornel::test {

// A temporary folder removed with everything in it when the object goes.
class TempFolder {
  public:
    TempFolder() = default;
    std::string path() const { return dir_.path().toStdString(); }
    std::string file(const std::string& name) const { return path() + "/" + name; }

  private:
    QTemporaryDir dir_;
};

}  // namespace tornel::test
