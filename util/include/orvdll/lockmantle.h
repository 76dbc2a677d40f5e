#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace orv {

// Receives the progress of cLockmantle's file operations.
class LockmantleEvents {
  public:
    virtual ~LockmantleEvents() = default;
    // Raised whenever the whole percentage done changes (`cancel` is false on
    // entry). Setting `cancel` stops the operation before the chunk just
    // processed is written. An exception thrown here is ignored.
    virtual void EncProgress(int32_t& percentDone, bool& cancel) = 0;
};

// Password cipher for texts, byte strings and files. The data is XORed with a
// key made from the password and the data's length, and followed by the
// 21-byte marker "FileEncedByLockmantle" under the same key; a password is
// right when the marker deciphers back to that text.
//
// Byte strings and texts are std::string, one byte a character. The data
// operations throw platform::RuntimeError 9 "Subscript out of range" for input
// the cipher cannot handle (an empty text, data shorter than the password,
// a one-character password with one byte of data, fewer than 21 bytes to
// decrypt). The file operations never throw: they return 0 when done (also
// after a cancel), 53 when the source file is missing, 9999 when refused, or
// the number of another failure, with its text in LastLMError().
//
// File operations work in chunks of 65536 bytes and let pending events run
// between chunks; each one uses a key of its own, so calls made from an event
// handler never disturb it. The destination is written beside its target and
// takes its place only when the operation is done: a failure or a cancelled
// encryption leaves an existing destination as it was.
class cLockmantle {
  public:
    explicit cLockmantle(LockmantleEvents* events = nullptr) : events_(events) {}
    void setEvents(LockmantleEvents* events) { events_ = events; }

    // The text of the last refusal or failure; every operation clears it first.
    const std::string& LastLMError() const { return lastLMError_; }
    void setLastLMError(std::string text) { lastLMError_ = std::move(text); }

    // EncryptData and DecryptData on texts; a refusal gives the text "\0".
    std::string EncString(const std::string& strEnc, const std::string& password);
    std::string DecString(const std::string& strDec, const std::string& password);

    // Decrypts `file` into `destFile`. 9999 with "Wrong Password!" when the
    // marker does not decipher, "CreateFile Failed" when a file cannot be
    // opened or created or both names are the same file, "ReadFile Failed" or
    // "WriteFile Failed"; 9 when the file is too short to hold enciphered data.
    // A cancel keeps what was decrypted so far.
    int32_t DecryptFile(const std::string& file, const std::string& destFile,
                        const std::string& password);

    // The enciphered data followed by the enciphered marker (21 bytes more).
    // An empty password gives one zero byte and "No Password Specified".
    std::string EncryptData(const std::string& data, const std::string& password);

    // The deciphered data without the marker. An empty password ("No Password
    // Specified") or a marker that does not decipher ("Invalid Password") gives
    // one zero byte.
    std::string DecryptData(const std::string& data, const std::string& password);

    // Encrypts `file` into `destFile`, failing as DecryptFile does; 9 when the
    // source is shorter than the password or the key cannot encipher it. A
    // cancel leaves the destination untouched.
    int32_t EncryptFile(const std::string& file, const std::string& destFile,
                        const std::string& password);

  private:
    LockmantleEvents* events_;
    std::string lastLMError_;
};

}  // namespace orv
