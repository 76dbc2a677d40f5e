#pragma once

#include "platform/files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tornel {

// "Update.dat" while a peer's program image arrives: its blocks appended in
// order. The image is refused as soon as it cannot be a program for this
// machine (too large, not an ELF executable like the running one), and once
// more when it is complete (too small, no full header).
class UpdateImage {
  public:
    // `ownHead`: the leading bytes of the running program (program_image::ownHead).
    UpdateImage(std::string path, std::string ownHead);

    const std::string& path() const { return path_; }
    bool isOpen() const { return file_.isOpen(); }
    int64_t size() const { return size_; }

    // Deletes an earlier "Update.dat" and creates an empty one. The errno, 0
    // on success.
    int create();
    // Appends one block; why the image is refused, none while it may go on.
    // `at`, when known, is the block's offset in the image: a block that
    // would leave a gap is refused, and the bytes of it already held (a block
    // sent again) are skipped.
    std::optional<std::string> append(std::string_view block,
                                      std::optional<int64_t> at = std::nullopt);
    // Checks the whole image (of `expectedSize` bytes, when the sender told
    // it), makes it executable and closes it; why it is refused, none when it
    // may run.
    std::optional<std::string> complete(std::optional<int64_t> expectedSize = std::nullopt);
    // Closes the file and leaves it where it is.
    void close() { file_.close(); }
    // Closes the file and deletes it.
    void discard();

  private:
    std::optional<std::string> fault() const;

    std::string path_;
    std::string ownHead_;
    std::string head_;  // the image's first program_image::HeadBytes
    platform::File file_;
    int64_t size_ = 0;
};

}  // namespace tornel
