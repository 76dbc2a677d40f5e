#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tornel::test {

// While alive, file permissions bind this process even when it runs as root
// (as the suite does in its network namespace): the capabilities that
// override them are taken out of the effective set and put back at the end.
// A test can then make a file unreadable or a folder unwritable with chmod.
class FilePermissionsEnforced {
  public:
    FilePermissionsEnforced() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~(Bit(CAP_DAC_OVERRIDE) | Bit(CAP_DAC_READ_SEARCH));
        lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~FilePermissionsEnforced() {
        if (lowered_) {
            ::syscall(SYS_capset, &header_, saved_);
        }
    }
    FilePermissionsEnforced(const FilePermissionsEnforced&) = delete;
    FilePermissionsEnforced& operator=(const FilePermissionsEnforced&) = delete;

  private:
    static constexpr unsigned Bit(int capability) { return 1U << capability; }

    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool lowered_ = false;
};

}  // namespace tornel::test
